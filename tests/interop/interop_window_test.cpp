// The whole send road through the real windows against real servers on
// 127.0.0.1: what the user fills in reaches the server (or the user reads
// the server's own refusal), and nothing typed into a field can add a
// recipient, a header or a message.
#include <fcntl.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QToolButton>

#include "history/history_model.h"
#include "interop_fixture.h"
#include "mail/send_window_support.h"
#include "platform/dialup.h"

namespace zarvel::test {
namespace {

constexpr const char* kPassword = "s3cret pw";
constexpr const char* kOfflineChild = "ZARVEL_OFFLINE_CHILD";

// A new network namespace has its loopback interface down.
bool bring_loopback_up() {
  int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  ifreq ifr{};
  std::strcpy(ifr.ifr_name, "lo");
  bool ok = ::ioctl(fd, SIOCGIFFLAGS, &ifr) == 0;
  ifr.ifr_flags |= IFF_UP;
  ok = ok && ::ioctl(fd, SIOCSIFFLAGS, &ifr) == 0;
  ::close(fd);
  return ok;
}

// Runs this one test again in a child with a network namespace of its own;
// 77 when the kernel refuses one.
int run_offline(const std::string& test, const std::string& log) {
  std::vector<std::string> env_text;
  for (char** e = environ; *e; ++e) env_text.emplace_back(*e);
  env_text.push_back(std::string(kOfflineChild) + "=1");
  std::vector<char*> envp;
  for (auto& e : env_text) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string self = "/proc/self/exe", filter = "--gtest_filter=" + test;
  char* argv[] = {self.data(), filter.data(), nullptr};
  const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::unshare(CLONE_NEWNET) != 0) ::_exit(77);
    ::dup2(out, 1);
    ::dup2(out, 2);
    ::execve(self.c_str(), argv, envp.data());
    ::_exit(127);
  }
  ::close(out);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class InteropWindow : public InteropFixture {
 protected:
  int start_smtp(std::vector<std::string> options = {}) {
    std::vector<std::string> argv = {kPython,  interop_dir() + "/smtp_server.py", "--dir", dir(), "--password",
                                     kPassword};
    argv.insert(argv.end(), options.begin(), options.end());
    return start(argv, "smtp.log").port();
  }
  int start_pop3() {
    return start({kPython, interop_dir() + "/pop3_server.py", "--dir", dir(), "--password", kPassword}, "pop3.err")
        .port();
  }

  // The main window with the SMTP server's fields (and `more` lines of the
  // "Server" section) filled in.
  TForm1* start_windows(int smtp_port, const std::string& more = {}) {
    f = r.start("[Server]\r\nsmtp_server=127.0.0.1\r\nsmtp_port=" + std::to_string(smtp_port) +
                "\r\nmail_address=sender@example.jp\r\n" + more);
    return f;
  }

  void send(const QString& address, const QString& subject = QStringLiteral("件名"),
            const QString& body = QStringLiteral("本文です。")) {
    r.compose(QStringLiteral("友達"), address, subject, body);
    r.send();
  }

  static std::string norm(std::string s) {
    s = crlf_to_lf(s);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
  }
  bool logged(const std::string& log, const std::string& line) const {
    auto lines = read_lines(log);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  QString last_box() const { return r.boxes.shown.empty() ? QString() : r.boxes.shown.back().text; }

  // Runs `act` on the windows' thread as soon as `ready` holds (checked
  // every few milliseconds while a send's window is up).
  void once(std::function<bool()> ready, std::function<void()> act) {
    auto* poll = new QTimer(f);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, ready, act] {
      if (!ready()) return;
      poll->stop();
      poll->deleteLater();
      act();
    });
    poll->start(5);
  }

  // Sets the SMTP AUTH details through the dialog and its OK.
  void set_smtp_auth(const QString& user, const QString& password, QRadioButton* TSmtpDlg::*method,
                     bool pop3_account = false) {
    QTest::mouseClick(f->ToolButton3, Qt::LeftButton);
    f->smtp_check->setChecked(true);
    TSmtpDlg* d = r.smtp_dlg;
    QTimer::singleShot(0, d, [=] {
      d->smtp_id->setText(user);
      d->smtp_password->setText(password);
      (d->*method)->setChecked(true);
      d->smtp_sw->setChecked(pop3_account);
      QTest::mouseClick(d->OKBtn, Qt::LeftButton);
    });
    QTest::mouseClick(f->Button1, Qt::LeftButton);
    QTest::mouseClick(f->ToolButton1, Qt::LeftButton);
  }

