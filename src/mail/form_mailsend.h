// Tmailsend: the modal send progress window. Shown by the main window's send
// button, it dials up, logs in to POP3 when POP before SMTP is on, hands the
// message to the transport, records it in the history, and closes itself.
//
// The blocking transport calls (and the pauses before a hang-up) run on a
// worker thread while the window's own event loop keeps it painted; every
// widget is read before the worker starts and written only on this thread.
#pragma once

#include <QDialog>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
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

  // Whether a send is under way in the open window.
  bool sending() const { return sending_; }

  // What the close box and Escape do while a send is under way: the
  // connection is cut at once and the send fails with its own text, unless
  // the server has already taken the message (then nothing changes).
  void stop_send();
  bool stopped() const { return stopped_; }

  // The dialogue of the failed call (server replies and our commands,
  // passwords masked), for the failure box's detailed text.
  const QString& failure_detail() const { return failure_detail_; }

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
  void stopped_done();
  // The servers known to speak TLS, shared with the settings file.
  void load_tls_memory();
  void save_tls_memory();

  TForm1* form_ = nullptr;
  bool sending_ = false;                          // shown for a send, not yet closed by a timer
  bool started_ = false;                          // the send of this showing has begun
  bool quit_done_ = false;                        // the main window was asked to close
  bool in_call_ = false;                          // a transport call or a pause is under way
  bool accepted_ = false;                         // the message was sent: nothing can stop it now
  bool stopped_ = false;                          // the user stopped this send
  std::shared_ptr<std::atomic<bool>> stop_flag_;  // shortens a pause under way
  QString failure_detail_;
  std::string tls_known_;  // the settings file's list when the call began
  std::thread worker_;
  // What was handed to the transport, for the history.
  std::string sent_name_, sent_subject_, sent_body_;
};
