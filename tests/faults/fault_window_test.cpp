// Faults at start and exit through the real windows: a full disk (a
// file-size limit) for each file the exit writes, a read-only data folder,
// folders and unreadable files in place of data files. After each: every
// file is whole in its old or its new version, the user was told what the
// program says for it, and a restart loads everything.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <csignal>
#include <optional>

#include "addressbook/recipient_model.h"
#include "compose/form_kaomoji.h"
#include "compose/kaomoji_file.h"
#include "data_set.h"
#include "history/history_model.h"
#include "support/main_window.h"

using namespace zarvel;
using namespace zarvel::test;

namespace {

QString unexpected(const QString& message) { return QStringLiteral("予期しないエラーが発生しました\n") + message; }
QString cannot_write(MainWindowRun& run, const QString& name) {
  return unexpected(run.dir().file(name) + QStringLiteral(" に書き込めません"));
}
QString cannot_open(MainWindowRun& run, const QString& name) {
  return unexpected(run.dir().file(name) + QStringLiteral(" を開けません"));
}

QStringList shown_texts(MainWindowRun& run) {
  QStringList out;
  for (const ShownDialog& d : run.dialogs().shown) out << d.text;
  return out;
}

// Writes beyond `bytes` fail with EFBIG while it lasts, as on a full disk.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit small = old_;
    small.rlim_cur = bytes;
    if (setrlimit(RLIMIT_FSIZE, &small) != 0) ADD_FAILURE() << "cannot limit the file size";
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*old_handler_)(int) = nullptr;
};

// Sets a mode for as long as it lasts (so the temporary folder can still be
// removed when a check fails).
class Mode {
 public:
  Mode(const QString& path, mode_t mode) : path_(QFile::encodeName(path)) {
    struct stat st {};
    ::stat(path_.constData(), &st);
    old_ = st.st_mode & 07777;
    ::chmod(path_.constData(), mode);
  }
  ~Mode() { restore(); }
  void restore() { ::chmod(path_.constData(), old_); }
  Mode(const Mode&) = delete;
  Mode& operator=(const Mode&) = delete;

 private:
  QByteArray path_;
  mode_t old_ = 0;
};

bool as_root() { return ::geteuid() == 0; }
constexpr const char* kNeedsUser = "needs an ordinary user: ctest runs it through tests/support/run_unprivileged";

QStringList rows_of(const std::optional<std::string>& kaomoji_file) {
  QStringList rows;
  for (const Bytes& r : kaomoji_file ? parse_kaomoji(*kaomoji_file) : builtin_kaomoji()) rows << from_cp932(r);
  return rows;
}

// Changes what every file of the exit holds: the settings, the address book,
// the history, the kept message, both signatures.
void change_everything(TForm1* f) {
  f->smtp_server->setText(QStringLiteral("新しい.example.jp"));
  auto book = f->address_book->entries();
  book.push_back({sj(u"鈴木一郎"), "ichiro@example.jp"});
  f->address_book->set_list(RecipientList(book));
  f->send_add(sj(u"鈴木一郎"), sj(u"お知らせ"), sj(u"本日は晴天なり。\r\n"));
  f->subject->setText(QStringLiteral("書きかけの件名"));
  f->Memo1->setPlainText(QStringLiteral("書きかけの本文"));
  f->Memo3->setPlainText(QStringLiteral("新しい署名一"));
  f->Memo5->setPlainText(QStringLiteral("新しい署名二"));
}

// A restart loads everything: no message, the palette texts are the file's,
// and its own exit writes the very same bytes.
void expect_restart_loads(MainWindowRun& run, const Snapshot& saved) {
  const std::size_t before = run.dialogs().shown.size();
  TForm1* f = run.restart();
  EXPECT_EQ(run.dialogs().shown.size(), before) << shown_texts(run).join(" | ").toStdString();
  EXPECT_EQ(f->quick_list_rows(), rows_of(saved.at(kKaomoji)));
  ASSERT_TRUE(run.close());
  EXPECT_EQ(snapshot(run.dir().path()), saved);
}

}  // namespace