  SendRun r;
  TForm1* f = nullptr;
};

TEST_F(InteropWindow, APlainSendArrivesAndIsRecorded) {
  start_windows(start_smtp());
  send(QStringLiteral("friend@example.jp"), QStringLiteral("テストの件名"),
       QStringLiteral("こんにちは。\n.\n..二つの点\n最後の行"));
  ASSERT_TRUE(r.boxes.shown.empty()) << last_box().toStdString();
  auto msgs = messages();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(str(msgs[0], "mail_from"), "sender@example.jp");
  EXPECT_EQ(msgs[0].value("rcpt_tos").toArray().size(), 1);
  EXPECT_EQ(msgs[0].value("rcpt_tos").toArray().at(0).toString(), QStringLiteral("friend@example.jp"));
  EXPECT_EQ(msgs[0].value("subject").toString(), QStringLiteral("テストの件名"));
  EXPECT_EQ(QString::fromStdString(norm(str(msgs[0], "body"))),
            QStringLiteral("こんにちは。\n.\n..二つの点\n最後の行"));
  EXPECT_EQ(r.run.panel(1), QStringLiteral("送信済"));
  ASSERT_EQ(f->history->count(), 1);
  EXPECT_EQ(f->history->at(0).body, to_cp932(u"こんにちは。\r\n.\r\n..二つの点\r\n最後の行"));
}

TEST_F(InteropWindow, SmtpAuthWithEachMethodAndWithThePop3Account) {
  start_windows(start_smtp({"--auth", "plain-text"}),
                "apop_check=1\r\naccount=alice\r\npop_password=" + encode_password(kPassword) + "\r\n");
  set_smtp_auth(QStringLiteral("alice"), QString::fromLatin1(kPassword), &TSmtpDlg::RadioButton1);
  send(QStringLiteral("friend@example.jp"), QStringLiteral("1"));
  set_smtp_auth(QStringLiteral("alice"), QString::fromLatin1(kPassword), &TSmtpDlg::RadioButton2);
  send(QStringLiteral("friend@example.jp"), QStringLiteral("2"));
  set_smtp_auth(QStringLiteral("alice"), QString::fromLatin1(kPassword), &TSmtpDlg::RadioButton3);
  send(QStringLiteral("friend@example.jp"), QStringLiteral("3"));
  // The POP3 account's password goes without the APOP prefix.
  set_smtp_auth(QStringLiteral("nobody"), QStringLiteral("wrong"), &TSmtpDlg::RadioButton3, true);
  send(QStringLiteral("friend@example.jp"), QStringLiteral("4"));
  ASSERT_TRUE(r.boxes.shown.empty()) << last_box().toStdString();
  EXPECT_EQ(read_lines("auth.log"),
            (std::vector<std::string>{"OK CRAM-MD5 alice", "OK LOGIN alice", "OK PLAIN alice", "OK PLAIN alice"}));
  auto msgs = messages();
  ASSERT_EQ(msgs.size(), 4u);
  for (const auto& m : msgs) EXPECT_EQ(str(m, "login"), "alice");

  // A refused login: the server's reply in the box, nothing recorded.
  set_smtp_auth(QStringLiteral("alice"), QStringLiteral("wrong"), &TSmtpDlg::RadioButton2);
  send(QStringLiteral("friend@example.jp"), QStringLiteral("5"));
  ASSERT_EQ(r.boxes.shown.size(), 1u);
  EXPECT_TRUE(last_box().startsWith(QStringLiteral("送信に失敗しました。\n"))) << last_box().toStdString();
  EXPECT_TRUE(last_box().contains(QStringLiteral("535"))) << last_box().toStdString();
  EXPECT_EQ(messages().size(), 4u);
  EXPECT_EQ(f->history->count(), 4);
}

