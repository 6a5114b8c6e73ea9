// The data-file policy without windows: how a file's form is judged, what
// a load says became of it, the one .bak rule and the modes of the saves.
#include "app/data_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <functional>
#include <thread>

#include "app/file_io.h"
#include "app/profile.h"
#include "support/sjis.h"
#include "support/temp_dir.h"

using namespace zarvel;
using zarvel::test::sj;
using zarvel::test::TempDir;

namespace {

mode_t mode_of(const QString& path) {
  struct stat st {};
  ::lstat(QFile::encodeName(path).constData(), &st);
  return st.st_mode & 07777;
}

void set_mode(const QString& path, mode_t mode) { ::chmod(QFile::encodeName(path).constData(), mode); }

struct stat stat_of(const QString& path) {
  struct stat st {};
  ::lstat(QFile::encodeName(path).constData(), &st);
  return st;
}

Bytes utf16le(const QString& text) {
  Bytes out("\xFF\xFE");
  for (QChar c : text) {
    out += static_cast<char>(c.unicode() & 0xFF);
    out += static_cast<char>(c.unicode() >> 8);
  }
  return out;
}

}  // namespace

TEST(DataFileForm, EachForeignFormIsNamedAndCp932TextIsNot) {
  const Bytes japanese = sj(u"山田太郎,taro@example.jp\r\nﾃｽﾄ①～\r\n") + "\xF8\x9F\r\n";  // a pictogram too
  const QString text = QStringLiteral("ＴＥＬ 03-1234-5678 😀");
  struct Case {
    const char* what;
    Bytes bytes;
    FormProblem csv, signature;  // as zarvel.csv, as signa1.txt
  } cases[] = {
      {"CP932 text", japanese, FormProblem::None, FormProblem::None},
      {"empty", "", FormProblem::None, FormProblem::None},
      {"LF line ends", "a,b\nc,d\n", FormProblem::None, FormProblem::None},
      {"UTF-16 LE", utf16le(text), FormProblem::Utf16, FormProblem::Utf16},
      {"UTF-16 BE",
       "\xFE\xFF\x00"
       "a",
       FormProblem::Utf16, FormProblem::Utf16},
      {"UTF-8 with BOM",
       "\xEF\xBB\xBF"
       "a,b\r\n",
       FormProblem::Utf8, FormProblem::Utf8},
      {"UTF-8", text.toStdString() + "\r\n", FormProblem::Utf8, FormProblem::Utf8},
      {"NUL", Bytes("a,b\r\n\0\r\n", 7), FormProblem::Nul, FormProblem::Nul},
      {"CR only", "a,b\rc,d\r", FormProblem::LineEnds, FormProblem::None},
      // The address book keeps its bytes as they are: only the files that
      // are decoded and written back from their text must be CP932.
      {"no CP932 character",
       "a\x80"
       "b\r\n",
       FormProblem::None, FormProblem::NotCp932},
      {"a lead byte at the end", "abc\x82", FormProblem::None, FormProblem::NotCp932},
      {"a lead byte after a long ASCII run", "abcdefghijklmnopq\x82", FormProblem::None, FormProblem::NotCp932},
      {"an unassigned double byte after ASCII", "abcdefgh\x85\x40", FormProblem::None, FormProblem::NotCp932},
      {"an unassigned double byte", "\x85\x40\r\n", FormProblem::None, FormProblem::NotCp932},
      {"the history's own escape", "\xFF=~!!\r\n", FormProblem::None, FormProblem::NotCp932},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(form_problem(c.bytes, kAddressBookFile), c.csv);
    EXPECT_EQ(form_problem(c.bytes, kTextFile), c.signature);
  }
  // The limits of the small files: size, then line length (lone CR ends a
  // line there).
  EXPECT_EQ(form_problem(Bytes(kSmallFileLimit + 1, 'a'), kTextFile), FormProblem::Size);
  EXPECT_EQ(form_problem(Bytes(kLineLimit + 1, 'a'), kTextFile), FormProblem::LongLine);
  EXPECT_EQ(form_problem(Bytes(kLineLimit, 'a') + "\r\n" + Bytes(kLineLimit, 'a'), kTextFile), FormProblem::None);
  EXPECT_EQ(form_problem(Bytes(kLineLimit, 'a') + "\r" + Bytes(kLineLimit, 'a'), kTextFile), FormProblem::None);
  EXPECT_EQ(form_problem(Bytes(kSmallFileLimit + 1, 'a'), kHistoryFile), FormProblem::None);
}

