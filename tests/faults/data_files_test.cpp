// Every data file in every odd shape a careless user or another program can
// leave it in, through the real windows: after a start and an exit its
// original bytes are still there, in the file or in its ".bak"; the user
// was told once where it did not load whole; the start stayed quick. And a
// folder the run did not change is not written at all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <functional>
#include <random>

#include "addressbook/recipient_model.h"
#include "compose/form_kaomoji.h"
#include "data_set.h"
#include "support/main_window.h"

using namespace zarvel;
using namespace zarvel::test;

namespace {

bool as_root() { return ::geteuid() == 0; }
constexpr const char* kNeedsUser = "needs an ordinary user: ctest runs it through tests/support/run_unprivileged";

struct stat stat_of(const QString& path) {
  struct stat st {};
  ::lstat(QFile::encodeName(path).constData(), &st);
  return st;
}

void set_mode(const QString& path, mode_t mode) { ::chmod(QFile::encodeName(path).constData(), mode); }

// The data set as the program itself leaves it (every key written, the
// history cut to its limit, the palette's keys there): an exit that changes
// nothing has nothing to write.
const Snapshot& program_data_set() {
  static const Snapshot set = [] {
    MainWindowRun run;
    place(run.dir().path(), old_data_set());
    TForm1* f = run.start();
    f->BitBtn1Click();
    if (!run.close()) throw std::runtime_error("the data set was not saved");
    return snapshot(run.dir().path());
  }();
  return set;
}

Bytes utf16(const QString& text, bool big_endian) {
  Bytes out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
  for (QChar c : text) {
    const char lo = static_cast<char>(c.unicode() & 0xFF), hi = static_cast<char>(c.unicode() >> 8);
    out += big_endian ? hi : lo;
    out += big_endian ? lo : hi;
  }
  return out;
}

Bytes random_bytes(std::size_t n) {
  std::mt19937 rng(12);
  Bytes out(n, '\0');
  for (char& c : out) c = static_cast<char>(rng());
  return out;
}

Bytes cr_only(Bytes b) {
  Bytes out;
  for (std::size_t i = 0; i < b.size(); ++i) {
    if (b[i] == '\n' && i > 0 && b[i - 1] == '\r') continue;
    out += b[i] == '\n' ? '\r' : b[i];
  }
  return out;
}

enum class Shape { Bytes, Folder, Symlink, Mode000, Mode0644 };

struct Case {
  const char* what;
  Shape shape;
  std::function<Bytes(const Bytes& good)> bytes;  // Shape::Bytes
  bool text_files_take_it;                        // whole for the files that read lone CR as a line end
};

const std::vector<Case>& cases() {
  static const std::vector<Case> all = {
      {"UTF-16 LE", Shape::Bytes, [](const Bytes& g) { return utf16(from_cp932(g), false); }, false},
      {"UTF-16 BE", Shape::Bytes, [](const Bytes& g) { return utf16(from_cp932(g), true); }, false},
      {"UTF-8 with BOM", Shape::Bytes, [](const Bytes& g) { return "\xEF\xBB\xBF" + from_cp932(g).toStdString(); },
       false},
      {"UTF-8, not CP932", Shape::Bytes,
       [](const Bytes& g) { return from_cp932(g).toStdString() + "ＴＥＬ 😀 ü,é\r\n"; }, false},
      {"CR only", Shape::Bytes, [](const Bytes& g) { return cr_only(g); }, true},
      {"NULs", Shape::Bytes, [](const Bytes& g) { return g + Bytes(1000, '\0'); }, false},
      {"random bytes", Shape::Bytes, [](const Bytes&) { return random_bytes(60000); }, false},
      {"a folder", Shape::Folder, nullptr, false},
      {"a symlink", Shape::Symlink, nullptr, true},
      {"mode 000", Shape::Mode000, nullptr, false},
      {"mode 0644", Shape::Mode0644, nullptr, true},
  };
  return all;
}

// The dialogs that spoke of the file `name`.
int told_of(MainWindowRun& run, const QString& name) {
  const QString described = name == kCsv    ? QStringLiteral("宛先ファイルが変なので削除します！")
                            : name == kSend ? QStringLiteral("履歴ファイルが変なので削除します！")
                                            : QString();
  int n = 0;
  for (const ShownDialog& d : run.dialogs().shown)
    n += d.text.contains(run.dir().file(name)) || (!described.isEmpty() && d.text == described);
  return n;
}

}  // namespace