TEST_F(InteropWindow, PopBeforeSmtpWithApopThenTheSend) {
  const int pop3 = start_pop3();
  const int smtp = start_smtp();
  start_windows(smtp, "pop_check=1\r\napop_check=1\r\npop_server=127.0.0.1\r\npop_port=" + std::to_string(pop3) +
                          "\r\naccount=alice\r\npop_password=" + encode_password(kPassword) + "\r\n");
  send(QStringLiteral("friend@example.jp"));
  ASSERT_TRUE(r.boxes.shown.empty()) << last_box().toStdString();
  EXPECT_TRUE(logged("pop3.log", "APOP OK alice"));
  EXPECT_FALSE(logged("pop3.log", "USER"));
  EXPECT_EQ(messages().size(), 1u);

  // A wrong password stops the send before SMTP, with the server's reply.
  f->pop_password->setText(QStringLiteral("wrong"));
  f->Memo1->setPlainText(QStringLiteral("second"));
  r.send();
  EXPECT_TRUE(logged("pop3.log", "APOP FAIL alice"));
  ASSERT_EQ(r.boxes.shown.size(), 1u);
  EXPECT_EQ(r.boxes.shown[0].text, QStringLiteral("POP3認証に失敗しました。\n-ERR Authentication failed（APOP）"));
  EXPECT_EQ(read_lines("rcpt.log").size(), 1u) << "SMTP was tried after the POP3 failure";
  EXPECT_EQ(f->history->count(), 1);
}

TEST_F(InteropWindow, RefusalsShowTheServersTextAndRecordNothing) {
  start_windows(start_smtp());
  send(QStringLiteral("unknown@example.jp"));
  send(QStringLiteral("rejected@example.jp"));
  ASSERT_EQ(r.boxes.shown.size(), 2u);
  EXPECT_EQ(r.boxes.shown[0].text, QStringLiteral("送信に失敗しました。\n550 5.1.1 No such user here（宛先）"));
  EXPECT_EQ(r.boxes.shown[0].panel0, QStringLiteral("送信に失敗しました。"));
  EXPECT_EQ(r.boxes.shown[1].text, QStringLiteral("送信に失敗しました。\n554 5.7.1 Message content rejected（本文）"));
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ(f->history->count(), 0);
  EXPECT_TRUE(f->cmdSend->isEnabled());
  EXPECT_EQ(r.run.panel(0), QString());
}

// Line breaks and a lone "." line in the recipient's address (as the address
// book fills it), the subject and the sender's address.
TEST_F(InteropWindow, FieldsCannotAddRecipientsHeadersOrMessages) {
  start_windows(start_smtp());
  const QString smuggle = QStringLiteral(
      "\r\n.\r\nMAIL FROM:<evil@example.jp>\r\nRCPT TO:<evil@example.jp>\r\n"
      "DATA\r\nBcc: evil@example.jp\r\n\r\nsmuggled\r\n.\r\n");
  send(QStringLiteral("friend@example.jp") + smuggle);
  send(QStringLiteral("friend@example.jp"), QStringLiteral("件名") + smuggle);
  f->mailaddress->setText(QStringLiteral("sender@example.jp") + smuggle);
  send(QStringLiteral("friend@example.jp"));
  f->mailaddress->setText(QStringLiteral("sender@example.jp"));
  // In the body it is text: one message that holds the lines.
  QString body_smuggle = smuggle;
  body_smuggle.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  send(QStringLiteral("friend@example.jp"), QStringLiteral("s"), QStringLiteral("first") + body_smuggle);

  // The addresses are refused, the subject goes as one line of text.
  ASSERT_EQ(r.boxes.shown.size(), 2u);
  EXPECT_EQ(r.boxes.shown[0].text,
            QStringLiteral("送信に失敗しました。\n宛先のメールアドレスに使えない文字があります"));
  EXPECT_EQ(r.boxes.shown[1].text,
            QStringLiteral("送信に失敗しました。\n送信者のメールアドレスに使えない文字があります"));
  for (const char* log : {"rcpt.log", "mail.log"})
    EXPECT_EQ(read_text(log).find("evil"), std::string::npos) << log << ":\n" << read_text(log);
  auto msgs = messages();
  ASSERT_EQ(msgs.size(), 2u);
  EXPECT_TRUE(
      msgs[0].value("subject").toString().startsWith(QStringLiteral("件名 . MAIL FROM:<evil@example.jp> RCPT TO:")));
  for (const auto& m : msgs) {
    EXPECT_EQ(m.value("rcpt_tos").toArray().size(), 1);
    for (const auto& h : m.value("headers").toArray())
      EXPECT_NE(h.toArray().at(0).toString().toLower(), QStringLiteral("bcc"));
  }
  ASSERT_FALSE(msgs.empty());
  const std::string body = norm(str(msgs.back(), "body"));
  EXPECT_EQ(body.rfind("first\n.\nMAIL FROM:<evil@example.jp>\n", 0), 0u) << body;
  EXPECT_NE(body.find("smuggled\n."), std::string::npos) << body;
  EXPECT_EQ(static_cast<std::size_t>(f->history->count()), msgs.size());
}

