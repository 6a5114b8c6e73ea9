#include "mail/transport_args.h"

#include <gtest/gtest.h>

#include <QString>

#include "mail/transport.h"
#include "text/cp932.h"

using namespace zarvel;

namespace {

std::string error_of(ArgError e) { return e.value_or("OK"); }

}  // namespace

TEST(MailServerArgument, HostPortAndTimeOut) {
  ServerSpec s;
  ASSERT_FALSE(parse_server("smtp.example.jp\t587\t60", s));
  EXPECT_EQ(s.host, "smtp.example.jp");
  EXPECT_EQ(s.port, 587);
  EXPECT_EQ(s.timeout_seconds, 60);
  ASSERT_FALSE(parse_server(" mail.example.jp \t 110 ", s));  // POP3 form, blanks around
  EXPECT_EQ(s.host, "mail.example.jp");
  EXPECT_EQ(s.port, 110);
  EXPECT_EQ(s.timeout_seconds, 60);
  ASSERT_FALSE(parse_server("127.0.0.1\t25\t2", s));
  EXPECT_EQ(s.timeout_seconds, 2);
  for (const char* bad_timeout : {"0", "-5", "x", "99999"}) {
    ASSERT_FALSE(parse_server(std::string("h\t25\t") + bad_timeout, s));
    EXPECT_EQ(s.timeout_seconds, 60) << bad_timeout;
  }
  ASSERT_FALSE(parse_server("::1\t25", s));
  EXPECT_EQ(s.host, "[::1]");
  ASSERT_FALSE(parse_server("[::1]\t25", s));
  EXPECT_EQ(s.host, "[::1]");
  ASSERT_FALSE(parse_server(to_cp932(u"メール.example.jp") + "\t25", s));
  EXPECT_EQ(s.host, "メール.example.jp");
}

TEST(MailServerArgument, RefusesWhatCouldChangeTheUrlOrIsNoPort) {
  ServerSpec s;
  EXPECT_EQ(error_of(parse_server("", s)), "サーバ名が設定されていません");
  EXPECT_EQ(error_of(parse_server("  \t25\t60", s)), "サーバ名が設定されていません");
  for (const char* host : {"a/b", "user@host", "a b", "host?x", "host#x", "a\\b", "h:25", "a\rb", "a%2fb"})
    EXPECT_EQ(error_of(parse_server(std::string(host) + "\t25\t60", s)), "サーバ名に使えない文字があります") << host;
  for (const char* port : {"", " ", "abc", "0", "65536", "25x", "-25", "+25", "2 5"})
    EXPECT_EQ(error_of(parse_server(std::string("h\t") + port + "\t60", s)), "ポート番号が正しくありません") << port;
  EXPECT_EQ(error_of(parse_server("h", s)), "ポート番号が正しくありません");
}

TEST(MailSenderArgument, AddressAloneOrWithSmtpAuth) {
  Sender s;
  ASSERT_FALSE(parse_sender("<me@example.jp>", s));
  EXPECT_EQ(s.address, "me@example.jp");
  EXPECT_FALSE(s.auth);

  ASSERT_FALSE(parse_sender("<me@example.jp\tuser:secret\tCRAM-MD5>", s));
  ASSERT_TRUE(s.auth);
  EXPECT_EQ(s.address, "me@example.jp");
  EXPECT_EQ(s.auth->user, "user");
  EXPECT_EQ(s.auth->password, "secret");
  EXPECT_EQ(s.auth->method, "CRAM-MD5");

  // The user ends at the first ':'; the password keeps the rest, tabs,
  // colons and a '>' at its end included.
  ASSERT_FALSE(parse_sender("<me@example.jp\tuser:a:b\tc>\tplain>", s));
  EXPECT_EQ(s.auth->user, "user");
  EXPECT_EQ(s.auth->password, "a:b\tc>");
  EXPECT_EQ(s.auth->method, "PLAIN");

  ASSERT_FALSE(parse_sender("<me@example.jp\tuser:\tLOGIN>", s));
  EXPECT_EQ(s.auth->password, "");
  ASSERT_FALSE(parse_sender("me@example.jp", s));  // without brackets too
  EXPECT_EQ(s.address, "me@example.jp");
}

