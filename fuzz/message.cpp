// The message builder: for any subject and body the message is 7-bit, with
// CR LF line ends, no line over 998 bytes, Subject lines within 78 and
// encoded words within 75 characters; and decoded back (encoded words,
// ISO-2022-JP through JisToSjis, Base64) it gives the text it was built
// from: the same CP932 bytes for ISO-2022-JP, the same characters for UTF-8.
#include "mail/message.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "app/pzconv.h"
#include "fuzz_support.h"
#include "mail/mime.h"

using zarvel::Bytes;

namespace {

struct Header {
  std::string name;
  std::string value;  // folded: continuation lines joined by CR LF
};

std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string_view::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string base64_decoded(std::string_view text) {
  auto result = QByteArray::fromBase64Encoding(QByteArray(text.data(), static_cast<qsizetype>(text.size())),
                                               QByteArray::AbortOnBase64DecodingErrors);
  FUZZ_CHECK(result.decodingStatus == QByteArray::Base64DecodingStatus::Ok);
  FUZZ_CHECK_EQ(zarvel::base64_encode(result.decoded.toStdString()), text);  // padded, nothing odd
  return result.decoded.toStdString();
}

bool valid_utf8(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())).toStdString() == s;
}

// ISO-2022-JP that is 7-bit, uses ESC $ B and ESC ( B only and ends in ASCII.
void check_jis(std::string_view jis) {
  bool kanji = false;
  for (std::size_t i = 0; i < jis.size(); ++i) {
    FUZZ_CHECK(static_cast<unsigned char>(jis[i]) < 0x80);
    if (jis[i] != '\x1B') continue;
    std::string_view seq = jis.substr(i, 3);
    FUZZ_CHECK(seq == "\x1B$B" || seq == "\x1B(B");
    kanji = seq == "\x1B$B";
    i += 2;
  }
  FUZZ_CHECK(!kanji);
}