// Escape or the close box cut a send whose server has gone quiet; once the
// server has taken the message, neither changes anything.
TEST_F(InteropWindow, EscapeAndTheCloseBoxStopASendUntilTheServerHasTheMessage) {
  start_windows(start_smtp({"--stall", "rcpt"}));
  QElapsedTimer since_stop;
  for (bool close_box : {false, true}) {
    SCOPED_TRACE(close_box ? "close box" : "Escape");
    once([this] { return exists("mail.log") && r.progress->isVisible(); },
         [&] {
           since_stop.start();
           if (close_box)
             r.progress->close();
           else
             QTest::keyClick(r.progress, Qt::Key_Escape);
         });
    send(QStringLiteral("friend@example.jp"));
    EXPECT_LT(since_stop.elapsed(), 1000);
    ASSERT_FALSE(r.boxes.shown.empty());
    EXPECT_EQ(last_box(), QStringLiteral("送信に失敗しました。\n送信を中止しました"));
    EXPECT_EQ(f->send_result, 2);
    EXPECT_EQ(f->history->count(), 0);
    EXPECT_TRUE(f->cmdSend->isEnabled());
    QFile::remove(QString::fromStdString(dir() + "mail.log"));
  }

  // The server answers the message and then never its QUIT.
  servers_.clear();
  f->smtp_port->setText(QString::number(start_smtp({"--stall", "quit"})));
  r.boxes.shown.clear();
  once([this] { return exists("msg-1.json"); }, [this] { QTest::keyClick(r.progress, Qt::Key_Escape); });
  send(QStringLiteral("friend@example.jp"));
  EXPECT_TRUE(r.boxes.shown.empty()) << last_box().toStdString();
  EXPECT_EQ(f->send_result, 0);
  EXPECT_EQ(r.run.panel(1), QStringLiteral("送信済"));
  EXPECT_EQ(f->history->count(), 1);
}

// The failure box unfolds every line of the dialogue, the login masked.
TEST_F(InteropWindow, FailureBoxDetailsHoldTheDialogueButNoPassword) {
  start_windows(start_smtp({"--auth", "plain-text"}));
  set_smtp_auth(QStringLiteral("alice"), QString::fromLatin1(kPassword), &TSmtpDlg::RadioButton3);
  send(QStringLiteral("multi@example.jp"));
  ASSERT_EQ(r.boxes.shown.size(), 1u);
  const ShownBox& b = r.boxes.shown[0];
  EXPECT_EQ(b.text,
            QStringLiteral("送信に失敗しました。\n550 5.7.1 Relaying denied. Ask your postmaster for help（宛先）"));
  for (const char* line :
       {"S: 220 zarvel.test zarvel test SMTP", "C: AUTH PLAIN ****", "S: 235 2.7.0 Authentication successful",
        "C: MAIL FROM:<sender@example.jp>", "C: RCPT TO:<multi@example.jp>", "S: 550-5.7.1 Relaying denied.",
        "S: 550-5.7.1 Ask your postmaster", "S: 550 5.7.1 for help"})
    EXPECT_TRUE(b.details.contains(QString::fromUtf8(line))) << line << "\n" << b.details.toStdString();
  const std::string plain = std::string("\0alice\0", 7) + kPassword;
  for (const std::string& secret : {std::string(kPassword), base64(plain), base64(kPassword)})
    EXPECT_FALSE(b.details.contains(QString::fromStdString(secret))) << secret;
}

// What the transport learnt about a server's TLS outlives the run: in
// zarvel.ini, and read back before the next send.
TEST_F(InteropWindow, ServersThatSpokeTlsAreKeptInTheSettingsFile) {
  make_certs();
  const int smtp = start_smtp({"--starttls", "--auth", "plain-text", "--cert", certs_.cert, "--key", certs_.key});
  const int proxy = start_proxy(smtp);
  start_windows(proxy);
  set_smtp_auth(QStringLiteral("alice"), QString::fromLatin1(kPassword), &TSmtpDlg::RadioButton3);
  send(QStringLiteral("friend@example.jp"));
  ASSERT_TRUE(r.boxes.shown.empty()) << last_box().toStdString();
  const std::string key = "tls_servers=127.0.0.1:" + std::to_string(proxy) + "\r\n";
  EXPECT_NE(r.run.dir().read(QStringLiteral("zarvel.ini")).find(key), std::string::npos)
      << r.run.dir().read(QStringLiteral("zarvel.ini"));

  // As after a restart: only the file remembers.
  forget_tls_servers();
  strip_tls(true);
  send(QStringLiteral("friend@example.jp"));
  ASSERT_EQ(r.boxes.shown.size(), 1u);
  EXPECT_EQ(last_box(),
            QStringLiteral(
                "送信に失敗しました。\nサーバが暗号化（STARTTLS）に応じなくなりました。パスワードは送っていません"));
  EXPECT_EQ(read_lines("auth.log").size(), 1u);
  EXPECT_EQ(client_bytes(2).find("AUTH"), std::string::npos);
  EXPECT_EQ(f->history->count(), 1);

  // The exit save keeps the key.
  f->close();
  EXPECT_NE(r.run.dir().read(QStringLiteral("zarvel.ini")).find(key), std::string::npos);
}

