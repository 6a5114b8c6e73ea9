// The encodings are checked by decoding what they produce with independent
// decoders (glibc's iconv, Qt's Base64) and comparing with the input.
#include "mail/mime.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <QByteArray>
#include <QString>
#include <regex>
#include <vector>

#include "support/sjis.h"

using namespace zarvel;

namespace {

using zarvel::test::sj;

// ISO-2022-JP back to CP932 through glibc; nullopt when iconv refuses it.
std::optional<Bytes> jis_to_cp932(std::string_view jis) {
  iconv_t cd = iconv_open("CP932", "ISO-2022-JP");
  std::string out(jis.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(jis.data());
  char* o = out.data();
  std::size_t inleft = jis.size(), outleft = out.size();
  std::size_t rc = iconv(cd, &in, &inleft, &o, &outleft);
  iconv_close(cd);
  if (rc == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - outleft);
  return out;
}

std::string unbase64(std::string_view b64) {
  QByteArray b = QByteArray::fromBase64(QByteArray(b64.data(), static_cast<qsizetype>(b64.size())));
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

// True when a JIS stream is back in ASCII at its end.
bool ends_in_ascii(std::string_view jis) {
  std::size_t kanji = jis.rfind("\x1B$B");
  return kanji == std::string_view::npos || jis.find("\x1B(B", kanji) != std::string_view::npos;
}

struct Word {
  std::string charset;
  std::string raw;
  std::size_t length;
};

// The encoded words of a folded Subject value; fails the test on anything
// else between them.
std::vector<Word> words(const std::string& value) {
  std::vector<Word> out;
  std::regex word(R"(=\?([^?]+)\?B\?([A-Za-z0-9+/=]*)\?=)");
  std::string rest = value;
  std::smatch m;
  while (std::regex_search(rest, m, word)) {
    std::string between = m.prefix().str();
    EXPECT_TRUE(between.empty() || between == "\r\n ") << "unexpected text between words: " << between;
    out.push_back({m[1].str(), unbase64(m[2].str()), static_cast<std::size_t>(m.length(0))});
    rest = m.suffix().str();
  }
  EXPECT_TRUE(rest.empty()) << rest;
  return out;
}

void expect_header_lines_fit(const std::string& value) {
  std::string line = "Subject: " + value;
  std::size_t start = 0;
  for (std::size_t end; start <= line.size(); start = end + 2) {
    end = line.find("\r\n", start);
    if (end == std::string::npos) end = line.size();
    EXPECT_LE(end - start, 78u) << line;
    if (start > 0) {
      EXPECT_EQ(line[start], ' ') << "continuation line must start with a blank";
    }
  }
}

}  // namespace

TEST(MailIso2022jp, RoundTripsEveryJisX0208CharacterOfCp932) {
  int jis = 0, refused = 0;
  for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      Bytes b{static_cast<char>(lead), static_cast<char>(trail)};
      if (from_cp932(b) == QString(QChar(kGeta)) && b != "\x81\xAC") continue;  // not a character
      auto encoded = to_iso2022jp(b);
      if (!encoded) {
        ++refused;
        continue;
      }
      ++jis;
      ASSERT_EQ(jis_to_cp932(*encoded), b) << std::hex << lead << " " << trail;
      ASSERT_TRUE(ends_in_ascii(*encoded));
    }
  }
  EXPECT_EQ(jis, 6879);      // every character of JIS X 0208:1990
  EXPECT_GT(refused, 1000);  // NEC, IBM and user-defined codes
}

TEST(MailIso2022jp, RefusesWhatIsNotJisX0208OrWouldBreakTheStream) {
  EXPECT_EQ(to_iso2022jp("Hello, world ~\\"), "Hello, world ~\\");
  EXPECT_EQ(to_iso2022jp(sj("日本")), "\x1B$BF|K\\\x1B(B");
  EXPECT_EQ(to_iso2022jp(sj("A日B")), "A\x1B$BF|\x1B(BB");
  for (const char* text : {"ﾃｽﾄ", "①", "㈱", "№", "髙", "ⅰ"}) EXPECT_FALSE(to_iso2022jp(sj(text))) << text;
  EXPECT_FALSE(to_iso2022jp("\xF8\x9F"));  // pictogram
  EXPECT_FALSE(to_iso2022jp("\xF0\x40"));  // user-defined
  EXPECT_FALSE(to_iso2022jp("a\x1B$Bb"));
  EXPECT_FALSE(
      to_iso2022jp("a\x0E"
                   "b"));
  EXPECT_FALSE(
      to_iso2022jp("a\x0F"
                   "b"));
  EXPECT_FALSE(to_iso2022jp("abc\x82"));  // a lead byte with nothing after it
  EXPECT_FALSE(to_iso2022jp("\x80"));
}

