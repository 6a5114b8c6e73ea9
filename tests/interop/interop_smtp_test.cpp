// Sends through the real transport to aiosmtpd on 127.0.0.1 and reads back
// what the server received.
#include "interop_fixture.h"

namespace zarvel::test {
namespace {

constexpr const char* kFrom = "<sender@example.jp>";
constexpr const char* kTo = "<friend@example.jp>";

class InteropSmtp : public InteropFixture {
 protected:
  // Starts smtp_server.py with `options`; TLS options get the certificates.
  void start_smtp(std::vector<std::string> options) {
    std::vector<std::string> argv = {kPython, interop_dir() + "/smtp_server.py", "--dir", dir()};
    for (const auto& o : options) {
      argv.push_back(o);
      if (o == "--starttls" || o == "--implicit-tls") {
        if (certs_.cert.empty()) make_certs();
        argv.insert(argv.end(), {"--cert", certs_.cert, "--key", certs_.key});
      }
    }
    port_ = start(argv).port();
    ASSERT_GT(port_, 0);
  }

  std::string server(int seconds = 10) const {
    return "127.0.0.1\t" + std::to_string(port_) + "\t" + std::to_string(seconds);
  }

  static std::string auth_sender(const std::string& method, const std::string& password = kPassword) {
    return "<sender@example.jp\talice:" + password + "\t" + method + ">";
  }

  CallResult send(const std::string& from = kFrom, const std::string& to = kTo, const Bytes& subject = "Hello",
                  const Bytes& body = "Hi there.\r\n") {
    return send_mail(server(), to, from, subject, body);
  }

  static std::vector<std::string> list(const QJsonObject& o, const char* key) {
    std::vector<std::string> out;
    for (const auto& v : o.value(key).toArray()) out.push_back(v.toString().toStdString());
    return out;
  }
  static std::string header(const QJsonObject& msg, const char* name) {
    for (const auto& h : msg.value("headers").toArray())
      if (h.toArray().at(0).toString().compare(name, Qt::CaseInsensitive) == 0)
        return h.toArray().at(1).toString().toStdString();
    return {};
  }
  // Line ends as LF and no final line break, for comparing bodies.
  static std::string norm(std::string s) {
    s = crlf_to_lf(s);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
  }

