// The main window as a user meets it: first start, settings across runs,
// the counter, the send button's rule, view switching and shut-down.
#include "support/main_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <random>

#include "app/file_io.h"
#include "platform/error_report.h"
#include "platform/shell.h"
#include "support/recording_shell.h"
#include "ui/form_about.h"
#include "ui/widget_toolseparator.h"

using namespace zarvel;
using zarvel::test::MainWindowRun;
using zarvel::test::ShownDialog;

namespace {

mode_t mode_of(const QString& path) {
  struct stat st {};
  stat(QFile::encodeName(path).constData(), &st);
  return st.st_mode & 0777;
}

// The section names of an ini file, in file order.
std::vector<std::string> sections(const std::string& ini) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while ((pos = ini.find('[', pos)) != std::string::npos) {
    const std::size_t end = ini.find(']', pos);
    out.push_back(ini.substr(pos + 1, end - pos - 1));
    pos = end;
  }
  return out;
}

}  // namespace

TEST(MainWindow, FirstStartInAnEmptyFolder) {
  MainWindowRun run;
  TForm1* f = run.start();
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE(std::abs(f->x() + f->width() / 2 - screen.center().x()), 1);
  EXPECT_LE(std::abs(f->y() + f->height() / 2 - screen.center().y()), 1);
  EXPECT_EQ(f->size(), QSize(280, 359));
  EXPECT_TRUE(f->Panel1->isVisible());
  EXPECT_FALSE(f->Panel2->isVisible() || f->Panel3->isVisible() || f->Panel6->isVisible());
  EXPECT_TRUE(f->ToolButton1->isChecked());
  EXPECT_EQ(QApplication::focusWidget(), f->subject);
  EXPECT_EQ(f->smtp_port->text(), QStringLiteral("25"));
  EXPECT_EQ(f->pop_port->text(), QStringLiteral("110"));
  EXPECT_EQ(f->rireki_max, 100);
  EXPECT_TRUE(f->delete_check->isChecked());
  EXPECT_TRUE(f->hint_check->isChecked());
  EXPECT_FALSE(f->cmdSend->isEnabled());
  EXPECT_EQ(run.panel(2), QStringLiteral("半角： 0"));
  // Both signature files exist at once, empty; nothing else was written.
  EXPECT_TRUE(run.dir().exists("signa1.txt"));
  EXPECT_EQ(run.dir().read("signa1.txt"), "");
  EXPECT_EQ(run.dir().read("signa2.txt"), "");
  EXPECT_FALSE(run.dir().exists("zarvel.ini"));

  QTest::keyClick(f->subject, Qt::Key_Escape);
  EXPECT_FALSE(f->isVisible());
  const std::string ini = run.dir().read("zarvel.ini");
  EXPECT_EQ(sections(ini), (std::vector<std::string>{"Options", "Window", "Server"}));
  EXPECT_EQ(mode_of(run.dir().file("zarvel.ini")), 0600u);
  EXPECT_NE(ini.find("smtp_port=25\r\n"), std::string::npos);
  EXPECT_NE(ini.find("send_max=100\r\n"), std::string::npos);
  EXPECT_TRUE(run.dialogs().shown.empty());
}

// The windows are built with their own font as the application's; after
// that every font is as it would be without: the application's is the
// desktop's, a window with no font of its own (the tool bar's menu) has the
// desktop's, every other control its parent's, and a line edit made later
// lays out in the desktop font.
TEST(MainWindow, BuildingTheWindowsLeavesEveryFontAsItWas) {
  const QFont desktop = QApplication::font();
  ASSERT_NE(desktop.family(), proportional_font().family());
  MainWindowRun run;
  TForm1* f = run.start(false);
  EXPECT_EQ(QApplication::font(), desktop);
  EXPECT_EQ(f->PopupMenu4->font(), QApplication::font(f->PopupMenu4));
  EXPECT_EQ(f->PopupMenu4->font().family(), desktop.family());
  QWidgetList all = f->findChildren<QWidget*>();
  all << f;
  for (QWidget* w : all) {
    SCOPED_TRACE(w->metaObject()->className());
    if (w->testAttribute(Qt::WA_SetFont)) continue;
    if (w->isWindow())
      EXPECT_EQ(w->font(), QApplication::font(w));
    else
      EXPECT_EQ(w->font(), w->parentWidget()->font());
  }
  QLineEdit later;
  EXPECT_EQ(later.font(), desktop);
}