// Each file of the exit in turn is the one the limit stops. The writes
// before it are done, it keeps its old bytes, the ones after it are skipped
// (after the settings, the rest still runs); the window stays open with the
// file's message and a second close, the limit gone, saves everything.
// close.txt too: what was typed is never lost without a word.
TEST(DiskFull, EachWriteOfTheExitKeepsItsOldFileWhole) {
  const std::vector<QString>& names = data_file_names();
  constexpr rlim_t kLimit = 6000;
  const QString big(12000, QLatin1Char('x'));
  for (std::size_t target = 0; target < names.size(); ++target) {
    const QString& name = names[target];
    SCOPED_TRACE(name.toStdString());
    MainWindowRun run;
    Snapshot old = old_data_set();
    old[kKaomoji] = std::nullopt;  // written by the palette's close
    place(run.dir().path(), old);
    TForm1* f = run.start();
    ASSERT_TRUE(run.dialogs().shown.empty()) << shown_texts(run).join(" | ").toStdString();
    change_everything(f);
    if (name == kIni) {
      for (QLineEdit* e : {f->smtp_server, f->mailaddress, f->pop_server, f->pop_Account})
        e->setText(QString(2000, QLatin1Char('s')));
    } else if (name == kCsv) {
      std::vector<Recipient> book;
      for (int i = 0; i < 400; ++i) book.push_back({sj(u"宛先") + std::to_string(i), "user@example.jp"});
      f->address_book->set_list(RecipientList(book));
    } else if (name == kSend) {
      f->send_add("big", "big", std::string(12000, 'b'));
    } else if (name == kClose) {
      f->Memo1->setPlainText(big);
    } else if (name == kSigna1) {
      f->Memo3->setPlainText(big);
    } else if (name == kSigna2) {
      f->Memo5->setPlainText(big);
    } else if (name == kKaomoji) {
      f->BitBtn1Click();  // the palette is open at exit and its file missing
      ASSERT_TRUE(run.windows().kaomoji->isVisible());
      f->set_quick_list_rows(QStringList(400, QStringLiteral("（＾＿＾）よろしくお願いします")));
    }

    std::optional<FileSizeLimit> limit(std::in_place, kLimit);
    const bool closed = run.close();
    limit.reset();
    const Snapshot failed = snapshot(run.dir().path());
    EXPECT_TRUE(temp_files(run.dir().path()).isEmpty()) << temp_files(run.dir().path()).join(' ').toStdString();
    EXPECT_EQ(failed.at(name), old.at(name));

    EXPECT_FALSE(closed);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(shown_texts(run), QStringList{cannot_write(run, name)});
    ASSERT_TRUE(run.close());  // the whole exit again, now with room
    EXPECT_EQ(run.dialogs().shown.size(), 1u);
    EXPECT_FALSE(run.windows().kaomoji->isVisible());
    const Snapshot saved = snapshot(run.dir().path());
    for (std::size_t i = 0; i < names.size(); ++i) {
      const QString& other = names[i];
      if (other == kKaomoji && name != kKaomoji) continue;  // not written: the palette is shut
      EXPECT_NE(saved.at(other), old.at(other)) << other.toStdString();
      if (i == target) continue;
      if (name == kIni || i < target) {
        EXPECT_EQ(failed.at(other), saved.at(other)) << other.toStdString() << " was not written";
      } else {
        EXPECT_EQ(failed.at(other), old.at(other)) << other.toStdString() << " was written after the failure";
      }
    }
    expect_restart_loads(run, saved);
  }
}

// A read-only folder at exit: only the settings' failure is shown, no file
// changes, nothing is left behind, and the second close once the folder is
// writable again saves everything.
TEST(ReadOnlyFolder, AtExitNoFileChangesAndTheSecondCloseSavesEverything) {
  if (as_root()) GTEST_SKIP() << kNeedsUser;
  MainWindowRun run;
  Snapshot old = old_data_set();
  old[kKaomoji] = std::nullopt;
  place(run.dir().path(), old);
  TForm1* f = run.start();
  change_everything(f);
  f->BitBtn1Click();
  {
    Mode read_only(run.dir().path(), 0500);
    EXPECT_FALSE(run.close());
  }
  EXPECT_TRUE(f->isVisible());
  EXPECT_EQ(shown_texts(run), QStringList{cannot_write(run, kIni)});
  EXPECT_EQ(snapshot(run.dir().path()), old);
  EXPECT_TRUE(temp_files(run.dir().path()).isEmpty());

  ASSERT_TRUE(run.close());
  EXPECT_EQ(run.dialogs().shown.size(), 1u);
  const Snapshot saved = snapshot(run.dir().path());
  for (const QString& name : data_file_names()) EXPECT_NE(saved.at(name), old.at(name)) << name.toStdString();
  expect_restart_loads(run, saved);
}

