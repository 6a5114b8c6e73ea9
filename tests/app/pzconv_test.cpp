#include "app/pzconv.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <algorithm>
#include <random>

using zarvel::Bytes;
using namespace std::string_literals;

namespace {

Bytes std_base64(const Bytes& data) {
  return QByteArray(data.data(), static_cast<qsizetype>(data.size())).toBase64().toStdString();
}

Bytes std_unbase64(const Bytes& text) {
  return QByteArray::fromBase64(QByteArray(text.data(), static_cast<qsizetype>(text.size()))).toStdString();
}

}  // namespace

TEST(PzConv, AlphabetLettersAndValues) {
  const TPzConv conv;
  const Bytes alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int v = 0; v < 64; ++v) {
    EXPECT_EQ(conv.Base64Char(v), alphabet[static_cast<std::size_t>(v)]);
    EXPECT_EQ(conv.Base64Value(static_cast<unsigned char>(alphabet[static_cast<std::size_t>(v)])), v);
  }
  for (int v : {64, 65, 200, 255, 256, -1}) EXPECT_EQ(conv.Base64Char(v), '=') << v;
  int outside = 0;
  for (int c = 0; c < 256; ++c)
    if (conv.Base64Value(static_cast<unsigned char>(c)) == 64) ++outside;
  EXPECT_EQ(outside, 256 - 64);  // "=", blanks, line breaks and high bytes among them
  EXPECT_EQ(conv.Base64Value('='), 64);
  EXPECT_EQ(conv.Base64Value('\n'), 64);
}

TEST(PzConv, EmptyTextStaysEmpty) {
  const TPzConv conv;
  EXPECT_EQ(conv.EncodeBase64(""), "");
  EXPECT_EQ(conv.DecodeBase64(""), "");
  EXPECT_EQ(conv.JisToSjis(""), "");
  EXPECT_EQ(zarvel::encode_password(""), "");
  EXPECT_EQ(zarvel::decode_password(""), "");
}

TEST(PzConv, EncodingIsStandardBase64WithoutLineBreaks) {
  const TPzConv conv;
  EXPECT_EQ(conv.EncodeBase64("f"), "Zg==");
  EXPECT_EQ(conv.EncodeBase64("fo"), "Zm8=");
  EXPECT_EQ(conv.EncodeBase64("foo"), "Zm9v");
  EXPECT_EQ(conv.EncodeBase64("foobar"), "Zm9vYmFy");
  std::mt19937 rng(7);
  for (std::size_t len = 0; len < 200; ++len) {
    Bytes data(len, '\0');
    for (char& c : data) c = static_cast<char>(rng() % 256);
    EXPECT_EQ(conv.EncodeBase64(data), std_base64(data)) << len;
  }
}

TEST(PzConv, DecodingReadsGroupsOfFourWhateverTheBytes) {
  const TPzConv conv;
  EXPECT_EQ(conv.DecodeBase64("Zm9vYmFy"), "foobar");
  EXPECT_EQ(conv.DecodeBase64("Zm8="), "fo");
  EXPECT_EQ(conv.DecodeBase64("Zg=="), "f");
  // A last partial group gives nothing.
  EXPECT_EQ(conv.DecodeBase64("Zm9vYg"), "foo");
  EXPECT_EQ(conv.DecodeBase64("Zm9vYmF"), "foo");
  EXPECT_EQ(conv.DecodeBase64("Zm9vY"), "foo");
  EXPECT_EQ(conv.DecodeBase64("Zm9"), "");
  // A line break takes two places and shifts everything after it.
  EXPECT_EQ(conv.DecodeBase64("Zm9v\r\nYmFy"), "foo\0\x06&"s);
  EXPECT_EQ(conv.DecodeBase64("Zm 9v"), "f`=");  // groups "Zm 9" and "v" (dropped)
  // Zero bytes: kept in the first place, dropped in the second and third.
  EXPECT_EQ(conv.DecodeBase64("===="), "\0"s);
  EXPECT_EQ(conv.DecodeBase64("\xFF\x80\x01\x7F"), "\0"s);
  EXPECT_EQ(conv.DecodeBase64(conv.EncodeBase64("A\0B"s)), "AB");
  EXPECT_EQ(conv.DecodeBase64(conv.EncodeBase64("AB\0"s)), "AB");
  EXPECT_EQ(conv.DecodeBase64(conv.EncodeBase64("\0AB"s)), "\0AB"s);
  // Letters after padding still count: "=" only adds no bits.
  EXPECT_EQ(conv.DecodeBase64("Q=QQ"), "@\x04\x10"s);
}

TEST(PzConv, DecodingMatchesStandardBase64ForDataWithoutZeroBytes) {
  const TPzConv conv;
  std::mt19937 rng(11);
  for (std::size_t len = 0; len < 200; ++len) {
    Bytes data(len, '\0');
    for (char& c : data) c = static_cast<char>(1 + rng() % 255);
    const Bytes text = std_base64(data);
    EXPECT_EQ(conv.DecodeBase64(text), data) << len;
    EXPECT_EQ(std_unbase64(conv.EncodeBase64(data)), data) << len;
  }
}