TEST(MainWindow, SettingsComeBackAtTheNextStart) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->smtp_server->setText(QStringLiteral("smtp.example.jp"));
  f->mailaddress->setText(QStringLiteral("たろう@example.jp"));
  f->pop_password->setText(QStringLiteral("秘密pass"));
  f->rirekisu->setValue(5);
  f->send_end->setChecked(true);
  f->delete_check->setChecked(false);
  f->sign2->setChecked(true);
  f->move(100, 120);
  ASSERT_TRUE(run.close());
  const std::string ini = run.dir().read("zarvel.ini");
  EXPECT_EQ(ini.find("秘密"), std::string::npos);  // the password is never stored as typed

  f = run.restart();
  EXPECT_EQ(f->smtp_server->text(), QStringLiteral("smtp.example.jp"));
  EXPECT_EQ(f->mailaddress->text(), QStringLiteral("たろう@example.jp"));
  EXPECT_EQ(f->pop_password->text(), QStringLiteral("秘密pass"));
  EXPECT_EQ(f->rirekisu->value(), 5);
  EXPECT_EQ(f->rireki_max, 5);
  EXPECT_TRUE(f->send_end->isChecked());
  EXPECT_FALSE(f->delete_check->isChecked());
  EXPECT_EQ(f->signature_sel, 1);
  EXPECT_EQ(f->pos(), QPoint(100, 120));
}

TEST(MainWindow, SettingsFileValuesAreReadByTheProfileRules) {
  MainWindowRun run;
  run.dir().write("zarvel.ini", "[OPTIONS]\r\nSEND_MAX=0x14\r\n[Server]\r\npop_check=2\r\n");
  TForm1* f = run.start();
  EXPECT_EQ(f->rirekisu->value(), 20);
  EXPECT_EQ(f->rireki_max, 20);
  EXPECT_TRUE(f->pop_check->isChecked());
  run.restart(false);

  run.dir().write("zarvel.ini", "[Options]\r\nsend_max=1500\r\n[Server]\r\npop_check=x\r\n");
  f = run.restart();
  EXPECT_EQ(f->rirekisu->value(), 999);
  EXPECT_FALSE(f->pop_check->isChecked());

  run.dir().write("zarvel.ini",
                  "[Options]\r\nsend_max=abc\r\n[Server]\r\nsmtp_server=" + std::string(3000, 'h') + "\r\n");
  f = run.restart();
  EXPECT_EQ(f->rirekisu->value(), 100);
  EXPECT_EQ(f->smtp_server->text(), QString(2047, QLatin1Char('h')));
}

TEST(MainWindow, ASettingsFileWithOnlyTheServerSectionPlacesTheWindowAtItsDesignPosition) {
  MainWindowRun run;
  run.dir().write("zarvel.ini", "[Server]\r\nsmtp_server=mail.example.jp\r\n");
  TForm1* f = run.start();
  EXPECT_EQ(f->pos(), QPoint(373, 216));
  EXPECT_EQ(f->smtp_port->text(), QStringLiteral("25"));
  EXPECT_EQ(f->rirekisu->value(), 100);
  EXPECT_EQ(f->history_split, 120);
  EXPECT_EQ(f->smtp_server->text(), QStringLiteral("mail.example.jp"));
}

TEST(MainWindow, TheCounterCountsCp932BytesWithTwoPerLineBreak) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->subject->setText(QStringLiteral("件名は数えない"));
  f->Memo1->setPlainText(QStringLiteral("日本\nA"));
  EXPECT_EQ(run.panel(2), QStringLiteral("半角： 7"));
  f->Memo1->setPlainText(QStringLiteral("ｱｲ"));
  EXPECT_EQ(run.panel(2), QStringLiteral("半角： 2"));

  // With signatures on, a non-empty preview adds its length and the CR LF.
  f->Memo1->clear();
  f->Memo3->setPlainText(QStringLiteral("ab"));
  f->signature->setChecked(true);
  f->ToolButton1Click();
  EXPECT_EQ(run.panel(2), QStringLiteral("半角： 4"));
  f->Memo3->clear();
  f->Memo1->setPlainText(QStringLiteral("xyz"));
  f->ToolButton1Click();
  EXPECT_EQ(run.panel(2), QStringLiteral("半角： 3"));
}

