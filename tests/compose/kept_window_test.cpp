// close.txt through the real main window: what the exit writes, byte for
// byte, and what the restore button brings back.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <csignal>
#include <random>

#include "app/file_io.h"
#include "support/main_window.h"

using namespace zarvel;
using zarvel::test::MainWindowRun;
using zarvel::test::ShownDialog;

namespace {

const QString kCloseTxt = QStringLiteral("close.txt");
const QString kQuestion = QStringLiteral(
    "前回終了時の内容を復元します。\n現在作成中の内容（件名・本文）はクリアされますが、よろしいですか？");

// Exits with this subject and body and returns what close.txt holds then.
std::string exit_with(MainWindowRun& run, const QString& subject, const QString& body) {
  TForm1* f = run.start();
  f->subject->setText(subject);
  f->Memo1->setPlainText(body);
  EXPECT_TRUE(run.close());
  return run.dir().read_if_present(kCloseTxt);
}

void restore(TForm1* f) { QTest::mouseClick(f->BitBtn2, Qt::LeftButton); }

}  // namespace

TEST(KeptMessage, TheExitWritesSubjectCrLfBody) {
  {
    MainWindowRun run;
    EXPECT_EQ(exit_with(run, QStringLiteral("a"), QString()), "a\r\n");
  }
  {
    MainWindowRun run;
    EXPECT_EQ(exit_with(run, QString(), QStringLiteral("b")), "\r\nb");
  }
  {
    MainWindowRun run;
    EXPECT_EQ(exit_with(run, QStringLiteral("件名"), QStringLiteral("1\n\n3\n")),
              to_cp932(u"件名") + "\r\n1\r\n\r\n3\r\n");
  }
}

TEST(KeptMessage, BothFieldsEmptyLeaveTheFileAlone) {
  MainWindowRun run;
  EXPECT_EQ(exit_with(run, QString(), QString()), "");
  EXPECT_FALSE(run.dir().exists(kCloseTxt));
  run.dir().write(kCloseTxt, "old\r\nmessage");
  EXPECT_EQ(exit_with(run, QString(), QString()), "old\r\nmessage");
}

TEST(KeptMessage, AFailedWriteIsReportedAndKeepsTheOldMessage) {
  MainWindowRun run;
  run.dir().write(kCloseTxt, "old\r\nmessage");
  TForm1* f = run.start();
  f->subject->setText(QStringLiteral("new subject"));
  f->Memo1->setPlainText(QStringLiteral("a body longer than the limit"));
  // A file-size limit makes the write fail half way.
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  rlimit small = old_limit;
  small.rlim_cur = 8;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  // Reported like the other files' failures: the exit stops there, with
  // what was typed still in the window.
  EXPECT_THROW(f->data_save(), AppError);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(run.dir().read(kCloseTxt), "old\r\nmessage");
  EXPECT_TRUE(run.dialogs().shown.empty());
}

TEST(KeptMessage, RestoringIntoEmptyFieldsAsksNothing) {
  MainWindowRun run;
  exit_with(run, QString(), QStringLiteral("b"));
  TForm1* f = run.restart();
  restore(f);
  EXPECT_TRUE(run.dialogs().shown.empty());
  EXPECT_EQ(f->subject->text(), QString());
  EXPECT_EQ(f->Memo1->toPlainText(), QStringLiteral("b"));
  // The file stays for another restore.
  EXPECT_EQ(run.dir().read(kCloseTxt), "\r\nb");
}

