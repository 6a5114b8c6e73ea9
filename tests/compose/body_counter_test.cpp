// The running count of the body after any sequence of edits equals a full
// recount: typing, deleting, pasting across line breaks, undo and redo, a
// new document; and in the main window, with the signature rule changing.
#include "compose/body_counter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <random>

#include "support/main_window.h"
#include "text/cp932.h"

using namespace zarvel;

namespace {

std::size_t full_count(const QPlainTextEdit& e) { return to_cp932_crlf(e.toPlainText()).size(); }

// Random edits of every kind the body sees, each through the editor.
class Editor {
 public:
  Editor(QPlainTextEdit* edit, unsigned seed) : edit_(edit), rng_(seed) {}

  QString piece() {
    static const QStringList parts = {QStringLiteral("a"),
                                      QStringLiteral("本日"),
                                      QStringLiteral("ｶﾅ"),
                                      QStringLiteral("\n"),
                                      QStringLiteral("\n\n"),
                                      QStringLiteral("x\ny"),
                                      QStringLiteral("資料\nを\n添えて"),
                                      QStringLiteral(" "),
                                      QString()};
    QString s;
    const int n = pick(1, 4);
    for (int i = 0; i < n; ++i) s += parts[pick(0, static_cast<int>(parts.size()) - 1)];
    return s;
  }

  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  void step() {
    QTextDocument* doc = edit_->document();
    const int end = doc->characterCount() - 1;
    QTextCursor c = edit_->textCursor();
    c.setPosition(pick(0, end));
    switch (pick(0, 9)) {
      case 0:  // a key, with the whole event path
      case 1:
        edit_->setTextCursor(c);
        if (pick(0, 1)) {
          QTest::keyClick(edit_, Qt::Key_K);
        } else {
          QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("字"));
          QApplication::sendEvent(edit_, &press);
        }
        break;
      case 2:
        edit_->setTextCursor(c);
        QTest::keyClick(edit_, pick(0, 1) ? Qt::Key_Return : Qt::Key_Backspace);
        break;
      case 3:
        edit_->setTextCursor(c);
        QTest::keyClick(edit_, Qt::Key_Delete);
        break;
      case 4: {  // a selection over line breaks, deleted or pasted over
        c.setPosition(pick(0, end), QTextCursor::KeepAnchor);
        if (pick(0, 1))
          c.removeSelectedText();
        else
          c.insertText(piece());
        break;
      }
      case 5:
        c.insertText(piece());
        break;
      case 6:
        doc->undo();
        break;
      case 7:
        doc->redo();
        break;
      case 8: {  // an edit made of several steps
        c.beginEditBlock();
        c.insertText(piece());
        c.setPosition(pick(0, doc->characterCount() - 1));
        c.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
        c.removeSelectedText();
        c.endEditBlock();
        break;
      }
      default:
        if (pick(0, 20) == 0)
          edit_->setPlainText(piece() + piece());  // a new document
        else
          c.insertText(piece());
        break;
    }
  }

 private:
  QPlainTextEdit* edit_;
  std::mt19937 rng_;
};

}  // namespace

TEST(BodyCounter, EqualsAFullRecountAfterEveryRandomEdit) {
  for (unsigned seed : {1u, 2u, 3u}) {
    QPlainTextEdit edit;
    edit.setPlainText(QStringLiteral("本日の打ち合わせ\n\nHello"));
    BodyCounter counter(edit.document());
    Editor editor(&edit, seed);
    for (int i = 0; i < 1500; ++i) {
      editor.step();
      ASSERT_EQ(counter.bytes(), full_count(edit)) << "seed " << seed << ", step " << i;
    }
  }
}

TEST(BodyCounter, StartsFromTheDocumentItIsGiven) {
  QPlainTextEdit edit;
  edit.setPlainText(QStringLiteral("漢字\na"));
  BodyCounter counter(edit.document());
  EXPECT_EQ(counter.bytes(), 7u);
  edit.clear();
  EXPECT_EQ(counter.bytes(), 0u);
}

TEST(BodyCounter, TheStatusBarFollowsRandomEditsAndTheSignatureRule) {
  test::MainWindowRun run;
  run.dir().write(QStringLiteral("signa1.txt"), to_cp932(u"山田\r\n"));
  run.dir().write(QStringLiteral("signa2.txt"), Bytes());
  TForm1* f = run.start();
  Editor editor(f->Memo1, 7);
  for (int i = 0; i < 600; ++i) {
    switch (editor.pick(0, 12)) {
      case 0:
        f->signature->setChecked(!f->signature->isChecked());
        f->ToolButton1->click();  // entering the compose view recounts
        break;
      case 1:
        (f->sign1->isChecked() ? f->sign2 : f->sign1)->click();
        break;
      default:
        editor.step();
        break;
    }
    QApplication::processEvents();  // the CP932 clean-up comes after the change
    std::size_t n = full_count(*f->Memo1);
    const std::size_t preview = to_cp932_crlf(f->Memo2->toPlainText()).size();
    if (f->signature->isChecked() && preview > 0) n += preview + 2;
    ASSERT_EQ(run.panel(2), QStringLiteral("半角： %1").arg(n)) << "step " << i;
  }
}
