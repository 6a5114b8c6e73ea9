#include "app/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <algorithm>
#include <random>

#include "app/file_io.h"
#include "support/temp_dir.h"

using namespace zarvel;
using zarvel::test::TempDir;

namespace {

IniFile parsed(std::string_view bytes) {
  IniFile ini(QStringLiteral("/nonexistent/zarvel.ini"));
  ini.parse(bytes);
  return ini;
}

mode_t mode_of(const QString& path) {
  struct stat st;
  stat(QFile::encodeName(path).constData(), &st);
  return st.st_mode & 0777;
}

}  // namespace

TEST(Profile, IntegersAreDecimalOrHexAndAnythingElseGivesTheDefault) {
  IniFile ini = parsed(
      "[Options]\r\n"
      "hex=0x14\r\nHEXU=0X1f\r\ndollar=$1F\r\nneg=-5\r\nplus=+7\r\nbig=5000\r\n"
      "text=abc\r\nempty=\r\nbare0x=0x\r\nbaredollar=$\r\ntail=12abc\r\ninner=1 2\r\n"
      "max=2147483647\r\nmin=-2147483648\r\nover=2147483648\r\nunder=-2147483649\r\n"
      "hexall=$FFFFFFFF\r\nhexover=0x100000000\r\nquoted=\"42\"\r\n");
  EXPECT_EQ(ini.read_int("Options", "hex", 100), 20);
  EXPECT_EQ(ini.read_int("Options", "hexu", 100), 31);
  EXPECT_EQ(ini.read_int("Options", "dollar", 100), 31);
  EXPECT_EQ(ini.read_int("Options", "neg", 100), -5);
  EXPECT_EQ(ini.read_int("Options", "plus", 100), 7);
  EXPECT_EQ(ini.read_int("Options", "big", 100), 5000);
  EXPECT_EQ(ini.read_int("Options", "max", 100), 2147483647);
  EXPECT_EQ(ini.read_int("Options", "min", 100), -2147483647 - 1);
  EXPECT_EQ(ini.read_int("Options", "hexall", 100), -1);
  EXPECT_EQ(ini.read_int("Options", "quoted", 100), 42);
  for (const char* key : {"text", "empty", "bare0x", "baredollar", "tail", "inner", "over", "under", "hexover", "none"})
    EXPECT_EQ(ini.read_int("Options", key, 100), 100) << key;
}

TEST(Profile, BooleansAreReadAsIntegers) {
  IniFile ini = parsed("[Server]\npop_check=2\napop_check=0\nsmtp_check0=yes\nsmtp_check1=0x0\n");
  EXPECT_TRUE(ini.read_bool("Server", "pop_check", false));
  EXPECT_FALSE(ini.read_bool("Server", "apop_check", true));
  EXPECT_FALSE(ini.read_bool("Server", "smtp_check0", false));
  EXPECT_TRUE(ini.read_bool("Server", "smtp_check0", true));
  EXPECT_FALSE(ini.read_bool("Server", "smtp_check1", true));
  EXPECT_TRUE(ini.read_bool("Server", "missing", true));
}

TEST(Profile, NamesMatchRegardlessOfAsciiCaseOnly) {
  IniFile ini = parsed("[OPTIONS]\r\nSEND_MAX=7\r\n[\x83T\x81[\x83o]\r\nk=v\r\n");
  EXPECT_EQ(ini.read_int("Options", "send_max", 100), 7);
  EXPECT_EQ(ini.read_int("options", "Send_Max", 100), 7);
  EXPECT_EQ(ini.read_string("\x83T\x81[\x83o", "K", "d"), "v");  // サーバ: bytes compared as they are
  EXPECT_EQ(ini.read_string("\x83t\x81[\x83o", "k", "d"), "d");
  EXPECT_EQ(ini.read_int("Window", "send_max", 100), 100);  // key of another section
  EXPECT_TRUE(ini.contains("options", "SEND_MAX"));
  EXPECT_FALSE(ini.contains("Window", "send_max"));
}

TEST(Profile, ValuesAreTrimmedAndLoseOnePairOfQuotes) {
  IniFile ini = parsed(
      "  [ Server ]  \r\n"
      "  smtp_server =  mail.example.jp \t\r\n"
      "dq=\"quoted\"\r\nsq='single'\r\ntwice=\"\"x\"\"\r\nmixed=\"x'\r\nlone=\"\r\n"
      "eq=a=b\r\nnoequals\r\n;smtp_user=commented\r\n");
  EXPECT_EQ(ini.read_string("Server", "smtp_server", ""), "mail.example.jp");
  EXPECT_EQ(ini.read_string("Server", "dq", ""), "quoted");
  EXPECT_EQ(ini.read_string("Server", "sq", ""), "single");
  EXPECT_EQ(ini.read_string("Server", "twice", ""), "\"x\"");
  EXPECT_EQ(ini.read_string("Server", "mixed", ""), "\"x'");
  EXPECT_EQ(ini.read_string("Server", "lone", ""), "\"");
  EXPECT_EQ(ini.read_string("Server", "eq", ""), "a=b");
  EXPECT_EQ(ini.read_string("Server", "noequals", "d"), "d");
  EXPECT_EQ(ini.read_string("Server", "smtp_user", "d"), "d");
}

