#include "history/history_file.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>

#include "history/history_model.h"
#include "support/history_bytes.h"

using namespace zarvel;
using zarvel::test::history_bytes;
using List = std::vector<HistoryEntry>;

namespace {

HistoryEntry entry(Bytes name, Bytes body, Bytes subject = "s", Bytes time = "26/12/08(\x89\xCE) 09:05:03") {
  return {std::move(name), std::move(subject), std::move(time), std::move(body)};
}

// Bodies made of lines that the plain form cannot hold, mixed with
// ordinary ones and every kind of line break.
Bytes random_body(std::mt19937& rng) {
  static const std::string_view lines[] = {"~!!",
                                           "  ~!!",
                                           "\t~!!",
                                           "~!,\"a\",\"b\",\"c\"",
                                           "~! x",
                                           "~!\tx",
                                           " ~!,",
                                           "\"~!\",x",
                                           "\"~!!\x81\x40\"",
                                           "~!! ",
                                           "~!!x",
                                           "~!",
                                           "",
                                           " ",
                                           "\xFF",
                                           "\xFF=x",
                                           "\xFFH00,00,00",
                                           "hello",
                                           "\x8E\x52\x93\x63",
                                           "a\"b",
                                           "\r",
                                           "x\r"};
  static const std::string_view breaks[] = {"\r\n", "\r\n", "\r\n", "\n", "\r"};
  Bytes body;
  for (unsigned n = rng() % 8; n > 0; --n) {
    body += lines[rng() % std::size(lines)];
    if (n > 1 || rng() % 2) body += breaks[rng() % std::size(breaks)];
  }
  return body;
}

List random_list(std::mt19937& rng, std::size_t size) {
  List list;
  for (std::size_t i = 0; i < size; ++i) {
    list.push_back(entry("n" + std::to_string(i) + (rng() % 4 ? "" : "\"q\""), random_body(rng),
                         rng() % 4 ? "s" : "a,\"b\"\r\nc", "t"));
  }
  return list;
}

void expect_round_trip(const List& list) {
  HistoryParse p = parse_history(history_bytes(list));
  EXPECT_FALSE(p.malformed);
  ASSERT_EQ(p.entries.size(), list.size());
  for (std::size_t i = 0; i < list.size(); ++i) EXPECT_EQ(p.entries[i], list[i]) << "entry " << i;
}

}  // namespace

TEST(HistoryFile, OrdinaryEntriesAreWrittenAsAlwaysOldestFirst) {
  List list = {entry("new", "line1\r\n\r\nline3\r\n"), entry("old", ""), entry("older", "x")};
  Bytes file = history_bytes(list);
  EXPECT_EQ(file,
            "~!,\"older\",\"s\",\"26/12/08(\x89\xCE) 09:05:03\"\r\nx\r\n~!!\r\n"
            "~!,\"old\",\"s\",\"26/12/08(\x89\xCE) 09:05:03\"\r\n\r\n~!!\r\n"
            "~!,\"new\",\"s\",\"26/12/08(\x89\xCE) 09:05:03\"\r\nline1\r\n\r\nline3\r\n\r\n~!!\r\n");
  expect_round_trip(list);
  EXPECT_EQ(history_bytes(List{}), "");
}

TEST(HistoryFile, ReadsLinesAsTheyHaveAlwaysBeenRead) {
  HistoryParse p = parse_history(
      "~!,\"a\",\"s\",\"t\",extra\r\n"
      "~!! \r\n"  // a space after the marker: a body line
      "~!!x\r\n"
      "  ~!!\r\n"    // blanks before the marker: still the marker
      "ignored\r\n"  // between a marker and the next header
      "~!!\r\n"      // a further marker changes nothing
      " ~!, \"b\" , \"s2\" ,\"t2\"\n"
      "body\n"
      "~!!\n");
  EXPECT_FALSE(p.malformed);
  EXPECT_EQ(p.entries, (List{entry("b", "body", "s2", "t2"), entry("a", "~!! \r\n~!!x", "s", "t")}));
}

TEST(HistoryFile, QuotedHeadersAndMarkersStillCount) {
  // Only lines that start, after blanks, with "~" or with a double quote
  // and "~" can be headers or markers; the rest are taken as body lines
  // without a closer look.
  HistoryParse p = parse_history(
      "\"~!\",\"a\",\"s\",\"t\"\r\n"
      "\"x\",\"~!!\"\r\n"     // the first field is x
      "\"\"~!!\r\n"           // the first field is empty
      " \"~!!\x81\x40\"\r\n"  // the end marker, quoted
      "\t\"~!\" ,\"b\",\"s\",\"t\"\r\n"
      "\"~!!\r\n");  // an unclosed quote runs to the end: a marker
  EXPECT_FALSE(p.malformed);
  EXPECT_EQ(p.entries, (List{entry("b", "", "s", "t"), entry("a", "\"x\",\"~!!\"\r\n\"\"~!!", "s", "t")}));
}

