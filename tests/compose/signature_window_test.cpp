// The two signatures through the real main window: their files at start and
// exit, the use-signature box, the stored choice and the preview.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QToolButton>
#include <random>

#include "support/dark_palette.h"
#include "support/main_window.h"
#include "ui/colors.h"

using namespace zarvel;
using zarvel::test::MainWindowRun;

namespace {

const QString kSigna1 = QStringLiteral("signa1.txt");
const QString kSigna2 = QStringLiteral("signa2.txt");
const QString kIni = QStringLiteral("zarvel.ini");

void use_signatures(MainWindowRun& run, int choice) {
  run.dir().write(kIni, "[Options]\r\nsignature=1\r\nsignature_sel=" + std::to_string(choice) + "\r\n");
}

bool editors_enabled(TForm1* f) {
  return f->Memo3->isEnabled() && f->Memo5->isEnabled() && f->Label14->isEnabled() && f->Label15->isEnabled();
}

bool editors_disabled(TForm1* f) {
  return !f->Memo3->isEnabled() && !f->Memo5->isEnabled() && !f->Label14->isEnabled() && !f->Label15->isEnabled();
}

// Counts the paint events a widget receives.
class Paints : public QObject {
 public:
  explicit Paints(std::initializer_list<QWidget*> widgets) {
    for (QWidget* w : widgets) w->installEventFilter(this);
  }
  int count = 0;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++count;
    return false;
  }
};

}  // namespace

TEST(SignatureWindow, FirstStartCreatesTwoEmptyFilesWithSignaturesOff) {
  MainWindowRun run;
  TForm1* f = run.start();
  ASSERT_TRUE(run.dir().exists(kSigna1));
  ASSERT_TRUE(run.dir().exists(kSigna2));
  EXPECT_EQ(run.dir().read(kSigna1), "");
  EXPECT_EQ(run.dir().read(kSigna2), "");
  EXPECT_FALSE(f->signature->isChecked());
  EXPECT_TRUE(f->sign1->isChecked());
  EXPECT_FALSE(f->sign2->isChecked());
  EXPECT_TRUE(editors_disabled(f));
  EXPECT_EQ(f->Memo1->height(), 130);
  EXPECT_TRUE(f->Memo2->toPlainText().isEmpty());
  // The body covers the preview and the selectors.
  EXPECT_TRUE(f->Memo1->geometry().contains(f->sign2->geometry().center()));
  ASSERT_TRUE(run.close());
  EXPECT_NE(run.dir().read(kIni).find("signature=0\r\n"), std::string::npos);
  EXPECT_NE(run.dir().read(kIni).find("signature_sel=0\r\n"), std::string::npos);
}

TEST(SignatureWindow, TheBoxSwitchesTheEditorsAndTheBodyHeight) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->signature->click();  // the user's click
  EXPECT_TRUE(editors_enabled(f));
  EXPECT_EQ(f->Memo1->height(), 95);
  EXPECT_EQ(f->Memo1->geometry(), QRect(2, 143, 198, 95));
  EXPECT_FALSE(f->Memo1->geometry().contains(f->sign2->geometry().center()));
  f->signature->setChecked(false);  // a change by the program acts the same
  EXPECT_TRUE(editors_disabled(f));
  EXPECT_EQ(f->Memo1->geometry(), QRect(2, 143, 198, 130));
  ASSERT_TRUE(run.close());

  // Stored on, it is on at the next start with the editors usable.
  use_signatures(run, 0);
  f = run.restart();
  EXPECT_TRUE(f->signature->isChecked());
  EXPECT_TRUE(editors_enabled(f));
  EXPECT_EQ(f->Memo1->height(), 95);
}

TEST(SignatureWindow, LinesAreSavedWithCrLfAndComeBackWithAFinalBreak) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->signature->setChecked(true);
  f->Memo3->setPlainText(QStringLiteral("一行目\n2"));
  f->Memo5->setPlainText(QStringLiteral("x\n\ny\n"));
  ASSERT_TRUE(run.close());
  EXPECT_EQ(run.dir().read(kSigna1), to_cp932(u"一行目") + "\r\n2\r\n");
  EXPECT_EQ(run.dir().read(kSigna2), "x\r\n\r\ny\r\n");

  f = run.restart();
  EXPECT_EQ(f->Memo3->toPlainText(), QStringLiteral("一行目\n2\n"));
  EXPECT_EQ(f->Memo2->toPlainText(), QStringLiteral("一行目\n2\n"));
  EXPECT_EQ(f->Memo5->toPlainText(), QStringLiteral("x\n\ny\n"));
  // Saved again unchanged: no line is added at each exit.
  ASSERT_TRUE(run.close());
  EXPECT_EQ(run.dir().read(kSigna1), to_cp932(u"一行目") + "\r\n2\r\n");
}