TEST(MailSenderArgument, RefusesBrokenFormsAndLineBreaks) {
  Sender s;
  EXPECT_EQ(error_of(parse_sender("<>", s)), "送信者のメールアドレスが設定されていません");
  EXPECT_EQ(error_of(parse_sender("", s)), "送信者のメールアドレスが設定されていません");
  for (const char* bad : {"<me@example.jp\r\nRCPT TO:<x@y>>", "<me@example.jp\n>", "<me @example.jp>",
                          "<me<x>@example.jp>", "<m\x82\xA0@example.jp>", "<me@example.jp\x7F>"})
    EXPECT_EQ(error_of(parse_sender(bad, s)), "送信者のメールアドレスに使えない文字があります") << bad;
  EXPECT_EQ(error_of(parse_sender("<" + std::string(250, 'a') + "@b.jp>", s)), "送信者のメールアドレスが長すぎます");
  EXPECT_EQ(error_of(parse_sender("<me@example.jp\tuser:pw>", s)), "SMTP認証の指定が正しくありません");
  EXPECT_EQ(error_of(parse_sender("<me@example.jp\tuser:pw\tNTLM>", s)), "SMTP認証の方式が正しくありません");
  EXPECT_EQ(error_of(parse_sender("<me@example.jp\t:pw\tPLAIN>", s)), "SMTP認証のユーザ名が設定されていません");
  EXPECT_EQ(error_of(parse_sender("<me@example.jp\tus\r\ner:pw\tPLAIN>", s)),
            "SMTP認証のユーザ名に改行などの文字があります");
}

TEST(MailRecipientArgument, BracketsStrippedLineBreaksRefused) {
  std::string a;
  ASSERT_FALSE(parse_recipient("<you@example.jp>", a));
  EXPECT_EQ(a, "you@example.jp");
  ASSERT_FALSE(parse_recipient("you@example.jp", a));
  EXPECT_EQ(a, "you@example.jp");
  EXPECT_EQ(error_of(parse_recipient("<>", a)), "宛先のメールアドレスがありません");
  for (const char* bad : {"<you@example.jp>\r\n", "<you@example.jp>\r\nRCPT TO:<x@y>", "<you\n@example.jp>",
                          "<you@example.jp\0x>", "<you,@example.jp x>"})
    EXPECT_EQ(error_of(parse_recipient(bad, a)), "宛先のメールアドレスに使えない文字があります") << bad;
  EXPECT_EQ(error_of(parse_recipient(std::string("<a\0b>", 5), a)), "宛先のメールアドレスに使えない文字があります");
}

TEST(MailSubjectArgument, LineBreaksAndNulRefused) {
  EXPECT_FALSE(check_subject(""));
  EXPECT_FALSE(check_subject(to_cp932(u"件名\tタブ")));
  for (std::string bad : {std::string("a\rb"), std::string("a\nb"), std::string("a\0b", 3)})
    EXPECT_EQ(error_of(check_subject(bad)), "件名に改行などの制御文字は使えません");
}

TEST(MailPop3Arguments, ApopPrefixAndRefusals) {
  Pop3Login l;
  ASSERT_FALSE(parse_pop3_login("alice", "A secret", l));
  EXPECT_TRUE(l.apop);
  EXPECT_EQ(l.password, "secret");
  ASSERT_FALSE(parse_pop3_login("alice", "Asecret", l));
  EXPECT_FALSE(l.apop);
  EXPECT_EQ(l.password, "Asecret");
  ASSERT_FALSE(parse_pop3_login("alice", "", l));
  EXPECT_EQ(error_of(parse_pop3_login("", "pw", l)), "POP3のアカウントが設定されていません");
  EXPECT_EQ(error_of(parse_pop3_login("a\r\nDELE 1", "pw", l)), "POP3のアカウントに改行などの文字があります");
  EXPECT_EQ(error_of(parse_pop3_login("alice", "A pw\nQUIT", l)), "POP3のパスワードに改行などの文字があります");

  std::string c;
  ASSERT_FALSE(parse_pop3_command("stat", c));
  EXPECT_EQ(c, "STAT");
  EXPECT_EQ(error_of(parse_pop3_command("DELE 1", c)), "POP3のコマンドが正しくありません");
  EXPECT_EQ(error_of(parse_pop3_command("STAT\r\nDELE 1", c)), "POP3のコマンドが正しくありません");
}

