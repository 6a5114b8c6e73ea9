#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>
#include <memory>
#include <ostream>

#include "platform/shell.h"
#include "support/recording_shell.h"
#include "ui/widget_lightlabel.h"

using zarvel::test::RecordingShell;

namespace {

const QColor kLight(10, 20, 30);
const QColor kDefault(40, 50, 60);
const QColor kClick(70, 80, 90);

class LightLabelTest : public ::testing::Test {
 protected:
  LightLabelTest() {
    host_->resize(200, 60);
    label_ = new TLightLabel(QStringLiteral("link"), host_.get());
    label_->setGeometry(10, 10, 100, 20);
  }

  // Distinct looks, so each state can be told apart.
  void set_distinct_looks() {
    QFont f = label_->font();
    label_->setLightColor(kLight);
    label_->setLightFont({f, Qt::green});
    label_->setClickColor(kClick);
    label_->setClickFont({f, Qt::magenta});
    label_->setDefaultColor(kDefault);
    label_->setDefaultFont({f, Qt::cyan});
  }

  void enter() {
    QEnterEvent e(QPointF(5, 5), QPointF(15, 15), QPointF(15, 15));
    QApplication::sendEvent(label_, &e);
  }
  void leave() {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(label_, &e);
  }
  void press(QPoint at = {5, 5}, Qt::MouseButton b = Qt::LeftButton) { QTest::mousePress(label_, b, {}, at); }
  void release(QPoint at = {5, 5}, Qt::MouseButton b = Qt::LeftButton) { QTest::mouseRelease(label_, b, {}, at); }
  void move(QPoint at) {
    QMouseEvent e(QEvent::MouseMove, at, label_->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(label_, &e);
  }
  void click() {
    press();
    release();
  }

  QColor text_color() const { return label_->current_font().color; }

  RecordingShell shell_;
  std::unique_ptr<QWidget> host_ = std::make_unique<QWidget>();
  TLightLabel* label_;
};

TEST_F(LightLabelTest, NewLabelDefaults) {
  const QColor face = host_->palette().color(QPalette::Button);
  EXPECT_EQ(label_->LightColor(), face);
  EXPECT_EQ(label_->DefaultColor(), face);
  EXPECT_EQ(label_->ClickColor(), face);
  EXPECT_TRUE(label_->LightEnabled());
  EXPECT_TRUE(label_->DefaultEnabled());
  EXPECT_TRUE(label_->ClickEnabled());
  EXPECT_EQ(label_->JumpType(), jtCust);
  EXPECT_TRUE(label_->JumpTo().isEmpty());
  EXPECT_FALSE(label_->pointer_over());

  EXPECT_EQ(label_->LightFont().color, QColor(Qt::blue));
  EXPECT_TRUE(label_->LightFont().font.underline());
  EXPECT_EQ(label_->DefaultFont().color, QColor(Qt::blue));
  EXPECT_FALSE(label_->DefaultFont().font.underline());
  EXPECT_EQ(label_->ClickFont().color, QColor(Qt::red));
  EXPECT_FALSE(label_->ClickFont().font.underline());

  // A new label shows the default look.
  EXPECT_EQ(label_->current_color(), face);
  EXPECT_EQ(text_color(), QColor(Qt::blue));
  EXPECT_FALSE(label_->font().underline());
  EXPECT_EQ(label_->focusPolicy(), Qt::NoFocus);
}

TEST_F(LightLabelTest, DefaultAndClickFontsStartFromTheLabelsOwnFont) {
  QFont own(QStringLiteral("IPAGothic"));
  own.setPixelSize(17);
  host_->setFont(own);
  TLightLabel label(host_.get());
  EXPECT_EQ(label.DefaultFont().font.pixelSize(), 17);
  EXPECT_EQ(label.ClickFont().font.pixelSize(), 17);
  EXPECT_NE(label.LightFont().font.pixelSize(), 17);  // a fresh default font
}

TEST_F(LightLabelTest, EnterAndLeaveSwitchLooksAndRaiseEvents) {
  set_distinct_looks();
  QSignalSpy entered(label_, &TLightLabel::mouseEntered);
  QSignalSpy left(label_, &TLightLabel::mouseLeft);

  enter();
  EXPECT_TRUE(label_->pointer_over());
  EXPECT_EQ(label_->current_color(), kLight);
  EXPECT_EQ(text_color(), QColor(Qt::green));
  EXPECT_EQ(entered.count(), 1);

  leave();
  EXPECT_FALSE(label_->pointer_over());
  EXPECT_EQ(label_->current_color(), kDefault);
  EXPECT_EQ(text_color(), QColor(Qt::cyan));
  EXPECT_EQ(left.count(), 1);
}

TEST_F(LightLabelTest, DisabledLooksStayButEventsAreStillRaised) {
  set_distinct_looks();
  label_->setLightEnabled(false);
  label_->setDefaultEnabled(false);
  label_->setClickEnabled(false);
  QSignalSpy entered(label_, &TLightLabel::mouseEntered);
  QSignalSpy left(label_, &TLightLabel::mouseLeft);

  enter();
  EXPECT_EQ(label_->current_color(), kDefault);
  EXPECT_EQ(entered.count(), 1);
  EXPECT_TRUE(label_->pointer_over());

  press();
  EXPECT_EQ(label_->current_color(), kDefault);  // no click look

  // The release ignores LightEnabled: the pointer is over the label.
  release();
  EXPECT_EQ(label_->current_color(), kLight);
  EXPECT_EQ(text_color(), QColor(Qt::green));

  leave();
  EXPECT_EQ(label_->current_color(), kLight);  // DefaultEnabled off: look kept
  EXPECT_EQ(left.count(), 1);
  EXPECT_FALSE(label_->pointer_over());
}

TEST_F(LightLabelTest, PressShowsClickLookAndReleaseTheLightLook) {
  set_distinct_looks();
  enter();
  press();
  EXPECT_EQ(label_->current_color(), kClick);
  EXPECT_EQ(text_color(), QColor(Qt::magenta));
  release();
  EXPECT_EQ(label_->current_color(), kLight);

  // Any button shows the click look.
  press({5, 5}, Qt::RightButton);
  EXPECT_EQ(label_->current_color(), kClick);
  release({5, 5}, Qt::RightButton);
  EXPECT_EQ(label_->current_color(), kLight);
}

TEST_F(LightLabelTest, ReleaseWithoutHoverAppliesDefaultLookEvenWhenDefaultDisabled) {
  set_distinct_looks();
  label_->setDefaultEnabled(false);
  press();
  EXPECT_EQ(label_->current_color(), kClick);
  release();
  EXPECT_EQ(label_->current_color(), kDefault);
  EXPECT_EQ(text_color(), QColor(Qt::cyan));
}

TEST_F(LightLabelTest, ReleasedAfterLeavingEndsInDefaultLookWithoutClick) {
  set_distinct_looks();
  label_->setJumpTo(QStringLiteral("https://example.jp/"));
  QSignalSpy clicked(label_, &TLightLabel::clicked);
  QSignalSpy left(label_, &TLightLabel::mouseLeft);

  // The pointer leaves while the button is held, then the button comes up.
  enter();
  press();
  leave();
  release({150, 40});
  EXPECT_EQ(label_->current_color(), kDefault);
  EXPECT_EQ(text_color(), QColor(Qt::cyan));
  EXPECT_EQ(clicked.count(), 0);
  EXPECT_TRUE(shell_.opened.isEmpty());
  EXPECT_EQ(left.count(), 1);
}

TEST_F(LightLabelTest, LeavingWhileHeldIsSeenWhenThePointerCrossesTheEdge) {
  // Qt holds back the leave until after the release; the label reacts to the
  // move instead, so even with DefaultEnabled off the release finds the
  // pointer gone and shows the default look.
  set_distinct_looks();
  QSignalSpy left(label_, &TLightLabel::mouseLeft);
  QSignalSpy entered(label_, &TLightLabel::mouseEntered);
  enter();
  press();
  move({150, 40});
  EXPECT_FALSE(label_->pointer_over());
  EXPECT_EQ(left.count(), 1);
  EXPECT_EQ(label_->current_color(), kDefault);

  move({6, 6});  // back in while still held
  EXPECT_TRUE(label_->pointer_over());
  EXPECT_EQ(entered.count(), 2);
  move({150, 40});

  label_->setDefaultEnabled(false);
  release({150, 40});
  leave();  // the late leave that Qt sends changes nothing more
  EXPECT_EQ(left.count(), 2);
  EXPECT_EQ(label_->current_color(), kDefault);
}

TEST_F(LightLabelTest, SettingDefaultLookShowsAtOnceOnlyWhenEnabled) {
  label_->setDefaultColor(kDefault);
  EXPECT_EQ(label_->current_color(), kDefault);
  label_->setDefaultFont({label_->font(), Qt::darkRed});
  EXPECT_EQ(text_color(), QColor(Qt::darkRed));

  // Light and click settings wait for the next event.
  label_->setLightColor(kLight);
  label_->setClickColor(kClick);
  label_->setLightFont({label_->font(), Qt::green});
  EXPECT_EQ(label_->current_color(), kDefault);
  EXPECT_EQ(text_color(), QColor(Qt::darkRed));

  label_->setDefaultEnabled(false);
  label_->setDefaultColor(QColor(1, 2, 3));
  label_->setDefaultFont({label_->font(), Qt::gray});
  EXPECT_EQ(label_->current_color(), kDefault);
  EXPECT_EQ(text_color(), QColor(Qt::darkRed));
  EXPECT_EQ(label_->DefaultColor(), QColor(1, 2, 3));

  // Even while hovered, the new default shows at once when enabled.
  label_->setDefaultEnabled(true);
  enter();
  label_->setDefaultColor(QColor(4, 5, 6));
  EXPECT_EQ(label_->current_color(), QColor(4, 5, 6));
}

TEST_F(LightLabelTest, ShownFontIsTheOwnedFontNotMixedWithTheParents) {
  QFont parent_font(QStringLiteral("IPAGothic"));
  parent_font.setPixelSize(19);
  host_->setFont(parent_font);
  QFont light(QStringLiteral("IPAPGothic"));
  light.setPixelSize(12);
  light.setUnderline(true);
  label_->setLightFont({light, Qt::red});
  enter();
  EXPECT_EQ(label_->font().pixelSize(), 12);
  EXPECT_EQ(label_->font().family(), QStringLiteral("IPAPGothic"));
  EXPECT_TRUE(label_->font().underline());
}

struct JumpCase {
  TJumpType type;
  const char* jump_to;
  const char* caption;
  const char* expected;  // nullptr: nothing opened
};

void PrintTo(const JumpCase& c, std::ostream* os) {
  *os << "type " << c.type << " JumpTo [" << c.jump_to << "] caption [" << c.caption << ']';
}

class LightLabelJumpTest : public LightLabelTest, public ::testing::WithParamInterface<JumpCase> {};

TEST_P(LightLabelJumpTest, ClickOpensTheTargetThenRaisesClick) {
  const JumpCase& c = GetParam();
  label_->setJumpType(c.type);
  label_->setJumpTo(QString::fromUtf8(c.jump_to));
  label_->setText(QString::fromUtf8(c.caption));
  int opened_at_click = -1;
  QObject::connect(label_, &TLightLabel::clicked, [&] { opened_at_click = int(shell_.opened.size()); });

  click();

  const int expected_count = c.expected ? 1 : 0;
  EXPECT_EQ(opened_at_click, expected_count);  // the jump comes first
  ASSERT_EQ(shell_.opened.size(), expected_count);
  if (c.expected) {
    EXPECT_EQ(shell_.opened.front(), QString::fromUtf8(c.expected));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Targets, LightLabelJumpTest,
    ::testing::Values(JumpCase{jtNone, "x@example.jp", "cap", nullptr},
                      JumpCase{jtCust, "https://example.jp/a", "cap", "https://example.jp/a"},
                      JumpCase{jtHome, "https://example.jp/", "cap", "https://example.jp/"},
                      JumpCase{jtMail, "x@example.jp", "cap", "mailto:x@example.jp"},
                      JumpCase{jtFile, "tmp/a.txt", "cap", "file:///tmp/a.txt"},
                      JumpCase{jtMail, "", "cap", nullptr},  // empty JumpTo: nothing, click still raised
                      JumpCase{jtCust, "", "cap", nullptr},
                      JumpCase{jtCaption, "", "https://caption.example.jp/", "https://caption.example.jp/"},
                      JumpCase{jtCaption, "ignored", "メール", "メール"}, JumpCase{jtCaption, "ignored", "", nullptr}));

TEST_F(LightLabelTest, OnlyALeftPressAndReleaseOnTheLabelIsAClick) {
  label_->setJumpTo(QStringLiteral("https://example.jp/"));
  QSignalSpy clicked(label_, &TLightLabel::clicked);

  press({5, 5}, Qt::RightButton);
  release({5, 5}, Qt::RightButton);
  EXPECT_EQ(clicked.count(), 0);

  release();  // a release without a press on the label
  EXPECT_EQ(clicked.count(), 0);

  press();
  release({300, 5});
  EXPECT_EQ(clicked.count(), 0);
  EXPECT_TRUE(shell_.opened.isEmpty());

  click();
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_EQ(shell_.opened.size(), 1);
}

TEST_F(LightLabelTest, ClickHandlerMayDeleteTheLabel) {
  QObject::connect(label_, &TLightLabel::clicked, [this] { delete label_; });
  click();  // must not touch the deleted label (ASan would tell)
  SUCCEED();
}

// Through the window system, as a real pointer: Qt creates the enter and
// leave events itself, and holds back the leave while the button is down.
TEST_F(LightLabelTest, RealPointerMovesDriveTheLooks) {
  set_distinct_looks();
  label_->setJumpTo(QStringLiteral("x@example.jp"));
  label_->setJumpType(jtMail);
  host_->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(host_.get()));
  QWindow* window = host_->windowHandle();
  QSignalSpy clicked(label_, &TLightLabel::clicked);
  QSignalSpy left(label_, &TLightLabel::mouseLeft);

  QTest::mouseMove(window, QPoint(180, 50));
  QTest::mouseMove(window, QPoint(20, 15));
  QTRY_VERIFY(label_->pointer_over());
  EXPECT_EQ(label_->current_color(), kLight);

  QTest::mousePress(window, Qt::LeftButton, {}, QPoint(20, 15));
  EXPECT_EQ(label_->current_color(), kClick);
  QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(20, 15));
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_EQ(shell_.opened, QStringList{QStringLiteral("mailto:x@example.jp")});
  EXPECT_EQ(label_->current_color(), kLight);

  QTest::mousePress(window, Qt::LeftButton, {}, QPoint(20, 15));
  QTest::mouseMove(window, QPoint(180, 50));
  QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(180, 50));
  QTRY_VERIFY(!label_->pointer_over());
  EXPECT_EQ(label_->current_color(), kDefault);
  EXPECT_EQ(clicked.count(), 1);
  EXPECT_EQ(left.count(), 1);
}

}  // namespace
