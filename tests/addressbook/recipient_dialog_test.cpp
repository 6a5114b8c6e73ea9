// The recipient dialog on its own: OK's enabling, Enter, Escape, the close
// box and the outcome.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "addressbook/form_seting_diarog.h"
#include "ui/widget_edit.h"

using Outcome = Tseting_diarog::Outcome;

namespace {

class RecipientDialog : public ::testing::Test {
 protected:
  void show(const QString& name, const QString& address) {
    d.edit_mail->setText(name);
    d.edit_address->setText(address);
    d.show();
    QApplication::setActiveWindow(&d);
    QApplication::processEvents();
  }
  QWidget* focused() const { return QApplication::focusWidget(); }
  Tseting_diarog d;
};

TEST_F(RecipientDialog, LaysOutItsControls) {
  EXPECT_EQ(d.size(), QSize(187, 117));
  EXPECT_EQ(d.edit_mail->geometry(), QRect(11, 20, 165, 20));
  EXPECT_EQ(d.edit_address->geometry(), QRect(12, 60, 164, 20));
  EXPECT_EQ(d.Button1->geometry(), QRect(11, 87, 77, 25));
  EXPECT_EQ(d.Button2->geometry(), QRect(100, 87, 77, 25));
  EXPECT_EQ(d.Label1->text(), QStringLiteral("宛先(&A)"));
  EXPECT_EQ(d.Label2->text(), QStringLiteral("メールアドレス(&M)"));
  EXPECT_LT(d.Label2->geometry().bottom(), d.edit_address->y());
  EXPECT_EQ(d.Button1->text(), QStringLiteral("OK(&S)"));
  EXPECT_EQ(d.Button2->text(), QStringLiteral("ｷｬﾝｾﾙ(&C)"));
  EXPECT_EQ(d.outcome, Outcome::Refused);
  show(QStringLiteral("n"), QStringLiteral("a"));
  EXPECT_FALSE(d.Button1->isDefault());  // not even once shown
  EXPECT_FALSE(d.Button2->isDefault());
}

TEST_F(RecipientDialog, OkNeedsBothFieldsAndEnterMovesOn) {
  show(QStringLiteral("山田"), QString());
  EXPECT_EQ(focused(), d.edit_mail);
  EXPECT_FALSE(d.Button1->isEnabled());
  QTest::keyClick(d.edit_mail, Qt::Key_Return);
  EXPECT_EQ(focused(), d.edit_address);
  EXPECT_FALSE(d.edit_address->hasSelectedText());
  QTest::keyClick(d.edit_address, Qt::Key_Enter);
  EXPECT_EQ(focused(), d.Button2);  // OK is disabled and skipped

  d.edit_address->setFocus();
  QTest::keyClicks(d.edit_address, QStringLiteral("a@x.jp"));
  EXPECT_TRUE(d.Button1->isEnabled());
  QTest::keyClick(d.edit_address, Qt::Key_Return);
  EXPECT_EQ(focused(), d.Button1);
  EXPECT_EQ(d.edit_mail->text(), QStringLiteral("山田"));  // Enter typed nothing
  EXPECT_EQ(d.edit_address->text(), QStringLiteral("a@x.jp"));
  d.edit_mail->clear();
  EXPECT_FALSE(d.Button1->isEnabled());

  // A pasted line break never stays in a field.
  d.edit_mail->insert(QStringLiteral("a\r\nb\nc"));
  EXPECT_FALSE(d.edit_mail->text().contains(QLatin1Char('\n')));
  EXPECT_FALSE(d.edit_mail->text().contains(QLatin1Char('\r')));
}

TEST_F(RecipientDialog, OutcomeComesFromTheButtonsOnly) {
  auto run = [this](std::function<void()> act) {
    QTimer::singleShot(0, &d, [this, act] {
      QApplication::setActiveWindow(&d);
      act();
      if (d.isVisible()) {  // not closed: fail, but do not hang
        ADD_FAILURE() << "the dialog stayed open";
        d.done(0);
      }
    });
    return d.ask(QStringLiteral("宛先の追加"), QStringLiteral("n"), QStringLiteral("a"));
  };
  // Enter, Enter, Enter: through both fields, then OK presses.
  EXPECT_EQ(run([this] {
              for (QWidget* w : {static_cast<QWidget*>(d.edit_mail), static_cast<QWidget*>(d.edit_address),
                                 static_cast<QWidget*>(d.Button1)}) {
                EXPECT_EQ(QApplication::focusWidget(), w);
                QTest::keyClick(w, Qt::Key_Return);
              }
            }),
            Outcome::Accepted);
  EXPECT_EQ(d.windowTitle(), QStringLiteral("宛先の追加"));
  EXPECT_EQ(run([this] { d.close(); }), Outcome::Refused);  // the close box after an accepted use
  // Escape is no cancel key: the dialog stays until a button closes it.
  EXPECT_EQ(run([this] {
              QTest::keyClick(d.edit_mail, Qt::Key_Escape);
              EXPECT_TRUE(d.isVisible());
              QTest::mouseClick(d.Button1, Qt::LeftButton);
            }),
            Outcome::Accepted);
  EXPECT_EQ(run([this] { QTest::mouseClick(d.Button2, Qt::LeftButton); }), Outcome::Refused);
}

}  // namespace
