#include "compose/kept_message.h"

#include <gtest/gtest.h>

using namespace zarvel;

TEST(KeptMessage, IsSubjectCrLfBodyAndNothingWhenBothAreEmpty) {
  EXPECT_EQ(format_kept_message("a", ""), "a\r\n");
  EXPECT_EQ(format_kept_message("", "b"), "\r\nb");
  EXPECT_EQ(format_kept_message("s", "l1\r\nl2\r\n"), "s\r\nl1\r\nl2\r\n");
  EXPECT_FALSE(format_kept_message("", "").has_value());
}

TEST(KeptMessage, RestoreSplitsAtTheFirstLineBreak) {
  EXPECT_EQ(parse_kept_message("\r\nb"), (KeptMessage{"", "b"}));
  EXPECT_EQ(parse_kept_message("whole text"), (KeptMessage{"whole text", ""}));
  EXPECT_EQ(parse_kept_message(""), (KeptMessage{"", ""}));
  // Lone CR and lone LF count as line breaks and become CR LF.
  EXPECT_EQ(parse_kept_message("s\nl1\rl2\n"), (KeptMessage{"s", "l1\r\nl2\r\n"}));
  EXPECT_EQ(parse_kept_message("s\r"), (KeptMessage{"s", ""}));
  // A body ending with a line break keeps it through a save and a restore.
  const Bytes subject = to_cp932(u"件名");
  const Bytes body = to_cp932(u"本文\r\n\r\n二行目\r\n");
  EXPECT_EQ(parse_kept_message(*format_kept_message(subject, body)), (KeptMessage{subject, body}));
}
