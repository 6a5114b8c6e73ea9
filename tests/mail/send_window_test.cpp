// The send road through the real windows, with a scripted transport that
// records its arguments and what the windows showed while it was called.
#include <QtTest/qtestspontaneevent.h>

#include <QApplication>
#include <QCloseEvent>
#include <QSemaphore>
#include <QShowEvent>
#include <QThread>
#include <cstring>

#include "history/history_model.h"
#include "mail/transport.h"
#include "send_window_support.h"
#include "ui/colors.h"

using namespace zarvel;
using namespace zarvel::test;

namespace {

struct Call {
  std::string kind;
  std::vector<Bytes> args;
  ProgressView view;  // at the moment of the call
  bool on_ui_thread = false;
};

class FakeTransport final : public Transport {
 public:
  explicit FakeTransport(SendRun& r) : r_(r) { set_transport(this); }
  ~FakeTransport() override { set_transport(nullptr); }

  int send_mail(const char* server, const char* recipient, const char* sender, const char* subject, const char* body,
                const char* attachments, char* error) override {
    record("send", {server, recipient, sender, subject, body, attachments});
    if (send_ok) return 1;
    write_error(error, send_error);
    return 0;
  }
  int pop3(const char* server, const char* account, const char* password, const char* command, const char* directory,
           void* result, char* error) override {
    record("pop3", {server, account, password, command, directory});
    static_cast<void**>(result)[0] = this;  // something to free
    if (pop3_ok) return 1;
    write_error(error, pop3_error);
    return 0;
  }
  void free_array(void* result) override {
    r_.log.add(static_cast<void**>(result)[0] == this ? "free" : "free (empty)");
    static_cast<void**>(result)[0] = nullptr;
  }

  std::vector<Call> calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
  }

  bool send_ok = true, pop3_ok = true;
  Bytes send_error, pop3_error;  // exactly these bytes, NUL-terminated when shorter than 81
  // Runs on the user-interface thread while a call is under way.
  std::function<void()> during;

 private:
  static void write_error(char* error, const Bytes& text) {
    std::memset(error, 0, kTransportErrorSize);
    std::memcpy(error, text.data(), std::min(text.size(), kTransportErrorSize));
  }
  // Looks at the windows from their own thread while this call waits, as a
  // blocking call would; gives up after a while rather than hang a test
  // whose window has stopped serving its event loop.
  void record(const char* kind, std::vector<Bytes> args) {
    struct Look {
      ProgressView view;
      QSemaphore done;
    };
    auto look = std::make_shared<Look>();
    auto on_ui = [this, look] {
      look->view = r_.view();
      if (during) during();
      look->done.release();
    };
    Call c{kind, std::move(args), {}, QThread::currentThread() == qApp->thread()};
    if (c.on_ui_thread)
      on_ui();
    else
      QMetaObject::invokeMethod(qApp, on_ui, Qt::QueuedConnection);
    if (look->done.tryAcquire(1, 10000))
      c.view = look->view;
    else
      ADD_FAILURE() << "the window's event loop did not run during the " << kind << " call";
    r_.log.add(kind);
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(c));
  }

  SendRun& r_;
  mutable std::mutex mutex_;
  std::vector<Call> calls_;
};

const QString kSent = QStringLiteral("送信済");
const QString kSending = QStringLiteral("只今、送信中！");
const QString kWaiting = QStringLiteral("しばらくお待ちください。");
const QString kDone = QStringLiteral("　 送信完了！");
const QString kDoneLabel = QStringLiteral("メールを送信しました。");
const QString kDonePanel = QStringLiteral("** 送信完了！ **");

const std::string kServer =
    "[Server]\r\nsmtp_server=mail.example.jp\r\nsmtp_port=2525\r\nmail_address=me@example.jp\r\n";

class SendWindow : public ::testing::Test {
 protected:
  TForm1* start(const std::string& ini = kServer) { return f = r.start(ini); }
  std::vector<std::string> events() const { return r.log.events(); }
  using Events = std::vector<std::string>;

  SendRun r;
  FakeTransport transport{r};
  TForm1* f = nullptr;
};

