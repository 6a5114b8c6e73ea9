// POP before SMTP through the real transport: dovecot (SASL, APOP, STLS,
// TLS) and twisted's POP3 server (no SASL, so USER/PASS itself is used).
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "interop_fixture.h"

namespace zarvel::test {
namespace {

// Not ':' — dovecot's passwd-file splits fields there.
constexpr const char* kPassword = "s3cret pw!";

class Pop3Fixture : public InteropFixture {
 protected:
  std::string server(int port, int seconds = 10) const {
    return "127.0.0.1\t" + std::to_string(port) + "\t" + std::to_string(seconds);
  }

  // TransportPop3 with "STAT", then the result area checked and freed.
  CallResult pop3(const std::string& server, const std::string& account, const std::string& password) {
    char error[kTransportErrorSize + 8];
    std::fill(std::begin(error), std::end(error), '\x7F');
    alignas(void*) unsigned char area[kTransportResultSize];
    std::fill(std::begin(area), std::end(area), 0xA5);  // junk before the call
    auto t0 = std::chrono::steady_clock::now();
    CallResult r;
    r.result = TransportPop3(server.c_str(), account.c_str(), password.c_str(), "STAT", "/", area, error);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    void** entries = reinterpret_cast<void**>(area);
    if (r.result) {
      EXPECT_NE(entries[0], nullptr);
      if (entries[0]) stat_reply_ = static_cast<const char*>(entries[0]);
    } else {
      EXPECT_EQ(error[kTransportErrorSize], '\x7F') << "wrote past the 81-byte buffer";
      r.error = utf8(error);
    }
    TransportFreeArray(area);
    TransportFreeArray(area);  // twice does no harm
    EXPECT_TRUE(std::all_of(std::begin(area), std::end(area), [](unsigned char b) { return b == 0; }));
    return r;
  }

  // Waits for a line containing `text` in a log that its server writes
  // asynchronously.
  bool log_has(const std::string& name, const std::string& text, int timeout_ms = 3000) const {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    do {
      if (read_text(name).find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
  }

  std::string stat_reply_;
};

class InteropPop3Dovecot : public Pop3Fixture {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "dovecot runs only as root: dovecot POP3 tests skipped";
    if (access("/usr/sbin/dovecot", X_OK) != 0) GTEST_SKIP() << "dovecot is not installed: tests skipped";
  }

  // dovecot from its own configuration in the temporary folder; with TLS it
  // offers STLS and has a pop3s port too.
  void start_dovecot(bool tls) {
    const std::string d = dir();
    chmod(d.c_str(), 0755);  // its unprivileged processes reach into it
    mkdir((d + "mail").c_str(), 0777);
    chmod((d + "mail").c_str(), 0777);
    std::ofstream(d + "passwd") << "alice:{PLAIN}" << kPassword << "\n";
    pop3_port_ = free_port();
    pop3s_port_ = tls ? free_port() : 0;
    if (tls) make_certs();
    std::ofstream conf(d + "dovecot.conf");
    conf << "base_dir = " << d << "run\n"
         << "state_dir = " << d << "state\n"
         << "log_path = " << d << "dovecot.log\n"
         << "info_log_path = " << d << "dovecot.log\n"
         << "protocols = pop3\n"
         << "listen = 127.0.0.1\n"
         << "first_valid_uid = 1\n"
         << "disable_plaintext_auth = no\n"
         << "auth_mechanisms = plain login apop\n"
         << "auth_failure_delay = 0\n"
         << "login_greeting = zarvel test POP3\n"
         << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN " << d << "passwd\n}\n"
         << "userdb {\n  driver = static\n  args = uid=dovecot gid=dovecot home=" << d << "mail/%u\n}\n"
         << "mail_location = maildir:" << d << "mail/%u\n"
         << "service pop3-login {\n"
         << "  inet_listener pop3 {\n    address = 127.0.0.1\n    port = " << pop3_port_ << "\n  }\n"
         << "  inet_listener pop3s {\n    address = 127.0.0.1\n    port = " << pop3s_port_ << "\n  }\n"
         << "}\n";
    if (tls)
      conf << "ssl = yes\nssl_cert = <" << certs_.cert << "\nssl_key = <" << certs_.key << "\n";
    else
      conf << "ssl = no\n";
    conf.close();
    ServerProcess& p = start_daemon(
        {kPython, interop_dir() + "/supervise.py", "/usr/sbin/dovecot", "-F", "-c", d + "dovecot.conf"}, "stderr.log");
    ASSERT_TRUE(p.wait_listening(pop3_port_, 15000)) << read_text("dovecot.log") << read_text("stderr.log");
    if (tls) {
      ASSERT_TRUE(p.wait_listening(pop3s_port_, 5000)) << read_text("dovecot.log");
    }
  }