// A large history: one lone CR anywhere among CR LF line ends is found,
// also the very first byte and the very last.
TEST(DataFile, ALoneCrIsFoundAnywhereInALargeFile) {
  Bytes file;
  for (int i = 0; i < 40; ++i) file += "line " + std::to_string(i) + "\r\n";
  EXPECT_EQ(form_problem(file, kHistoryFile), FormProblem::None);
  EXPECT_EQ(form_problem(file + "\r\r\n", kHistoryFile), FormProblem::LineEnds);
  for (std::size_t at = 0; at < file.size(); ++at) {
    if (file[at] != '\n') continue;
    Bytes broken = file;
    broken[at] = 'x';
    ASSERT_EQ(form_problem(broken, kHistoryFile), FormProblem::LineEnds) << "LF " << at;
  }
  EXPECT_EQ(form_problem("\rabc", kHistoryFile), FormProblem::LineEnds);
  EXPECT_EQ(form_problem(file + "end\r", kHistoryFile), FormProblem::LineEnds);
  EXPECT_EQ(form_problem("\r", kHistoryFile), FormProblem::LineEnds);
}

TEST(DataFileLoad, SaysWhatBecameOfTheFile) {
  TempDir dir;
  EXPECT_EQ(load_data_file(dir.file("none"), kTextFile).state, FileState::Missing);

  dir.write("whole", "a,b\r\n");
  LoadedFile whole = load_data_file(dir.file("whole"), kAddressBookFile);
  EXPECT_EQ(whole.state, FileState::Whole);
  EXPECT_EQ(whole.bytes, "a,b\r\n");

  // Lone CR is read as a line end where the format takes only LF.
  dir.write("cr", "a,b\rc,d\r");
  LoadedFile cr = load_data_file(dir.file("cr"), kAddressBookFile);
  EXPECT_EQ(cr.state, FileState::Foreign);
  EXPECT_EQ(cr.problem, FormProblem::LineEnds);
  EXPECT_EQ(cr.bytes, "a,b\r\nc,d\r\n");

  // Too large: not even read.
  dir.write("big", Bytes(kSmallFileLimit + 1, 'x'));
  LoadedFile big = load_data_file(dir.file("big"), kTextFile);
  EXPECT_EQ(big.state, FileState::TooLarge);
  EXPECT_TRUE(big.bytes.empty());
  EXPECT_TRUE(load_message(dir.file("big"), big.state, big.problem).contains(dir.file("big")));

  ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
  LoadedFile folder = load_data_file(dir.file("folder"), kTextFile);
  EXPECT_EQ(folder.state, FileState::Unreadable);
  EXPECT_EQ(folder.error, dir.file("folder") + QStringLiteral(" を開けません"));

  // Only what has no message of its own is told here, naming the file.
  EXPECT_TRUE(load_message(dir.file("whole"), FileState::Whole, FormProblem::None).isEmpty());
  EXPECT_TRUE(load_message(dir.file("folder"), FileState::Unreadable, FormProblem::None).isEmpty());
  const QString utf8 = load_message(dir.file("signa1.txt"), FileState::Foreign, FormProblem::Utf8);
  EXPECT_TRUE(utf8.startsWith(dir.file("signa1.txt") + QStringLiteral(" は")));
  EXPECT_TRUE(utf8.contains(QStringLiteral("signa1.txt.bak")));
}

