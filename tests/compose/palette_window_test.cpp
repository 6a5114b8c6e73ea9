// The quick list and the palette through the real windows: first run,
// kaomoji.txt and the palette's keys, categories, pasting through the
// clipboard into the field used last, saving, and Escape.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QFontInfo>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSplitter>
#include <QSplitterHandle>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolButton>
#include <random>

#include "app/data_file.h"
#include "app/profile.h"
#include "compose/form_kaomoji.h"
#include "compose/kaomoji_file.h"
#include "support/main_window.h"

using namespace zarvel;
using zarvel::test::MainWindowRun;

namespace {

const QString kKaomoji = QStringLiteral("kaomoji.txt");
const QString kIni = QStringLiteral("zarvel.ini");
const QString kPasteHint = QStringLiteral("ダブルクリックで貼り付け");

Tkaomoji* palette(MainWindowRun& run) { return run.windows().kaomoji; }

Tkaomoji* open_palette(MainWindowRun& run) {
  QTest::mouseClick(run.form()->BitBtn1, Qt::LeftButton);
  QApplication::processEvents();
  return palette(run);
}

QStringList rows(const QListWidget* l) {
  QStringList out;
  for (int i = 0; i < l->count(); ++i) out.push_back(l->item(i)->text());
  return out;
}

QStringList builtin_rows() {
  QStringList out;
  for (const Bytes& r : builtin_kaomoji()) out.push_back(from_cp932(r));
  return out;
}

QPoint row_point(QListWidget* l, int row) {
  l->scrollToItem(l->item(row));
  return l->visualItemRect(l->item(row)).center();
}

void click_row(QListWidget* l, int row) { QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, row_point(l, row)); }

void double_click_row(QListWidget* l, int row) {
  const QPoint at = row_point(l, row);
  QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
  QApplication::processEvents();  // the main window's activation
}

int ini_int(MainWindowRun& run, const char* key) {
  IniFile ini(run.dir().file(kIni));
  ini.load();
  EXPECT_TRUE(ini.contains("Window", key)) << key;
  return ini.read_int("Window", key, -1);
}

// The body was used last, with the caret after its `caret`-th character.
void body_used_last(TForm1* f, const QString& text, int caret) {
  f->Memo1->setPlainText(text);
  QTest::mouseClick(f->Memo1->viewport(), Qt::LeftButton);
  QTextCursor c = f->Memo1->textCursor();
  c.setPosition(caret);
  f->Memo1->setTextCursor(c);
}

// Row `row` of the category list.
void choose_category(Tkaomoji* p, int row) { click_row(p->ListBox3, row); }

}  // namespace

TEST(Palette, FirstRunShowsTheBuiltInRowsAndCreatesTheFileOnClose) {
  MainWindowRun run;
  TForm1* f = run.start();
  EXPECT_EQ(rows(f->ListBox1), builtin_rows());
  EXPECT_EQ(f->ListBox1->count(), 23);
  EXPECT_FALSE(run.dir().exists(kKaomoji));

  Tkaomoji* p = open_palette(run);
  ASSERT_TRUE(p->isVisible());
  EXPECT_EQ(p->windowTitle(), QStringLiteral("一行文字・絵文字(imode)"));
  EXPECT_EQ(p->size(), QSize(250, 455));
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  // Centred, give or take the frame the platform may draw around it.
  EXPECT_LE((p->geometry().center() - screen.center()).manhattanLength(), 6);
  EXPECT_EQ(p->ListBox3->currentRow(), 0);
  EXPECT_EQ(p->ListBox3->currentItem()->text(), QStringLiteral("かお"));
  EXPECT_EQ(p->ListBox2->count(), 12);
  EXPECT_EQ(rows(p->ListBox1), builtin_rows());
  EXPECT_EQ(p->Memo1->toPlainText(), builtin_rows().join(u'\n') + u'\n');
  EXPECT_EQ(p->Memo1->textCursor().position(), 0);
  // Paste mode, with the pictograms beside the list.
  EXPECT_TRUE(p->ToolButton5->isChecked());
  EXPECT_TRUE(p->ListBox1->isVisible());
  EXPECT_FALSE(p->Memo1->isVisible());
  EXPECT_TRUE(p->Panel1->isVisible());
  EXPECT_EQ(p->Panel1->width(), 130);
  EXPECT_EQ(p->ListBox2->height(), 241);

  QTest::mouseClick(p->ToolButton2, Qt::LeftButton);
  EXPECT_FALSE(p->isVisible());
  EXPECT_EQ(run.dir().read(kKaomoji), format_kaomoji(builtin_kaomoji()));
  EXPECT_EQ(ini_int(run, "esplit"), 130);
  EXPECT_EQ(ini_int(run, "e1split"), 241);
  EXPECT_EQ(ini_int(run, "eleft"), p->x());
  EXPECT_EQ(ini_int(run, "etop"), p->y());
  EXPECT_EQ(ini_int(run, "ewidth"), 250);
  EXPECT_EQ(ini_int(run, "eheight"), 455);
  const Bytes ini = run.dir().read(kIni);
  EXPECT_LT(ini.find("esplit="), ini.find("e1split="));
  EXPECT_LT(ini.find("e1split="), ini.find("eleft="));
  EXPECT_LT(ini.find("eleft="), ini.find("eheight="));
  EXPECT_TRUE(run.dialogs().shown.empty());
}