  int pop3_port_ = 0;
  int pop3s_port_ = 0;
};

TEST_F(InteropPop3Dovecot, LogsInAndRunsStat) {
  start_dovecot(false);
  CallResult r = pop3(server(pop3_port_), "alice", kPassword);
  ASSERT_EQ(r.result, 1) << r.error;
  EXPECT_EQ(stat_reply_, "+OK 0 0");
  EXPECT_TRUE(log_has("dovecot.log", "Login: user=<alice>")) << read_text("dovecot.log");
}

TEST_F(InteropPop3Dovecot, WrongPasswordIsRefusedWithTheServersReply) {
  start_dovecot(false);
  CallResult r = pop3(server(pop3_port_), "alice", "wrong");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "-ERR [AUTH] Authentication failed.（ログイン）");
}

// A man in the middle deletes "STLS" from CAPA once dovecot has spoken TLS
// with us: neither USER/PASS nor SASL may follow; APOP still may.
TEST_F(InteropPop3Dovecot, StrippedStlsNeverGetsThePassword) {
  start_dovecot(true);
  const int proxy = start_proxy(pop3_port_);
  CallResult r = pop3(server(proxy), "alice", kPassword);
  ASSERT_EQ(r.result, 1) << r.error;
  EXPECT_EQ(remembered_tls_servers(), "127.0.0.1:" + std::to_string(proxy));

  strip_tls(true);
  r = pop3(server(proxy), "alice", kPassword);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "サーバが暗号化（STLS）に応じなくなりました。パスワードは送っていません");
  const std::string clear = client_bytes(2);
  EXPECT_NE(clear.find("CAPA"), std::string::npos) << "the proxy saw nothing";
  for (const char* verb : {"PASS", "USER", "AUTH"}) EXPECT_EQ(clear.find(verb), std::string::npos) << clear;
  EXPECT_EQ(clear.find(base64(std::string("\0alice\0") + kPassword)), std::string::npos);

  r = pop3(server(proxy), "alice", std::string("A ") + kPassword);
  EXPECT_EQ(r.result, 1) << r.error;
  EXPECT_TRUE(log_has("dovecot.log", "method=APOP")) << read_text("dovecot.log");
}

TEST_F(InteropPop3Dovecot, ApopLogsInWithTheTimeStamp) {
  start_dovecot(false);
  CallResult r = pop3(server(pop3_port_), "alice", std::string("A ") + kPassword);
  ASSERT_EQ(r.result, 1) << r.error;
  EXPECT_TRUE(log_has("dovecot.log", "method=APOP")) << read_text("dovecot.log");

  r = pop3(server(pop3_port_), "alice", "A wrong");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "-ERR [AUTH] Authentication failed.（APOP）");
}

TEST_F(InteropPop3Dovecot, StlsIsUsedWhenOfferedAndTheCertificateChecked) {
  start_dovecot(true);
  CallResult r = pop3(server(pop3_port_), "alice", kPassword);
  ASSERT_EQ(r.result, 1) << r.error;
  ASSERT_TRUE(log_has("dovecot.log", "Login: user=<alice>")) << read_text("dovecot.log");
  for (const std::string& line : read_lines("dovecot.log")) {
    if (line.find("Login: user=<alice>") != std::string::npos) {
      EXPECT_NE(line.find(", TLS,"), std::string::npos) << line;
    }
  }

  transport_set_test_ca_file(certs_.other_ca);
  r = pop3(server(pop3_port_), "alice", kPassword);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error.rfind("サーバの証明書を確認できません", 0), 0u) << r.error;
}

TEST_F(InteropPop3Dovecot, ImplicitTlsFromTheFirstByte) {
  start_dovecot(true);
  transport_set_test_implicit_tls_port(pop3s_port_);
  CallResult r = pop3(server(pop3s_port_), "alice", std::string("A ") + kPassword);
  ASSERT_EQ(r.result, 1) << r.error;
  EXPECT_TRUE(log_has("dovecot.log", "method=APOP")) << read_text("dovecot.log");
}