TEST(KeptMessage, RestoringOverTextAsksAndNoKeepsIt) {
  MainWindowRun run;
  run.dir().write(kCloseTxt, "kept\r\nbody");
  TForm1* f = run.start();
  f->subject->setText(QStringLiteral("mine"));
  run.dialogs().answers = {false};
  restore(f);
  ASSERT_EQ(run.dialogs().shown.size(), 1u);
  EXPECT_EQ(run.dialogs().shown[0].kind, ShownDialog::Confirm);
  EXPECT_EQ(run.dialogs().shown[0].text, kQuestion);
  EXPECT_EQ(f->subject->text(), QStringLiteral("mine"));
  EXPECT_EQ(f->Memo1->toPlainText(), QString());

  // A body alone asks as well; yes restores, in white text while it does.
  f->subject->clear();
  f->Memo1->setPlainText(QStringLiteral("draft"));
  const QColor normal = f->Memo1->palette().color(QPalette::Text);
  QList<QColor> while_filling;
  QObject::connect(f->Memo1, &QPlainTextEdit::textChanged, f,
                   [&] { while_filling.push_back(f->Memo1->palette().color(QPalette::Text)); });
  run.dialogs().answers = {true};
  restore(f);
  EXPECT_EQ(run.dialogs().shown.size(), 2u);
  EXPECT_EQ(f->subject->text(), QStringLiteral("kept"));
  EXPECT_EQ(f->Memo1->toPlainText(), QStringLiteral("body"));
  ASSERT_FALSE(while_filling.isEmpty());
  for (const QColor& c : while_filling) EXPECT_EQ(c, QColor(Qt::white));
  EXPECT_EQ(f->Memo1->palette().color(QPalette::Text), normal);
}

TEST(KeptMessage, RestoreSplitsAtTheFirstLineBreakOfAnyKind) {
  struct Case {
    std::string file;
    QString subject, body;
  };
  const Case cases[] = {
      {"no break at all", QStringLiteral("no break at all"), QString()},
      {"s\r\nb1\r\nb2\r\n", QStringLiteral("s"), QStringLiteral("b1\nb2\n")},  // the final break stays
      {"s\rb1\nb2", QStringLiteral("s"), QStringLiteral("b1\nb2")},
      {"\r\n", QString(), QString()},
      {to_cp932(u"長い件名") + std::string(300, 'x') + "\nb", QStringLiteral("長い件名") + QString(300, u'x'),
       QStringLiteral("b")},
  };
  for (const Case& c : cases) {
    MainWindowRun run;
    run.dir().write(kCloseTxt, c.file);
    TForm1* f = run.start();
    restore(f);
    EXPECT_EQ(f->subject->text(), c.subject) << c.file;
    EXPECT_EQ(f->Memo1->toPlainText(), c.body) << c.file;
  }
}

TEST(KeptMessage, ABodyEndingWithABreakKeepsItThroughExitAndRestore) {
  MainWindowRun run;
  EXPECT_EQ(exit_with(run, QStringLiteral("s"), QStringLiteral("x\n")), "s\r\nx\r\n");
  TForm1* f = run.restart();
  restore(f);
  EXPECT_EQ(f->subject->text(), QStringLiteral("s"));
  EXPECT_EQ(f->Memo1->toPlainText(), QStringLiteral("x\n"));
  ASSERT_TRUE(run.close());
  EXPECT_EQ(run.dir().read(kCloseTxt), "s\r\nx\r\n");
}

TEST(KeptMessage, RestoreWithoutAFileDoesNothing) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->subject->setText(QStringLiteral("mine"));
  restore(f);
  EXPECT_TRUE(run.dialogs().shown.empty());
  EXPECT_EQ(f->subject->text(), QStringLiteral("mine"));
}

TEST(KeptMessage, AnUnreadableFileIsReportedAndChangesNothing) {
  MainWindowRun run;
  QDir().mkpath(run.dir().file(kCloseTxt));  // a folder cannot be read as a file
  TForm1* f = run.start();
  f->subject->setText(QStringLiteral("mine"));
  restore(f);
  ASSERT_EQ(run.dialogs().shown.size(), 1u);
  EXPECT_EQ(run.dialogs().shown[0].kind, ShownDialog::Error);
  EXPECT_EQ(f->subject->text(), QStringLiteral("mine"));
}

TEST(KeptMessage, AnyBytesRestoreWithoutHarm) {
  std::mt19937 rng(3);
  MainWindowRun run;
  TForm1* f = run.start();
  for (int round = 0; round < 50; ++round) {
    Bytes bytes(rng() % 64, ' ');
    for (char& c : bytes) c = static_cast<char>(rng());
    run.dir().write(kCloseTxt, bytes);
    f->subject->clear();
    f->Memo1->clear();
    restore(f);
    // The subject never holds a line break.
    EXPECT_FALSE(f->subject->text().contains(u'\n'));
    EXPECT_FALSE(f->subject->text().contains(u'\r'));
  }
  EXPECT_TRUE(run.dialogs().shown.empty());
}