TEST(DataFiles, EveryOddShapeOfEveryFileIsKeptAndToldOnce) {
  if (as_root()) GTEST_SKIP() << kNeedsUser;
  const Snapshot& good = program_data_set();
  for (const QString& name : data_file_names()) {
    for (const Case& c : cases()) {
      SCOPED_TRACE(name.toStdString() + ", " + c.what);
      MainWindowRun run;
      place(run.dir().path(), good);
      const QString path = run.dir().file(name);
      const QString bak = path + QStringLiteral(".bak");
      TempDir elsewhere;
      Bytes original = *good.at(name);
      switch (c.shape) {
        case Shape::Bytes:
          original = c.bytes(original);
          write_bytes(path, original);
          break;
        case Shape::Folder:
          ASSERT_TRUE(QFile::remove(path));
          ASSERT_TRUE(QDir(run.dir().path()).mkpath(name + QStringLiteral("/inside")));
          break;
        case Shape::Symlink:
          ASSERT_TRUE(QFile::rename(path, elsewhere.file(name)));
          ASSERT_TRUE(QFile::link(elsewhere.file(name), path));
          break;
        case Shape::Mode000:
          set_mode(path, 0);
          break;
        case Shape::Mode0644:
          set_mode(path, 0644);
          break;
      }
      const bool unreadable = c.shape == Shape::Folder || c.shape == Shape::Mode000;
      const bool takes_lone_cr = name != kCsv && name != kSend;
      const bool whole = c.text_files_take_it && (c.shape != Shape::Bytes || takes_lone_cr);

      QElapsedTimer timer;
      timer.start();
      TForm1* f = run.start();
      EXPECT_LT(timer.elapsed(), 3000) << "ms to start";
      // Told once; the settings' unreadable file by each window that reads
      // it; close.txt's only when a restore reads it.
      const int told = told_of(run, name);
      if (whole || (unreadable && name == kClose)) {
        EXPECT_EQ(told, 0);
      } else if (unreadable && name == kIni) {
        EXPECT_GE(told, 1);
      } else {
        EXPECT_EQ(told, 1);
      }
      EXPECT_TRUE(f->isVisible());

      // The exit: only the settings that cannot be read stop it.
      const bool closed = run.close();
      EXPECT_EQ(closed, !(unreadable && name == kIni));
      if (c.shape == Shape::Mode000) {
        set_mode(path, 0600);
        set_mode(bak, 0600);
      }
      switch (c.shape) {
        case Shape::Folder:
          EXPECT_TRUE(QFileInfo(path + QStringLiteral("/inside")).isDir() ||
                      QFileInfo(bak + QStringLiteral("/inside")).isDir());
          break;
        case Shape::Symlink:
          // Replaced only where it would hold passwords for others to read.
          EXPECT_EQ(QFileInfo(path).isSymLink(), name != kIni);
          EXPECT_EQ(read_bytes(elsewhere.file(name)), original);
          break;
        default:
          EXPECT_TRUE(read_bytes(path) == original || read_bytes(bak) == original) << "the original is lost";
          break;
      }
      if (name == kIni && closed) {
        EXPECT_EQ(stat_of(path).st_mode & 07777, 0600u);
      } else if (c.shape == Shape::Mode0644) {
        EXPECT_EQ(stat_of(path).st_mode & 07777, 0644u);
      }
      EXPECT_TRUE(temp_files(run.dir().path()).isEmpty());
    }
  }
}

// A folder the run did not change keeps every file as it was, down to its
// inode and time; a run that changes one file writes that one only.
TEST(DataFiles, AnUnchangedFolderIsNotWrittenAndAnEditedFileIs) {
  MainWindowRun run;
  place(run.dir().path(), program_data_set());
  auto stamps = [&] {
    std::map<QString, std::pair<ino_t, long>> out;
    for (const QString& name : data_file_names()) {
      const struct stat st = stat_of(run.dir().file(name));
      out[name] = {st.st_ino, st.st_mtim.tv_sec * 1000000000L + st.st_mtim.tv_nsec};
    }
    return out;
  };
  const auto before = stamps();
  run.start();
  ASSERT_TRUE(run.close());
  EXPECT_EQ(stamps(), before);
  EXPECT_TRUE(run.dialogs().shown.empty());

  const std::vector<std::pair<QString, std::function<void(TForm1*)>>> edits = {
      {kIni, [](TForm1* f) { f->smtp_server->setText(QStringLiteral("mail.example.jp")); }},
      {kCsv,
       [](TForm1* f) {
         f->address_book->insert(0, {sj(u"新しい宛先"), "new@example.jp"});
       }},
      {kSend, [](TForm1* f) { f->send_add("a", "s", "b"); }},
      {kClose, [](TForm1* f) { f->subject->setText(QStringLiteral("書きかけ")); }},
      {QStringLiteral("signa1.txt"), [](TForm1* f) { f->Memo3->setPlainText(QStringLiteral("署名")); }},
      {QStringLiteral("signa2.txt"), [](TForm1* f) { f->Memo5->insertPlainText(QStringLiteral("追記")); }},
      {kKaomoji,
       [&run](TForm1* f) {
         f->BitBtn1Click();
         run.windows().kaomoji->Memo1->setPlainText(QStringLiteral("(^_^)"));
         run.windows().kaomoji->ToolButton1Click();
       }},
  };
  for (const auto& [name, edit] : edits) {
    SCOPED_TRACE(name.toStdString());
    const auto old = stamps();
    edit(run.restart());
    ASSERT_TRUE(run.close());
    const auto now = stamps();
    for (const QString& other : data_file_names()) {
      if (other == name) {
        EXPECT_NE(now.at(other).first, old.at(other).first) << "not written";
      } else {
        EXPECT_EQ(now.at(other), old.at(other)) << other.toStdString() << " written";
      }
    }
  }
}