TEST_F(SendWindow, ASuccessfulSendShowsItsStepsInOrderAndIsRecorded) {
  start();
  r.compose(QStringLiteral("山田"), QStringLiteral("yamada@example.jp"), QStringLiteral("件名です"),
            QStringLiteral("一行目\n二行目"));
  ASSERT_TRUE(f->cmdSend->isEnabled());
  r.send();

  auto calls = transport.calls();
  ASSERT_EQ(calls.size(), 1u);
  const Call& c = calls[0];
  EXPECT_FALSE(c.on_ui_thread);
  EXPECT_EQ(c.args, (std::vector<Bytes>{"mail.example.jp\t2525\t60", "<yamada@example.jp>", "<me@example.jp>",
                                        sj(u"件名です"), sj(u"一行目\r\n二行目"), ""}));
  // While the transport worked, the window was up with the sending texts.
  EXPECT_TRUE(c.view.visible);
  EXPECT_EQ(c.view.title, QStringLiteral("送信先 - 山田さん"));
  EXPECT_EQ(c.view.edit, kSending);
  EXPECT_EQ(c.view.edit_background, kSendingRed);
  EXPECT_EQ(c.view.label, QStringLiteral("SMTPサーバに送信中..."));
  EXPECT_EQ(c.view.panel0, QStringLiteral("** SMTPサーバに送信中... **"));
  EXPECT_FALSE(c.view.auto_hint);

  // Two ticks of completion texts, closed on the third.
  ASSERT_EQ(r.ticks.size(), 3u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(r.ticks[i].visible);
    EXPECT_EQ(r.ticks[i].edit, kDone);
    EXPECT_EQ(r.ticks[i].edit_background, kSkyBlue);
    EXPECT_EQ(r.ticks[i].label, kDoneLabel);
    EXPECT_EQ(r.ticks[i].panel0, kDonePanel);
  }
  EXPECT_FALSE(r.ticks[2].visible);
  EXPECT_EQ(events(), (Events{"autodial 1", "send", "tick 1", "tick 2", "tick 0"}));

  EXPECT_FALSE(r.progress->isVisible());
  EXPECT_EQ(f->send_result, 0);
  EXPECT_EQ(r.run.panel(1), kSent);
  EXPECT_EQ(r.run.panel(0), QString());
  EXPECT_TRUE(f->StatusBar1->auto_hint());
  EXPECT_TRUE(r.boxes.shown.empty());
  ASSERT_EQ(f->history->count(), 1);
  const HistoryEntry& h = f->history->at(0);
  EXPECT_EQ(h.name, sj(u"山田"));
  EXPECT_EQ(h.subject, sj(u"件名です"));
  EXPECT_EQ(h.body, sj(u"一行目\r\n二行目"));
  // The send read its settings without building a hidden view.
  EXPECT_FALSE(f->settings_view_built() || f->history_view_built() || f->address_book_view_built());

  // The same message cannot go twice by accident: only a change of the body
  // (not of the subject) enables the button again.
  EXPECT_FALSE(f->cmdSend->isEnabled());
  QTest::mouseClick(f->cmdSend, Qt::LeftButton);
  EXPECT_EQ(transport.calls().size(), 1u);
  f->subject->setText(QStringLiteral("別の件名"));
  EXPECT_FALSE(f->cmdSend->isEnabled());
  f->Memo1->moveCursor(QTextCursor::End);
  f->Memo1->insertPlainText(QStringLiteral("!"));
  EXPECT_TRUE(f->cmdSend->isEnabled());
  EXPECT_EQ(r.run.panel(1), QString());
}

TEST_F(SendWindow, TheNextSendStartsAgainFromTheSendingLook) {
  start();
  r.compose(QStringLiteral("a"), QStringLiteral("a@example.jp"), {}, QStringLiteral("1"));
  r.send();
  ASSERT_EQ(r.progress->Edit1->text(), kDone);
  f->Memo1->setPlainText(QStringLiteral("2"));
  f->To_name->clear();
  ProgressView at_dial;
  r.dialup.on_autodial = [&] { at_dial = r.view(); };
  r.send();
  EXPECT_TRUE(at_dial.visible);
  EXPECT_EQ(at_dial.edit, kSending);
  EXPECT_EQ(at_dial.edit_background, kSendingRed);
  EXPECT_EQ(at_dial.label, kWaiting);
  auto calls = transport.calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].view.title, QStringLiteral("送信"));  // no name
  EXPECT_EQ(calls[1].view.edit, kSending);
  EXPECT_EQ(calls[1].view.edit_background, kSendingRed);
  EXPECT_EQ(f->history->count(), 2);
  EXPECT_EQ(f->history->at(0).subject, sj(u"無題"));
  EXPECT_EQ(calls[1].args[3], "");  // the empty subject goes as it is
}