TEST(HistoryFile, HeaderFieldsWithQuotesAreDoubled) {
  List list = {entry("say \"hi\"", "b", "\"", "t\"")};
  EXPECT_EQ(history_bytes(list), "~!,\"say \"\"hi\"\"\",\"\"\"\",\"t\"\"\"\r\nb\r\n~!!\r\n");
  expect_round_trip(list);
  expect_round_trip({entry(" a, b ", "", ""), entry("", "x", "\t\"", "")});
}

TEST(HistoryFile, OnlyLinesThatWouldBeMisreadAreEscaped) {
  for (const Bytes line : {"~!!", " \t~!!", "~!,x", "~! x", "~!\tx", "\"~!\"", "\xFFok"}) {
    Bytes file = history_bytes({entry("a", "1\r\n" + line + "\r\n2")});
    EXPECT_NE(file.find("\r\n\xFF=" + line + "\r\n"), Bytes::npos) << line;
    expect_round_trip({entry("a", line)});
  }
  for (const Bytes line : {"~!! ", "~!!x", "~!", "~!x", "!~!!", "\"~!!\""}) {
    EXPECT_EQ(history_bytes({entry("a", line)}),
              "~!,\"a\",\"s\",\"26/12/08(\x89\xCE) 09:05:03\"\r\n" + line + "\r\n~!!\r\n")
        << line;
  }
  // A lone LF is kept apart from a CR LF; a lone CR needs nothing.
  EXPECT_NE(history_bytes({entry("a", "x\ny")}).find("\xFF-x\r\ny\r\n"), Bytes::npos);
  expect_round_trip({entry("a", "x\ny\rz\n"), entry("b", "\n"), entry("c", "\r"), entry("d", "\r\n")});
}

TEST(HistoryFile, GeneratedBodiesAndFieldsComeBackExactly) {
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) expect_round_trip(random_list(rng, rng() % 5));
  // Header fields with line breaks take the escaped header.
  List lf = {entry("a\nb", "x", "s\r\n", "\n")};
  EXPECT_EQ(history_bytes(lf).substr(0, 2), "\xFFH");
  expect_round_trip(lf);
}

TEST(HistoryFile, ABodyHoldingAWholeHistoryFileComesBackExactly) {
  std::mt19937 rng(5);
  Bytes inner = history_bytes(random_list(rng, 6));
  List list = {entry("a", inner), entry("b", inner + inner + "tail"), entry("c", history_bytes({entry("x", inner)}))};
  expect_round_trip(list);
}

TEST(HistoryFile, ARecordWithoutEndMarkerKeepsItsBody) {
  HistoryParse p = parse_history("~!,a,s,\"t\"\r\nl1\r\nl2\r\n~!,b,s,\"t\"\r\nl3\r\n\r\n");
  EXPECT_FALSE(p.malformed);
  EXPECT_EQ(p.entries, (List{entry("b", "l3\r\n", "s", "t"), entry("a", "l1\r\nl2", "s", "t")}));
}

TEST(HistoryFile, MalformedFilesStopAndKeepTheEntriesBegunBefore) {
  HistoryParse marker_first = parse_history("~!!\r\n~!,a,s,t\r\nx\r\n~!!\r\n");
  EXPECT_TRUE(marker_first.malformed);
  EXPECT_TRUE(marker_first.entries.empty());

  HistoryParse short_header =
      parse_history("~!,a,s,\"t\"\r\nx\r\n~!!\r\n~!,b,s,\"t\"\r\ny\r\n~!,c,s\r\n~!,d,s,t\r\n~!!\r\n");
  EXPECT_TRUE(short_header.malformed);
  EXPECT_EQ(short_header.entries, (List{entry("b", "y", "s", "t"), entry("a", "x", "s", "t")}));

  HistoryParse bad_hex = parse_history("~!,a,s,t\r\nx\r\n~!!\r\n\xFFH41,4,00\r\n");
  EXPECT_TRUE(bad_hex.malformed);
  EXPECT_EQ(bad_hex.entries.size(), 1u);
}