// A file read ahead loads as the file is at the load, whatever happened to
// it after the read began; the read that ran ahead is then wasted, not used.
TEST(DataFileLoad, AFileReadAheadLoadsAsItIsAtTheLoad) {
  TempDir dir;
  const QString path = dir.file("send.txt");
  // Large enough to be read ahead.
  auto big = [](const char* tag) {
    Bytes b = Bytes(tag) + "\r\n";
    for (int i = 0; i < 30000; ++i) b += "x\r\n";
    return b;
  };
  auto ahead = [&](const std::function<void()>& in_between) {
    DataFile file(path, kHistoryFile);
    file.prefetch();
    EXPECT_TRUE(file.reading_ahead());
    std::this_thread::sleep_for(std::chrono::milliseconds(30));  // most often, read by now
    in_between();
    return file.load();
  };

  dir.write("send.txt", big("first"));
  LoadedFile same = ahead([] {});
  EXPECT_EQ(same.state, FileState::Whole);
  EXPECT_EQ(same.bytes, big("first"));

  // Replaced as the program's own saves replace it.
  LoadedFile replaced = ahead([&] { write_file_atomic(path, big("secnd")); });
  EXPECT_EQ(replaced.bytes, big("secnd"));
  // Written over in place, to the same length.
  LoadedFile rewritten = ahead([&] { dir.write("send.txt", big("third")); });
  EXPECT_EQ(rewritten.bytes, big("third"));
  // Now in a foreign form: the state is the new file's.
  LoadedFile foreign = ahead([&] {
    dir.write("send.txt", Bytes("\xFF\xFE"
                                "a\0",
                                4));
  });
  EXPECT_EQ(foreign.state, FileState::Foreign);
  EXPECT_EQ(foreign.problem, FormProblem::Utf16);
  // Gone.
  dir.write("send.txt", big("fourth"));
  LoadedFile gone = ahead([&] { ASSERT_TRUE(QFile::remove(path)); });
  EXPECT_EQ(gone.state, FileState::Missing);
  EXPECT_TRUE(gone.bytes.empty());
  // A folder in its place.
  dir.write("send.txt", big("fifth"));
  LoadedFile folder = ahead([&] {
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QDir(dir.path()).mkdir("send.txt"));
  });
  EXPECT_EQ(folder.state, FileState::Unreadable);
  ASSERT_TRUE(QDir(dir.path()).rmdir("send.txt"));

  // Small or missing: left to the load, which reads the file as it is then.
  DataFile missing(path, kHistoryFile);
  missing.prefetch();
  EXPECT_FALSE(missing.reading_ahead());
  dir.write("send.txt", "created\r\n");
  EXPECT_EQ(missing.load().bytes, "created\r\n");
  DataFile small(path, kHistoryFile);
  small.prefetch();
  EXPECT_FALSE(small.reading_ahead());
  EXPECT_EQ(small.load().bytes, "created\r\n");

  // Loaded again later: read again, not the read-ahead twice.
  dir.write("send.txt", big("sixth"));
  DataFile twice(path, kHistoryFile);
  twice.prefetch();
  EXPECT_EQ(twice.load().bytes, big("sixth"));
  dir.write("send.txt", "seventh\r\n");
  EXPECT_EQ(twice.load().bytes, "seventh\r\n");

  // Never loaded: the read ahead is waited for, not left running.
  dir.write("send.txt", Bytes(4 << 20, 'x'));
  {
    DataFile unused(path, kHistoryFile);
    unused.prefetch();
    EXPECT_TRUE(unused.reading_ahead());
  }
}

// The one .bak rule: a file that did not load whole is kept as
// "<name>.bak" by its first write of the run, and only by that one.
TEST(DataFileSave, WhatDidNotLoadWholeIsKeptOnceAsBak) {
  TempDir dir;
  forget_backups();
  const QString path = dir.file("send.txt");
  const QString bak = path + QStringLiteral(".bak");

  dir.write("send.txt", "whole\r\n");
  DataFile whole(path, kHistoryFile);
  whole.load();
  whole.save("new\r\n");
  EXPECT_FALSE(QFileInfo::exists(bak));
  EXPECT_EQ(dir.read("send.txt"), "new\r\n");

  const Bytes original(
      "\xFF\xFE"
      "a\0b\0",
      6);
  dir.write("send.txt", original);
  DataFile foreign(path, kHistoryFile);
  EXPECT_EQ(foreign.load().state, FileState::Foreign);
  foreign.save("first\r\n");
  foreign.save("second\r\n");
  EXPECT_EQ(dir.read("send.txt.bak"), original);
  EXPECT_EQ(dir.read("send.txt"), "second\r\n");
  // Another reader of the same run (a second window) does not replace it.
  dir.write("send.txt", Bytes("\0", 1));
  DataFile again(path, kHistoryFile);
  again.load();
  again.save("third\r\n");
  EXPECT_EQ(dir.read("send.txt.bak"), original);
  // A new run does.
  forget_backups();
  dir.write("send.txt", Bytes("\0\0", 2));
  DataFile next(path, kHistoryFile);
  next.load();
  next.save("fourth\r\n");
  EXPECT_EQ(dir.read("send.txt.bak"), Bytes("\0\0", 2));

  // A folder in the file's place is moved aside whole.
  forget_backups();
  ASSERT_TRUE(QFile::remove(path));
  ASSERT_TRUE(QDir(dir.path()).mkpath("send.txt/inner"));
  ASSERT_TRUE(QFile::remove(bak));
  DataFile folder(path, kHistoryFile);
  EXPECT_EQ(folder.load().state, FileState::Unreadable);
  folder.save("x\r\n");
  EXPECT_TRUE(QFileInfo(bak + QStringLiteral("/inner")).isDir());
  EXPECT_EQ(dir.read("send.txt"), "x\r\n");
  EXPECT_TRUE(QDir(dir.path()).entryList({"*.tmp*"}, QDir::AllEntries | QDir::Hidden).isEmpty());
}