void check_subject(const std::string& value, const Bytes& subject) {
  const TPzConv conv;
  if (value.find("=?") == std::string::npos) {
    // Plain ASCII, folded before a space.
    std::string unfolded;
    for (std::string_view line : lines_of(value)) unfolded += line;
    FUZZ_CHECK_EQ(unfolded, subject);
    return;
  }
  std::string charset;
  std::string joined;
  std::size_t start = 0;
  while (true) {
    std::size_t end = value.find("\r\n ", start);
    std::string_view word = std::string_view(value).substr(start, end == std::string::npos ? end : end - start);
    FUZZ_CHECK(word.size() <= 75);
    FUZZ_CHECK(word.starts_with("=?") && word.ends_with("?="));
    std::size_t q = word.find("?B?", 2);
    FUZZ_CHECK(q != std::string_view::npos);
    std::string_view cs = word.substr(2, q - 2);
    if (charset.empty()) charset = cs;
    FUZZ_CHECK_EQ(cs, charset);
    const std::string raw = base64_decoded(word.substr(q + 3, word.size() - q - 5));
    FUZZ_CHECK(!raw.empty());
    if (charset == "ISO-2022-JP") {
      check_jis(raw);  // every word ends in ASCII
      joined += conv.JisToSjis(raw);
    } else {
      FUZZ_CHECK_EQ(charset, "UTF-8");
      FUZZ_CHECK(valid_utf8(raw));  // no word splits a character
      joined += raw;
    }
    if (end == std::string::npos) break;
    start = end + 3;
  }
  FUZZ_CHECK_EQ(joined, charset == "UTF-8" ? zarvel::cp932_to_utf8(subject) : subject);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider fdp(data, size);
  // The date and the id take any time at all; the message a time up to the
  // end of year 9999.
  const auto any_time = static_cast<std::time_t>(fdp.ConsumeIntegral<std::int64_t>());
  const std::time_t when = static_cast<std::time_t>(static_cast<std::uint64_t>(any_time) % 253402300800u);
  std::string sender;
  for (char c : fdp.ConsumeRandomLengthString(64))
    if (c > 0x20 && c < 0x7F) sender += c;
  const Bytes subject = zarvel::fuzz::without(fdp.ConsumeRandomLengthString(512), std::string_view("\r\n\0", 3));
  const Bytes body = fdp.ConsumeRemainingBytesAsString();

  auto check_id = [](const std::string& id) {
    FUZZ_CHECK(id.size() > 2 && id.front() == '<' && id.back() == '>');
    FUZZ_CHECK(id.find('@') == id.rfind('@') && id.find('@') != std::string::npos);
    for (char c : id) FUZZ_CHECK(c > 0x20 && c < 0x7F);
  };
  for (char c : zarvel::rfc5322_date(any_time)) FUZZ_CHECK(c >= 0x20 && c < 0x7F);
  check_id(zarvel::make_message_id(sender, any_time));
  const std::string date = zarvel::rfc5322_date(when);
  const std::string id = zarvel::make_message_id(sender, when);
  check_id(id);

  const std::string m = zarvel::build_message(sender, "you@example.jp", subject, body, when, id);

  // Seven bits, CR LF only, short lines.
  for (std::size_t i = 0; i < m.size(); ++i) {
    FUZZ_CHECK(static_cast<unsigned char>(m[i]) < 0x80);
    if (m[i] == '\r') FUZZ_CHECK(i + 1 < m.size() && m[i + 1] == '\n');
    if (m[i] == '\n') FUZZ_CHECK(i > 0 && m[i - 1] == '\r');
  }
  const std::size_t blank = m.find("\r\n\r\n");
  FUZZ_CHECK(blank != std::string::npos);
  std::vector<Header> headers;
  for (std::string_view line : lines_of(std::string_view(m).substr(0, blank + 2))) {
    FUZZ_CHECK(line.size() <= 998);
    if (!line.empty() && line.front() == ' ') {
      FUZZ_CHECK(!headers.empty() && headers.back().name == "Subject");
      FUZZ_CHECK(line.size() <= 78);
      headers.back().value += "\r\n";
      headers.back().value += line;
      continue;
    }
    std::size_t colon = line.find(": ");
    FUZZ_CHECK(colon != std::string_view::npos);
    headers.push_back({std::string(line.substr(0, colon)), std::string(line.substr(colon + 2))});
    if (headers.back().name == "Subject") FUZZ_CHECK(line.size() <= 78);
  }
  FUZZ_CHECK(headers.size() == 9);
  const char* const names[] = {"Date",       "From",         "To",           "Subject",
                               "Message-ID", "MIME-Version", "Content-Type", "Content-Transfer-Encoding",
                               "X-Mailer"};
  for (std::size_t i = 0; i < 9; ++i) FUZZ_CHECK_EQ(headers[i].name, names[i]);
  FUZZ_CHECK_EQ(headers[0].value, date);
  FUZZ_CHECK_EQ(headers[1].value, sender);
  FUZZ_CHECK_EQ(headers[4].value, id);
  check_subject(headers[3].value, subject);

  // The body, decoded, is the text.
  const std::string_view wire = std::string_view(m).substr(blank + 4);
  Bytes text = zarvel::to_crlf(body);
  if (headers[6].value == "text/plain; charset=ISO-2022-JP") {
    FUZZ_CHECK_EQ(headers[7].value, "7bit");
    for (std::string_view line : lines_of(wire)) {
      FUZZ_CHECK(line.size() <= 998);
      check_jis(line);
    }
    if (!text.empty() && !text.ends_with("\r\n")) text += "\r\n";
    FUZZ_CHECK_EQ(TPzConv().JisToSjis(Bytes(wire)), text);
  } else {
    FUZZ_CHECK_EQ(headers[6].value, "text/plain; charset=UTF-8");
    FUZZ_CHECK_EQ(headers[7].value, "base64");
    std::string joined;
    for (std::string_view line : lines_of(wire)) {
      FUZZ_CHECK(line.size() <= 76);
      joined += line;
    }
    FUZZ_CHECK(wire.empty() || wire.ends_with("\r\n"));
    const std::string utf8 = base64_decoded(joined);
    FUZZ_CHECK(valid_utf8(utf8));
    FUZZ_CHECK_EQ(utf8, zarvel::cp932_to_utf8(text));
  }
  return 0;
}