  static constexpr const char* kPassword = "p@ss:wo rd:";
  int port_ = 0;
};

TEST_F(InteropSmtp, DeliversASevenBitMessageWithTheExpectedHeaders) {
  start_smtp({});
  CallResult r = send();
  ASSERT_EQ(r.result, 1) << r.error;
  auto msgs = messages();
  ASSERT_EQ(msgs.size(), 1u);
  const QJsonObject& m = msgs[0];
  EXPECT_EQ(str(m, "mail_from"), "sender@example.jp");
  EXPECT_EQ(list(m, "rcpt_tos"), std::vector<std::string>{"friend@example.jp"});
  for (const std::string& option : list(m, "mail_options")) EXPECT_EQ(option.rfind("BODY=", 0), std::string::npos);
  EXPECT_EQ(str(m, "subject"), "Hello");
  EXPECT_EQ(norm(str(m, "body")), "Hi there.");
  EXPECT_EQ(header(m, "From"), "sender@example.jp");
  EXPECT_EQ(header(m, "To"), "friend@example.jp");
  EXPECT_EQ(header(m, "MIME-Version"), "1.0");
  EXPECT_EQ(header(m, "Content-Type"), "text/plain; charset=ISO-2022-JP");
  EXPECT_EQ(header(m, "Content-Transfer-Encoding"), "7bit");
  EXPECT_EQ(header(m, "X-Mailer"), "zarvel 0.74a");
  EXPECT_NE(header(m, "Date"), "");
  EXPECT_NE(header(m, "Message-ID").find("@example.jp>"), std::string::npos);
  std::string raw = read_text("msg-1.eml");
  EXPECT_TRUE(std::all_of(raw.begin(), raw.end(), [](char c) { return (c & 0x80) == 0; }));
  EXPECT_LT(r.seconds, 5.0);
}

// Each text is sent as subject and body; what the server decodes must be
// the same characters again.
TEST_F(InteropSmtp, JapaneseTextsArriveIntact) {
  start_smtp({});
  struct Case {
    const char* utf8;
    const char* charset;
  };
  const Case cases[] = {
      {"plain ASCII, with ~ and \\ and =?x?= too", "ISO-2022-JP"},
      {"日本語の件名「テスト」〜―∥－￢ー ABC 漢字", "ISO-2022-JP"},
      {"ﾊﾝｶｸｶﾀｶﾅ とひらがな", "UTF-8"},
      {"①②③ ㈱ № ㍉ と 髙﨑", "UTF-8"},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    Bytes text = cp932(c.utf8);
    CallResult r = send(kFrom, kTo, text, text + "\r\n" + cp932("2行目") + "\r\n");
    ASSERT_EQ(r.result, 1) << r.error;
    auto msgs = messages();
    ASSERT_EQ(msgs.size(), static_cast<std::size_t>(++n));
    const QJsonObject& m = msgs.back();
    EXPECT_EQ(to_cp932(m.value("subject").toString()), text);
    EXPECT_EQ(to_cp932(QString::fromStdString(norm(str(m, "body")))), text + "\n" + cp932("2行目"));
    EXPECT_NE(header(m, "Content-Type").find(c.charset), std::string::npos) << header(m, "Content-Type");
  }
}

TEST_F(InteropSmtp, PictogramsArriveAsEmoji) {
  start_smtp({});
  Bytes subject = cp932("晴れ") + "\xF8\x9F" + cp932("です");
  Bytes body = "\xF8\x9F\xF8\xA0\r\n" + cp932("ﾃｽﾄ");
  CallResult r = send(kFrom, kTo, subject, body);
  ASSERT_EQ(r.result, 1) << r.error;
  auto msgs = messages();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_EQ(str(msgs[0], "subject"), "晴れ\u2600\uFE0Fです");
  EXPECT_EQ(norm(str(msgs[0], "body")), "\u2600\uFE0F\u2601\uFE0F\nﾃｽﾄ");
  EXPECT_EQ(header(msgs[0], "Content-Transfer-Encoding"), "base64");
}

TEST_F(InteropSmtp, BodyLinesWithDotsLongLinesAndBareLineEndsArriveIntact) {
  start_smtp({});
  // An attempt to end the message early and smuggle a second one, in every
  // line-end spelling.
  const Bytes smuggle =
      "first\r\n.\r\nMAIL FROM:<evil@example.org>\r\nRCPT TO:<victim@example.org>\r\nDATA\r\n"
      "Subject: smuggled\r\n\r\nbad\r\n.\r\n..\r\n.x\n.\n\r.\r";
  CallResult r = send(kFrom, kTo, "dots", smuggle);
  ASSERT_EQ(r.result, 1) << r.error;
  Bytes long_line(2500, 'a');
  long_line += cp932("漢字") + std::string(600, 'b');
  r = send(kFrom, kTo, "long", long_line);
  ASSERT_EQ(r.result, 1) << r.error;

  auto msgs = messages();
  ASSERT_EQ(msgs.size(), 2u);
  EXPECT_EQ(norm(str(msgs[0], "body")), norm(crlf_to_lf(smuggle)));
  EXPECT_EQ(list(msgs[0], "rcpt_tos"), std::vector<std::string>{"friend@example.jp"});
  EXPECT_EQ(read_lines("rcpt.log").size(), 2u);  // one RCPT per send, no more
  EXPECT_EQ(to_cp932(QString::fromStdString(norm(str(msgs[1], "body")))), long_line);
  for (int i = 1; i <= 2; ++i) {
    std::string raw = read_text("msg-" + std::to_string(i) + ".eml");
    std::size_t start = 0;
    for (std::size_t nl; (nl = raw.find('\n', start)) != std::string::npos; start = nl + 1) {
      EXPECT_LE(nl - start, 999u) << "line longer than 998 bytes";
      EXPECT_TRUE(nl > 0 && raw[nl - 1] == '\r') << "bare LF on the wire";
    }
  }
}

class InteropSmtpAuth : public InteropSmtp, public ::testing::WithParamInterface<const char*> {};

TEST_P(InteropSmtpAuth, LogsInWithExactlyTheChosenMechanismAfterStarttls) {
  start_smtp({"--starttls", "--auth", "after-tls", "--password", kPassword});
  CallResult r = send(auth_sender(GetParam()));
  ASSERT_EQ(r.result, 1) << r.error;
  EXPECT_EQ(read_lines("auth.log"), std::vector<std::string>{std::string("OK ") + GetParam() + " alice"});
  auto msgs = messages();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_TRUE(msgs[0].value("tls").toBool());
  EXPECT_EQ(str(msgs[0], "login"), "alice");
  EXPECT_EQ(str(msgs[0], "mail_from"), "sender@example.jp");
  if (std::string(GetParam()) == "PLAIN") {
    EXPECT_EQ(read_lines("plain.log"), std::vector<std::string>{"initial-response"});
  }
}

TEST_P(InteropSmtpAuth, WrongPasswordFailsWithTheServersReply) {
  start_smtp({"--starttls", "--auth", "after-tls", "--password", kPassword});
  CallResult r = send(auth_sender(GetParam(), "wrong"));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "535 5.7.8 Authentication credentials invalid（SMTP認証）");
  EXPECT_EQ(read_lines("auth.log"), std::vector<std::string>{std::string("FAIL ") + GetParam() + " alice"});
  EXPECT_FALSE(exists("mail.log"));
  EXPECT_TRUE(messages().empty());
}

INSTANTIATE_TEST_SUITE_P(Interop, InteropSmtpAuth, ::testing::Values("CRAM-MD5", "LOGIN", "PLAIN"));

TEST_F(InteropSmtp, PasswordWithTabsAndColonsIsSplitRight) {
  const std::string password = "a:b\tc d:";
  start_smtp({"--auth", "plain-text", "--password", password});
  CallResult r = send(auth_sender("PLAIN", password));
  ASSERT_EQ(r.result, 1) << r.error;
  EXPECT_EQ(read_lines("auth.log"), std::vector<std::string>{"OK PLAIN alice"});
}

TEST_F(InteropSmtp, AuthWithoutTlsWhenTheServerOffersNoStarttls) {
  start_smtp({"--auth", "plain-text", "--password", kPassword});
  CallResult r = send(auth_sender("CRAM-MD5"));
  ASSERT_EQ(r.result, 1) << r.error;
  auto msgs = messages();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_FALSE(msgs[0].value("tls").toBool());
  EXPECT_EQ(read_lines("auth.log"), std::vector<std::string>{"OK CRAM-MD5 alice"});
}

TEST_F(InteropSmtp, StarttlsIsUsedWheneverOfferedEvenWithoutAuth) {
  start_smtp({"--starttls"});
  CallResult r = send();
  ASSERT_EQ(r.result, 1) << r.error;
  auto msgs = messages();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_TRUE(msgs[0].value("tls").toBool());
}

// The server takes mail without AUTH: libcurl alone would send it
// unauthenticated and report success.
TEST_F(InteropSmtp, NothingIsSentWhenAuthIsRequestedButNotOffered) {
  start_smtp({"--auth", "none"});
  CallResult r = send(auth_sender("PLAIN"));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "サーバがSMTP認証に対応していません");
  EXPECT_FALSE(exists("mail.log")) << "MAIL FROM reached the server";
  EXPECT_FALSE(exists("rcpt.log"));
  EXPECT_TRUE(messages().empty());
}