TEST(Profile, AcceptsEveryLineEndAndFindsTheFirstEntry) {
  for (const char* eol : {"\r\n", "\n", "\r"}) {
    std::string text = std::string("[Window]") + eol + "left=1" + eol + "left=2" + eol + "[Server]" + eol +
                       "smtp_port=587" + eol + "[window]" + eol + "top=9";
    IniFile ini = parsed(text);
    EXPECT_EQ(ini.read_int("Window", "left", 0), 1);
    EXPECT_EQ(ini.read_int("Window", "top", 0), 9);  // a repeated section is searched too
    EXPECT_EQ(ini.read_string("Server", "smtp_port", ""), "587");
    EXPECT_EQ(ini.bytes(), text);  // nothing written: nothing changed
  }
}

TEST(Profile, LongValuesAreCutTo2047BytesWithoutSplittingACharacter) {
  const std::string ascii(3000, 'a');
  // 2046 ASCII bytes then a double-byte character across the limit.
  const std::string kanji = std::string(2046, 'b') + "\x88\x9F" + "cc";
  IniFile ini = parsed("[Server]\r\nlong=" + ascii + "\r\nkanji=" + kanji + "\r\nexact=" + std::string(2047, 'c'));
  EXPECT_EQ(ini.read_string("Server", "long", ""), std::string(2047, 'a'));
  EXPECT_EQ(ini.read_string("Server", "kanji", ""), std::string(2046, 'b'));
  EXPECT_EQ(ini.read_string("Server", "exact", ""), std::string(2047, 'c'));
  // Double-byte characters all the way: the cut falls after a whole one.
  std::string wide;
  for (int i = 0; i < 1500; ++i) wide += "\x82\xA0";
  IniFile w = parsed("[S]\nv=" + wide);
  EXPECT_EQ(w.read_string("S", "v", "").size(), 2046u);
}

TEST(Profile, WritingReplacesTheValueWhereItStandsAndKeepsEverythingElse) {
  const std::string before =
      "; made by hand\n"
      "[Server]\r\n"
      "  SMTP_PASSWORD = old  \r\n"
      "odd line without equals\r"
      "smtp_password=second\r\n"
      "\r\n"
      "[Options]\n"
      "send_max=5";
  IniFile ini = parsed(before);
  ini.write_string("Server", "smtp_Password", "bmV3");
  EXPECT_EQ(ini.bytes(),
            "; made by hand\n"
            "[Server]\r\n"
            "  SMTP_PASSWORD =bmV3\r\n"
            "odd line without equals\r"
            "smtp_password=second\r\n"
            "\r\n"
            "[Options]\n"
            "send_max=5");
  EXPECT_EQ(ini.read_string("Server", "smtp_password", ""), "bmV3");
  // A last line without a line end gets one when it is rewritten.
  ini.write_int("OPTIONS", "Send_Max", 200);
  EXPECT_TRUE(ini.bytes().ends_with("[Options]\nsend_max=200\r\n"));
}

TEST(Profile, NewKeysGoAfterTheLastEntryOfTheirSectionAndNewSectionsAtTheEnd) {
  IniFile ini = parsed("[Window]\r\nleft=1\r\n; note\r\n\r\n\r\n[Server]\r\nsmtp_server=a\r\n");
  ini.write_int("Window", "top", 2);
  ini.write_string("Server", "account", "me");
  ini.write_bool("Options", "dauto", true);
  ini.write_bool("Options", "dclose", false);
  EXPECT_EQ(ini.bytes(),
            "[Window]\r\nleft=1\r\ntop=2\r\n; note\r\n\r\n\r\n"
            "[Server]\r\nsmtp_server=a\r\naccount=me\r\n"
            "\r\n[Options]\r\ndauto=1\r\ndclose=0\r\n");

  // An empty section and a file without a final line end.
  IniFile bare = parsed("[Window]\r\n[Server]");
  bare.write_int("Window", "split", 120);
  bare.write_string("Server", "pop_port", "110");
  EXPECT_EQ(bare.bytes(), "[Window]\r\nsplit=120\r\n[Server]\r\npop_port=110\r\n");
}

