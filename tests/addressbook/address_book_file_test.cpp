#include "addressbook/address_book_file.h"

#include <gtest/gtest.h>

#include <random>

#include "text/comma_text.h"

using namespace zarvel;
using Book = std::vector<Recipient>;

namespace {

// Fields mixing ordinary text with every byte the comma-text rule treats
// specially (no CR or LF: those never reach the book).
Bytes random_field(std::mt19937& rng) {
  static const std::string_view pieces[] = {
      "a", "Bob", ",", "\"", " ", "\t", "\x01", "\x81\x40", "\x8E\x52\x93\x63", "@", "x.jp", "\x95\x5C", "~!"};
  Bytes f;
  for (unsigned n = rng() % 6; n > 0; --n) f += pieces[rng() % std::size(pieces)];
  return f;
}

Book random_book(std::mt19937& rng, std::size_t size) {
  Book book;
  for (std::size_t i = 0; i < size; ++i) book.push_back({random_field(rng), random_field(rng)});
  return book;
}

}  // namespace

TEST(AddressBookFile, ReadsEachKindOfLine) {
  const Bytes zen_name = to_cp932(u"山田　太郎");
  const Bytes zen_addr = to_cp932(u"ｙａｍａ＠例．ｊｐ");
  struct Case {
    Bytes line;
    Recipient entry;
  };
  const Case cases[] = {
      {zen_name + "," + zen_addr, {zen_name, zen_addr}},
      {"  a ,  b  ", {"a", "b"}},
      {"a,b,d", {"a", "b"}},
      {"a,", {"a", ""}},
      {",b", {"", "b"}},
      {"\"x,y\",z", {"x,y", "z"}},
  };
  for (const Case& c : cases) {
    AddressBookParse p = parse_address_book(c.line + "\r\n");
    EXPECT_FALSE(p.malformed) << c.line;
    EXPECT_EQ(p.entries, Book{c.entry}) << c.line;
  }
  // The dropped third field is not written back.
  EXPECT_EQ(format_address_book(parse_address_book("a,b,d\r\n").entries), "a,b\r\n");
}

TEST(AddressBookFile, LinesEndAtLfWithOrWithoutCr) {
  AddressBookParse p = parse_address_book("a,b\nc,d\r\ne,f");
  EXPECT_FALSE(p.malformed);
  EXPECT_EQ(p.entries, (Book{{"a", "b"}, {"c", "d"}, {"e", "f"}}));
  EXPECT_TRUE(parse_address_book("").entries.empty());
  EXPECT_FALSE(parse_address_book("").malformed);
}

TEST(AddressBookFile, AMalformedLineStopsReadingAndKeepsTheEntriesAbove) {
  for (const Bytes& bad : {Bytes(""), Bytes("   "), Bytes("a"), Bytes("\"a,b\"")}) {
    AddressBookParse p = parse_address_book("a,b\r\nc,d\r\n" + bad + "\r\ne,f\r\n");
    EXPECT_TRUE(p.malformed) << bad;
    EXPECT_EQ(p.entries, (Book{{"a", "b"}, {"c", "d"}})) << bad;
  }
  AddressBookParse first = parse_address_book("\r\na,b\r\n");
  EXPECT_TRUE(first.malformed);
  EXPECT_TRUE(first.entries.empty());
}

TEST(AddressBookFile, OrdinaryEntriesAreWrittenPlainly) {
  EXPECT_EQ(format_address_book(Book{}), "");
  const Bytes name = to_cp932(u"山田太郎");
  EXPECT_EQ(format_address_book({{name, "taro@example.jp"}, {"a\"b", ""}, {"", "x"}}),
            name + ",taro@example.jp\r\na\"b,\r\n,x\r\n");
}

TEST(AddressBookFile, AwkwardFieldsAreQuotedAndComeBackAsTyped) {
  const Book book = {{"Yamada, Taro", "a,b@x.jp"},
                     {"say \"hi\"", "\"quoted\""},
                     {"two words", " lead"},
                     {"trail ", "\ttab\t"},
                     {"", " "},
                     {"\"", ""}};
  Bytes file = format_address_book(book);
  EXPECT_EQ(file,
            "\"Yamada, Taro\",\"a,b@x.jp\"\r\n"
            "\"say \"\"hi\"\"\",\"\"\"quoted\"\"\"\r\n"
            "\"two words\",\" lead\"\r\n"
            "\"trail \",\"\ttab\t\"\r\n"
            ",\" \"\r\n"
            "\"\"\"\",\r\n");
  AddressBookParse p = parse_address_book(file);
  EXPECT_FALSE(p.malformed);
  EXPECT_EQ(p.entries, book);
}

TEST(AddressBookFile, LineBreaksNeverSplitALine) {
  Bytes file = format_address_book({{"a\r\nb", "c\rd\ne"}, {"\n", "x"}});
  EXPECT_EQ(file, "ab,cde\r\n,x\r\n");
  EXPECT_EQ(parse_address_book(file).entries.size(), 2u);
}

TEST(AddressBookFile, RoundTripsBooksOfAnySize) {
  std::mt19937 rng(42);
  for (std::size_t size : {0u, 1u, 10000u}) {
    Book book = random_book(rng, size);
    AddressBookParse p = parse_address_book(format_address_book(book));
    EXPECT_FALSE(p.malformed);
    EXPECT_EQ(p.entries, book);
  }
}