TEST(MainWindow, TheCounterFollowsEditsAnywhereInALongBody) {
  MainWindowRun run;
  TForm1* f = run.start();
  QString body;
  for (int i = 0; i < 2000; ++i) body += QStringLiteral("あいうえおabc\n");
  f->Memo1->setPlainText(body);
  std::size_t expected = 2000 * 15;  // 13 bytes and a line break per line
  EXPECT_EQ(run.panel(2), QStringLiteral("半角： %1").arg(expected));
  QTextCursor c(f->Memo1->document());
  c.setPosition(700);
  c.insertText(QStringLiteral("漢\n"));
  EXPECT_EQ(run.panel(2), QStringLiteral("半角： %1").arg(expected + 4));
  c.setPosition(10);
  c.setPosition(40, QTextCursor::KeepAnchor);  // across two lines
  const std::size_t removed = cp932_length(c.selectedText().replace(QChar(0x2029), QLatin1Char('\n')));
  c.removeSelectedText();
  EXPECT_EQ(run.panel(2), QStringLiteral("半角： %1").arg(expected + 4 - removed));
}

TEST(MainWindow, TheSendButtonNeedsABodyAnAddressAndNoSentMarker) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->Memo1->setPlainText(QStringLiteral("本文"));
  EXPECT_FALSE(f->cmdSend->isEnabled());
  f->To_address->setText(QStringLiteral("a@example.jp"));
  EXPECT_TRUE(f->cmdSend->isEnabled());  // the subject may be empty
  f->StatusBar1->set_panel_text(1, QStringLiteral("送信済"));
  f->send_sw_check();
  EXPECT_FALSE(f->cmdSend->isEnabled());
  f->subject->setText(QStringLiteral("x"));  // editing the subject does not re-enable it
  EXPECT_FALSE(f->cmdSend->isEnabled());
  QTest::keyClicks(f->Memo1, QStringLiteral("a"));
  EXPECT_EQ(run.panel(1), QString());
  EXPECT_TRUE(f->cmdSend->isEnabled());
  f->Memo1->setPlainText(QStringLiteral(" \n"));  // blanks count as text
  EXPECT_TRUE(f->cmdSend->isEnabled());
}

TEST(MainWindow, TheCaretReturnsToTheFieldUsedLast) {
  MainWindowRun run;
  TForm1* f = run.start();
  QTest::keyClicks(f->subject, QStringLiteral("abc"));
  QTest::keyClick(f->subject, Qt::Key_Return);  // Enter moves on to the body
  EXPECT_EQ(QApplication::focusWidget(), f->Memo1);
  EXPECT_EQ(f->subject->text(), QStringLiteral("abc"));
  EXPECT_EQ(f->last_input, 1);  // leaving the subject counts as using it
  QTest::keyClicks(f->Memo1, QStringLiteral("xy"));
  QTest::keyClick(f->Memo1, Qt::Key_Return);  // Enter in the body is a line break
  EXPECT_EQ(f->Memo1->toPlainText(), QStringLiteral("xy\n"));
  QTest::mouseClick(f->Memo1->viewport(), Qt::LeftButton);
  EXPECT_EQ(f->last_input, 2);
  const int caret = f->Memo1->textCursor().position();
  QTest::mouseClick(f->To_name, Qt::LeftButton);
  EXPECT_EQ(QApplication::focusWidget(), f->Memo1);
  EXPECT_EQ(f->Memo1->textCursor().position(), caret);
  f->subject->setFocus();
  f->subject->setCursorPosition(1);
  QTest::mouseClick(f->Memo2->viewport(), Qt::LeftButton);
  EXPECT_EQ(QApplication::focusWidget(), f->subject);
  EXPECT_EQ(f->subject->cursorPosition(), 1);
}

TEST(MainWindow, ClearEmptiesSubjectAndBodyOnly) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->To_name->setText(QStringLiteral("名前"));
  f->subject->setText(QStringLiteral("s"));
  f->Memo1->setPlainText(QStringLiteral("b"));
  f->Memo2->setPlainText(QStringLiteral("sig"));
  QTest::mouseClick(f->cmdClear, Qt::LeftButton);
  EXPECT_TRUE(f->subject->text().isEmpty());
  EXPECT_TRUE(f->Memo1->toPlainText().isEmpty());
  EXPECT_EQ(f->To_name->text(), QStringLiteral("名前"));
  EXPECT_EQ(f->Memo2->toPlainText(), QStringLiteral("sig"));
  EXPECT_EQ(QApplication::focusWidget(), f->subject);
  EXPECT_TRUE(run.dialogs().shown.empty());
}

