#include "compose/kaomoji_file.h"

#include <gtest/gtest.h>

#include <random>

using namespace zarvel;
using Rows = std::vector<Bytes>;

TEST(KaomojiFile, RowsAreLinesOfAnyLineEnd) {
  EXPECT_EQ(parse_kaomoji(""), Rows{});
  EXPECT_EQ(parse_kaomoji("a\r\nb\r\n"), (Rows{"a", "b"}));
  EXPECT_EQ(parse_kaomoji("a\rb\nc"), (Rows{"a", "b", "c"}));
  EXPECT_EQ(parse_kaomoji("a\r\n\r\n\nb\r\n"), (Rows{"a", "", "", "b"}));
  EXPECT_EQ(parse_kaomoji("\r\n"), (Rows{""}));
  EXPECT_EQ(format_kaomoji({}), "");
  EXPECT_EQ(format_kaomoji({"a", "", "b"}), "a\r\n\r\nb\r\n");
}

TEST(KaomojiFile, SavingTrimsBlanksAtBothEndsOnly) {
  const Bytes ideographic = to_cp932(u"　");
  EXPECT_EQ(trim_kaomoji_text("\r\n\r\n(^^)\r\n\r\n m(__)m \t \r\n"), "(^^)\r\n\r\n m(__)m");
  EXPECT_EQ(trim_kaomoji_text(Bytes("\0\x01 a\x1F\x20", 6)), "a");
  EXPECT_EQ(trim_kaomoji_text(ideographic + "x" + ideographic + "\r\n"), ideographic + "x" + ideographic);
  // An editor of blanks only saves an empty file and leaves no row.
  Bytes blank = trim_kaomoji_text(" \r\n\t\r\n  ");
  EXPECT_EQ(blank, "");
  EXPECT_EQ(format_kaomoji(parse_kaomoji(blank)), "");
}

TEST(KaomojiFile, BuiltInRowsAreTheTwentyThreeEmoticons) {
  Rows rows = builtin_kaomoji();
  ASSERT_EQ(rows.size(), 23u);
  EXPECT_EQ(rows.front(), "(^-^)");
  EXPECT_EQ(rows[10], "(^\xA5^)");                // half-width katakana dot: one byte
  EXPECT_EQ(rows[13], "\x81\x98^\xA1^\x81\x98");  // §^｡^§
  EXPECT_EQ(rows[19], "(^Q^)/\xDE");
  EXPECT_EQ(rows.back(), "\x81\x5F(^^)/");  // full-width backslash
  EXPECT_EQ(parse_kaomoji(format_kaomoji(rows)), rows);
  // The list shows, without the file, what the file would give.
  const QStringList texts = builtin_kaomoji_texts();
  ASSERT_EQ(texts.size(), 23);
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(from_cp932(rows[i]), texts[int(i)]) << i;
}

TEST(KaomojiFile, RandomBytesRoundTripAsRows) {
  std::mt19937 rng(1);
  for (int n = 0; n < 2000; ++n) {
    Bytes bytes(rng() % 20, ' ');
    for (char& c : bytes) c = rng() % 2 ? "\r\na "[rng() % 4] : static_cast<char>(rng());
    Rows rows = parse_kaomoji(bytes);
    EXPECT_EQ(parse_kaomoji(format_kaomoji(rows)), rows);
  }
}