TEST(DataFileSave, AnOwnerOnlyBackupIsForTheOwnerOnly) {
  TempDir dir;
  forget_backups();
  dir.write("zarvel.ini", Bytes("[Server]\r\npop_password=x\0", 26));
  set_mode(dir.file("zarvel.ini"), 0644);
  IniFile ini(dir.file("zarvel.ini"));
  ini.load();
  EXPECT_EQ(ini.state(), FileState::Foreign);
  ini.write_string("Server", "smtp_server", "s");
  ini.save();
  EXPECT_EQ(mode_of(dir.file("zarvel.ini.bak")), 0600u);
  EXPECT_EQ(mode_of(dir.file("zarvel.ini")), 0600u);
  EXPECT_EQ(dir.read("zarvel.ini.bak"), Bytes("[Server]\r\npop_password=x\0", 26));
}

// The modes after a save: the settings file 0600 whatever it was, a symlink
// replaced and never followed; every other file keeps its mode, with its
// owner's reading and writing added back.
TEST(DataFileSave, ModesAfterASave) {
  struct Case {
    mode_t before;
    bool owner_only;
    mode_t after;
  } cases[] = {
      {0644, true, 0600},  {0666, true, 0600},  {0640, true, 0600},  {0000, true, 0600},  {0600, true, 0600},
      {0644, false, 0644}, {0640, false, 0640}, {0000, false, 0600}, {0444, false, 0644}, {0200, false, 0600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::oct << c.before << (c.owner_only ? " owner only" : ""));
    TempDir dir;
    dir.write("f", "old");
    set_mode(dir.file("f"), c.before);
    write_file_atomic(dir.file("f"), "new", c.owner_only);
    EXPECT_EQ(mode_of(dir.file("f")), c.after);
  }
  TempDir dir;
  dir.write("target", "elsewhere");
  set_mode(dir.file("target"), 0644);
  ASSERT_TRUE(QFile::link(dir.file("target"), dir.file("zarvel.ini")));
  IniFile ini(dir.file("zarvel.ini"));
  ini.load();
  ini.save();  // nothing changed, but a symlink cannot be made owner-only
  EXPECT_FALSE(QFileInfo(dir.file("zarvel.ini")).isSymLink());
  EXPECT_EQ(mode_of(dir.file("zarvel.ini")), 0600u);
  EXPECT_EQ(dir.read("target"), "elsewhere");
  EXPECT_EQ(mode_of(dir.file("target")), 0644u);
}

// A settings file that would come out as it was read is not written (same
// inode, same time), only made owner-only.
TEST(DataFileSave, AnUnchangedSettingsFileIsNotRewritten) {
  TempDir dir;
  dir.write("zarvel.ini", "[Options]\r\nsend_max=5\r\n");
  set_mode(dir.file("zarvel.ini"), 0644);
  const struct stat before = stat_of(dir.file("zarvel.ini"));
  ::usleep(20000);
  IniFile ini(dir.file("zarvel.ini"));
  ini.load();
  ini.write_int("Options", "send_max", 5);
  ini.save();
  const struct stat after = stat_of(dir.file("zarvel.ini"));
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
  EXPECT_EQ(after.st_mode & 07777, 0600u);
  ini.write_int("Options", "send_max", 6);
  ini.save();
  EXPECT_NE(stat_of(dir.file("zarvel.ini")).st_ino, before.st_ino);
  EXPECT_EQ(dir.read("zarvel.ini"), "[Options]\r\nsend_max=6\r\n");
}