TEST(MainWindow, CharactersCp932CannotHoldShowAsGetaAtOnce) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->Memo1->setFocus();
  f->Memo1->insertPlainText(
      QString::fromUtf8("a\xF0\x9F\x98\x80"
                        "b\u00E9"));
  QApplication::processEvents();
  EXPECT_EQ(f->Memo1->toPlainText(), QStringLiteral("a〓b〓"));
  EXPECT_EQ(f->Memo1->textCursor().position(), 4);
  f->subject->setText(QString::fromUtf8("x\xF0\x9F\x8E\x89\nz"));
  EXPECT_EQ(f->subject->text(), QStringLiteral("x〓 z"));
  // Pictograms of the user-defined area are kept.
  f->Memo1->setPlainText(QString(QChar(0xE63E)));
  QApplication::processEvents();
  EXPECT_EQ(to_cp932(f->Memo1->toPlainText()), "\xF8\x9F");
}

TEST(MainWindow, ViewSwitchingShowsOneViewAndItsCount) {
  MainWindowRun run;
  TForm1* f = run.start();
  QTest::mouseClick(f->ToolButton3, Qt::LeftButton);
  EXPECT_TRUE(f->Panel2->isVisible());
  EXPECT_FALSE(f->Panel1->isVisible());
  EXPECT_TRUE(f->ToolButton3->isChecked());
  EXPECT_FALSE(f->ToolButton1->isChecked());
  EXPECT_EQ(run.panel(2), QString());
  QTest::mouseClick(f->ToolButton2, Qt::LeftButton);
  EXPECT_EQ(run.panel(2), QStringLiteral("登録数： 0"));
  QTest::mouseClick(f->ToolButton6, Qt::LeftButton);
  EXPECT_EQ(run.panel(2), QStringLiteral("件数： 0"));
  QTest::mouseClick(f->ToolButton1, Qt::LeftButton);
  QTest::mouseClick(f->ToolButton1, Qt::LeftButton);  // again: stays down
  EXPECT_TRUE(f->ToolButton1->isChecked());
  EXPECT_TRUE(f->Panel1->isVisible());
  for (QFrame* p : {f->Panel1, f->Panel2.get(), f->Panel3.get(), f->Panel6.get()}) EXPECT_EQ(p->pos(), QPoint(-1, 39));
  EXPECT_EQ(f->size(), QSize(280, 359));
}

TEST(MainWindow, HintsFollowTheMouseOnlyWhileTheOptionIsOn) {
  MainWindowRun run;
  TForm1* f = run.start();
  QStatusTipEvent tip(QStringLiteral("メールを送信します。"));
  QApplication::sendEvent(f, &tip);
  EXPECT_EQ(run.panel(0), QStringLiteral("メールを送信します。"));
  f->hint_check->setChecked(false);
  QStatusTipEvent other(QStringLiteral("件名・本文のクリア"));
  QApplication::sendEvent(f, &other);
  EXPECT_EQ(run.panel(0), QStringLiteral("メールを送信します。"));
  run.close();
  f = run.restart();
  EXPECT_FALSE(f->hint_check->isChecked());
}

TEST(MainWindow, EscapeAnywhereClosesAfterTheFullShutDown) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->Memo1->setPlainText(QStringLiteral("本文"));
  f->Memo3->setPlainText(QStringLiteral("署名"));
  QTest::keyClick(f->Memo1, Qt::Key_Escape);
  EXPECT_FALSE(f->isVisible());
  EXPECT_TRUE(run.dir().exists("zarvel.ini"));
  EXPECT_EQ(run.dir().read("signa1.txt"), to_cp932(QStringLiteral("署名")) + "\r\n");
}

TEST(MainWindow, AnErrorInAHandlerIsReportedAndTheProgramCarriesOn) {
  MainWindowRun run;
  TForm1* f = run.start();
  guarded([] { throw AppError(QStringLiteral("テストの失敗")); });
  ASSERT_EQ(run.dialogs().shown.size(), 1u);
  EXPECT_EQ(run.dialogs().shown[0].kind, ShownDialog::Error);
  EXPECT_EQ(run.dialogs().shown[0].text, QStringLiteral("予期しないエラーが発生しました\nテストの失敗"));
  EXPECT_TRUE(f->isVisible());
}

