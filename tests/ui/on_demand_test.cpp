// What the start reads is read at start even where the window or view that
// shows it is built later; built late, it shows what it would have shown.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTest>
#include <QToolButton>

#include "addressbook/recipient_model.h"
#include "compose/form_kaomoji.h"
#include "history/history_model.h"
#include "support/main_window.h"
#include "support/sjis.h"
#include "ui/widget_listview.h"

using namespace zarvel;
using zarvel::test::MainWindowRun;

namespace {

const Bytes kIni =
    "[Window]\r\neleft=40\r\netop=50\r\newidth=300\r\neheight=420\r\n"
    "[Server]\r\nsmtp_server=smtp.example.jp\r\nsmtp_port=587\r\npop_check=1\r\nsmtp_check0=1\r\n"
    "account=taro\r\n[Options]\r\nsend_max=7\r\nsignature=1\r\nhint_check=0\r\ndelete_check=0\r\n";

}  // namespace

TEST(OnDemand, NothingHiddenIsBuiltAtStart) {
  MainWindowRun run;
  TForm1* f = run.start();
  AppWindows& w = run.windows();
  EXPECT_FALSE(f->settings_view_built() || f->history_view_built() || f->address_book_view_built());
  EXPECT_FALSE(w.AboutBox.built() || w.mailsend.built() || w.seting_diarog.built() || w.kaomoji.built());
  EXPECT_NE(w.SmtpDlg, nullptr);  // holds what the send reads
  // Nor the style-sheet engine, whose parser and drawing a style sheet on
  // any control would bring in.
  for (QWidget* widget : QApplication::allWidgets())
    EXPECT_FALSE(widget->style()->inherits("QStyleSheetStyle")) << widget->metaObject()->className();
  ASSERT_TRUE(run.close());
  EXPECT_FALSE(f->settings_view_built());  // not even for the exit
}

TEST(OnDemand, TheSettingsViewShowsWhatTheStartReadAndTheExitKeepsIt) {
  MainWindowRun run;
  run.dir().write("zarvel.ini", kIni);
  run.dir().write("signa1.txt", test::sj(u"山田\r\n"));
  TForm1* f = run.start();
  // Used by the start without the view: the signature rule, the hints.
  EXPECT_EQ(f->Memo1->height(), 95);
  EXPECT_EQ(f->Memo2->toPlainText(), QStringLiteral("山田\n"));
  QTest::keyClicks(f->Memo1, "ab");
  EXPECT_EQ(run.panel(2), QStringLiteral("半角： 10"));
  EXPECT_FALSE(f->StatusBar1->auto_hint());
  EXPECT_EQ(f->rireki_max, 7);

  // A change of the file after the start is not what the view shows.
  run.dir().write("zarvel.ini", "[Server]\r\nsmtp_server=other\r\n");
  QTest::mouseClick(f->ToolButton3, Qt::LeftButton);
  ASSERT_TRUE(f->settings_view_built());
  EXPECT_TRUE(f->Panel2->isVisible());
  EXPECT_EQ(f->Panel2->pos(), QPoint(-1, 39));
  EXPECT_EQ(f->smtp_server->text(), QStringLiteral("smtp.example.jp"));
  EXPECT_EQ(f->smtp_port->text(), QStringLiteral("587"));
  EXPECT_EQ(f->pop_Account->text(), QStringLiteral("taro"));
  // SMTP AUTH and POP before SMTP exclude each other, with their fields.
  EXPECT_TRUE(f->smtp_check->isChecked());
  EXPECT_FALSE(f->pop_check->isChecked());
  EXPECT_FALSE(f->pop_server->isEnabled());
  EXPECT_TRUE(f->Button1->isEnabled());
  EXPECT_EQ(f->rirekisu->value(), 7);
  EXPECT_TRUE(f->signature->isChecked());
  EXPECT_TRUE(f->Memo3->isEnabled());
  EXPECT_EQ(f->Memo3->toPlainText(), QStringLiteral("山田\n"));
  EXPECT_FALSE(f->hint_check->isChecked());
  EXPECT_FALSE(f->delete_check->isChecked());
  // The view's controls are now what counts.
  f->signature->click();
  QTest::mouseClick(f->ToolButton1, Qt::LeftButton);
  EXPECT_EQ(run.panel(2), QStringLiteral("半角： 2"));
  EXPECT_EQ(f->Memo1->height(), 130);
}

