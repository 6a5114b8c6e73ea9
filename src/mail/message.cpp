#include "mail/message.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <random>

#include "mail/mime.h"

namespace zarvel {
namespace {

bool is_domain(std::string_view s) {
  if (s.empty() || s.size() > 253 || s.front() == '.' || s.back() == '.') return false;
  for (char c : s)
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.'))
      return false;
  return true;
}

std::string id_domain(std::string_view sender) {
  if (auto at = sender.rfind('@'); at != std::string_view::npos && is_domain(sender.substr(at + 1)))
    return std::string(sender.substr(at + 1));
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) == 0 && is_domain(host)) return host;
  return "localhost";
}

}  // namespace

std::string rfc5322_date(std::time_t when) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm tm{};
  localtime_r(&when, &tm);
  long offset = tm.tm_gmtoff / 60;
  char sign = offset < 0 ? '-' : '+';
  if (offset < 0) offset = -offset;
  char buf[64];
  // The year in long long: tm_year + 1900 overflows an int for a clock set
  // some two billion years ahead.
  std::snprintf(buf, sizeof buf, "%s, %02d %s %04lld %02d:%02d:%02d %c%02ld%02ld", kDays[tm.tm_wday % 7], tm.tm_mday,
                kMonths[tm.tm_mon % 12], tm.tm_year + 1900LL, tm.tm_hour, tm.tm_min, tm.tm_sec, sign, offset / 60,
                offset % 60);
  return buf;
}

std::string make_message_id(std::string_view sender, std::time_t when) {
  static std::atomic<unsigned> counter{0};
  thread_local std::mt19937_64 rng{(static_cast<std::uint64_t>(std::random_device{}()) << 32) ^ std::random_device{}()};
  std::tm tm{};
  gmtime_r(&when, &tm);
  char buf[96];
  std::snprintf(buf, sizeof buf, "<%04lld%02d%02d%02d%02d%02d.%016llx.%u@", tm.tm_year + 1900LL, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<unsigned long long>(rng()), counter++);
  return buf + id_domain(sender) + ">";
}

std::string build_message(std::string_view sender, std::string_view recipient, std::string_view cp932_subject,
                          std::string_view cp932_body, std::time_t when, std::string_view message_id) {
  EncodedBody body = encode_body(cp932_body);
  std::string m;
  m.reserve(body.text.size() + 512);
  auto header = [&](std::string_view name, std::string_view value) {
    m += name;
    m += ": ";
    m += value;
    m += "\r\n";
  };
  header("Date", rfc5322_date(when));
  header("From", sender);
  header("To", recipient);
  header("Subject", encode_subject(cp932_subject, 78 - (sizeof "Subject: " - 1)));
  header("Message-ID", message_id);
  header("MIME-Version", "1.0");
  header("Content-Type", "text/plain; charset=" + body.charset);
  header("Content-Transfer-Encoding", body.encoding);
  header("X-Mailer", kMailer);
  m += "\r\n";
  m += body.text;
  return m;
}

}  // namespace zarvel