// EHLO replies that spell the AUTH line in the older form or in lower
// case: libcurl reads neither, so the text says so.
TEST_F(InteropSmtp, AuthLineInAnySpellingLogsInOrSaysWhy) {
  struct Case {
    const char* line;
    const char* error;  // "" for a send with the login
  };
  const Case cases[] = {
      {"250-AUTH=LOGIN PLAIN\r\n250-AUTH LOGIN PLAIN", ""},
      {"250-AUTH=LOGIN PLAIN", "サーバが認証方式を古い形式（AUTH=）でしか示さないため認証できません"},
      {"250-AUTH login plain", "サーバが認証方式を小文字でしか示さないため認証できません"},
      {"250-auth LOGIN PLAIN", "サーバが認証方式を小文字でしか示さないため認証できません"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    servers_.clear();
    QFile::remove(QString::fromStdString(dir() + "auth.log"));
    QFile::remove(QString::fromStdString(dir() + "mail.log"));
    start_smtp({"--auth", "plain-text", "--password", kPassword, "--auth-line", c.line});
    CallResult r = send(auth_sender("PLAIN"));
    if (*c.error) {
      EXPECT_EQ(r.result, 0);
      EXPECT_EQ(r.error, c.error);
      EXPECT_FALSE(exists("mail.log"));
    } else {
      EXPECT_EQ(r.result, 1) << r.error;
      EXPECT_EQ(read_lines("auth.log"), std::vector<std::string>{"OK PLAIN alice"});
    }
  }
}

TEST_F(InteropSmtp, MechanismTheServerDoesNotOfferIsNotReplacedByAnother) {
  start_smtp({"--auth", "plain-text", "--exclude", "CRAM-MD5", "--password", kPassword});
  CallResult r = send(auth_sender("CRAM-MD5"));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "サーバが CRAM-MD5 認証に対応していません");
  EXPECT_FALSE(exists("auth.log"));
  EXPECT_FALSE(exists("mail.log"));
}