TEST(MailUtf8, PictogramsBecomeEmojiAndEverythingElseItsCharacter) {
  EXPECT_EQ(cp932_to_utf8("\xF8\x9F"), "\u2600\uFE0F");   // sun
  EXPECT_EQ(cp932_to_utf8("\xF9\x85"), "#\uFE0F\u20E3");  // keycap: FE0F after the first code point
  EXPECT_EQ(cp932_to_utf8(sj("晴れ") + "\xF8\x9F" + sj("ｶﾅ①")), "晴れ\u2600\uFE0Fｶﾅ①");
  EXPECT_EQ(cp932_to_utf8("\xF0\x40"), "\uE000");  // not a pictogram: kept as its private-use character
  EXPECT_EQ(cp932_to_utf8("a\x80"
                          "b"),
            "a〓b");
  EXPECT_EQ(cp932_to_utf8("a\r\nb"), "a\r\nb");
}

TEST(MailUtf8, PictogramTableCoversTheDocomoRange) {
  int found = 0;
  for (unsigned code = 0xF89F; code <= 0xF9FC; ++code) {
    std::string_view e = pictogram_emoji(code);
    if (e.empty()) continue;
    ++found;
    EXPECT_TRUE(QString::fromUtf8(e.data(), static_cast<qsizetype>(e.size())).isValidUtf16());
  }
  EXPECT_GE(found, 240);
  EXPECT_TRUE(pictogram_emoji(0xF040).empty());
  EXPECT_EQ(pictogram_emoji(0xF8A0), "\u2601\uFE0F");
}

