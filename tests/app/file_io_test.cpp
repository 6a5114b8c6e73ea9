#include "app/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

#include "support/temp_dir.h"

using namespace zarvel;
using zarvel::test::TempDir;

namespace {
mode_t mode_of(const QString& path) {
  struct stat st;
  stat(QFile::encodeName(path).constData(), &st);
  return st.st_mode & 0777;
}
}  // namespace

TEST(FileIo, WritesReadsAndReplacesWhole) {
  TempDir dir;
  EXPECT_FALSE(read_file(dir.file("a.txt")).has_value());
  write_file_atomic(dir.file("a.txt"), std::string("x\0y", 3));
  EXPECT_EQ(*read_file(dir.file("a.txt")), std::string("x\0y", 3));
  write_file_atomic(dir.file("a.txt"), "");
  EXPECT_EQ(*read_file(dir.file("a.txt")), "");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);  // no temporary left
}

TEST(FileIo, OwnerOnlyFilesAre0600AfterEverySave) {
  TempDir dir;
  write_file_atomic(dir.file("zarvel.ini"), "a", true);
  EXPECT_EQ(mode_of(dir.file("zarvel.ini")), 0600u);
  chmod(QFile::encodeName(dir.file("zarvel.ini")).constData(), 0640);
  write_file_atomic(dir.file("zarvel.ini"), "b", true);
  EXPECT_EQ(mode_of(dir.file("zarvel.ini")), 0600u);
}

TEST(FileIo, FailuresKeepTheOldFileAndSayWhichFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  TempDir dir;
  write_file_atomic(dir.file("send.txt"), "old");
  chmod(QFile::encodeName(dir.path()).constData(), 0500);
  try {
    write_file_atomic(dir.file("send.txt"), "new");
    FAIL() << "no error";
  } catch (const AppError& e) {
    EXPECT_EQ(e.message(), dir.file("send.txt") + QStringLiteral(" に書き込めません"));
  }
  chmod(QFile::encodeName(dir.path()).constData(), 0700);
  EXPECT_EQ(*read_file(dir.file("send.txt")), "old");
}

TEST(FileIo, ADirectoryInPlaceOfTheFileIsAnErrorOnBothSides) {
  TempDir dir;
  QDir(dir.path()).mkdir("zarvel.csv");
  EXPECT_THROW(write_file_atomic(dir.file("zarvel.csv"), "x"), AppError);
  EXPECT_THROW(read_file(dir.file("zarvel.csv")), AppError);
  EXPECT_TRUE(QFileInfo(dir.file("zarvel.csv")).isDir());
}
