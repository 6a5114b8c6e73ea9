// The report-style list: a list laid out while its view is hidden (the
// address book and the history at start-up) comes out whole when shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>

#include "ui/widget_listview.h"

using zarvel::TListView;

TEST(TListViewHidden, RowsHeaderAndScrollRangeAreLaidOutWhenShown) {
  QWidget window;
  window.resize(300, 200);
  auto* panel = new QWidget(&window);
  panel->setGeometry(0, 0, 300, 200);
  panel->hide();
  auto* list = new TListView(panel);
  list->setGeometry(0, 0, 280, 150);
  QStandardItemModel model(1000, 2);
  for (int row = 0; row < model.rowCount(); ++row) model.setItem(row, 0, new QStandardItem(QString::number(row)));
  list->setModel(&model);
  list->setColumnWidth(0, 80);
  list->setColumnWidth(1, 100);
  window.show();
  QApplication::processEvents();  // the column widths' layout comes due while hidden

  panel->show();
  QApplication::processEvents();
  const QRect first = list->visualRect(model.index(0, 0));
  const QRect second = list->visualRect(model.index(1, 0));
  ASSERT_FALSE(first.isEmpty());
  EXPECT_EQ(first.width(), 80);
  EXPECT_EQ(second.top(), first.bottom() + 1);
  EXPECT_EQ(list->indexAt(second.center()).row(), 1);
  EXPECT_EQ(list->header()->width(), list->viewport()->width());
  EXPECT_GT(list->header()->height(), 0);
  const int page = list->viewport()->height() / first.height();
  EXPECT_EQ(list->verticalScrollBar()->maximum(), 1000 - page);

  // Rows added and a column resized while hidden again.
  panel->hide();
  model.appendRow(new QStandardItem(QStringLiteral("new")));
  list->setColumnWidth(0, 90);
  QApplication::processEvents();
  panel->show();
  QApplication::processEvents();
  EXPECT_EQ(list->verticalScrollBar()->maximum(), 1001 - page);
  EXPECT_EQ(list->visualRect(model.index(0, 0)).width(), 90);
}

// The header is measured in the regular face; it must come out as high as
// Qt's own, which measures in the bold one, in every font and size in use.
TEST(TListViewHeader, IsAsHighAsQtsOwn) {
  QStandardItemModel model(3, 3);
  model.setHorizontalHeaderLabels({QStringLiteral("名前"), QStringLiteral("メールアドレス"), QStringLiteral("gjpqy|")});
  QStringList families = {QApplication::font().family()};
  // Noto CJK has a bold face of its own; the IPA fonts are emboldened.
  for (const QString& f :
       {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")})
    if (QFontDatabase::hasFamily(f)) families << f;
  for (const QString& family : families)
    for (const int px : {9, 12, 16, 24, 32}) {
      QFont font(family);
      font.setPixelSize(px);
      TListView ours;
      QTreeView qts;
      for (QTreeView* v : {static_cast<QTreeView*>(&ours), &qts}) {
        v->setFont(font);
        v->setModel(&model);
        v->resize(300, 200);
        v->show();
      }
      QApplication::processEvents();
      EXPECT_EQ(ours.header()->sizeHint().height(), qts.header()->sizeHint().height())
          << family.toStdString() << " " << px << " px";
      EXPECT_EQ(ours.header()->height(), qts.header()->height()) << family.toStdString() << " " << px << " px";
      EXPECT_EQ(ours.visualRect(model.index(0, 0)).top(), qts.visualRect(model.index(0, 0)).top())
          << family.toStdString() << " " << px << " px";
    }
}