class InteropPop3Plain : public Pop3Fixture {
 protected:
  int start_pop3(bool stamp, bool refuse_stls = false) {
    std::vector<std::string> argv = {kPython,  interop_dir() + "/pop3_server.py", "--dir", dir(), "--password",
                                     kPassword};
    if (!stamp) argv.push_back("--no-stamp");
    if (refuse_stls) argv.push_back("--refuse-stls");
    int port = start(argv).port();
    EXPECT_GT(port, 0);
    return port;
  }
};

TEST_F(InteropPop3Plain, UserAndPassWhenTheServerHasNoSasl) {
  int port = start_pop3(false);
  CallResult r = pop3(server(port), "alice", kPassword);
  ASSERT_EQ(r.result, 1) << r.error;
  EXPECT_EQ(stat_reply_, "+OK 0 0");
  auto log = read_lines("pop3.log");
  EXPECT_NE(std::find(log.begin(), log.end(), "USER/PASS OK alice"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "STAT"), log.end());
  EXPECT_EQ(std::find(log.begin(), log.end(), "APOP"), log.end());

  r = pop3(server(port), "alice", "wrong");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "-ERR Authentication failed（ログイン）");
}

TEST_F(InteropPop3Plain, ApopIsCheckedByTheServer) {
  int port = start_pop3(true);
  CallResult r = pop3(server(port), "alice", std::string("A ") + kPassword);
  ASSERT_EQ(r.result, 1) << r.error;
  r = pop3(server(port), "alice", "A wrong");
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "-ERR Authentication failed（APOP）");
  auto log = read_lines("pop3.log");
  EXPECT_NE(std::find(log.begin(), log.end(), "APOP OK alice"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "APOP FAIL alice"), log.end());
  EXPECT_EQ(std::find(log.begin(), log.end(), "USER"), log.end()) << "fell back to USER/PASS";
}

TEST_F(InteropPop3Plain, ApopWithoutTimeStampIsRefusedBeforeAnyLogin) {
  int port = start_pop3(false);
  CallResult r = pop3(server(port), "alice", std::string("A ") + kPassword);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "サーバがAPOPに対応していません（時刻印がありません）");
  for (const std::string& line : read_lines("pop3.log"))
    EXPECT_TRUE(line != "USER" && line != "PASS" && line != "APOP") << line;
}

TEST_F(InteropPop3Plain, RefusedStlsEndsTheCallBeforeTheLogin) {
  int port = start_pop3(false, true);
  CallResult r = pop3(server(port), "alice", kPassword);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "-ERR STLS not available right now（STLS）");
  auto log = read_lines("pop3.log");
  EXPECT_NE(std::find(log.begin(), log.end(), "STLS"), log.end());
  EXPECT_EQ(std::find(log.begin(), log.end(), "USER"), log.end()) << "credentials went out in clear text";
  EXPECT_EQ(std::find(log.begin(), log.end(), "PASS"), log.end());
}

TEST_F(InteropPop3Plain, BadArgumentsAndDeadServersFailCleanly) {
  int port = free_port();
  CallResult r = pop3(server(port, 2), "alice", kPassword);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "サーバ 127.0.0.1:" + std::to_string(port) + " に接続できません");
  r = pop3("127.0.0.1\t", "alice", kPassword);
  EXPECT_EQ(r.error, "ポート番号が正しくありません");
  r = pop3("\t110", "alice", kPassword);
  EXPECT_EQ(r.error, "サーバ名が設定されていません");
  r = pop3(server(110), "", kPassword);
  EXPECT_EQ(r.error, "POP3のアカウントが設定されていません");
  r = pop3(server(110), "alice\r\nDELE 1", kPassword);
  EXPECT_EQ(r.error, "POP3のアカウントに改行などの文字があります");
  r = pop3(server(110), "alice", "pw\r\nDELE 1");
  EXPECT_EQ(r.error, "POP3のパスワードに改行などの文字があります");

  // A server that answers everything but STAT: the time-out ends the call,
  // QUIT and all.
  int stalling =
      start({kPython, interop_dir() + "/pop3_server.py", "--dir", dir(), "--password", kPassword, "--stall", "STAT"})
          .port();
  r = pop3(server(stalling, 2), "alice", kPassword);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "サーバの応答がありません（2秒で時間切れ）");
  EXPECT_LT(r.seconds, 4.0);

  // A server that never answers: the time-out ends the call.
  int silent = start({kPython, interop_dir() + "/smtp_server.py", "--dir", dir(), "--mode", "silent"}).port();
  r = pop3(server(silent, 2), "alice", kPassword);
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.error, "サーバの応答がありません（2秒で時間切れ）");
  EXPECT_LT(r.seconds, 4.0);
}

}  // namespace
}  // namespace zarvel::test
