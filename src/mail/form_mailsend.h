// Tmailsend: the modal send progress window. Shown by the main window's send
// button, it dials up, logs in to POP3 when POP before SMTP is on, hands the
// message to the transport, records it in the history, and closes itself.
//
// The blocking transport calls (and the pauses before a hang-up) run on a
// worker thread while the window's own event loop keeps it painted; every
// widget is read before the worker starts and written only on this thread.
#pragma once

#include <QDialog>

#include <functional>
#include <thread>

class QColor;
class QGroupBox;
class QLabel;
class QLineEdit;
class QTimer;
class TForm1;

class Tmailsend : public QDialog {
  Q_OBJECT
 public:
  // `parent` is the main window, whose fields the send reads.
  explicit Tmailsend(QWidget* parent = nullptr);
  ~Tmailsend() override;

  QGroupBox* GroupBox1 = nullptr;
  QLabel* Image1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLabel* Label1 = nullptr;
  QTimer* Timer1 = nullptr;  // completion, every 1000 ms
  QTimer* Timer2 = nullptr;  // closing after a failure, 10 ms

  int tick_count = 0;
  // The pause before a hang-up, in milliseconds (tests shorten it, as they
  // shorten the timers' intervals).
  int pause_ms = 2000;

  // Edit1's background; its text keeps the window colour.
  void set_edit_colour(const QColor& background);

  // Whether a send is under way in the open window: until its timers close
  // the window, the close box and Escape do nothing.
  bool sending() const { return sending_; }

  void FormShow();
  void FormActivate();
  void Timer1Timer();
  void Timer2Timer();

 public slots:
  void reject() override;

 protected:
  void showEvent(QShowEvent* e) override;
  bool event(QEvent* e) override;

 private:
  void dialup_connect();
  void pop3_auth();
  void pop3_auth_done(bool ok);
  void smtp_send();
  void smtp_send_done(bool ok);
  // Runs `work` on the worker thread, then `then` back on this one.
  void run_worker(std::function<void()> work, std::function<void()> then);
  void join_worker();
  void finish();

  TForm1* form_ = nullptr;
  bool sending_ = false;  // shown for a send, not yet closed by a timer
  bool started_ = false;  // the send of this showing has begun
  bool quit_done_ = false;  // the main window was asked to close
  std::thread worker_;
  // What was handed to the transport, for the history.
  std::string sent_name_, sent_subject_, sent_body_;
};