TEST_F(InteropSmtp, RefusedStarttlsEndsTheSendBeforeAnythingElse) {
  start_smtp({"--mode", "refuse-starttls", "--starttls", "--auth", "plain-text"});
  CallResult r = send(auth_sender("PLAIN"));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "454 4.7.0 TLS not available due to temporary reason（STARTTLS）");
  EXPECT_FALSE(exists("auth.log")) << "credentials went out in clear text";
  EXPECT_FALSE(exists("mail.log"));
}

// A man in the middle deletes "250-STARTTLS" once the server has spoken TLS
// with us: no password may leave in the clear.
TEST_F(InteropSmtp, StrippedStarttlsNeverGetsThePassword) {
  start_smtp({"--starttls", "--auth", "plain-text", "--password", kPassword});
  port_ = start_proxy(port_);
  CallResult r = send(auth_sender("PLAIN"));
  ASSERT_EQ(r.result, 1) << r.error;
  ASSERT_EQ(messages().size(), 1u);
  EXPECT_TRUE(messages()[0].value("tls").toBool());
  EXPECT_EQ(remembered_tls_servers(), "127.0.0.1:" + std::to_string(port_));

  strip_tls(true);
  for (const char* method : {"PLAIN", "LOGIN"}) {
    SCOPED_TRACE(method);
    r = send(auth_sender(method));
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.error, "サーバが暗号化（STARTTLS）に応じなくなりました。パスワードは送っていません");
  }
  const std::string clear = client_bytes(2);
  EXPECT_NE(clear.find("EHLO"), std::string::npos) << "the proxy saw nothing";
  EXPECT_EQ(clear.find("AUTH"), std::string::npos) << clear;
  EXPECT_EQ(clear.find(base64(std::string("\0alice\0") + kPassword)), std::string::npos);
  EXPECT_EQ(clear.find(base64(kPassword)), std::string::npos);
  EXPECT_EQ(read_lines("auth.log").size(), 1u);

  // CRAM-MD5 never sends the password itself: it still goes, unencrypted.
  r = send(auth_sender("CRAM-MD5"));
  ASSERT_EQ(r.result, 1) << r.error;
  ASSERT_EQ(messages().size(), 2u);
  EXPECT_FALSE(messages()[1].value("tls").toBool());
  // And a send without SMTP AUTH has no password to protect.
  r = send();
  EXPECT_EQ(r.result, 1) << r.error;
}

TEST_F(InteropSmtp, TheDialogueKeepsEveryReplyLineButNoPassword) {
  start_smtp({"--auth", "plain-text", "--password", kPassword});
  for (const char* method : {"PLAIN", "LOGIN", "CRAM-MD5"}) {
    SCOPED_TRACE(method);
    CallResult r = send(auth_sender(method), "<multi@example.jp>");
    EXPECT_EQ(r.result, 0);
    const std::string d = transport_last_dialogue();
    for (const char* line :
         {"S: 220 zarvel.test zarvel test SMTP", "C: RCPT TO:<multi@example.jp>", "S: 550-5.7.1 Relaying denied.",
          "S: 550-5.7.1 Ask your postmaster", "S: 550 5.7.1 for help", "S: 235 2.7.0 Authentication successful"})
      EXPECT_NE(d.find(line), std::string::npos) << line << "\n" << d;
    EXPECT_EQ(d.find(kPassword), std::string::npos) << d;
    EXPECT_EQ(d.find(base64(std::string("\0alice\0") + kPassword)), std::string::npos) << d;
    EXPECT_EQ(d.find(base64(kPassword)), std::string::npos) << d;
    EXPECT_EQ(d.find(base64("alice")), std::string::npos) << d;
  }
}