TEST(Palette, WindowLayout) {
  MainWindowRun run;
  run.start();
  Tkaomoji* p = open_palette(run);
  EXPECT_EQ(p->parentWidget(), run.form());
  EXPECT_TRUE(p->isWindow());
  EXPECT_FALSE(p->isModal());
  EXPECT_TRUE(p->windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(p->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(p->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_EQ(p->minimumSize(), QSize(250, 304));
  // Down to the minimum everything still has its place.
  p->resize(250, 304);
  QApplication::processEvents();
  EXPECT_EQ(p->size(), QSize(250, 304));
  EXPECT_GT(p->ListBox1->width(), 0);
  EXPECT_GE(p->ListBox2->height(), 100);
  // Growing, the right column keeps its width and the pictogram list its
  // height.
  p->resize(400, 600);
  QApplication::processEvents();
  EXPECT_EQ(p->Panel1->width(), 130);
  EXPECT_EQ(p->ListBox2->height(), 241);
  // The pictures are found in the resources.
  for (QToolButton* b : {p->ToolButton5, p->ToolButton6, p->ToolButton1, p->ToolButton2})
    EXPECT_FALSE(b->icon().pixmap(20, 20).isNull()) << b->text().toStdString();
  EXPECT_EQ(QFontInfo(p->ListBox1->font()).family(), QStringLiteral("IPAGothic"));
  EXPECT_EQ(p->ListBox1->font().pixelSize(), 12);
  // The pictogram font stands behind every list's own.
  for (QWidget* w : {static_cast<QWidget*>(p->ListBox1), static_cast<QWidget*>(p->ListBox2),
                     static_cast<QWidget*>(p->ListBox3), static_cast<QWidget*>(p->Memo1)})
    EXPECT_EQ(w->font().families().value(1), QStringLiteral("Zarvel Pictograms"));
}

TEST(Palette, TheGeometryIsRestoredOnlyWhenTheFileExists) {
  MainWindowRun run;
  const std::string keys =
      "[Window]\r\neleft=100\r\netop=50\r\newidth=300\r\neheight=420\r\nesplit=150\r\ne1split=120\r\n";
  run.dir().write(kIni, keys);
  run.start();
  Tkaomoji* p = palette(run);
  EXPECT_NE(p->pos(), QPoint(100, 50));  // centred: no kaomoji.txt yet
  EXPECT_EQ(p->size(), QSize(250, 455));
  ASSERT_TRUE(run.close());

  run.dir().write(kIni, keys);
  run.dir().write(kKaomoji, "a\r\n");
  run.restart();
  p = open_palette(run);
  EXPECT_EQ(p->pos(), QPoint(100, 50));
  EXPECT_EQ(p->size(), QSize(300, 420));
  EXPECT_EQ(p->Panel1->width(), 150);
  EXPECT_EQ(p->ListBox2->height(), 120);
  // Closing writes what it shows, in edit mode too.
  QTest::mouseClick(p->ToolButton6, Qt::LeftButton);
  p->close();
  EXPECT_EQ(ini_int(run, "esplit"), 150);
  EXPECT_EQ(ini_int(run, "e1split"), 120);
  EXPECT_EQ(ini_int(run, "ewidth"), 300);
  EXPECT_EQ(run.dir().read(kKaomoji), "a\r\n");  // an existing file is left alone

  // Out-of-range widths come back within their limits.
  run.dir().write(kIni, "[Window]\r\nesplit=5\r\ne1split=3\r\newidth=10\r\neheight=0\r\n");
  run.restart();
  p = palette(run);
  EXPECT_EQ(p->panel_width(), 70);
  EXPECT_EQ(p->lower_height(), 100);
  EXPECT_EQ(p->size(), QSize(250, 304));
}

TEST(Palette, DraggedSplittersAreStoredWithinTheirLimits) {
  MainWindowRun run;
  run.start();
  Tkaomoji* p = open_palette(run);
  auto drag = [](QSplitterHandle* h, QPoint by) {
    const QPoint from = h->rect().center();
    QTest::mousePress(h, Qt::LeftButton, {}, from);
    QTest::mouseMove(h, from + by);
    QTest::mouseRelease(h, Qt::LeftButton, {}, from + by);
  };
  drag(p->Splitter1->handle(1), QPoint(-20, 0));
  drag(p->Splitter2->handle(1), QPoint(0, 30));
  EXPECT_EQ(p->Panel1->width(), 150);
  EXPECT_EQ(p->ListBox2->height(), 211);
  p->resize(500, 455);
  QApplication::processEvents();
  drag(p->Splitter1->handle(1), QPoint(-200, 0));
  EXPECT_EQ(p->Panel1->width(), 190);
  QTest::mouseClick(p->ToolButton2, Qt::LeftButton);
  EXPECT_EQ(ini_int(run, "esplit"), 190);
  EXPECT_EQ(ini_int(run, "e1split"), 211);
}

TEST(Palette, CategoriesShowTheirPictograms) {
  MainWindowRun run;
  run.start();
  Tkaomoji* p = open_palette(run);
  ASSERT_EQ(p->ListBox3->count(), 10);
  choose_category(p, 9);
  EXPECT_EQ(p->ListBox3->item(9)->text(), QStringLiteral("拡張絵文字（504iなど）"));
  ASSERT_EQ(p->ListBox2->count(), 76);
  for (int i = 0; i < 76; ++i) {
    const Bytes row = to_cp932(p->ListBox2->item(i)->text());
    const int code = (static_cast<unsigned char>(row[0]) << 8) | static_cast<unsigned char>(row[1]);
    EXPECT_EQ(code, 0xF9B1 + i);
    EXPECT_EQ(row.substr(2, 3), " : ");
  }
  choose_category(p, 8);
  EXPECT_EQ(p->ListBox2->count(), 167);
  choose_category(p, 2);
  EXPECT_EQ(to_cp932(p->ListBox2->item(0)->text()), to_cp932(u"\uE63E : 晴れ"));
  // Keys move through the categories as clicks do.
  QTest::keyClick(p->ListBox3, Qt::Key_Down);
  EXPECT_EQ(p->ListBox3->currentRow(), 3);
  EXPECT_EQ(p->ListBox2->count(), 21);
}

TEST(Palette, APictogramGoesToTheBodyCaretThroughTheClipboard) {
  MainWindowRun run;
  TForm1* f = run.start();
  body_used_last(f, QStringLiteral("abcd"), 2);
  Tkaomoji* p = open_palette(run);
  choose_category(p, 2);  // weather: F89F first
  double_click_row(p->ListBox2, 0);
  EXPECT_EQ(to_cp932_crlf(f->Memo1->toPlainText()),
            "ab\xF8\x9F"
            "cd");
  EXPECT_EQ(to_cp932(QGuiApplication::clipboard()->text()), "\xF8\x9F");
  EXPECT_EQ(f->Memo1->textCursor().position(), 3);
  EXPECT_TRUE(f->Memo1->hasFocus());
  EXPECT_TRUE(f->subject->text().isEmpty());

  // A one-line text replaces the subject's selection.
  f->subject->setText(QStringLiteral("12345"));
  QTest::mouseClick(f->subject, Qt::LeftButton);
  f->subject->setSelection(1, 3);
  double_click_row(p->ListBox1, 5);
  EXPECT_EQ(f->subject->text(), QStringLiteral("1(*^^*)5"));
  EXPECT_EQ(f->Memo1->toPlainText(), QStringLiteral("ab\uE63Ecd"));
}

TEST(Palette, NothingIsPastedWhileAnotherViewIsShown) {
  MainWindowRun run;
  TForm1* f = run.start();
  body_used_last(f, QStringLiteral("x"), 1);
  Tkaomoji* p = open_palette(run);
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  for (QToolButton* view : {f->ToolButton3, f->ToolButton6, f->ToolButton2}) {
    QTest::mouseClick(view, Qt::LeftButton);
    double_click_row(p->ListBox2, 0);
    double_click_row(p->ListBox1, 0);
    EXPECT_EQ(f->Memo1->toPlainText(), QStringLiteral("x")) << view->text().toStdString();
  }
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  // The settings view empties the lists' hints; the compose view sets them.
  EXPECT_TRUE(p->ListBox1->statusTip().isEmpty());
  EXPECT_TRUE(p->ListBox2->statusTip().isEmpty());
  QTest::mouseClick(f->ToolButton1, Qt::LeftButton);
  EXPECT_EQ(p->ListBox1->statusTip(), kPasteHint);
  EXPECT_EQ(p->ListBox2->statusTip(), kPasteHint);
  double_click_row(p->ListBox1, 0);
  EXPECT_EQ(f->Memo1->toPlainText(), QStringLiteral("x(^-^)"));
}

TEST(Palette, NoFieldUsedYetMeansNoPaste) {
  MainWindowRun run;
  TForm1* f = run.start();
  ASSERT_EQ(f->last_input, 0);
  f->BitBtn1Click();
  Tkaomoji* p = palette(run);
  ASSERT_TRUE(p->isVisible());
  QApplication::setActiveWindow(p);
  double_click_row(p->ListBox2, 0);
  double_click_row(p->ListBox1, 0);
  EXPECT_EQ(f->last_input, 0);
  EXPECT_TRUE(f->subject->text().isEmpty());
  EXPECT_TRUE(f->Memo1->toPlainText().isEmpty());
  // Leaving the subject, which has the focus from the start, uses it.
  QApplication::setActiveWindow(f);
  double_click_row(f->ListBox1, 0);
  EXPECT_EQ(f->subject->text(), QStringLiteral("(^-^)"));
}

TEST(Palette, PaletteHintsShowInTheMainStatusBar) {
  MainWindowRun run;
  run.start();
  Tkaomoji* p = open_palette(run);
  QStatusTipEvent tip(p->ListBox2->statusTip());
  QApplication::sendEvent(p->ListBox2, &tip);
  EXPECT_EQ(run.panel(0), kPasteHint);
  EXPECT_TRUE(p->StatusBar1->currentMessage().isEmpty());
}

TEST(Palette, SavingTrimsTheEditorAndReplacesBothLists) {
  MainWindowRun run;
  TForm1* f = run.start();
  Tkaomoji* p = open_palette(run);
  QTest::mouseClick(p->ToolButton6, Qt::LeftButton);
  EXPECT_TRUE(p->Memo1->isVisible());
  EXPECT_FALSE(p->ListBox1->isVisible());
  EXPECT_FALSE(p->Panel1->isVisible());
  EXPECT_TRUE(p->Memo1->hasFocus());
  p->Memo1->setPlainText(QStringLiteral("\n\n　(^^)\n\n m(__)m \t \n"));
  QTest::mouseClick(p->ToolButton1, Qt::LeftButton);
  EXPECT_EQ(p->Memo1->toPlainText(), QStringLiteral("　(^^)\n\n m(__)m"));
  EXPECT_EQ(run.dir().read(kKaomoji), to_cp932(u"　(^^)") + "\r\n\r\n m(__)m\r\n");
  const QStringList saved = {QStringLiteral("　(^^)"), QString(), QStringLiteral(" m(__)m")};
  EXPECT_EQ(rows(f->ListBox1), saved);
  EXPECT_EQ(rows(p->ListBox1), saved);
  EXPECT_TRUE(run.dialogs().shown.empty());
  // Closing does not overwrite the saved file.
  p->close();
  EXPECT_EQ(run.dir().read(kKaomoji), to_cp932(u"　(^^)") + "\r\n\r\n m(__)m\r\n");
  f = run.restart();
  EXPECT_EQ(rows(f->ListBox1), saved);
}

TEST(Palette, SavingBlanksEmptiesTheListsForGood) {
  MainWindowRun run;
  TForm1* f = run.start();
  Tkaomoji* p = open_palette(run);
  QTest::mouseClick(p->ToolButton6, Qt::LeftButton);
  p->Memo1->setPlainText(QStringLiteral(" \n\t\n  \n"));
  QTest::mouseClick(p->ToolButton1, Qt::LeftButton);
  ASSERT_TRUE(run.dir().exists(kKaomoji));
  EXPECT_EQ(run.dir().read(kKaomoji), "");
  EXPECT_EQ(f->ListBox1->count(), 0);
  EXPECT_EQ(p->ListBox1->count(), 0);
  ASSERT_TRUE(run.close());
  EXPECT_EQ(run.dir().read(kKaomoji), "");
  f = run.restart();
  EXPECT_EQ(f->ListBox1->count(), 0);
  p = open_palette(run);
  EXPECT_EQ(p->ListBox1->count(), 0);
  EXPECT_TRUE(p->Memo1->toPlainText().isEmpty());
}

TEST(Palette, UnsavedEditsAreReplacedWhenThePaletteIsReopened) {
  MainWindowRun run;
  TForm1* f = run.start();
  Tkaomoji* p = open_palette(run);
  QTest::mouseClick(p->ToolButton6, Qt::LeftButton);
  p->Memo1->setPlainText(QStringLiteral("unsaved"));
  QTest::mouseClick(p->ToolButton2, Qt::LeftButton);
  // The first close writes the quick list, not the editor.
  EXPECT_EQ(run.dir().read(kKaomoji), format_kaomoji(builtin_kaomoji()));
  EXPECT_EQ(rows(f->ListBox1), builtin_rows());
  p = open_palette(run);
  EXPECT_EQ(p->Memo1->toPlainText(), builtin_rows().join(u'\n') + u'\n');
  // The mode is the one it was closed in.
  EXPECT_TRUE(p->ToolButton6->isChecked());
  EXPECT_TRUE(p->Memo1->isVisible());
  EXPECT_FALSE(p->Panel1->isVisible());
  QTest::mouseClick(p->ToolButton5, Qt::LeftButton);
  EXPECT_TRUE(p->ListBox1->isVisible());
  EXPECT_TRUE(p->Panel1->isVisible());
  EXPECT_FALSE(p->Memo1->isVisible());
}

TEST(Palette, OpeningAgainWhileShownOnlyReturnsTheCaret) {
  MainWindowRun run;
  TForm1* f = run.start();
  Tkaomoji* p = open_palette(run);
  p->Memo1->setPlainText(QStringLiteral("edited"));
  QApplication::setActiveWindow(f);
  QTest::mouseClick(f->subject, Qt::LeftButton);
  QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
  EXPECT_TRUE(f->subject->hasFocus());
  EXPECT_EQ(p->Memo1->toPlainText(), QStringLiteral("edited"));
}

TEST(Palette, QuickListClickReturnsTheCaretAndDoubleClickPastes) {
  MainWindowRun run;
  TForm1* f = run.start();
  QTest::mouseClick(f->subject, Qt::LeftButton);
  QTest::keyClicks(f->subject, QStringLiteral("ab"));
  click_row(f->ListBox1, 3);
  EXPECT_TRUE(f->subject->hasFocus());
  EXPECT_FALSE(f->ListBox1->hasFocus());
  double_click_row(f->ListBox1, 3);
  EXPECT_EQ(f->subject->text(), QStringLiteral("ab(^^;"));
  // A click below the rows returns the caret too.
  QTest::mouseClick(f->ListBox1->viewport(), Qt::LeftButton, {}, QPoint(5, f->ListBox1->viewport()->height() - 2));
  EXPECT_TRUE(f->subject->hasFocus());
}

TEST(Palette, AfterTabThePaletteStillPastesIntoTheSubject) {
  MainWindowRun run;
  TForm1* f = run.start();
  Tkaomoji* p = open_palette(run);
  // Back in the main window, from the subject on to the body by Tab.
  QApplication::setActiveWindow(f);
  f->subject->setFocus();
  QTest::keyClick(f->subject, Qt::Key_Tab);
  ASSERT_TRUE(f->Memo1->hasFocus());
  QTest::keyClicks(f->Memo1, QStringLiteral("body"));
  // The palette is activated; the body was neither clicked nor left.
  QApplication::setActiveWindow(p);
  double_click_row(p->ListBox1, 0);
  EXPECT_EQ(f->subject->text(), QStringLiteral("(^-^)"));
  EXPECT_EQ(f->Memo1->toPlainText(), QStringLiteral("body"));
}

TEST(Palette, AfterEnterTheQuickListPastesIntoTheBody) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->subject->setFocus();
  QTest::keyClick(f->subject, Qt::Key_Return);
  ASSERT_TRUE(f->Memo1->hasFocus());
  QTest::keyClicks(f->Memo1, QStringLiteral("body"));
  // Clicking the quick list leaves the body.
  double_click_row(f->ListBox1, 0);
  EXPECT_EQ(f->Memo1->toPlainText(), QStringLiteral("body(^-^)"));
  EXPECT_TRUE(f->subject->text().isEmpty());
}

TEST(Palette, EscapeInThePaletteEndsTheProgramThroughTheUsualExit) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->subject->setText(QStringLiteral("s"));
  Tkaomoji* p = open_palette(run);
  QSignalSpy closed(f, &TForm1::closed);
  QTest::keyClick(p->ListBox2, Qt::Key_Escape);
  EXPECT_EQ(closed.count(), 1);
  EXPECT_FALSE(f->isVisible());
  EXPECT_FALSE(p->isVisible());
  EXPECT_EQ(run.dir().read(QStringLiteral("close.txt")), "s\r\n");
  EXPECT_EQ(run.dir().read(kKaomoji), format_kaomoji(builtin_kaomoji()));
  const Bytes ini = run.dir().read(kIni);
  for (const char* key : {"eleft=", "etop=", "ewidth=", "eheight=", "esplit=", "e1split=", "signature_sel="})
    EXPECT_NE(ini.find(key), std::string::npos) << key;
  // In edit mode too.
  f = run.restart();
  p = open_palette(run);
  QTest::mouseClick(p->ToolButton6, Qt::LeftButton);
  QSignalSpy closed_again(f, &TForm1::closed);
  QTest::keyClick(p->Memo1, Qt::Key_Escape);
  EXPECT_EQ(closed_again.count(), 1);
}

TEST(Palette, ThePaletteStaysShutWhenTheMainWindowClosesWithoutIt) {
  MainWindowRun run;
  run.start();
  ASSERT_TRUE(run.close());
  // Not shown, not closed: no keys and no file.
  EXPECT_FALSE(run.dir().exists(kKaomoji));
  EXPECT_EQ(run.dir().read(kIni).find("eleft="), std::string::npos);
}

TEST(Palette, TheFileReplacesTheBuiltInRowsAtFirstShowing) {
  MainWindowRun run;
  run.dir().write(kKaomoji, to_cp932(u"一\r\n\r\n") + "two\rthree\n");
  TForm1* f = run.start();
  const QStringList expected = {QStringLiteral("一"), QString(), QStringLiteral("two"), QStringLiteral("three")};
  EXPECT_EQ(rows(f->ListBox1), expected);
  Tkaomoji* p = palette(run);
  EXPECT_EQ(p->ListBox3->currentRow(), 0);
  EXPECT_EQ(p->ListBox2->count(), 12);
  EXPECT_EQ(p->Memo1->toPlainText(), QStringLiteral("一\n\ntwo\nthree\n"));
  p = open_palette(run);
  EXPECT_EQ(rows(p->ListBox1), expected);
}

TEST(Palette, AnyBytesInTheFileLoad) {
  std::mt19937 rng(11);
  for (int round = 0; round < 5; ++round) {
    MainWindowRun run;
    Bytes bytes(300, ' ');
    for (char& c : bytes) c = static_cast<char>(rng());
    run.dir().write(kKaomoji, bytes);
    TForm1* f = run.start();
    EXPECT_EQ(static_cast<std::size_t>(f->ListBox1->count()), parse_kaomoji(bytes).size());
    Tkaomoji* p = open_palette(run);
    QTest::mouseClick(p->ToolButton1, Qt::LeftButton);  // and saved again
    ASSERT_TRUE(run.close());
    // Bytes that are no CP932 text are told once, and kept as
    // kaomoji.txt.bak by the save.
    const bool whole = form_problem(bytes, kTextFile) == FormProblem::None;
    ASSERT_EQ(run.dialogs().shown.size(), whole ? 0u : 1u);
    if (!whole) {
      EXPECT_TRUE(run.dialogs().shown[0].text.contains(run.dir().file(kKaomoji)));
      EXPECT_EQ(run.dir().read(kKaomoji + QStringLiteral(".bak")), bytes);
    }
  }
}