TEST(MainWindow, ADataFileThatCannotBeWrittenKeepsTheWindowOpenAndTheOldFileWhole) {
  MainWindowRun run;
  TForm1* f = run.start();
  // signa2.txt is a folder: its write fails, the steps before it are done.
  QFile::remove(run.dir().file("signa2.txt"));
  QDir(run.dir().path()).mkdir("signa2.txt");
  f->Memo3->setPlainText(QStringLiteral("一"));
  f->Memo5->setPlainText(QStringLiteral("二"));  // an unchanged one is not written at all
  EXPECT_FALSE(run.close());
  EXPECT_TRUE(f->isVisible());
  ASSERT_EQ(run.dialogs().shown.size(), 1u);
  EXPECT_EQ(run.dialogs().shown[0].text, QStringLiteral("予期しないエラーが発生しました\n") +
                                             run.dir().file("signa2.txt") + QStringLiteral(" に書き込めません"));
  EXPECT_TRUE(run.dir().exists("zarvel.ini"));
  EXPECT_EQ(run.dir().read("signa1.txt"), to_cp932(QStringLiteral("一")) + "\r\n");
  // Once the cause is gone, closing again repeats the whole shut-down.
  QDir(run.dir().path()).rmdir("signa2.txt");
  EXPECT_TRUE(run.close());
  EXPECT_TRUE(run.dir().exists("signa2.txt"));
}

TEST(MainWindow, HelpOpensTheFileNextToTheProgramAtItsBeginning) {
  zarvel::test::RecordingShell shell;
  MainWindowRun run;
  TForm1* f = run.start();
  QTest::mouseClick(f->ToolButton4, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(shell.help_file, run.dir().file("zarvel.hlp"));  // the program's path with ".hlp", not the data folder's
  EXPECT_EQ(shell.help_context, 1);
}

TEST(MainWindow, TheAboutBoxOpensFromTheMenuAndFromTheSeparator) {
  MainWindowRun run;
  TForm1* f = run.start();
  int shown = 0;
  auto close_when_shown = [&] {
    QTimer::singleShot(0, [&] {
      if (run.windows().AboutBox->isVisible()) {
        ++shown;
        run.windows().AboutBox->accept();
      }
    });
  };
  close_when_shown();
  f->About1->trigger();
  close_when_shown();
  QTest::mouseClick(f->ToolButton5, Qt::LeftButton, {}, QPoint(4, 10));
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(f->PopupMenu4->actions().value(0)->text(), QStringLiteral("バージョン情報"));
}

TEST(MainWindow, AnyBytesInTheSettingsAndSignatureFilesStartTheProgram) {
  std::mt19937 rng(7);
  for (int round = 0; round < 25; ++round) {
    MainWindowRun run;
    for (const char* name : {"zarvel.ini", "signa1.txt", "signa2.txt"}) {
      std::string bytes(rng() % 3000, '\0');
      for (char& c : bytes) c = static_cast<char>(rng() % 4 == 0 ? "[]=\r\n"[rng() % 5] : rng() % 256);
      if (round % 3 == 0 && std::string(name) == "zarvel.ini")
        bytes = "[Server]\r\npop_password=" + bytes + "\r\n[Options]\r\nsend_max=" + bytes.substr(0, 20);
      run.dir().write(name, bytes);
    }
    TForm1* f = run.start();
    EXPECT_GE(f->rirekisu->value(), 0);
    EXPECT_LE(f->rirekisu->value(), 999);
    EXPECT_TRUE(run.close());
  }
}

// Run as an ordinary user (ctest runs it through tests/support/run_unprivileged
// when it is root, since root may write into a read-only folder).
TEST(ReadOnly, AReadOnlyDataFolderAtExitIsReportedAndDamagesNothing) {
  if (geteuid() == 0) GTEST_SKIP() << "needs an ordinary user";
  MainWindowRun run;
  run.dir().write("zarvel.csv", "a,b\r\n");
  TForm1* f = run.start();
  ASSERT_TRUE(run.close());
  const std::string ini = run.dir().read("zarvel.ini");
  f = run.restart();
  f->smtp_server->setText(QStringLiteral("changed.example.jp"));
  chmod(QFile::encodeName(run.dir().path()).constData(), 0500);
  EXPECT_FALSE(run.close());
  chmod(QFile::encodeName(run.dir().path()).constData(), 0700);
  EXPECT_TRUE(f->isVisible());
  ASSERT_EQ(run.dialogs().shown.size(), 1u);
  EXPECT_EQ(run.dialogs().shown[0].text, QStringLiteral("予期しないエラーが発生しました\n") +
                                             run.dir().file("zarvel.ini") + QStringLiteral(" に書き込めません"));
  EXPECT_EQ(run.dir().read("zarvel.ini"), ini);
  EXPECT_EQ(run.dir().read("zarvel.csv"), "a,b\r\n");
  for (const QString& name : QDir(run.dir().path()).entryList(QDir::Files | QDir::Hidden))
    EXPECT_FALSE(name.contains(QStringLiteral(".tmp"))) << name.toStdString();  // no leftovers
}