TEST_F(InteropSmtp, UntrustedCertificateFailsTheSend) {
  start_smtp({"--starttls", "--auth", "after-tls"});
  transport_set_test_ca_file(certs_.other_ca);
  CallResult r = send(auth_sender("PLAIN"));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error.rfind("サーバの証明書を確認できません", 0), 0u) << r.error;
  EXPECT_FALSE(exists("auth.log"));
  EXPECT_FALSE(exists("mail.log"));
}

TEST_F(InteropSmtp, ImplicitTlsFromTheFirstByte) {
  start_smtp({"--implicit-tls", "--auth", "plain-text", "--password", kPassword});
  transport_set_test_implicit_tls_port(port_);
  CallResult r = send(auth_sender("LOGIN"));
  ASSERT_EQ(r.result, 1) << r.error;
  auto msgs = messages();
  ASSERT_EQ(msgs.size(), 1u);
  EXPECT_TRUE(msgs[0].value("tls").toBool());
  EXPECT_EQ(read_lines("auth.log"), std::vector<std::string>{"OK LOGIN alice"});
}

// The server's own words come first and whole where they fit, with the step
// named after them; replies in UTF-8 or ISO-2022-JP are read as text.
TEST_F(InteropSmtp, RefusalsCarryTheServersWholeReply) {
  start_smtp({});
  struct Case {
    const char* to;
    const char* error;
  };
  const Case cases[] = {
      {"<unknown@example.jp>", "550 5.1.1 No such user here（宛先）"},
      {"<nobody@example.jp>", "550 5.1.1 <nobody@example.jp>: Recipient address rejected: User unknown（宛先）"},
      {"<later@example.jp>", "451 4.3.0 Temporary local problem, please try again later（本文）"},
      {"<tempfail@example.jp>", "451 4.3.0 Mail server temporarily rejected message（本文）"},
      {"<rejected@example.jp>", "554 5.7.1 Message content rejected（本文）"},
      {"<utf8@example.jp>", "550 5.7.1 送信は拒否されました（宛先）"},
      {"<jis@example.jp>", "550 5.7.1 送信は拒否されました（宛先）"},
      {"<multi@example.jp>", "550 5.7.1 Relaying denied. Ask your postmaster for help（宛先）"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.to);
    CallResult r = send(kFrom, c.to);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.error, c.error);
    EXPECT_LE(cp932(r.error.c_str()).size(), 80u);
  }
  // Too long: the reply is cut, the step stays.
  CallResult r = send(kFrom, "<long@example.jp>");
  EXPECT_EQ(r.error, "550 5.7.1 " + std::string(62, 'x') + "（宛先）");
  EXPECT_TRUE(messages().empty());
}

TEST_F(InteropSmtp, DroppedConnectionIsAFailure) {
  start_smtp({});
  CallResult r = send(kFrom, "<drop@example.jp>");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "サーバとの接続が切れました");
  r = send(kFrom, "<dropdata@example.jp>");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "サーバとの接続が切れました");
  EXPECT_TRUE(messages().empty());
}

// Whatever step the server falls silent at, the call ends within the
// time-out and a little more, QUIT included (then the message was taken).
TEST_F(InteropSmtp, SilentServerAtAnyStepEndsWithinTheTimeOut) {
  for (const char* step : {"ehlo", "starttls", "auth", "mail", "rcpt", "data", "dot", "quit"}) {
    SCOPED_TRACE(step);
    servers_.clear();
    start_smtp({"--starttls", "--auth", "after-tls", "--password", kPassword, "--stall", step});
    CallResult r = send_mail(server(2), kTo, auth_sender("PLAIN"), "s", "b");
    EXPECT_LT(r.seconds, 4.0);
    if (std::string(step) == "quit") {
      EXPECT_EQ(r.result, 1) << r.error;
    } else {
      EXPECT_EQ(r.result, 0);
      EXPECT_EQ(r.error, "サーバの応答がありません（2秒で時間切れ）");
    }
  }
}

