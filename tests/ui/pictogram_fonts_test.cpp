// Fields that show pictograms only once their text holds one: until then
// they draw in the font without the fallback, then in the font with it,
// and look exactly as a field that had the fallback from the start.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QStyleOptionViewItem>
#include <QTextCursor>
#include <functional>
#include <map>
#include <vector>

#include "compose/pictogram_font.h"
#include "support/main_window.h"
#include "ui/fonts.h"
#include "ui/widget_body_layout.h"
#include "ui/widget_listview.h"

using zarvel::fixed_font;
using zarvel::pictogram_font_family;
using zarvel::pictograms_when_needed;

namespace {

const QString kSun = QString(QChar(0xE63E));

bool falls_back(const QWidget& w) { return w.font().families().contains(pictogram_font_family()); }

// The sun's warm colours: only the pictogram font draws any (text may be
// blue).
int coloured_pixels(QWidget* w) {
  const QImage image = w->grab().toImage();
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c(image.pixel(x, y));
      count += c.hsvSaturation() > 100 && (c.hsvHue() < 70 || c.hsvHue() > 300);
    }
  }
  return count;
}

class PictogramFonts : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(zarvel::load_pictogram_font()); }

  // Both shown the same size at the same place, so that grabs compare.
  template <class W>
  void show_both(W& watched, W& reference) {
    reference.setFont(fixed_font());
    for (W* w : {&watched, &reference}) {
      w->resize(200, w->sizeHint().height());
      w->show();
    }
    QApplication::processEvents();
  }
};

TEST_F(PictogramFonts, ALineEditTakesTheFallbackWithItsFirstPictogramHoweverItComes) {
  // Set, typed or pasted: each way of getting text in.
  const std::vector<std::function<void(QLineEdit&, const QString&)>> ways = {
      [](QLineEdit& e, const QString& t) { e.setText(t); }, [](QLineEdit& e, const QString& t) { e.insert(t); },
      [](QLineEdit& e, const QString& t) {
        QApplication::clipboard()->setText(t);
        e.paste();
      }};
  for (std::size_t i = 0; i < ways.size(); ++i) {
    SCOPED_TRACE(i);
    QLineEdit edit, reference;
    pictograms_when_needed(&edit, fixed_font());
    show_both(edit, reference);
    ways[i](edit, QStringLiteral("件名 ｶﾅ abc"));
    ways[i](reference, QStringLiteral("件名 ｶﾅ abc"));
    EXPECT_FALSE(falls_back(edit));
    EXPECT_EQ(edit.fontMetrics().height(), reference.fontMetrics().height());
    EXPECT_TRUE(edit.grab().toImage() == reference.grab().toImage());

    ways[i](edit, QStringLiteral("晴れ") + kSun);
    ways[i](reference, QStringLiteral("晴れ") + kSun);
    EXPECT_TRUE(falls_back(edit));
    EXPECT_GT(coloured_pixels(&edit), 10);
    EXPECT_TRUE(edit.grab().toImage() == reference.grab().toImage());
    // The fallback stays once taken.
    edit.clear();
    EXPECT_TRUE(falls_back(edit));
  }
  // Text that already holds one when the field is set up.
  QLineEdit edit(kSun);
  pictograms_when_needed(&edit, fixed_font());
  EXPECT_TRUE(falls_back(edit));
}

