// The body's layout: the same lines and scroll range as Qt's own plain-text
// layout after any edit, and a Backspace on the longest line that costs the
// same in a long body as in a short one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include "ui/fonts.h"
#include "ui/widget_body_layout.h"

namespace {

void set_up(QPlainTextEdit* e) {
  e->setFont(zarvel::fixed_font());
  e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  e->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  e->resize(198, 95);
}

// Every paragraph's lines, as where each starts and how long it is.
std::vector<std::vector<std::pair<int, int>>> lines_of(QPlainTextEdit* e) {
  std::vector<std::vector<std::pair<int, int>>> all;
  for (QTextBlock b = e->document()->firstBlock(); b.isValid(); b = b.next()) {
    e->document()->documentLayout()->blockBoundingRect(b);  // lays it out
    std::vector<std::pair<int, int>> lines;
    for (int i = 0; i < b.layout()->lineCount(); ++i)
      lines.emplace_back(b.layout()->lineAt(i).textStart(), b.layout()->lineAt(i).textLength());
    all.push_back(lines);
  }
  return all;
}

// Keys that type `text`, one character each (QTest's own keys are ASCII).
void type(QPlainTextEdit* e, const QString& text) {
  for (const QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(e, &press);
  }
}

class BodyLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (QPlainTextEdit* e : {&body_, &plain_}) set_up(e);
    zarvel::use_body_layout(&body_);
    body_.move(0, 0);
    plain_.move(220, 0);
    body_.show();
    plain_.show();
  }

  // The same keys to both editors.
  void keys(const std::function<void(QPlainTextEdit*)>& act) {
    for (QPlainTextEdit* e : {&body_, &plain_}) act(e);
    QApplication::processEvents();
  }

  void expect_same(const char* step) {
    SCOPED_TRACE(step);
    ASSERT_EQ(body_.toPlainText(), plain_.toPlainText());
    EXPECT_EQ(body_.document()->lineCount(), plain_.document()->lineCount());
    EXPECT_EQ(lines_of(&body_), lines_of(&plain_));
    EXPECT_EQ(body_.verticalScrollBar()->maximum(), plain_.verticalScrollBar()->maximum());
    EXPECT_EQ(body_.horizontalScrollBar()->maximum(), 0);
    // At most one paragraph keeps its glyphs, whatever the edits did to
    // the paragraphs; and drawn the same: what it keeps is what it holds.
    int keeping = 0;
    for (QTextBlock b = body_.document()->firstBlock(); b.isValid(); b = b.next())
      keeping += b.layout()->cacheEnabled();
    EXPECT_LE(keeping, 1);
    EXPECT_EQ(body_.verticalScrollBar()->value(), plain_.verticalScrollBar()->value());
    EXPECT_TRUE(body_.viewport()->grab().toImage() == plain_.viewport()->grab().toImage());
  }

  QPlainTextEdit body_, plain_;
};

TEST_F(BodyLayoutTest, RandomEditsLayOutAsQtDoes) {
  const QStringList samples = {QStringLiteral("本日の打ち合わせの件、資料を添えてお送りします。"),
                               QStringLiteral("Hello world 0123456789 "),
                               QStringLiteral("。、「」"),
                               QStringLiteral("abc\ndef\n"),
                               QStringLiteral("ｶﾀｶﾅ半角"),
                               QStringLiteral("\n")};
  QString start;
  for (int i = 0; i < 40; ++i) start += samples[i % samples.size()] + (i % 3 ? QString() : QStringLiteral("\n"));
  keys([&](QPlainTextEdit* e) { e->setPlainText(start); });
  expect_same("start");

  std::mt19937 rng(5);
  for (int step = 0; step < 150; ++step) {
    const int length = body_.document()->characterCount() - 1;
    const int at = std::uniform_int_distribution<int>(0, std::max(0, length))(rng);
    const int kind = std::uniform_int_distribution<int>(0, 6)(rng);
    const QString text = samples[std::uniform_int_distribution<int>(0, samples.size() - 1)(rng)];
    keys([&](QPlainTextEdit* e) {
      QTextCursor c = e->textCursor();
      c.setPosition(at);
      e->setTextCursor(c);
      switch (kind) {
        case 0:
          QTest::keyClick(e, Qt::Key_Backspace);
          break;
        case 1:
          QTest::keyClick(e, Qt::Key_Delete);
          break;
        case 2:
          QTest::keyClick(e, Qt::Key_Return);
          break;
        case 3:
          e->undo();
          break;
        case 4:
          type(e, QStringLiteral("あA"));
          break;
        default:
          e->insertPlainText(text);
          break;  // a paste, across line breaks too
      }
    });
    if (HasFatalFailure()) return;
    expect_same(("step " + std::to_string(step)).c_str());
    if (HasFailure()) return;
  }
}