// Off-line, with a relay on this machine (a local MTA, an SSH tunnel): the
// system's connection check lets the send through. The test runs again in a
// network namespace that has nothing but the loopback interface.
TEST_F(InteropWindow, SendsOffLineToARelayOnThisMachine) {
  if (!std::getenv(kOfflineChild)) {
    const int code = run_offline("InteropWindow.SendsOffLineToARelayOnThisMachine", dir() + "offline.log");
    if (code == 77) GTEST_SKIP() << "the kernel refuses a network namespace of our own (unshare -n): test skipped";
    EXPECT_EQ(code, 0) << read_text("offline.log");
    return;
  }
  ASSERT_TRUE(bring_loopback_up()) << "loopback interface";
  ASSERT_FALSE(has_network_route()) << "the namespace has a route";
  set_dialup(nullptr);  // the system's check, not the test's double
  start_windows(start_smtp());
  send(QStringLiteral("friend@example.jp"));
  EXPECT_TRUE(r.boxes.shown.empty()) << last_box().toStdString();
  EXPECT_EQ(messages().size(), 1u);
  EXPECT_EQ(f->history->count(), 1);
}

// Whatever the fields hold, a send ends with a message box in good time.
TEST_F(InteropWindow, BadServerFieldsAndDeadServersEndInAMessage) {
  const int garbage =
      start({kPython, interop_dir() + "/smtp_server.py", "--dir", dir(), "--mode", "garbage-close"}, "garbage.log")
          .port();
  start_windows(free_port());
  struct Case {
    const char* name;
    QString server, port;
  };
  const Case cases[] = {
      {"closed port", QStringLiteral("127.0.0.1"), QString::number(free_port())},
      {"empty port", QStringLiteral("127.0.0.1"), QString()},
      {"port not a number", QStringLiteral("127.0.0.1"), QStringLiteral("abc")},
      {"port out of range", QStringLiteral("127.0.0.1"), QStringLiteral("99999")},
      {"empty server", QString(), QStringLiteral("25")},
      {"server sends garbage", QStringLiteral("127.0.0.1"), QString::number(garbage)},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    f->smtp_server->setText(c.server);
    f->smtp_port->setText(c.port);
    QElapsedTimer t;
    t.start();
    send(QStringLiteral("friend@example.jp"), QStringLiteral("s"), QStringLiteral("body ") + QString::number(n));
    EXPECT_LT(t.elapsed(), 10000);
    ASSERT_EQ(r.boxes.shown.size(), static_cast<std::size_t>(++n));
    EXPECT_TRUE(last_box().startsWith(QStringLiteral("送信に失敗しました。\n"))) << last_box().toStdString();
    EXPECT_GT(last_box().size(), 11) << "no reason given";
    EXPECT_EQ(f->send_result, 2);
  }
  // The POP3 side: an empty port and a closed one.
  f->smtp_port->setText(QString::number(garbage));
  f->pop_check->setChecked(true);
  f->pop_server->setText(QStringLiteral("127.0.0.1"));
  f->pop_Account->setText(QStringLiteral("alice"));
  for (const QString& port : {QString(), QString::number(free_port())}) {
    f->pop_port->setText(port);
    send(QStringLiteral("friend@example.jp"), QStringLiteral("s"), QStringLiteral("body ") + QString::number(n));
    ASSERT_EQ(r.boxes.shown.size(), static_cast<std::size_t>(++n));
    EXPECT_TRUE(last_box().startsWith(QStringLiteral("POP3認証に失敗しました。\n"))) << last_box().toStdString();
    EXPECT_EQ(f->send_result, 1);
  }
  EXPECT_EQ(f->history->count(), 0);
}

}  // namespace
}  // namespace zarvel::test