TEST(OnDemand, AnExitWithoutTheSettingsViewWritesTheValuesItRead) {
  MainWindowRun run;
  run.dir().write("zarvel.ini", kIni);
  TForm1* f = run.start();
  ASSERT_TRUE(run.close());
  ASSERT_FALSE(f->settings_view_built());
  f = run.restart();
  EXPECT_EQ(f->smtp_server->text(), QStringLiteral("smtp.example.jp"));
  EXPECT_EQ(f->smtp_port->text(), QStringLiteral("587"));
  EXPECT_EQ(f->pop_Account->text(), QStringLiteral("taro"));
  EXPECT_TRUE(f->smtp_check->isChecked());
  EXPECT_FALSE(f->pop_check->isChecked());
  EXPECT_EQ(f->rirekisu->value(), 7);
  EXPECT_TRUE(f->signature->isChecked());
  EXPECT_FALSE(f->hint_check->isChecked());
  EXPECT_FALSE(f->delete_check->isChecked());
}

TEST(OnDemand, ThePalettesPlaceIsReadAtStart) {
  MainWindowRun run;
  run.dir().write("zarvel.ini", kIni);
  run.dir().write("kaomoji.txt", test::sj(u"(^^)\r\n"));
  TForm1* f = run.start();
  run.dir().write("zarvel.ini", "[Window]\r\neleft=400\r\netop=500\r\n");
  QTest::mouseClick(f->BitBtn1, Qt::LeftButton);
  Tkaomoji* palette = run.windows().kaomoji.built();
  ASSERT_NE(palette, nullptr);
  EXPECT_EQ(palette->pos(), QPoint(40, 50));
  EXPECT_EQ(palette->size(), QSize(300, 420));
  // The hint of the view it was opened from, and the first category.
  EXPECT_EQ(palette->ListBox2->statusTip(), QStringLiteral("ダブルクリックで貼り付け"));
  EXPECT_EQ(palette->ListBox3->currentRow(), 0);
  EXPECT_GT(palette->ListBox2->count(), 0);
}

TEST(OnDemand, TheListViewsShowWhatTheStartReadAndWhatWasSentSince) {
  MainWindowRun run;
  run.dir().write("zarvel.ini", "[Window]\r\nsplit=150\r\n[Options]\r\ndelete_check=0\r\n");
  run.dir().write("zarvel.csv", test::sj(u"山田,yamada@example.jp\r\n鈴木,suzuki@example.jp\r\n"));
  run.dir().write("send.txt", "~!,\"old\",\"s\",\"26/12/08(x) 09:05:03\"\r\nbody\r\n~!!\r\n");
  TForm1* f = run.start();
  f->send_add("new", "s", "b");
  EXPECT_FALSE(f->history_view_built() || f->address_book_view_built());
  EXPECT_EQ(f->history->count(), 2);
  EXPECT_EQ(f->address_book->size(), 2);

  // The history: the entry just sent selected and shown, at the view's place,
  // with the height the settings gave its list.
  QTest::mouseClick(f->ToolButton6, Qt::LeftButton);
  ASSERT_TRUE(f->history_view_built());
  EXPECT_TRUE(f->Panel6->isVisible());
  EXPECT_FALSE(f->Panel1->isVisible());
  EXPECT_EQ(f->Panel6->pos(), QPoint(-1, 39));
  EXPECT_EQ(f->ListView3->selected_row(), 0);
  EXPECT_EQ(f->Label8->text(), QStringLiteral("new"));
  EXPECT_EQ(f->Splitter3->sizes().value(0), 150);
  EXPECT_EQ(run.panel(2), QStringLiteral("件数： 2"));
  EXPECT_EQ(f->Panel6->accessibleName(), QStringLiteral("送信履歴"));
  EXPECT_FALSE(f->ListView3->accessibleName().isEmpty());
  EXPECT_TRUE(f->StatusBar1->isVisible());
  // Deleting asks nothing when the settings say so, without building them.
  QTest::mouseClick(f->Button2, Qt::LeftButton);
  EXPECT_EQ(f->history->count(), 1);
  EXPECT_TRUE(run.dialogs().shown.empty());
  EXPECT_FALSE(f->settings_view_built());

  // The address book: its entries, the first selected.
  QTest::mouseClick(f->ToolButton2, Qt::LeftButton);
  ASSERT_TRUE(f->address_book_view_built());
  EXPECT_TRUE(f->Panel3->isVisible());
  EXPECT_FALSE(f->Panel6->isVisible());
  EXPECT_EQ(f->Panel3->pos(), QPoint(-1, 39));
  EXPECT_EQ(f->ListView2->row_count(), 2);
  EXPECT_EQ(f->ListView2->selected_row(), 0);
  EXPECT_EQ(run.panel(2), QStringLiteral("登録数： 2"));
  EXPECT_EQ(f->Panel3->accessibleName(), QStringLiteral("宛先編集"));
  EXPECT_FALSE(f->ListView2->accessibleName().isEmpty());
  EXPECT_FALSE(f->settings_view_built());
}
