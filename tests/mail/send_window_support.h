// What the window-level send tests share: the real windows on a temporary
// data folder, a dial-up double that can refuse, message boxes recorded
// with the status text they were shown over, and a log of what the
// progress window showed at each completion tick.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "app/pzconv.h"
#include "mail/form_mailsend.h"
#include "mail/form_smtpdlg.h"
#include "platform/dialup.h"
#include "support/main_window.h"
#include "support/sjis.h"

namespace zarvel::test {

// One log of the send's outside calls, in order ("autodial 1", "pop3",
// "free", "send", "hangup", "tick 1" …), shared by the doubles.
class EventLog {
 public:
  void add(const std::string& e) {
    std::lock_guard lock(mutex_);
    events_.push_back(e);
  }
  std::vector<std::string> events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  int count(const std::string& e) const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(std::count(events_.begin(), events_.end(), e));
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};

class FakeDialup final : public Dialup {
 public:
  explicit FakeDialup(EventLog& log) : log_(log) { set_dialup(this); }
  ~FakeDialup() override { set_dialup(nullptr); }
  bool autodial(int flags, const std::vector<std::string>& hosts) override {
    log_.add("autodial " + std::to_string(flags));
    servers = hosts;
    if (on_autodial) on_autodial();
    return connected;
  }
  void hangup() override { log_.add("hangup"); }
  bool connected = true;
  std::vector<std::string> servers;  // what the last autodial was asked about
  std::function<void()> on_autodial;

 private:
  EventLog& log_;
};

struct ShownBox {
  QString title;
  QString text;
  MessageIcon icon;
  QString panel0;   // the status bar's panel 0 while the box was up
  QString details;  // the detailed text, when the box has one
};

// Message boxes with the status text under them; replaces the run's
// FakeDialogs for as long as it lives.
class StatusDialogs final : public Dialogs {
 public:
  StatusDialogs(std::function<QString()> panel0, Dialogs* previous) : panel0_(std::move(panel0)), previous_(previous) {
    set_dialogs(this);
  }
  ~StatusDialogs() override { set_dialogs(previous_); }
  void message(const QString& title, const QString& text, MessageIcon icon, QWidget*) override {
    shown.push_back({title, text, icon, panel0_(), {}});
  }
  void message_with_details(const QString& title, const QString& text, const QString& details, MessageIcon icon,
                            QWidget*) override {
    shown.push_back({title, text, icon, panel0_(), details});
  }
  bool confirm(const QString& text, QWidget*) override {
    shown.push_back({QStringLiteral("確認"), text, MessageIcon::Question, panel0_(), {}});
    return true;
  }
  void error(const QString& text, QWidget*) override {
    shown.push_back({QStringLiteral("エラー"), text, MessageIcon::Error, panel0_(), {}});
  }
  std::vector<ShownBox> shown;

 private:
  std::function<QString()> panel0_;
  Dialogs* previous_;
};

// What the progress window and the status bar showed at one moment.
struct ProgressView {
  QString title, edit, label, panel0;
  QColor edit_background;
  bool visible = false;
  bool auto_hint = true;
};

// The main window with its progress window's timers shortened to a few
// milliseconds, so a send takes no more than its protocol.
class SendRun {
 public:
  SendRun() : dialup(log), boxes([this] { return run.panel(0); }, &run.dialogs()) {}

  TForm1* start(const std::string& ini = {}) {
    if (!ini.empty()) run.dir().write(QStringLiteral("zarvel.ini"), ini);
    f = run.start();
    progress = run.windows().mailsend;
    smtp_dlg = run.windows().SmtpDlg;
    progress->Timer1->setInterval(5);
    progress->pause_ms = 0;
    // Connected after the window's own handler: sees what the tick showed.
    QObject::connect(progress->Timer1, &QTimer::timeout, progress, [this] {
      ticks.push_back(view());
      log.add("tick " + std::to_string(progress->tick_count));
    });
    QObject::connect(f, &TForm1::closed, f, [this] { log.add("main window closed"); });
    return f;
  }

  ProgressView view() const {
    ProgressView v;
    v.title = progress->windowTitle();
    v.edit = progress->Edit1->text();
    v.label = progress->Label1->text();
    v.panel0 = run.panel(0);
    v.edit_background = progress->Edit1->palette().color(QPalette::Base);
    v.visible = progress->isVisible();
    v.auto_hint = f->StatusBar1->auto_hint();
    return v;
  }

  void compose(const QString& name, const QString& address, const QString& subject, const QString& body) {
    f->To_name->setText(name);
    f->To_address->setText(address);
    f->subject->setText(subject);
    f->Memo1->setPlainText(body);
  }

  // Presses the send button; returns when the progress window has closed.
  void send() {
    ticks.clear();
    QTest::mouseClick(f->cmdSend, Qt::LeftButton);
  }

  static std::string stored_password(const char16_t* s) { return encode_password(sj(s)); }

  MainWindowRun run;
  EventLog log;
  FakeDialup dialup;
  StatusDialogs boxes;
  TForm1* f = nullptr;
  Tmailsend* progress = nullptr;
  TSmtpDlg* smtp_dlg = nullptr;
  std::vector<ProgressView> ticks;
};

}  // namespace zarvel::test
