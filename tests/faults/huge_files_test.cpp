// Huge files in the place of each data file: the start stays quick and
// the memory it takes stays a small multiple of the file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QElapsedTimer>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "data_set.h"
#include "support/main_window.h"

using namespace zarvel;
using namespace zarvel::test;

namespace {

struct stat stat_of(const QString& path) {
  struct stat st {};
  ::lstat(QFile::encodeName(path).constData(), &st);
  return st;
}

}  // namespace

namespace {

// A figure of /proc/self/status, in bytes.
long status_bytes(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::stol(line.substr(std::strlen(key))) * 1024;
  return -1;
}

// Writes a big file piece by piece, so that the test holds none of it.
std::size_t write_big(const QString& path, bool one_line) {
  std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary);
  std::size_t size = 0;
  if (one_line) {
    const Bytes piece = sj(u"あいうえおかきくけこ");
    Bytes block;
    while (block.size() < 1 << 20) block += piece;
    for (int i = 0; i < 50; ++i) {
      out << block;
      size += block.size();
    }
  } else {
    char line[64];
    for (int i = 0; i < 1000000; ++i) {
      const int n = std::snprintf(line, sizeof line, "%s%07d,user%07d@example.jp\r\n", sj(u"宛先").c_str(), i, i);
      out.write(line, n);
      size += static_cast<std::size_t>(n);
    }
  }
  return size;
}

}  // namespace

// 50 MB on one line and a million lines, in the place of each file: the
// window is up within 3 s, the memory taken stays under three times the
// file, and the file is still there after the exit (or in its ".bak").
TEST(DataFiles, HugeFilesNeitherFreezeTheStartNorFillTheMemory) {
  {  // What any first start sets up (fonts, the toolkit) is not the files'.
    MainWindowRun warm;
    warm.start();
    ASSERT_TRUE(warm.close());
  }
  for (const QString& name : data_file_names()) {
    for (bool one_line : {true, false}) {
      SCOPED_TRACE(name.toStdString() + (one_line ? ", 50 MB on one line" : ", a million lines"));
      MainWindowRun run;
      const QString path = run.dir().file(name);
      const std::size_t size = write_big(path, one_line);
      const ino_t inode = stat_of(path).st_ino;
      { std::ofstream("/proc/self/clear_refs") << "5"; }  // the peak starts again from here
      const long before = status_bytes("VmRSS:");
      QElapsedTimer timer;
      timer.start();
      TForm1* f = run.start();
      EXPECT_LT(timer.elapsed(), 3000) << "ms to start";
      EXPECT_TRUE(f->isVisible());
      const long peak = status_bytes("VmHWM:");
      EXPECT_LT(peak - before, static_cast<long>(3 * size)) << "bytes taken for a file of " << size;
      EXPECT_TRUE(run.close());
      const QString bak = path + QStringLiteral(".bak");
      EXPECT_TRUE(stat_of(path).st_ino == inode || stat_of(bak).st_ino == inode) << "the file is lost";
      EXPECT_EQ(static_cast<std::size_t>(stat_of(stat_of(path).st_ino == inode ? path : bak).st_size), size);
    }
  }
}
