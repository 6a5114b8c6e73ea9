// The C-style calls without a server: argument refusals, the error buffer,
// the result area and the replaceable transport object. Real dialogues are
// in tests/interop.
#include "mail/transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "mail/curl_session.h"
#include "mail/tls_memory.h"
#include "mail/transport_testing.h"
#include "text/cp932.h"

using namespace zarvel;

namespace {

struct Result {
  int value;
  std::string error;
};

Result send(const char* server, const char* to, const char* from, const char* subject, const char* attachments = "") {
  char error[kTransportErrorSize];
  std::fill(std::begin(error), std::end(error), 'X');
  int v = TransportSendMail(server, to, from, subject, "body", attachments, error);
  return {v, v ? std::string() : from_cp932(error).toStdString()};
}

}  // namespace

TEST(MailTransportSendMail, RefusesBadArgumentsBeforeAnyConnection) {
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(send("", "<a@b.jp>", "<c@d.jp>", "s").error, "サーバ名が設定されていません");
  EXPECT_EQ(send(nullptr, "<a@b.jp>", "<c@d.jp>", "s").error, "サーバ名が設定されていません");
  EXPECT_EQ(send("h\tx\t60", "<a@b.jp>", "<c@d.jp>", "s").error, "ポート番号が正しくありません");
  EXPECT_EQ(send("h\t25\t60", nullptr, "<c@d.jp>", "s").error, "宛先のメールアドレスがありません");
  EXPECT_EQ(send("h\t25\t60", "<a@b.jp>\r\nRCPT TO:<e@f.jp>", "<c@d.jp>", "s").error,
            "宛先のメールアドレスに使えない文字があります");
  EXPECT_EQ(send("h\t25\t60", "<a@b.jp>", "<c@d.jp>\nx", "s").error, "送信者のメールアドレスに使えない文字があります");
  EXPECT_EQ(send("h\t25\t60", "<a@b.jp>", "<c@d.jp>", "s\r\nBcc: e@f.jp").error,
            "件名に改行などの制御文字は使えません");
  EXPECT_EQ(send("h\t25\t60", "<a@b.jp>", "<c@d.jp>", "s", "file.txt").error, "添付ファイルの送信には対応していません");
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
}

TEST(MailTransportPop3, RefusesBadArgumentsAndAlwaysLeavesTheAreaFreeable) {
  alignas(void*) unsigned char area[kTransportResultSize];
  std::fill(std::begin(area), std::end(area), 0xA5);
  char error[kTransportErrorSize] = {};
  EXPECT_EQ(TransportPop3("h\t110", "alice", "pw", "DELE 1", ".", area, error), 0);
  EXPECT_EQ(from_cp932(error).toStdString(), "POP3のコマンドが正しくありません");
  EXPECT_TRUE(std::all_of(std::begin(area), std::end(area), [](unsigned char b) { return b == 0; }));
  EXPECT_EQ(TransportPop3(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, error), 0);
  EXPECT_EQ(from_cp932(error).toStdString(), "サーバ名が設定されていません");
  TransportFreeArray(area);
  TransportFreeArray(area);
}

TEST(MailTransportFreeArray, NeverFilledAreaIsOnlyZeroed) {
  alignas(void*) unsigned char area[kTransportResultSize];
  std::fill(std::begin(area), std::end(area), 0x5A);  // looks like pointers, is not ours
  TransportFreeArray(area);
  TransportFreeArray(nullptr);
  EXPECT_TRUE(std::all_of(std::begin(area), std::end(area), [](unsigned char b) { return b == 0; }));
}

namespace {

class Scripted : public Transport {
 public:
  int send_mail(const char*, const char*, const char*, const char*, const char*, const char*, char* error) override {
    std::strcpy(error, "scripted");
    ++sends;
    return 0;
  }
  int sends = 0;
};

}  // namespace

TEST(MailTransportObject, DefaultForwardsAndAStandInCanReplaceIt) {
  char error[kTransportErrorSize] = {};
  EXPECT_EQ(transport().send_mail("", "<a@b.jp>", "<c@d.jp>", "", "", "", error), 0);
  EXPECT_EQ(from_cp932(error).toStdString(), "サーバ名が設定されていません");

  Scripted scripted;
  set_transport(&scripted);
  EXPECT_EQ(&transport(), &scripted);
  EXPECT_EQ(transport().send_mail("", "", "", "", "", "", error), 0);
  EXPECT_EQ(scripted.sends, 1);
  set_transport(nullptr);
  EXPECT_NE(&transport(), &scripted);
}

TEST(MailTransportPorts, TlsFromTheFirstByteOnlyOnTheStandardPorts) {
  EXPECT_TRUE(implicit_tls_port(465, 465));
  EXPECT_TRUE(implicit_tls_port(995, 995));
  EXPECT_FALSE(implicit_tls_port(587, 465));
  EXPECT_FALSE(implicit_tls_port(25, 465));
  EXPECT_FALSE(implicit_tls_port(110, 995));
  transport_set_test_implicit_tls_port(2525);
  EXPECT_TRUE(implicit_tls_port(2525, 465));
  transport_set_test_implicit_tls_port(0);
  EXPECT_FALSE(implicit_tls_port(2525, 465));
  EXPECT_FALSE(implicit_tls_port(0, 465));
}