TEST(PzConv, JisCharacterToShiftJisArithmetic) {
  const TPzConv conv;
  EXPECT_EQ(conv.JisCharToSjis(0x30, 0x21), "\x88\x9F");  // 亜
  EXPECT_EQ(conv.JisCharToSjis(0x21, 0x21), "\x81\x40");  // ideographic space
  EXPECT_EQ(conv.JisCharToSjis(0x24, 0x22), "\x82\xA0");  // あ
  EXPECT_EQ(conv.JisCharToSjis(0x21, 0x60), "\x81\x80");  // odd row, second half: skips 7F
  EXPECT_EQ(conv.JisCharToSjis(0x21, 0x5F), "\x81\x7E");
  EXPECT_EQ(conv.JisCharToSjis(0x5E, 0x7E), "\x9F\xFC");  // last row below the gap
  EXPECT_EQ(conv.JisCharToSjis(0x5F, 0x21), "\xE0\x40");  // first row above it
  EXPECT_EQ(conv.JisCharToSjis(0x7E, 0x7E), "\xEF\xFC");
  // The second byte is not range-checked and its sum wraps at 256.
  EXPECT_EQ(conv.JisCharToSjis(0x21, 0xFF), "\x81\x1F");
  EXPECT_EQ(conv.JisCharToSjis(0x22, 0x90), "\x81\x0E");
  for (unsigned char j1 : {0x00, 0x20, 0x7F, 0x80, 0xFF}) EXPECT_EQ(conv.JisCharToSjis(j1, 0x21), "") << int(j1);
}

TEST(PzConv, JisToShiftJisKnowsOnlyThreeEscapeSequences) {
  const TPzConv conv;
  // Without escape sequences nothing changes, Shift-JIS included.
  const Bytes plain = "pass\x88\x9F\x93\xFA\xB1\x1B$@\x1B(I~"s;
  EXPECT_EQ(conv.JisToSjis(plain), plain);
  EXPECT_EQ(conv.JisToSjis("a\x1B$B\x30\x21\x24\x22\x1B(Bb\x1B$B\x30\x21\x1B(Jc"),
            "a\x88\x9F\x82\xA0"
            "b\x88\x9F"
            "c");
  // A pair whose first byte is outside 21..7E gives nothing but is consumed.
  EXPECT_EQ(conv.JisToSjis("\x1B$B\x10\x21\x30\x21"), "\x88\x9F");
  EXPECT_EQ(conv.JisToSjis("\x1B$B\x80\x1B(B"), "\x84\xC0");  // 80 1B dropped, then "(B" is a pair
  // An odd byte at the end of double-byte mode is lost.
  EXPECT_EQ(conv.JisToSjis("\x1B$B\x30\x21\x30"), "\x88\x9F");
  EXPECT_EQ(conv.JisToSjis("\x1B$B"), "");
  // Pairs are taken without looking for an escape sequence between them.
  EXPECT_EQ(conv.JisToSjis("\x1B$B\x30\x1B(B"), "\x88\x99\x84\xC0");
  // Truncated escape sequences are ordinary bytes.
  EXPECT_EQ(conv.JisToSjis("x\x1B$"), "x\x1B$");
}

TEST(PzConv, PasswordsComeBackUnchangedAtEveryLength) {
  std::mt19937 rng(3);
  const Bytes sjis_chars[] = {"\x88\x9F", "\x82\xA0", "\x83T", "\x81\x5C", "\x95\x5C", "\xE0\x40", "\xF0\x40"};
  for (std::size_t len = 0; len <= 40; ++len) {
    Bytes ascii;
    for (std::size_t i = 0; i < len; ++i) ascii += static_cast<char>(0x20 + rng() % 95);
    Bytes sjis;
    while (sjis.size() < len) {
      if (sjis.size() + 1 == len || rng() % 4 == 0)
        sjis += static_cast<char>(rng() % 2 ? 0xB1 : 'a' + rng() % 26);
      else
        sjis += sjis_chars[rng() % std::size(sjis_chars)];
    }
    for (const Bytes& password : {ascii, sjis}) {
      const Bytes stored = zarvel::encode_password(password);
      EXPECT_EQ(stored, std_base64(password));
      EXPECT_EQ(zarvel::decode_password(stored), password) << len;
    }
  }
}

TEST(PzConv, ArbitraryBytesNeverCrash) {
  const TPzConv conv;
  std::mt19937 rng(5);
  const Bytes pieces[] = {"\x1B$B"s, "\x1B(B"s, "\x1B(J"s, "\x1B"s, "="s, "\r\n"s, "\0"s, "QQ"s, "\x88\x9F"s};
  for (int round = 0; round < 2000; ++round) {
    Bytes text;
    const std::size_t len = rng() % 64;
    while (text.size() < len) {
      if (rng() % 3 == 0)
        text += pieces[rng() % std::size(pieces)];
      else
        text += static_cast<char>(rng() % 256);
    }
    const Bytes decoded = conv.DecodeBase64(text);
    EXPECT_LE(decoded.size(), text.size() / 4 * 3);
    EXPECT_GE(decoded.size(), text.size() / 4);
    EXPECT_LE(conv.JisToSjis(text).size(), text.size());
    (void)zarvel::decode_password(text);
    // A round trip loses exactly the zero bytes in second or third place of a group.
    Bytes expected;
    for (std::size_t i = 0; i < text.size(); ++i)
      if (i % 3 == 0 || text[i] != '\0') expected += text[i];
    EXPECT_EQ(conv.DecodeBase64(conv.EncodeBase64(text)), expected);
  }
}