// The body's own layout too: a pictogram pasted into a long body changes its
// font once, and its lines and pixels are then those of a plain editor that
// had the fallback all along.
TEST_F(PictogramFonts, AMemoTakesTheFallbackWithItsFirstPictogramAndLaysOutAsBefore) {
  for (const bool body : {false, true}) {
    SCOPED_TRACE(body);
    QPlainTextEdit memo, reference;
    if (body) zarvel::use_body_layout(&memo);
    pictograms_when_needed(&memo, fixed_font());
    show_both(memo, reference);
    QString text;
    for (int i = 0; i < 300; ++i) text += QStringLiteral("本日の打ち合わせの件 %1\n").arg(i);
    for (QPlainTextEdit* e : {&memo, &reference}) e->setPlainText(text);
    QApplication::processEvents();
    EXPECT_FALSE(falls_back(memo));

    // Typed in the middle, in one edit with other text.
    for (QPlainTextEdit* e : {&memo, &reference}) {
      QTextCursor c(e->document());
      c.setPosition(12);
      c.beginEditBlock();
      c.insertText(QStringLiteral("今日は"));
      if (e == &memo) {
        EXPECT_FALSE(falls_back(memo));
      }
      c.insertText(kSun + QStringLiteral("です"));
      c.endEditBlock();
      e->setTextCursor(c);
    }
    QApplication::processEvents();
    EXPECT_TRUE(falls_back(memo));
    EXPECT_EQ(memo.document()->lineCount(), reference.document()->lineCount());
    EXPECT_GT(coloured_pixels(memo.viewport()), 10);
    EXPECT_TRUE(memo.viewport()->grab().toImage() == reference.viewport()->grab().toImage());
    // Undone, the pictogram goes; the font stays as it is.
    memo.undo();
    EXPECT_TRUE(falls_back(memo));
  }
  // Replaced whole, and set up with one already in it.
  QPlainTextEdit memo;
  pictograms_when_needed(&memo, fixed_font());
  memo.setPlainText(QStringLiteral("a\nb") + kSun);
  EXPECT_TRUE(falls_back(memo));
  QPlainTextEdit holding(kSun);
  pictograms_when_needed(&holding, fixed_font());
  EXPECT_TRUE(falls_back(holding));
}

// Which font each item was drawn in, by its text.
class ItemFonts : public QProxyStyle {
 public:
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override {
    if (const auto* item = qstyleoption_cast<const QStyleOptionViewItem*>(option); item && element == CE_ItemViewItem)
      fonts[item->text] = item->font;
    QProxyStyle::drawControl(element, option, painter, widget);
  }
  mutable std::map<QString, QFont> fonts;
};

TEST_F(PictogramFonts, AListDrawsEachItemAsWithTheFallbackThroughout) {
  ItemFonts drawn;  // outlives the lists
  QListWidget list, reference;
  list.setStyle(&drawn);
  reference.setStyle(&drawn);
  pictograms_when_needed(&list, fixed_font());
  zarvel::keep_row_count(&list);
  zarvel::keep_row_count(&reference);
  EXPECT_FALSE(falls_back(list));
  const QStringList rows = {QStringLiteral("(^_^)"), QStringLiteral("晴れ") + kSun, QStringLiteral("ｶﾅ 件名"), kSun};
  show_both(list, reference);
  list.addItems(rows);
  reference.addItems(rows);
  list.resize(200, 120);
  reference.resize(200, 120);
  QApplication::processEvents();
  EXPECT_EQ(list.visualItemRect(list.item(3)), reference.visualItemRect(reference.item(3)));
  EXPECT_GT(coloured_pixels(list.viewport()), 20);
  EXPECT_TRUE(list.viewport()->grab().toImage() == reference.viewport()->grab().toImage());
  drawn.fonts.clear();
  list.viewport()->grab();
  for (const QString& row : rows) {
    SCOPED_TRACE(row.toStdString());
    ASSERT_EQ(drawn.fonts.count(row), 1u);
    EXPECT_EQ(drawn.fonts[row].families().contains(pictogram_font_family()), zarvel::has_pictogram(row));
  }
}

// What the user wrote or loaded shows its pictograms in every field of the
// compose view; its captions never hold one.
TEST(PictogramFields, EveryFieldOfTheComposeViewShowsPictograms) {
  zarvel::test::MainWindowRun run;
  run.dir().write("zarvel.csv", "\xF8\x9F\x8E\x52,taro@example.jp\r\n");  // 晴 then 山 in CP932
  run.dir().write("kaomoji.txt", "(^^)\r\n\xF8\x9F\r\n");
  TForm1* f = run.start();
  QApplication::processEvents();
  EXPECT_GT(coloured_pixels(f->ListView1->viewport()), 10);
  EXPECT_GT(coloured_pixels(f->ListBox1->viewport()), 10);
  for (QLineEdit* e : {f->To_name, f->To_address, f->subject}) {
    SCOPED_TRACE(e->objectName().toStdString());
    e->setText(kSun);
    EXPECT_TRUE(falls_back(*e));
    EXPECT_GT(coloured_pixels(e), 10);
  }
  for (QPlainTextEdit* e : {f->Memo1, f->Memo2}) {
    e->setPlainText(kSun);
    EXPECT_TRUE(falls_back(*e));
  }
}

}  // namespace