TEST(MailTransportReplies, ServerTextIsMadePrintable) {
  EXPECT_EQ(printable_reply("  550 No such user  "), "550 No such user");
  EXPECT_EQ(printable_reply(std::string_view("x\x1B[31m\xFF\0y", 9)), "x?[31m??y");
  EXPECT_EQ(printable_reply(""), "");
  EXPECT_EQ(printable_reply("550 送信は拒否されました"), "550 送信は拒否されました");
  EXPECT_EQ(printable_reply("550 \x1B$BAw?.$O5qH]$5$l$^$7$?\x1B(B!"), "550 送信は拒否されました!");
  EXPECT_EQ(printable_reply("a\xE3\x81 b\xC0\xAF\tc"), "a?? b?? c");  // cut or overlong UTF-8
}

// libcurl is opened on first use: without it a send or a login fails with
// the message, and the library found later is used.
TEST(MailTransportLibrary, MissingLibcurlFailsCleanlyAndLoadsWhenPresent) {
  const char* server = "127.0.0.1\t1\t5";  // nothing listens on port 1
  char error[kTransportErrorSize] = {};
  alignas(void*) unsigned char area[kTransportResultSize] = {};
  for (const char* wrong : {"/nonexistent/libcurl.so.4", "libm.so.6"}) {  // missing; present but not libcurl
    transport_set_test_library(wrong);
    EXPECT_EQ(send(server, "<a@b.jp>", "<c@d.jp>", "s").error, "メール送信用ライブラリ (libcurl) を読み込めません");
    EXPECT_EQ(TransportPop3("127.0.0.1\t1", "alice", "pw", "STAT", ".", area, error), 0);
    EXPECT_EQ(from_cp932(error).toStdString(), "メール送信用ライブラリ (libcurl) を読み込めません");
  }
  EXPECT_LE(std::strlen(error), 80u);
  transport_set_test_library("");
  EXPECT_EQ(send(server, "<a@b.jp>", "<c@d.jp>", "s").error, "サーバ 127.0.0.1:1 に接続できません");
}

// Each setter passes libcurl the type the option is read as, and refuses
// an option of another kind without calling it.
TEST(MailTransportLibrary, SettersMatchTheOptionKind) {
  ASSERT_TRUE(curl_available());
  CURL* h = curl::easy_init();
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(curl::set_text(h, CURLOPT_URL, "smtp://127.0.0.1:1"), CURLE_OK);
  EXPECT_EQ(curl::set_long(h, CURLOPT_URL, 1L), CURLE_BAD_FUNCTION_ARGUMENT);
  EXPECT_EQ(curl::set_long(h, CURLOPT_NOSIGNAL, 1L), CURLE_OK);
  EXPECT_EQ(curl::set_text(h, CURLOPT_NOSIGNAL, "1"), CURLE_BAD_FUNCTION_ARGUMENT);
  EXPECT_EQ(curl::set_off(h, CURLOPT_INFILESIZE_LARGE, 10), CURLE_OK);
  EXPECT_EQ(curl::set_long(h, CURLOPT_INFILESIZE_LARGE, 10L), CURLE_BAD_FUNCTION_ARGUMENT);
  EXPECT_EQ(curl::set_off(h, CURLOPT_INFILESIZE, 10), CURLE_BAD_FUNCTION_ARGUMENT);
  curl_off_t t = -1;
  EXPECT_EQ(curl::getinfo_off(h, CURLINFO_CONNECT_TIME_T, &t), CURLE_OK);
  EXPECT_EQ(curl::getinfo_off(h, CURLINFO_RESPONSE_CODE, &t), CURLE_BAD_FUNCTION_ARGUMENT);
  curl::easy_cleanup(h);
}

TEST(MailTlsMemory, KeepsTheNewestWithinTheSettingsLimitAndSkipsBadEntries) {
  forget_tls_servers();
  add_remembered_tls_servers("mail.example.jp:587 bad :25 x:0 x:99999  [::1]:25 MAIL.example.jp:587");
  EXPECT_EQ(remembered_tls_servers(), "mail.example.jp:587 [::1]:25");
  EXPECT_TRUE(tls_remembered("Mail.Example.JP", 587));
  EXPECT_FALSE(tls_remembered("mail.example.jp", 25));
  for (int i = 0; i < 200; ++i) remember_tls("host" + std::to_string(i) + ".example.jp", 587);
  const std::string list = remembered_tls_servers();
  EXPECT_LE(list.size(), 2047u);
  EXPECT_NE(list.find("host199.example.jp:587"), std::string::npos);
  EXPECT_EQ(list.find("mail.example.jp:587"), std::string::npos) << "the oldest go first";
  EXPECT_EQ(list.back(), '7');
  EXPECT_TRUE(tls_remembered("mail.example.jp", 587)) << "this run still knows it";
  forget_tls_servers();
}