TEST(HistoryFile, RandomAndTruncatedFilesReadSafelyAndStably) {
  std::mt19937 rng(9);
  auto check_stable = [](std::string_view bytes) {
    List read = parse_history(bytes).entries;
    HistoryParse again = parse_history(history_bytes(read));
    EXPECT_FALSE(again.malformed);
    EXPECT_EQ(again.entries, read);
  };
  const std::string_view pieces[] = {
      "~!,", "~!!", "\"", ",", "\r\n", "\n", "\r", " ", "a", "\xFF", "\xFFH", "=", std::string_view("\0", 1)};
  for (int n = 0; n < 3000; ++n) {
    Bytes bytes;
    for (unsigned k = rng() % 30; k > 0; --k) {
      if (rng() % 4)
        bytes += pieces[rng() % std::size(pieces)];
      else
        bytes += static_cast<char>(rng());
    }
    check_stable(bytes);
  }
  Bytes file = history_bytes(random_list(rng, 8));
  for (std::size_t cut = 0; cut <= file.size(); ++cut) check_stable(std::string_view(file).substr(0, cut));
}

// The limit as the program applies it: to the read list and after each send.
TEST(HistoryModel, TheLimitKeepsTheNewest) {
  List list;
  for (int i = 0; i < 150; ++i) list.push_back(entry(std::to_string(i), ""));  // "0" is the newest
  HistoryModel model;
  model.set_list(read_history(history_bytes(list)).entries);
  model.apply_limit(100);
  ASSERT_EQ(model.count(), 100);
  EXPECT_EQ(model.at(0).name, "0");
  EXPECT_EQ(model.at(99).name, "99");

  model.insert_top(entry("new", ""));
  model.apply_limit(100);
  ASSERT_EQ(model.count(), 100);
  EXPECT_EQ(model.at(0).name, "new");
  EXPECT_EQ(model.at(99).name, "98");

  // A limit of 0 records nothing (HistoryRun.ALimitOfZeroRecordsNothingAndEmptiesTheFile) and empties the list.
  model.apply_limit(0);
  EXPECT_EQ(format_history(model.list()), "");
}

TEST(HistoryFile, SubjectAndSendTime) {
  EXPECT_EQ(no_subject(), to_cp932(u"無題"));
  EXPECT_EQ(history_subject(""), no_subject());
  EXPECT_EQ(history_subject("x"), "x");

  QDateTime t(QDate(2026, 12, 8), QTime(9, 5, 3));
  EXPECT_EQ(format_send_time(t, QLocale(QLocale::Japanese)), to_cp932(u"26/12/08(火) 09:05:03"));
  EXPECT_EQ(format_send_time(QDateTime(QDate(2001, 1, 7), QTime(23, 59, 0)), QLocale::c()), "01/01/07(Sun) 23:59:00");
  EXPECT_EQ(format_send_time(t, QLocale(QLocale::German, QLocale::Germany)), "26.12.08(Di.) 09:05:03");
}

TEST(HistoryFile, AFullHistoryOfLargeBodiesIsReadAndWrittenFast) {
  List list;
  Bytes body;
  while (body.size() < 10 * 1024) body += "\x96\x7B\x95\xB6 line of text, ~!! and \"quotes\"\r\n";
  body += "~!!\r\n~!,x\r\n";
  for (int i = 0; i < 999; ++i) list.push_back(entry("name", body));
  // Processor time, so that a busy machine does not fail the test.
  std::clock_t start = std::clock();
  HistoryParse p = parse_history(history_bytes(list));
  double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
  EXPECT_EQ(p.entries, list);
  EXPECT_LT(seconds, 0.8);
}

// The list keeps a loaded file's bytes for its entries; changes and cuts
// leave every other entry as it was, and it writes what the entries hold.
TEST(HistoryFile, TheLoadedListChangesAndWritesLikeItsEntries) {
  std::mt19937 rng(21);
  const List entries = random_list(rng, 6);
  HistoryLoad load = read_history(history_bytes(entries));
  ASSERT_FALSE(load.malformed);
  HistoryList& list = load.entries;
  EXPECT_EQ(list.to_vector(), entries);
  list.push_front(entry("new", "body\r\n"));
  list.erase(2);
  list.truncate(4);
  const List expected = {entry("new", "body\r\n"), entries[0], entries[2], entries[3]};
  EXPECT_EQ(list.to_vector(), expected);
  EXPECT_EQ(format_history(list), history_bytes(expected));
  EXPECT_EQ(HistoryList(expected).to_vector(), expected);

  // Cut to a few entries of a large file: those few stay whole after they
  // have been moved out of the file's bytes.
  List big;
  for (int i = 0; i < 300; ++i) big.push_back(entry(std::to_string(i), Bytes(4000, 'a' + i % 26) + "\r\n~!!"));
  HistoryLoad cut = read_history(history_bytes(big));
  cut.entries.truncate(3);
  EXPECT_EQ(cut.entries.to_vector(), List(big.begin(), big.begin() + 3));
  cut.entries.erase(0);
  EXPECT_EQ(cut.entries.to_vector(), List(big.begin() + 1, big.begin() + 3));
}