TEST(MailErrorText, AtMostEightyBytesOfCp932CutBetweenCharacters) {
  char buf[kTransportErrorSize + 1];
  std::fill(std::begin(buf), std::end(buf), 'X');
  write_error_text(buf, "宛先を拒否されました: 550 5.1.1 No such user");
  EXPECT_EQ(from_cp932(buf).toStdString(), "宛先を拒否されました: 550 5.1.1 No such user");

  std::string long_japanese = "あ" + std::string(1, 'a');  // odd start: the cut falls inside a character
  for (int i = 0; i < 60; ++i) long_japanese += "漢";
  std::fill(std::begin(buf), std::end(buf), 'X');
  write_error_text(buf, long_japanese);
  EXPECT_EQ(std::strlen(buf), 79u);  // 3 + 38 * 2; the 39th character would need bytes 80 and 81
  EXPECT_EQ(buf[kTransportErrorSize], 'X');
  EXPECT_EQ(
      from_cp932(buf).toStdString(), "あa" + [] {
        std::string s;
        for (int i = 0; i < 38; ++i) s += "漢";
        return s;
      }());

  write_error_text(buf, std::string(200, 'e'));
  EXPECT_EQ(std::string(buf), std::string(80, 'e'));
  EXPECT_EQ(buf[kTransportErrorSize], 'X');
  write_error_text(nullptr, "nothing happens");
}

// What the send window assembles must read back as the same parts.
TEST(MailTransportArgumentForms, FormattedArgumentsParseBack) {
  ServerSpec s;
  EXPECT_EQ(format_server("smtp.example.jp", "587", 60), "smtp.example.jp\t587\t60");
  EXPECT_EQ(format_server("pop.example.jp", "110"), "pop.example.jp\t110");
  ASSERT_FALSE(parse_server(format_server("::1", "2525", 7), s));
  EXPECT_EQ(s.host, "[::1]");
  EXPECT_EQ(s.port, 2525);
  EXPECT_EQ(s.timeout_seconds, 7);

  std::string to;
  EXPECT_EQ(format_recipient("friend@example.jp"), "<friend@example.jp>");
  ASSERT_FALSE(parse_recipient(format_recipient("friend@example.jp"), to));
  EXPECT_EQ(to, "friend@example.jp");

  Sender from;
  EXPECT_EQ(format_sender("me@example.jp"), "<me@example.jp>");
  ASSERT_FALSE(parse_sender(format_sender("me@example.jp"), from));
  EXPECT_EQ(from.address, "me@example.jp");
  EXPECT_FALSE(from.auth);
  for (const char* password : {"secret", "p@ss:wo rd:", "tab\tinside", ""}) {
    SCOPED_TRACE(password);
    const std::string text = format_sender("me@example.jp", "alice", password, "CRAM-MD5");
    ASSERT_FALSE(parse_sender(text, from));
    ASSERT_TRUE(from.auth);
    EXPECT_EQ(from.address, "me@example.jp");
    EXPECT_EQ(from.auth->user, "alice");
    EXPECT_EQ(from.auth->password, password);
    EXPECT_EQ(from.auth->method, "CRAM-MD5");
  }
  EXPECT_EQ(format_sender("me@example.jp", "bob", "pw", "PLAIN"), "<me@example.jp\tbob:pw\tPLAIN>");

  Pop3Login login;
  EXPECT_EQ(format_pop3_password("pw", true), "A pw");
  for (bool apop : {false, true}) {
    ASSERT_FALSE(parse_pop3_login("alice", format_pop3_password("p w:", apop), login));
    EXPECT_EQ(login.apop, apop);
    EXPECT_EQ(login.password, "p w:");
  }
}
