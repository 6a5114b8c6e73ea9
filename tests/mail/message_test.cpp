#include "mail/message.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <cstdlib>
#include <ctime>
#include <regex>
#include <set>

#include "mail/mime.h"
#include "support/sjis.h"

using namespace zarvel;

namespace {

using zarvel::test::sj;

// Sets TZ for one test and puts it back.
class TimeZone {
 public:
  explicit TimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old, had_ = true;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TimeZone() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  std::string old_;
  bool had_ = false;
};

std::vector<std::string> header_names(const std::string& message) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (std::size_t end; (end = message.find("\r\n", start)) != std::string::npos && end != start; start = end + 2) {
    if (message[start] == ' ' || message[start] == '\t') continue;
    names.push_back(message.substr(start, message.find(':', start) - start));
  }
  return names;
}

}  // namespace

TEST(MailMessageDate, Rfc5322WithTheLocalOffset) {
  {
    TimeZone tz("JST-9");
    EXPECT_EQ(rfc5322_date(0), "Thu, 01 Jan 1970 09:00:00 +0900");
    EXPECT_EQ(rfc5322_date(1700000000), "Wed, 15 Nov 2023 07:13:20 +0900");
  }
  {
    TimeZone tz("NST+3:30");
    EXPECT_EQ(rfc5322_date(0), "Wed, 31 Dec 1969 20:30:00 -0330");
  }
}

TEST(MailMessageDate, YearsBeyondTheIntRangeDoNotOverflow) {
  // struct tm holds the year less 1900 in an int: a clock set two billion
  // years ahead gives a year that only fits once widened.
  TimeZone tz("UTC0");
  const auto when = static_cast<std::time_t>((2147483647.0 + 500.0 - 1970.0) * 31556952.0);
  std::tm tm{};
  ASSERT_NE(gmtime_r(&when, &tm), nullptr);
  const std::string year = std::to_string(tm.tm_year + 1900LL);
  ASSERT_GT(tm.tm_year + 1900LL, 2147483647LL);
  EXPECT_NE(rfc5322_date(when).find(" " + year + " "), std::string::npos) << rfc5322_date(when);
  EXPECT_EQ(make_message_id("a@example.jp", when).rfind("<" + year, 0), 0u);
}

TEST(MailMessageId, UniqueWithTheSendersDomain) {
  std::set<std::string> ids;
  for (int i = 0; i < 200; ++i) ids.insert(make_message_id("a@mail.example.jp", 1700000000));
  EXPECT_EQ(ids.size(), 200u);
  std::regex form(R"(<\d{14}\.[0-9a-f]{16}\.\d+@mail\.example\.jp>)");
  EXPECT_TRUE(std::regex_match(*ids.begin(), form)) << *ids.begin();
  // No usable domain in the address: this host's name, never the junk.
  std::string id = make_message_id("weird@(x)", 0);
  EXPECT_EQ(id.find("(x)"), std::string::npos);
  EXPECT_TRUE(std::regex_match(id, std::regex(R"(<[^<>@\s]+@[A-Za-z0-9.-]+>)"))) << id;
}

TEST(MailMessage, HeadersInOrderSevenBitAndCrLfOnly) {
  TimeZone tz("JST-9");
  std::string m =
      build_message("me@example.jp", "you@example.jp", sj("件名"), sj("本文\n二行目"), 0, "<id@example.jp>");
  EXPECT_EQ(header_names(m), (std::vector<std::string>{"Date", "From", "To", "Subject", "Message-ID", "MIME-Version",
                                                       "Content-Type", "Content-Transfer-Encoding", "X-Mailer"}));
  EXPECT_EQ(m.rfind("Date: Thu, 01 Jan 1970 09:00:00 +0900\r\nFrom: me@example.jp\r\nTo: you@example.jp\r\n", 0), 0u);
  EXPECT_NE(m.find("\r\nMessage-ID: <id@example.jp>\r\nMIME-Version: 1.0\r\n"), std::string::npos);
  EXPECT_NE(m.find("\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n"),
            std::string::npos);
  EXPECT_NE(m.find("\r\nX-Mailer: zarvel 0.74a\r\n\r\n"), std::string::npos);
  EXPECT_NE(m.find("\r\nSubject: =?ISO-2022-JP?B?"), std::string::npos);
  for (std::size_t i = 0; i < m.size(); ++i) {
    ASSERT_EQ(m[i] & 0x80, 0) << "8-bit byte at " << i;
    if (m[i] == '\n') {
      ASSERT_EQ(m[i - 1], '\r');
    }
    if (m[i] == '\r') {
      ASSERT_EQ(m[i + 1], '\n');
    }
  }
  EXPECT_EQ(m.substr(m.size() - 2), "\r\n");
}

TEST(MailMessage, Utf8BodyIsLabelledAndLinesStayShort) {
  std::string m =
      build_message("me@example.jp", "you@example.jp", "", "\xF8\x9F" + std::string(3000, 'x'), 0, "<id@example.jp>");
  EXPECT_NE(m.find("\r\nSubject: \r\n"), std::string::npos);
  EXPECT_NE(m.find("\r\nContent-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n"),
            std::string::npos);
  std::size_t start = 0;
  for (std::size_t end; (end = m.find("\r\n", start)) != std::string::npos; start = end + 2)
    EXPECT_LE(end - start, 998u);
  std::string body = m.substr(m.find("\r\n\r\n") + 4);
  QByteArray decoded = QByteArray::fromBase64(QByteArray::fromStdString(body));
  EXPECT_EQ(decoded.toStdString(), "\u2600\uFE0F" + std::string(3000, 'x'));
}