TEST(SignatureWindow, LoneCrAndLfAreLineEndsToo) {
  MainWindowRun run;
  run.dir().write(kSigna1, "a\rb\nc");
  run.dir().write(kSigna2, "\r\r");
  TForm1* f = run.start();
  EXPECT_EQ(f->Memo3->toPlainText(), QStringLiteral("a\nb\nc"));
  EXPECT_EQ(f->Memo5->toPlainText(), QStringLiteral("\n\n"));
  // Unchanged, they stay as they were; changed, they are written with CR LF.
  ASSERT_TRUE(run.close());
  EXPECT_EQ(run.dir().read(kSigna1), "a\rb\nc");
  EXPECT_EQ(run.dir().read(kSigna2), "\r\r");
  f = run.restart();
  f->Memo3->appendPlainText(QStringLiteral("d"));
  f->Memo5->appendPlainText(QString());
  ASSERT_TRUE(run.close());
  EXPECT_EQ(run.dir().read(kSigna1), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(run.dir().read(kSigna2), "\r\n\r\n\r\n");
}

TEST(SignatureWindow, TheStoredChoiceSelectsAndFillsThePreview) {
  MainWindowRun run;
  run.dir().write(kSigna1, "one\r\n");
  run.dir().write(kSigna2, "two\r\n");
  use_signatures(run, 1);
  TForm1* f = run.start();
  EXPECT_TRUE(f->sign2->isChecked());
  EXPECT_FALSE(f->sign1->isChecked());
  EXPECT_EQ(f->Memo2->toPlainText(), QStringLiteral("two\n"));
  ASSERT_TRUE(run.close());
  EXPECT_NE(run.dir().read(kIni).find("signature_sel=1\r\n"), std::string::npos);

  // An unknown value leaves the preview empty and signature 1 chosen...
  use_signatures(run, 7);
  f = run.restart();
  EXPECT_TRUE(f->sign1->isChecked());
  EXPECT_TRUE(f->Memo2->toPlainText().isEmpty());
  // ...until the compose view is entered again.
  QTest::mouseClick(f->ToolButton3, Qt::LeftButton);
  QTest::mouseClick(f->ToolButton1, Qt::LeftButton);
  EXPECT_EQ(f->Memo2->toPlainText(), QStringLiteral("one\n"));
  ASSERT_TRUE(run.close());
  EXPECT_NE(run.dir().read(kIni).find("signature_sel=0\r\n"), std::string::npos);

  // Zero selects signature 1.
  use_signatures(run, 0);
  f = run.restart();
  EXPECT_TRUE(f->sign1->isChecked());
  EXPECT_EQ(f->Memo2->toPlainText(), QStringLiteral("one\n"));
}

TEST(SignatureWindow, EditsReachThePreviewOnReturningToTheComposeView) {
  MainWindowRun run;
  run.dir().write(kSigna2, "old\r\n");
  use_signatures(run, 1);
  TForm1* f = run.start();
  QTest::mouseClick(f->ToolButton3, Qt::LeftButton);
  f->Memo5->setPlainText(QStringLiteral("new"));
  EXPECT_EQ(f->Memo2->toPlainText(), QStringLiteral("old\n"));  // not per keystroke
  QTest::mouseClick(f->ToolButton1, Qt::LeftButton);
  EXPECT_EQ(f->Memo2->toPlainText(), QStringLiteral("new"));
  EXPECT_TRUE(f->sign2->isChecked());
}

TEST(SignatureWindow, ChoosingASignatureFillsThePreviewAndReturnsTheCaret) {
  MainWindowRun run;
  run.dir().write(kSigna1, "one\r\n");
  run.dir().write(kSigna2, "two\r\n");
  use_signatures(run, 0);
  TForm1* f = run.start();
  // The body was used last: clicked, typed in, caret in the middle.
  QTest::mouseClick(f->Memo1->viewport(), Qt::LeftButton);
  QTest::keyClicks(f->Memo1, QStringLiteral("abcd"));
  QTextCursor c = f->Memo1->textCursor();
  c.setPosition(2);
  f->Memo1->setTextCursor(c);

  QTest::mouseClick(f->sign2, Qt::LeftButton);
  EXPECT_TRUE(f->sign2->isChecked());
  EXPECT_EQ(f->Memo2->toPlainText(), QStringLiteral("two\n"));
  EXPECT_TRUE(f->Memo1->hasFocus());
  EXPECT_EQ(f->Memo1->textCursor().position(), 2);
  EXPECT_EQ(f->last_input, 2);

  // With the subject used last, the caret goes there.
  QTest::mouseClick(f->subject, Qt::LeftButton);
  QTest::mouseClick(f->sign1, Qt::LeftButton);
  EXPECT_EQ(f->Memo2->toPlainText(), QStringLiteral("one\n"));
  EXPECT_TRUE(f->subject->hasFocus());
  // Clicking the choice already made only returns the caret.
  QTest::mouseClick(f->sign1, Qt::LeftButton);
  EXPECT_TRUE(f->subject->hasFocus());
  EXPECT_EQ(f->Memo2->toPlainText(), QStringLiteral("one\n"));
}

TEST(SignatureWindow, AFileThatCannotBeReadIsReportedAndStartUpGoesOn) {
  MainWindowRun run;
  QDir().mkpath(run.dir().file(kSigna1));  // a folder in the file's place
  TForm1* f = run.start();
  ASSERT_EQ(run.dialogs().shown.size(), 1u);
  EXPECT_EQ(run.dialogs().shown[0].kind, zarvel::test::ShownDialog::Error);
  EXPECT_TRUE(run.dialogs().shown[0].text.contains(QStringLiteral("signa1.txt")));
  EXPECT_TRUE(run.dir().exists(kSigna2));
  EXPECT_TRUE(f->isVisible());
  // What could not be read is not overwritten by an empty editor at exit,
  // and so does not keep the program from closing.
  f->Memo5->setPlainText(QStringLiteral("two"));
  ASSERT_TRUE(run.close());
  EXPECT_TRUE(QFileInfo(run.dir().file(kSigna1)).isDir());
  EXPECT_EQ(run.dir().read(kSigna2), "two\r\n");
  EXPECT_EQ(run.dialogs().shown.size(), 1u);
}

TEST(SignatureWindow, AnUnreadSignatureIsWrittenOnceItIsEdited) {
  MainWindowRun run;
  QDir().mkpath(run.dir().file(kSigna1));
  TForm1* f = run.start();
  f->signature->setChecked(true);
  QTest::keyClicks(f->Memo3, QStringLiteral("typed"));  // the user's edit
  // The folder is kept aside as signa1.txt.bak, whole, and the signature
  // typed takes its place.
  ASSERT_TRUE(run.close());
  ASSERT_EQ(run.dialogs().shown.size(), 1u);
  EXPECT_TRUE(QFileInfo(run.dir().file(kSigna1 + QStringLiteral(".bak"))).isDir());
  EXPECT_EQ(run.dir().read(kSigna1), "typed\r\n");
}

TEST(SignatureWindow, AnyBytesInTheFilesLoad) {
  std::mt19937 rng(7);
  for (int round = 0; round < 5; ++round) {
    MainWindowRun run;
    Bytes a(200, ' '), b(3, ' ');
    for (char& ch : a) ch = static_cast<char>(rng());
    for (char& ch : b) ch = static_cast<char>(rng());
    b[0] = '\0';
    run.dir().write(kSigna1, a);
    run.dir().write(kSigna2, b);
    use_signatures(run, 1);
    TForm1* f = run.start();
    EXPECT_FALSE(f->Memo3->toPlainText().isEmpty());
    ASSERT_TRUE(run.close());
    // Left as it was while unchanged (random bytes are no CP932 text: the
    // start said so); once edited, written as lines ending with CR LF and
    // the original kept as signa1.txt.bak.
    EXPECT_EQ(run.dir().read(kSigna1), a);
    f = run.restart();
    f->Memo3->appendPlainText(QStringLiteral("x"));
    ASSERT_TRUE(run.close());
    const Bytes saved = run.dir().read(kSigna1);
    EXPECT_TRUE(saved.ends_with("\r\n"));
    EXPECT_EQ(run.dir().read(kSigna1 + QStringLiteral(".bak")), a);
  }
}

// The selectors keep their cream ground and black captions on a dark
// desktop too: around the caption, inside the indicator, and in the
// caption's own strokes.
TEST(SignatureWindow, TheSelectorsAreCreamAndBlackOnAnyDesktop) {
  const QPalette desktop = QApplication::palette();
  for (const QPalette& palette : {desktop, zarvel::test::dark_palette()}) {
    QApplication::setPalette(palette);
    MainWindowRun run;
    use_signatures(run, 0);
    TForm1* f = run.start();
    for (QRadioButton* r : {f->sign1, f->sign2}) {
      const QImage shot = r->grab().toImage();
      QStyleOptionButton opt;
      opt.initFrom(r);
      const QRect indicator = r->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &opt, r);
      EXPECT_EQ(shot.pixelColor(0, 0), kCream);
      EXPECT_EQ(shot.pixelColor(shot.width() - 1, shot.height() - 1), kCream);
      if (!r->isChecked()) {
        EXPECT_EQ(shot.pixelColor(indicator.center()), kCream);
      }
      int cream = 0, black = 0, all = 0;
      for (int y = 0; y < shot.height(); ++y)
        for (int x = indicator.right() + 1; x < shot.width(); ++x, ++all) {
          const QColor c = shot.pixelColor(x, y);
          cream += c == kCream;
          black += qGray(c.rgb()) < 64;
        }
      EXPECT_GT(cream, all / 2) << r->text().toStdString();
      EXPECT_GT(black, 10) << r->text().toStdString();
    }
    ASSERT_TRUE(run.close());
  }
  QApplication::setPalette(desktop);
}

// With signatures off the body lies over the preview and its selectors:
// they are not painted until they show again.
TEST(SignatureWindow, WhatTheBodyCoversIsNotPainted) {
  MainWindowRun run;
  TForm1* f = run.start(false);
  Paints covered{f->Memo2, f->Memo2->viewport(), f->sign1, f->sign2};
  Paints body{f->Memo1->viewport()};
  f->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f));
  QApplication::processEvents();
  EXPECT_GT(body.count, 0);
  EXPECT_EQ(covered.count, 0);
  f->signature->click();
  QApplication::processEvents();
  EXPECT_GT(covered.count, 0);
  ASSERT_TRUE(run.close());
}
