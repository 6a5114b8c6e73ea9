#include "text/comma_text.h"

#include <gtest/gtest.h>

#include <random>

using namespace zarvel;
using V = std::vector<Bytes>;

TEST(CommaText, SplitsByTheByteRule) {
  struct Case {
    Bytes line;
    V fields;
  };
  const Case cases[] = {
      {"a,b", {"a", "b"}},
      {"  a ,  b  ", {"a", "b"}},
      {"a b", {"a", "b"}},  // a blank ends a bare field
      {"a\tb\x01"
       "c",
       {"a", "b", "c"}},
      {"a,b,d", {"a", "b", "d"}},
      {"a,", {"a", ""}},
      {"a, ", {"a"}},  // something follows the comma: no empty field
      {",b", {"", "b"}},
      {"a,,b", {"a", "", "b"}},
      {",", {"", ""}},
      {"", {}},
      {" \t\x01 ", {}},
      {"\"x,y\",z", {"x,y", "z"}},
      {"\"say \"\"hi\"\"\",z", {"say \"hi\"", "z"}},
      {"\"a b\"  ,  \" c \"", {"a b", " c "}},
      {"\"open, to the end", {"open, to the end"}},
      {"\"\"", {""}},
      {"\"a\"b", {"a", "b"}},  // reading goes on right after the closing quote
      {"a\"b,c", {"a\"b", "c"}},
      {"~!!\x81\x40", {"~!!\x81\x40"}},
      // NUL ends the line, except inside quotes.
      {Bytes("a\0,b", 4), {"a"}},
      {Bytes("a,\0b", 4), {"a", ""}},
      {Bytes("\"a\0b\",c", 7), {Bytes("a\0b", 3), "c"}},
  };
  for (const Case& c : cases) EXPECT_EQ(split_comma_text(c.line), c.fields) << c.line;

  // Full-width characters and the ideographic space are no separators; a
  // trail byte 0x5C ("表") is nothing special either.
  Bytes name = to_cp932(u"山田　太郎");
  EXPECT_EQ(split_comma_text(name + "," + to_cp932(u"表")), (V{name, "\x95\x5C"}));
}

TEST(CommaText, RandomBytesNeverHangOrOverrun) {
  std::mt19937 rng(7);
  const char alphabet[] = {'a', ',', '"', ' ', '\t', '\0', '\r', '\x81', '\x40', '~', '!'};
  for (int n = 0; n < 20000; ++n) {
    Bytes line(rng() % 24, ' ');
    for (char& c : line) c = rng() % 4 ? alphabet[rng() % sizeof alphabet] : static_cast<char>(rng());
    V fields = split_comma_text(line);
    std::size_t total = 0;
    for (const Bytes& f : fields) total += f.size();
    EXPECT_LE(total, line.size());
    EXPECT_LE(fields.size(), line.size() + 1);
  }
}