TEST(Profile, AFreshFileKeepsSectionsInTheOrderTheyWereFirstWritten) {
  IniFile ini = parsed("");
  ini.write_int("Options", "send_max", 100);
  ini.write_int("Window", "split", 120);
  ini.write_string("Server", "smtp_port", "25");
  ini.write_bool("Options", "send_check", false);
  ini.write_string("Server", "pop_port", "110");
  EXPECT_EQ(ini.bytes(),
            "[Options]\r\nsend_max=100\r\nsend_check=0\r\n"
            "\r\n[Window]\r\nsplit=120\r\n"
            "\r\n[Server]\r\nsmtp_port=25\r\npop_port=110\r\n");
}

TEST(Profile, TypedTextCannotAddLinesOrKeys) {
  IniFile ini = parsed("[Server]\r\nsmtp_server=a\r\n");
  ini.write_string("Server", "mail_address", "x@example.jp\r\n[Options]\r\nsend_check=1\nz\rq");
  ini.write_string("Server", "smtp_server", std::string("b\0\nsend_max=1", 13));
  ini.write_string("Opt\r\nions", "ke\ny", "v");
  const Bytes out = ini.bytes();
  IniFile again = parsed(out);
  EXPECT_EQ(again.read_string("Server", "mail_address", ""), "x@example.jp  [Options]  send_check=1 z q");
  EXPECT_EQ(again.read_string("Server", "smtp_server", ""), "b  send_max=1");
  EXPECT_EQ(again.read_bool("Options", "send_check", false), false);
  EXPECT_EQ(again.read_string("Server", "send_max", "none"), "none");
  EXPECT_EQ(again.read_string("Opt  ions", "ke y", ""), "v");
  EXPECT_EQ(out.find('\0'), std::string::npos);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 6);  // six lines, every one ending CR LF
  EXPECT_EQ(std::count(out.begin(), out.end(), '\r'), 6);
}

TEST(Profile, SaveCreatesAnOwnerOnlyFileAndLoadReadsItBack) {
  TempDir dir;
  IniFile first(dir.file("zarvel.ini"));
  first.load();
  EXPECT_FALSE(first.existed());
  EXPECT_EQ(first.read_int("Window", "left", 373), 373);
  first.write_string("Server", "smtp_Password", "cGFzcw==");
  first.save();
  EXPECT_EQ(mode_of(dir.file("zarvel.ini")), 0600u);
  EXPECT_EQ(dir.read("zarvel.ini"), "[Server]\r\nsmtp_Password=cGFzcw==\r\n");

  IniFile second(dir.file("zarvel.ini"));
  second.load();
  EXPECT_TRUE(second.existed());
  EXPECT_EQ(second.read_string("Server", "smtp_password", ""), "cGFzcw==");
}

TEST(Profile, FailuresAreReportedWithTheFilesPath) {
  TempDir dir;
  QDir(dir.path()).mkdir("zarvel.ini");
  IniFile ini(dir.file("zarvel.ini"));
  EXPECT_THROW(ini.load(), AppError);
  ini.write_int("Options", "send_max", 1);
  try {
    ini.save();
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.message(), dir.file("zarvel.ini") + QStringLiteral(" に書き込めません"));
  }
}

TEST(Profile, ArbitraryBytesNeverCrashAndAWrittenKeyIsAlwaysFoundAgain) {
  std::mt19937 rng(20240601);
  using namespace std::string_literals;
  const std::string alphabet = "[]=;'\" \t\r\n\0ab$0xSsKk\x81\x9F\xE0\xFC"s;
  for (int round = 0; round < 400; ++round) {
    std::string text(rng() % 300, '\0');
    const bool structured = round % 2 == 0;  // half drawn from ini-like bytes, half fully random
    for (char& c : text) c = structured ? alphabet[rng() % alphabet.size()] : static_cast<char>(rng() % 256);
    for (std::size_t cut : {text.size(), text.size() / 2, text.size() / 3}) {
      IniFile ini = parsed(std::string_view(text).substr(0, cut));
      EXPECT_EQ(ini.bytes(), text.substr(0, cut));
      (void)ini.read_string("s", "k", "d");
      (void)ini.read_int("S", "K", 1);
      (void)ini.read_bool("s", "a", true);
      ini.write_string("s", "k", "value");
      ini.write_int("S", "n", -3);
      IniFile again = parsed(ini.bytes());
      EXPECT_EQ(again.read_string("S", "K", ""), "value");
      EXPECT_EQ(again.read_int("s", "N", 0), -3);
    }
  }
}