TEST_F(InteropSmtp, SilentServerEndsAtTheTimeOut) {
  start_smtp({"--mode", "silent"});
  CallResult r = send_mail(server(2), kTo, kFrom, "s", "b");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "サーバの応答がありません（2秒で時間切れ）");
  EXPECT_GE(r.seconds, 1.5);
  EXPECT_LT(r.seconds, 4.0);  // the time-out and 2 s at most
}

TEST_F(InteropSmtp, GarbageFromTheServerIsAFailure) {
  start_smtp({"--mode", "garbage-close"});
  CallResult r = send_mail(server(2), kTo, kFrom, "s", "b");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "サーバの応答が正しくありません");

  servers_.clear();
  start_smtp({"--mode", "garbage"});
  r = send_mail(server(2), kTo, kFrom, "s", "b");
  EXPECT_EQ(r.result, 0);
  EXPECT_LT(r.seconds, 4.0);  // the time-out and 2 s at most
  EXPECT_EQ(r.error, "サーバの応答が正しくありません（2秒で時間切れ）");
}

TEST_F(InteropSmtp, ClosedPortAndBadServerFieldsFailAtOnce) {
  int port = free_port();
  CallResult r = send_mail("127.0.0.1\t" + std::to_string(port) + "\t2", kTo, kFrom, "s", "b");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "サーバ 127.0.0.1:" + std::to_string(port) + " に接続できません");
  for (const char* bad : {"", "\t25\t60", "127.0.0.1", "127.0.0.1\t\t60", "127.0.0.1\tabc\t60", "127.0.0.1\t0\t60",
                          "127.0.0.1\t99999\t60", "127.0.0.1/x\t25\t60", "user@127.0.0.1\t25\t60"}) {
    SCOPED_TRACE(bad);
    r = send_mail(bad, kTo, kFrom, "s", "b");
    EXPECT_EQ(r.result, 0);
    EXPECT_FALSE(r.error.empty());
    EXPECT_LT(r.seconds, 1.0);
  }
}

// Line breaks in the envelope or the subject must never add a recipient, a
// header or a message: such a send is refused before anything goes out.
TEST_F(InteropSmtp, LineBreaksInAddressesAndSubjectAreRefused) {
  start_smtp({});
  struct Case {
    std::string from, to;
    Bytes subject;
    const char* error;
  };
  const Case cases[] = {
      {kFrom, "<friend@example.jp>\r\nRCPT TO:<evil@example.org>", "s", "宛先のメールアドレスに使えない文字があります"},
      {kFrom, "<friend@example.jp\nRCPT TO:<evil@example.org>>", "s", "宛先のメールアドレスに使えない文字があります"},
      {"<sender@example.jp>\r\nRCPT TO:<evil@example.org>", kTo, "s", "送信者のメールアドレスに使えない文字があります"},
      {"<sender@example.jp\rx>", kTo, "s", "送信者のメールアドレスに使えない文字があります"},
      {kFrom, kTo, "Hi\r\nBcc: evil@example.org", "件名に改行などの制御文字は使えません"},
      {kFrom, kTo, "Hi\r\n.\r\nMAIL FROM:<evil@example.org>\r\n", "件名に改行などの制御文字は使えません"},
      {kFrom, kTo, "Hi\nX-Injected: 1", "件名に改行などの制御文字は使えません"},
      {"<sender@example.jp\tali\r\nce:pw\tPLAIN>", kTo, "s", "SMTP認証のユーザ名に改行などの文字があります"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.to + " / " + c.from + " / " + c.subject);
    CallResult r = send(c.from, c.to, c.subject);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.error, c.error);
  }
  EXPECT_FALSE(exists("mail.log"));
  EXPECT_FALSE(exists("rcpt.log"));
  EXPECT_TRUE(messages().empty());
}

}  // namespace
}  // namespace zarvel::test