TEST(MailBase64, KnownVectorsAndLineLength) {
  EXPECT_EQ(base64_encode(""), "");
  EXPECT_EQ(base64_encode("f"), "Zg==");
  EXPECT_EQ(base64_encode("fo"), "Zm8=");
  EXPECT_EQ(base64_encode("foo"), "Zm9v");
  EXPECT_EQ(base64_encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(base64_encode("\xFF\xFE\x00", 0), "//4=");
  std::string data(200, '\xA5');
  std::string b64 = base64_encode(data, 76);
  EXPECT_EQ(b64.find("\r\n"), 76u);
  EXPECT_EQ(b64.substr(b64.size() - 2) == "\r\n", false);
  EXPECT_EQ(unbase64(b64), data);
}

TEST(MailSubject, PlainAsciiGoesAsItStandsAndFoldsBetweenWords) {
  EXPECT_EQ(encode_subject("", 69), "");
  EXPECT_EQ(encode_subject("Hello world", 69), "Hello world");
  std::string longer;
  for (int i = 0; i < 40; ++i) longer += (i ? " " : "") + std::string("word") + std::to_string(i);
  std::string folded = encode_subject(longer, 69);
  EXPECT_NE(folded.find("\r\n "), std::string::npos);
  expect_header_lines_fit(folded);
  std::string unfolded = folded;
  for (std::size_t p; (p = unfolded.find("\r\n")) != std::string::npos;) unfolded.erase(p, 2);
  EXPECT_EQ(unfolded, longer);
}

TEST(MailSubject, JisTextBecomesShortIso2022jpWordsEachEndingInAscii) {
  Bytes subject = sj("お知らせ：来週の会議は第三会議室で十時から開始します。資料ABCを持参のこと〜よろしく");
  std::string value = encode_subject(subject, 69);
  expect_header_lines_fit(value);
  std::string jis;
  auto ws = words(value);
  EXPECT_GT(ws.size(), 1u);
  for (const Word& w : ws) {
    EXPECT_EQ(w.charset, "ISO-2022-JP");
    EXPECT_LE(w.length, 75u);
    EXPECT_TRUE(ends_in_ascii(w.raw)) << w.raw;
    EXPECT_TRUE(jis_to_cp932(w.raw)) << "each word decodes on its own";
    jis += w.raw;
  }
  EXPECT_EQ(jis_to_cp932(jis), subject);
}

TEST(MailSubject, OtherTextBecomesUtf8WordsThatNeverSplitACharacter) {
  Bytes subject = sj("ﾊﾝｶｸｶﾅ①㈱") + "\xF8\x9F\xF8\xA0" + sj("と漢字をたくさん並べた長い件名です。まだまだ続きます");
  std::string value = encode_subject(subject, 69);
  expect_header_lines_fit(value);
  std::string utf8;
  for (const Word& w : words(value)) {
    EXPECT_EQ(w.charset, "UTF-8");
    EXPECT_LE(w.length, 75u);
    QByteArray raw = QByteArray::fromStdString(w.raw);
    EXPECT_EQ(QString::fromUtf8(raw).toUtf8(), raw) << "a character split between words";
    utf8 += w.raw;
  }
  EXPECT_EQ(utf8, cp932_to_utf8(subject));
}

TEST(MailSubject, AsciiThatAReaderWouldMisreadIsEncoded) {
  for (const char* text : {"=?UTF-8?B?SGk=?=", " leading blank", "trailing blank ", "two  blanks", "tab\there",
                           "esc\x1B"
                           "x"}) {
    std::string value = encode_subject(text, 69);
    std::string decoded;
    for (const Word& w : words(value)) decoded += w.charset == "UTF-8" ? w.raw : jis_to_cp932(w.raw).value_or("?");
    EXPECT_EQ(decoded, text);
  }
  std::string word(120, 'x');  // too long for one line: encoded and split
  std::string value = encode_subject(word, 69);
  expect_header_lines_fit(value);
}

TEST(MailBody, JisTextGoesAsSevenBitIso2022jpWithCrLf) {
  Bytes body = sj("こんにちは\n二行目 ABC\r三行目\r\n\r\n最後");
  EncodedBody e = encode_body(body);
  EXPECT_EQ(e.charset, "ISO-2022-JP");
  EXPECT_EQ(e.encoding, "7bit");
  EXPECT_EQ(jis_to_cp932(e.text), sj("こんにちは\r\n二行目 ABC\r\n三行目\r\n\r\n最後\r\n"));
  for (std::size_t p = 0; (p = e.text.find('\n', p)) != std::string::npos; ++p) EXPECT_EQ(e.text[p - 1], '\r');
  for (std::size_t p = 0; (p = e.text.find('\r', p)) != std::string::npos; ++p) EXPECT_EQ(e.text[p + 1], '\n');
  // Every line ends in ASCII mode.
  std::size_t start = 0;
  for (std::size_t end; (end = e.text.find("\r\n", start)) != std::string::npos; start = end + 2)
    EXPECT_TRUE(ends_in_ascii(std::string_view(e.text).substr(start, end - start)));
  EXPECT_EQ(encode_body("").text, "");
  EXPECT_EQ(encode_body("x\r\n").text, "x\r\n");
}

TEST(MailBody, AnythingElseGoesAsUtf8Base64Intact) {
  const Bytes cases[] = {
      sj("ﾊﾝｶｸ"),
      sj("①と㈱"),
      "\xF8\x9F" + sj("晴れ"),
      "escape \x1B$B inside",              // ESC never reaches an ISO-2022-JP stream
      std::string(990, 'a') + sj("漢字"),  // 998 bytes too long for 7bit once escapes are added
  };
  for (const Bytes& body : cases) {
    EncodedBody e = encode_body(body + "\n2");
    EXPECT_EQ(e.charset, "UTF-8");
    EXPECT_EQ(e.encoding, "base64");
    EXPECT_EQ(unbase64(e.text), cp932_to_utf8(body + "\r\n2"));
    std::size_t start = 0;
    for (std::size_t end; (end = e.text.find("\r\n", start)) != std::string::npos; start = end + 2)
      EXPECT_LE(end - start, 76u);
  }
  // 998 bytes on the wire is still fine as 7bit.
  EXPECT_EQ(encode_body(std::string(998, 'a')).encoding, "7bit");
  EXPECT_EQ(encode_body(std::string(999, 'a')).encoding, "base64");
}

TEST(MailCp932Text, CharacterLengthAndPrefix) {
  Bytes s = "a" + sj("漢字") + "b";
  EXPECT_EQ(cp932_char_length(s, 0), 1u);
  EXPECT_EQ(cp932_char_length(s, 1), 2u);
  EXPECT_EQ(cp932_prefix(s, 2), "a");
  EXPECT_EQ(cp932_prefix(s, 3), "a" + sj("漢"));
  EXPECT_EQ(cp932_prefix(s, 100), s);
  EXPECT_EQ(cp932_char_length("\x82", 0), 1u);
}