TEST(AddressBookFile, RandomAndTruncatedFilesReadSafelyAndStably) {
  std::mt19937 rng(3);
  auto check_stable = [](std::string_view bytes) {
    // Whatever is read is written and read back the same (less CR/LF,
    // which a quoted field of a foreign file can hold).
    Book read = parse_address_book(bytes).entries;
    for (Recipient& r : read) r = {one_line_field(r.name), one_line_field(r.address)};
    AddressBookParse again = parse_address_book(format_address_book(read));
    EXPECT_FALSE(again.malformed);
    EXPECT_EQ(again.entries, read);
  };
  for (int n = 0; n < 3000; ++n) {
    Bytes bytes(rng() % 64, ' ');
    for (char& c : bytes) c = static_cast<char>(rng() % 3 ? ",\"\r\n a\t\0"[rng() % 9] : rng());
    check_stable(bytes);
  }
  Bytes file = format_address_book(random_book(rng, 40));
  for (std::size_t cut = 0; cut <= file.size(); ++cut) check_stable(std::string_view(file).substr(0, cut));
}

namespace {

// The book's reading with the plain field reader, line by line: what the
// reader that keeps places in the file must agree with.
AddressBookParse reference_parse(std::string_view file) {
  AddressBookParse out;
  std::size_t pos = 0;
  Bytes name, address;
  while (pos < file.size()) {
    std::size_t lf = file.find('\n', pos);
    std::size_t end = lf == std::string_view::npos ? file.size() : lf;
    std::string_view line = file.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = lf == std::string_view::npos ? file.size() : lf + 1;
    CommaFieldReader reader(line);
    if (!reader.next(name) || !reader.next(address)) {
      out.malformed = true;
      break;
    }
    out.entries.push_back({name, address});
  }
  return out;
}

}  // namespace

// Lines of every length around the 16-byte steps of the scan, made of the
// bytes the rule treats specially.
TEST(AddressBookFile, ReadingAgreesWithTheFieldReaderOnAnyBytes) {
  std::mt19937 rng(11);
  static const std::string_view pieces[] = {
      ",",        "\"",       "\"\"", " ", "\t", "\r", "\n", "\r\n", std::string_view("\0", 1), "a", "0123456789abcdef",
      "\x81\x40", "\x8E\x52", "\xFF"};
  for (int n = 0; n < 20000; ++n) {
    Bytes file;
    for (unsigned k = rng() % 24; k > 0; --k) file += pieces[rng() % std::size(pieces)];
    const AddressBookParse want = reference_parse(file);
    const AddressBookLoad got = read_address_book(file);
    ASSERT_EQ(got.malformed, want.malformed) << testing::PrintToString(file);
    ASSERT_EQ(got.entries.to_vector(), want.entries) << testing::PrintToString(file);
  }
}

// Books of many lines, most of them plain name,address lines of every
// length and some of every other kind, so that the lines fall across the
// 64-byte steps of the scan in every way: read as the field reader reads
// them.
TEST(AddressBookFile, PlainAndOtherLinesReadAlikeInLongBooks) {
  std::mt19937 rng(17);
  static const std::string_view other[] = {"\"quoted, name\",a@b\r\n",
                                           "a,\"b\"\"c\"\r\n",
                                           " a , b \r\n",
                                           "a,b,c\r\n",
                                           "a,\r\n",
                                           ",b\r\n",
                                           "\r\n",
                                           "a\r\n",
                                           "a,b\rc\r\n",
                                           "a\t,b\n",
                                           "a,b",
                                           "a,b\r",
                                           std::string_view("a,\0b\r\n", 6)};
  auto field = [&rng] {
    Bytes f;
    for (unsigned k = 1 + rng() % 40; k > 0; --k)
      f += rng() % 4 ? static_cast<char>('a' + rng() % 26) : static_cast<char>(0x81 + rng() % 60);
    return f;
  };
  for (int n = 0; n < 400; ++n) {
    Bytes file;
    for (unsigned lines = rng() % 200; lines > 0; --lines) {
      if (rng() % 8)
        file += field() + "," + field() + (rng() % 5 ? "\r\n" : "\n");
      else
        file += other[rng() % std::size(other)];
    }
    const AddressBookParse want = reference_parse(file);
    const AddressBookLoad got = read_address_book(file);
    ASSERT_EQ(got.malformed, want.malformed) << testing::PrintToString(file);
    ASSERT_EQ(got.entries.to_vector(), want.entries) << testing::PrintToString(file);
  }
}

TEST(AddressBookFile, ListEditsKeepTheOtherEntries) {
  RecipientList list(Book{{"a", "1"}, {"b", "2"}});
  list.insert(1, "x", "9");
  list.push_back("c", "3");
  EXPECT_EQ(list.to_vector(), (Book{{"a", "1"}, {"x", "9"}, {"b", "2"}, {"c", "3"}}));
  list.erase(0);
  list.swap(0, 2);
  list.replace(1, "B", "22");
  EXPECT_EQ(list.to_vector(), (Book{{"c", "3"}, {"B", "22"}, {"x", "9"}}));
  RecipientList more(Book{{"d", "4"}});
  list.append(more);
  EXPECT_EQ(format_address_book(list), "c,3\r\nB,22\r\nx,9\r\nd,4\r\n");
  // Many changes of one entry leave no growing buffer behind them, and
  // every other entry stays as it was.
  for (int i = 0; i < 5000; ++i) list.replace(3, Bytes(100, 'n'), std::to_string(i));
  EXPECT_EQ(list.to_vector(), (Book{{"c", "3"}, {"B", "22"}, {"x", "9"}, {Bytes(100, 'n'), "4999"}}));
}
