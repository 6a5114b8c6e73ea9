#include "compose/signature_file.h"

#include <gtest/gtest.h>

using namespace zarvel;

TEST(SignatureFile, EveryLineEndsWithCrLfAndAnEmptySignatureIsEmpty) {
  EXPECT_EQ(format_signature(""), "");
  EXPECT_EQ(format_signature("l1\nl2"), "l1\r\nl2\r\n");
  EXPECT_EQ(format_signature("l1\nl2\n"), "l1\r\nl2\r\n");
  EXPECT_EQ(format_signature("l1\r\nl2\rl3"), "l1\r\nl2\r\nl3\r\n");
  EXPECT_EQ(format_signature("\n"), "\r\n");
  EXPECT_EQ(format_signature("a\n\n"), "a\r\n\r\n");
}

TEST(SignatureFile, ReadsAnyLineEndAndStaysTheSameWhenSavedAgain) {
  EXPECT_EQ(parse_signature(""), "");
  EXPECT_EQ(parse_signature("a\rb\nc\r\n"), "a\r\nb\r\nc\r\n");
  // Typed as two lines without a final break, it comes back with one.
  Bytes file = format_signature("l1\nl2");
  Bytes read = parse_signature(file);
  EXPECT_EQ(read, "l1\r\nl2\r\n");
  EXPECT_EQ(format_signature(crlf_to_lf(read)), file);
  for (const Bytes text : {"", "\r\n", "a", "a\r\n\r\nb\r\n", "\r\n\r\n"}) {
    EXPECT_EQ(format_signature(parse_signature(format_signature(text))), format_signature(text)) << text;
  }
}
