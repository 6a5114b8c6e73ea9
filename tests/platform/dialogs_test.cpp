// The real message box with a detailed text: what the user can unfold.
#include "platform/dialogs.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTextEdit>
#include <QTimer>

using namespace zarvel;

TEST(ErrorBoxWithDetails, UnfoldsTheDetailsUnderAJapaneseButton) {
  QString text, details, before, after;
  bool shown_after = false;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    text = box->text();
    details = box->detailedText();
    for (QAbstractButton* b : box->buttons()) {
      if (box->buttonRole(b) != QMessageBox::ActionRole) continue;
      before = b->text();
      b->click();
      after = b->text();
      shown_after = box->findChild<QTextEdit*>()->isVisible();
    }
    box->accept();
  });
  error_box(QStringLiteral("送信に失敗しました。"), QStringLiteral("S: 220 ready\nC: AUTH PLAIN ****"));
  EXPECT_EQ(text, QStringLiteral("送信に失敗しました。"));
  EXPECT_EQ(details, QStringLiteral("S: 220 ready\nC: AUTH PLAIN ****"));
  EXPECT_EQ(before, QStringLiteral("詳細"));
  EXPECT_EQ(after, QStringLiteral("詳細を隠す"));
  EXPECT_TRUE(shown_after);
}