// The first start in a folder that cannot be written (the program's own
// folder when installed) says which files it cannot create, and still runs.
TEST(ReadOnlyFolder, AFirstStartSaysWhichFilesItCannotCreate) {
  if (as_root()) GTEST_SKIP() << kNeedsUser;
  MainWindowRun run;
  Mode read_only(run.dir().path(), 0500);
  TForm1* f = run.start();
  EXPECT_TRUE(f->isVisible());
  EXPECT_EQ(shown_texts(run), (QStringList{cannot_write(run, kSigna1), cannot_write(run, kSigna2)}));
  EXPECT_FALSE(run.close());
  EXPECT_EQ(shown_texts(run).value(2), cannot_write(run, kIni));
  EXPECT_TRUE(QDir(run.dir().path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
  read_only.restore();
  EXPECT_TRUE(run.close());
  for (const QString& name : {kIni, kCsv, kSend}) EXPECT_TRUE(run.dir().exists(name)) << name.toStdString();
}

// The palette texts' file is a folder: the start says so and keeps the
// built-in texts, and the palette's close leaves the folder alone.
TEST(FolderInPlaceOfAFile, ThePaletteTextsAreReportedAndLeftAlone) {
  MainWindowRun run;
  ASSERT_TRUE(QDir(run.dir().path()).mkdir(kKaomoji));
  TForm1* f = run.start();
  EXPECT_EQ(shown_texts(run), QStringList{cannot_open(run, kKaomoji)});
  EXPECT_EQ(f->quick_list_rows(), rows_of(std::nullopt));
  f->BitBtn1Click();
  ASSERT_TRUE(run.close());
  EXPECT_EQ(run.dialogs().shown.size(), 1u);
  EXPECT_TRUE(QFileInfo(run.dir().file(kKaomoji)).isDir());
}

// At exit: the settings file's failure is shown as a failed write after the
// files before the kept message were saved; once the settings can be
// written, close.txt's own failure is shown, and the window stays open until
// it can be written too: the message typed is never lost without a word.
TEST(FolderInPlaceOfAFile, AtExitTheSettingsAndThenTheKeptMessageAreReported) {
  MainWindowRun run;
  const Snapshot old = old_data_set();
  place(run.dir().path(), old);
  TForm1* f = run.start();
  change_everything(f);
  for (const QString& name : {kIni, kClose}) {
    ASSERT_TRUE(QFile::remove(run.dir().file(name)));
    ASSERT_TRUE(QDir(run.dir().path()).mkdir(name));
  }
  EXPECT_FALSE(run.close());
  EXPECT_EQ(shown_texts(run), QStringList{cannot_write(run, kIni)});
  const Snapshot saved = snapshot(run.dir().path());
  for (const QString& name : {kCsv, kSend}) EXPECT_NE(saved.at(name), old.at(name));
  for (const QString& name : {kSigna1, kSigna2}) EXPECT_EQ(saved.at(name), old.at(name));  // after close.txt
  EXPECT_TRUE(QDir(run.dir().path()).rmdir(kIni));
  EXPECT_FALSE(run.close());
  EXPECT_EQ(shown_texts(run), (QStringList{cannot_write(run, kIni), cannot_write(run, kClose)}));
  EXPECT_TRUE(f->isVisible());
  EXPECT_EQ(f->subject->text(), QStringLiteral("書きかけの件名"));
  EXPECT_TRUE(run.dir().exists(kIni));
  EXPECT_TRUE(QDir(run.dir().path()).rmdir(kClose));
  ASSERT_TRUE(run.close());
  EXPECT_EQ(run.dialogs().shown.size(), 2u);
  EXPECT_EQ(read_bytes(run.dir().file(kClose)), to_cp932(QStringLiteral("書きかけの件名\r\n書きかけの本文")));
  for (const QString& name : {kSigna1, kSigna2}) EXPECT_NE(read_bytes(run.dir().file(name)), old.at(name));
}

// A file that cannot be read (its mode, for an ordinary user) is reported
// with "を開けません" when it is read, the rest loads, and what the program
// did not read is never replaced by what it did not have: the file stays as
// it was, or is kept whole as "<name>.bak" before the exit rewrites it.
TEST(UnreadableFile, IsReportedWhenReadAndNeverLost) {
  if (as_root()) GTEST_SKIP() << kNeedsUser;
  for (const QString& name : {kCsv, kClose, kSigna1, kSigna2, kKaomoji}) {
    SCOPED_TRACE(name.toStdString());
    MainWindowRun run;
    const Snapshot old = old_data_set();
    place(run.dir().path(), old);
    Mode unreadable(run.dir().file(name), 0);
    TForm1* f = run.start();
    if (name == kClose) {
      EXPECT_TRUE(run.dialogs().shown.empty());
      f->subject->setText(QStringLiteral("書きかけ"));
      QTest::mouseClick(f->BitBtn2, Qt::LeftButton);  // restore: read only now
      EXPECT_EQ(f->subject->text(), QStringLiteral("書きかけ"));
      f->subject->clear();
    }
    EXPECT_EQ(shown_texts(run), QStringList{cannot_open(run, name)});
    EXPECT_TRUE(f->isVisible());
    // Everything else came in.
    if (name != kCsv) {
      EXPECT_EQ(f->address_book->size(), 2);
    }
    EXPECT_EQ(f->history->count(), 2);
    if (name != kKaomoji) {
      EXPECT_EQ(f->quick_list_rows(), rows_of(old.at(kKaomoji)));
    }
    ASSERT_TRUE(run.close()) << shown_texts(run).join(" | ").toStdString();
    EXPECT_EQ(run.dialogs().shown.size(), 1u);
    const QString backup = run.dir().file(name + QStringLiteral(".bak"));
    ::chmod(QFile::encodeName(backup).constData(), 0600);
    unreadable.restore();
    EXPECT_TRUE(read_bytes(run.dir().file(name)) == old.at(name) || read_bytes(backup) == old.at(name))
        << name.toStdString() << " was lost";
  }
}

// The history cannot be read: the start says so and still loads the palette
// texts, and the exit keeps the history whole.
TEST(UnreadableFile, TheHistoryIsKeptAndTheRestLoads) {
  if (as_root()) GTEST_SKIP() << kNeedsUser;
  MainWindowRun run;
  const Snapshot old = old_data_set();
  place(run.dir().path(), old);
  Mode unreadable(run.dir().file(kSend), 0);
  TForm1* f = run.start();
  EXPECT_EQ(shown_texts(run), QStringList{cannot_open(run, kSend)});
  EXPECT_EQ(f->address_book->size(), 2);
  EXPECT_EQ(f->quick_list_rows(), rows_of(old.at(kKaomoji)));
  run.close();
  const QString backup = run.dir().file(kSend + QStringLiteral(".bak"));
  ::chmod(QFile::encodeName(backup).constData(), 0600);
  unreadable.restore();
  EXPECT_TRUE(read_bytes(run.dir().file(kSend)) == old.at(kSend) || read_bytes(backup) == old.at(kSend))
      << "the history was lost";
}

// The settings file cannot be read: the start says so and runs with the
// first-run settings; the exit cannot merge into the file, so it fails as a
// write would (the other files saved, the window open) until the file can
// be read again.
TEST(UnreadableFile, TheSettingsAreReportedAtStartAndKeptAtExit) {
  if (as_root()) GTEST_SKIP() << kNeedsUser;
  MainWindowRun run;
  const Snapshot old = old_data_set();
  place(run.dir().path(), old);
  {
    Mode unreadable(run.dir().file(kIni), 0);
    TForm1* f = nullptr;
    ASSERT_NO_THROW(f = run.start());
    // Said by each window that reads it, and nothing else.
    const QStringList at_start = shown_texts(run);
    ASSERT_FALSE(at_start.isEmpty());
    for (const QString& text : at_start) EXPECT_EQ(text, cannot_open(run, kIni));
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->smtp_port->text(), QStringLiteral("25"));
    EXPECT_EQ(f->address_book->size(), 2);
    EXPECT_EQ(f->history->count(), 3);  // the limit of 2 was not read
    f->Memo3->setPlainText(QStringLiteral("新しい署名一"));
    EXPECT_FALSE(run.close());
    EXPECT_EQ(shown_texts(run).mid(at_start.size()), QStringList{cannot_write(run, kIni)});
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(read_bytes(run.dir().file(kSigna1)), to_cp932(QStringLiteral("新しい署名一\r\n")));
  }
  EXPECT_EQ(read_bytes(run.dir().file(kIni)), old.at(kIni));
  ASSERT_TRUE(run.close());
  EXPECT_NE(read_bytes(run.dir().file(kIni)), old.at(kIni));
  expect_restart_loads(run, snapshot(run.dir().path()));
}