TEST_F(BodyLayoutTest, NarrowerWindowWrapsAgain) {
  keys([](QPlainTextEdit* e) {
    e->setPlainText(QStringLiteral("本日の打ち合わせの件、資料を添えてお送りします。").repeated(8));
  });
  keys([](QPlainTextEdit* e) { e->resize(150, 95); });
  expect_same("narrower");
  keys([](QPlainTextEdit* e) { type(e, QStringLiteral("追記")); });
  expect_same("typed");
}

// Typing keeps the shaped glyphs of the paragraph typed in, so that its
// repaint does not shape it again: of one paragraph at a time, and not of
// a long one.
TEST_F(BodyLayoutTest, OnlyTheParagraphTypedInKeepsItsGlyphs) {
  const QString line = QStringLiteral("本日の打ち合わせの件、Hello");
  QStringList paragraphs(6, line);
  paragraphs[4] = line.repeated(300);
  body_.setPlainText(paragraphs.join(QLatin1Char('\n')));
  QApplication::processEvents();
  auto keeping = [&] {
    std::vector<int> kept;
    for (QTextBlock b = body_.document()->firstBlock(); b.isValid(); b = b.next())
      if (b.layout()->cacheEnabled()) kept.push_back(b.blockNumber());
    return kept;
  };
  auto type_in = [&](int paragraph) {
    QTextCursor c(body_.document()->findBlockByNumber(paragraph));
    c.movePosition(QTextCursor::EndOfBlock);
    body_.setTextCursor(c);
    type(&body_, QStringLiteral("あ"));
    QApplication::processEvents();
  };
  EXPECT_LE(keeping().size(), 1u);
  type_in(1);
  EXPECT_EQ(keeping(), std::vector<int>{1});
  type_in(1);
  EXPECT_EQ(keeping(), std::vector<int>{1});
  type_in(3);
  EXPECT_EQ(keeping(), std::vector<int>{3});
  type_in(4);  // 4,500 characters
  EXPECT_EQ(keeping(), std::vector<int>{});
  body_.setPlainText(line);
  type_in(0);
  EXPECT_EQ(keeping(), std::vector<int>{0});
}

// A key typed within a full line of paragraph `block`, and taken back.
double key_and_backspace_ms(QPlainTextEdit* e, int block) {
  QTextCursor c(e->document()->findBlockByNumber(block));
  c.setPosition(c.position() + 10);
  e->setTextCursor(c);
  const auto t = std::chrono::steady_clock::now();
  QTest::keyClick(e, Qt::Key_A);
  QTest::keyClick(e, Qt::Key_Backspace);
  QApplication::processEvents();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count();
}

double median_key_ms(int paragraphs) {
  QPlainTextEdit e;
  set_up(&e);
  zarvel::use_body_layout(&e);
  const QStringList lines(paragraphs,
                          QStringLiteral("本日の打ち合わせの件、資料を添えてお送りします。ご確認ください。Hello 0123"));
  e.show();
  // Set while shown, as a restored or pasted body is: Qt's layout then takes
  // the typed-in paragraph for the widest, and its Backspace for the widest
  // getting narrower.
  e.setPlainText(lines.join(QLatin1Char('\n')));
  QApplication::processEvents();
  std::vector<double> ms;
  for (int i = 0; i < 9; ++i) ms.push_back(key_and_backspace_ms(&e, paragraphs / 2));
  std::nth_element(ms.begin(), ms.begin() + 4, ms.end());
  return ms[4];
}

TEST(BodyLayoutCost, BackspaceInTheWidestParagraphDoesNotGrowWithTheBody) {
  const double small = median_key_ms(200);
  const double large = median_key_ms(100000);
  // Qt's own layout walks the 100,000 paragraphs on each such Backspace.
  EXPECT_LT(large, 2 * small + 0.5) << "200 paragraphs: " << small << " ms, 100,000: " << large << " ms";
}

}  // namespace