TEST_F(SendWindow, WithSignaturesOnTheBodyEndsWithALineBreakAndTheSignature) {
  r.run.dir().write(QStringLiteral("signa2.txt"), sj(u"--\r\n署名の二行目"));
  start(kServer + "[Options]\r\nsignature=1\r\nsignature_sel=1\r\n");
  ASSERT_EQ(f->Memo2->toPlainText(), QStringLiteral("--\n署名の二行目"));
  r.compose(QStringLiteral("b"), QStringLiteral("b@example.jp"), QStringLiteral("s"), QStringLiteral("本文\n"));
  r.send();
  const Bytes expected = sj(u"本文\r\n\r\n--\r\n署名の二行目");
  ASSERT_EQ(transport.calls().size(), 1u);
  EXPECT_EQ(transport.calls()[0].args[4], expected);
  ASSERT_EQ(f->history->count(), 1);
  EXPECT_EQ(f->history->at(0).body, expected);
}

TEST_F(SendWindow, SmtpAuthPutsTheChosenAccountAndMethodIntoTheSender) {
  struct Case {
    const char* name;
    std::string ini;
    Bytes sender;
  };
  const std::string own =
      kServer + "smtp_check0=1\r\nsmtp_user=bob\r\nsmtp_password=" + SendRun::stored_password(u"p:w d") +
      "\r\naccount=alice\r\npop_password=" + SendRun::stored_password(u"secret") + "\r\napop_check=1\r\n";
  const Case cases[] = {
      {"own account, CRAM-MD5", own, "<me@example.jp\tbob:p:w d\tCRAM-MD5>"},
      {"own account, LOGIN", own + "smtp_auth=1\r\n", "<me@example.jp\tbob:p:w d\tLOGIN>"},
      {"own account, any other value means PLAIN", own + "smtp_auth=7\r\n", "<me@example.jp\tbob:p:w d\tPLAIN>"},
      // The POP3 account and password, never with the APOP prefix.
      {"POP3 account", own + "smtp_check1=1\r\n", "<me@example.jp\talice:secret\tCRAM-MD5>"},
      {"AUTH off", kServer + "smtp_user=bob\r\n", "<me@example.jp>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SendRun run;
    FakeTransport t(run);
    TForm1* form = run.start(c.ini);
    run.compose(QStringLiteral("n"), QStringLiteral("x@example.jp"), {}, QStringLiteral("body"));
    run.send();
    ASSERT_EQ(t.calls().size(), 1u);
    EXPECT_EQ(t.calls()[0].args[2], c.sender);
    EXPECT_EQ(form->history->count(), 1);
  }
}

TEST_F(SendWindow, PopBeforeSmtpLogsInFirstWithApopAndTheDialupStillAsked) {
  start(kServer +
        "pop_check=1\r\napop_check=1\r\npop_server=pop.example.jp\r\npop_port=1110\r\naccount=alice\r\n"
        "pop_password=" +
        SendRun::stored_password(u"秘密") + "\r\n");
  r.compose(QStringLiteral("n"), QStringLiteral("x@example.jp"), {}, QStringLiteral("body"));
  r.send();
  auto calls = transport.calls();
  ASSERT_EQ(calls.size(), 2u);
  const Call& pop = calls[0];
  EXPECT_FALSE(pop.on_ui_thread);
  EXPECT_EQ(pop.args, (std::vector<Bytes>{"pop.example.jp\t1110", "alice", "A " + sj(u"秘密"), "STAT",
                                          QFile::encodeName(QDir::currentPath()).toStdString()}));
  EXPECT_EQ(pop.view.label, QStringLiteral("POP3認証中..."));
  EXPECT_EQ(pop.view.panel0, QStringLiteral("** POP3認証中... **"));
  EXPECT_EQ(pop.view.edit, kSending);
  EXPECT_EQ(calls[1].view.label, QStringLiteral("SMTPサーバに送信中..."));
  EXPECT_EQ(calls[1].args[2], "<me@example.jp>");
  // The dial-up is asked (force online: automatic dialling is off) before
  // the POP3 step; the result area is freed once, right after the call.
  EXPECT_EQ(events(), (Events{"autodial 1", "pop3", "free", "send", "tick 1", "tick 2", "tick 0"}));
  EXPECT_EQ(r.run.panel(1), kSent);
  // The connection check knows both servers (one on this machine needs no route).
  EXPECT_EQ(r.dialup.servers, (std::vector<std::string>{"mail.example.jp", "pop.example.jp"}));
  EXPECT_FALSE(f->settings_view_built());
}

TEST_F(SendWindow, APop3FailureIsReportedHangsUpAndSkipsSmtp) {
  start(kServer + "pop_check=1\r\npop_server=pop.example.jp\r\naccount=alice\r\n");
  transport.pop3_ok = false;
  transport.pop3_error = sj(u"POP3のログインを拒否されました: -ERR [AUTH] Authentication failed.");
  r.compose(QStringLiteral("n"), QStringLiteral("x@example.jp"), QStringLiteral("s"), QStringLiteral("body"));
  r.send();
  EXPECT_EQ(transport.calls()[0].args[2], "");  // no APOP: the password as it stands
  EXPECT_EQ(events(), (Events{"autodial 1", "pop3", "free", "hangup"}));
  EXPECT_EQ(f->send_result, 1);
  ASSERT_EQ(r.boxes.shown.size(), 1u);
  const ShownBox& b = r.boxes.shown[0];
  EXPECT_EQ(b.title, QStringLiteral("zarvel"));
  EXPECT_EQ(b.icon, MessageIcon::Error);
  EXPECT_EQ(
      b.text,
      QStringLiteral("POP3認証に失敗しました。\nPOP3のログインを拒否されました: -ERR [AUTH] Authentication failed."));
  EXPECT_EQ(b.panel0, QStringLiteral("POP3認証に失敗しました。"));
  EXPECT_EQ(r.run.panel(0), QString());
  EXPECT_EQ(r.run.panel(1), QString());
  EXPECT_EQ(f->history->count(), 0);
  EXPECT_TRUE(f->cmdSend->isEnabled());
  EXPECT_TRUE(f->StatusBar1->auto_hint());
}

TEST_F(SendWindow, AnSmtpFailureShowsTheServersTextAndRecordsNothing) {
  start(kServer + "[Options]\r\ndclose=0\r\n");
  transport.send_ok = false;
  transport.send_error = sj(u"送信先を拒否されました: 550 5.1.1 No such user here");
  r.compose(QStringLiteral("n"), QStringLiteral("unknown@example.jp"), QStringLiteral("s"), QStringLiteral("body"));
  r.send();
  // Hung up whatever the options say.
  EXPECT_EQ(events(), (Events{"autodial 1", "send", "hangup"}));
  EXPECT_EQ(f->send_result, 2);
  ASSERT_EQ(r.boxes.shown.size(), 1u);
  EXPECT_EQ(r.boxes.shown[0].title, QStringLiteral("zarvel"));
  EXPECT_EQ(r.boxes.shown[0].icon, MessageIcon::Error);
  EXPECT_EQ(r.boxes.shown[0].text,
            QStringLiteral("送信に失敗しました。\n送信先を拒否されました: 550 5.1.1 No such user here"));
  EXPECT_EQ(r.boxes.shown[0].panel0, QStringLiteral("送信に失敗しました。"));
  EXPECT_EQ(r.run.panel(0), QString());
  EXPECT_EQ(f->history->count(), 0);
  // Everything stays for a retry.
  EXPECT_EQ(f->subject->text(), QStringLiteral("s"));
  EXPECT_EQ(f->Memo1->toPlainText(), QStringLiteral("body"));
  EXPECT_TRUE(f->cmdSend->isEnabled());
  EXPECT_TRUE(r.ticks.empty());
}

TEST_F(SendWindow, TheErrorTextIsTakenUpToItsNulAndAtMost81Bytes) {
  start();
  r.compose(QStringLiteral("n"), QStringLiteral("x@example.jp"), {}, QStringLiteral("body"));
  transport.send_ok = false;
  transport.send_error = Bytes(81, 'e');  // no NUL at all in the buffer
  r.send();
  transport.send_error = "";
  r.send();
  ASSERT_EQ(r.boxes.shown.size(), 2u);
  EXPECT_EQ(r.boxes.shown[0].text, QStringLiteral("送信に失敗しました。\n") + QString(81, QLatin1Char('e')));
  EXPECT_EQ(r.boxes.shown[1].text, QStringLiteral("送信に失敗しました。\n"));
}

TEST_F(SendWindow, AFailedDialupEndsSilently) {
  start(kServer + "pop_check=1\r\n[Options]\r\ndauto=1\r\ndclose=1\r\n");
  r.dialup.connected = false;
  r.compose(QStringLiteral("n"), QStringLiteral("x@example.jp"), {}, QStringLiteral("body"));
  r.send();
  EXPECT_EQ(events(), (Events{"autodial 2"}));  // unattended when dialling automatically; nothing hung up
  EXPECT_TRUE(transport.calls().empty());
  EXPECT_EQ(f->send_result, 9);
  EXPECT_TRUE(r.boxes.shown.empty());
  EXPECT_EQ(r.run.panel(0), QString());
  EXPECT_EQ(r.run.panel(1), QString());
  EXPECT_EQ(f->history->count(), 0);
  EXPECT_TRUE(f->cmdSend->isEnabled());
}

TEST_F(SendWindow, HangUpAfterSuccessComesBeforeTheCompletionTexts) {
  start(kServer + "[Options]\r\ndclose=1\r\n");
  r.compose(QStringLiteral("n"), QStringLiteral("x@example.jp"), {}, QStringLiteral("body"));
  r.send();
  EXPECT_EQ(events(), (Events{"autodial 1", "send", "hangup", "tick 1", "tick 2", "tick 0"}));
}

TEST_F(SendWindow, QuitAfterSendClosesTheProgramAtTheFirstTickWithTheFullShutDown) {
  start(kServer + "[Options]\r\nsend_check=1\r\n");
  r.compose(QStringLiteral("宛先"), QStringLiteral("x@example.jp"), QStringLiteral("件名"), QStringLiteral("本文"));
  r.send();
  // One tick, during which the main window closed (and the window ended).
  EXPECT_EQ(r.ticks.size(), 1u);
  EXPECT_EQ(events(), (Events{"autodial 1", "send", "main window closed", "tick 0"}));
  EXPECT_FALSE(f->isVisible());
  EXPECT_FALSE(r.progress->isVisible());
  // The close wrote everything, the new history entry included.
  const std::string history = r.run.dir().read(QStringLiteral("send.txt"));
  EXPECT_EQ(history.rfind("~!,\"" + sj(u"宛先") + "\",\"" + sj(u"件名") + "\",\"", 0), 0u);
  EXPECT_NE(history.find("\r\n" + sj(u"本文") + "\r\n~!!\r\n"), std::string::npos);
  EXPECT_EQ(r.run.dir().read(QStringLiteral("close.txt")).empty(), false);
  EXPECT_NE(r.run.dir().read(QStringLiteral("zarvel.ini")).find("send_check=1"), std::string::npos);
}

// Neither showing nor activating the open window again, nor its close box,
// nor Escape starts a second send or abandons the one under way.
TEST_F(SendWindow, TheOpenWindowRunsOneSendWhateverHappensToIt) {
  start();
  r.compose(QStringLiteral("n"), QStringLiteral("x@example.jp"), {}, QStringLiteral("body"));
  bool was_visible_after = false;
  transport.during = [&] {
    QShowEvent shown_again;  // by the window system, after a minimise
    QSpontaneKeyEvent::setSpontaneous(&shown_again);
    static_cast<QObject*>(r.progress)->event(&shown_again);  // sendEvent() would clear the mark
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(r.progress, &activate);
    QTest::keyClick(r.progress, Qt::Key_Escape);
    r.progress->close();
    QApplication::processEvents();
    was_visible_after = r.progress->isVisible();
  };
  QObject::connect(r.progress->Timer1, &QTimer::timeout, r.progress, [&] {
    if (!r.progress->isVisible()) return;
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(r.progress, &activate);
    QTest::keyClick(r.progress, Qt::Key_Escape);
  });
  r.send();
  EXPECT_TRUE(was_visible_after);
  EXPECT_EQ(transport.calls().size(), 1u);
  EXPECT_EQ(r.log.count("autodial 1"), 1);
  EXPECT_EQ(r.ticks.size(), 3u);
  EXPECT_EQ(f->history->count(), 1);
  EXPECT_EQ(r.run.panel(1), kSent);
}

// The tests shorten the timers and pauses; the program keeps the designed ones.
TEST_F(SendWindow, TheProgramKeepsTheDesignedTimings) {
  start();
  Tmailsend fresh(f);
  EXPECT_EQ(fresh.Timer1->interval(), 1000);
  EXPECT_EQ(fresh.Timer2->interval(), 10);
  EXPECT_EQ(fresh.pause_ms, 2000);
  EXPECT_FALSE(fresh.Timer1->isActive());
  EXPECT_FALSE(fresh.Timer2->isActive());
}

}  // namespace
