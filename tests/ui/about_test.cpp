#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTest>
#include <QTimer>

#include "platform/shell.h"
#include "support/recording_shell.h"
#include "ui/form_about.h"
#include "ui/widget_lightlabel.h"

using zarvel::test::RecordingShell;

namespace {

void expect_label(const QLabel* label, int left, int top, const QString& text) {
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->pos(), QPoint(left, top)) << text.toStdString();
  EXPECT_EQ(label->text(), text);
  // Nothing clipped: the label is as wide as its text and stays in the panel.
  EXPECT_GE(label->width(), label->sizeHint().width()) << text.toStdString();
  EXPECT_LE(label->geometry().right(), label->parentWidget()->contentsRect().right()) << text.toStdString();
}

TEST(AboutBox, WindowAndPanel) {
  TAboutBox box;
  EXPECT_EQ(box.windowTitle(), QStringLiteral("バージョン情報"));
  EXPECT_EQ(box.size(), QSize(294, 160));
  EXPECT_EQ(box.minimumSize(), box.maximumSize());
  EXPECT_TRUE(box.isModal());
  EXPECT_TRUE(box.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(box.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(box.windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(box.windowFlags() & Qt::WindowContextHelpButtonHint);
  EXPECT_EQ(box.font().family(), QStringLiteral("IPAPGothic"));
  EXPECT_EQ(box.font().pixelSize(), 12);
  // The IPA font is really there, not a silent substitute.
  EXPECT_EQ(QFontInfo(box.LightLabel1->font()).family(), QStringLiteral("IPAPGothic"));

  EXPECT_EQ(box.Panel1->geometry(), QRect(8, 8, 278, 117));
  EXPECT_EQ(box.Panel1->frameShadow(), QFrame::Sunken);
}

TEST(AboutBox, ControlsStandAtTheirPlacesWithTheirTexts) {
  TAboutBox box;
  EXPECT_EQ(box.ProgramIcon->geometry(), QRect(47, 11, 39, 37));
  ASSERT_FALSE(box.ProgramIcon->pixmap().isNull());
  EXPECT_TRUE(box.ProgramIcon->hasScaledContents());
  // The icon is drawn, not left blank.
  QImage icon = box.ProgramIcon->pixmap().toImage();
  EXPECT_GT(qAlpha(icon.pixel(19, 18)), 0);

  expect_label(box.ProductName, 97, 21, QStringLiteral("zarvel "));
  expect_label(box.Version, 139, 21, QStringLiteral("Version 0.74a"));
  expect_label(box.Label1, 54, 56, QStringLiteral("E-Mail :"));
  expect_label(box.LightLabel1, 97, 55, QStringLiteral("zarvel@example.jp"));
  expect_label(box.Label2, 54, 72, QStringLiteral("URL :"));
  expect_label(box.LightLabel2, 87, 71, QStringLiteral("https://www.example.jp/zarvel/"));
  expect_label(box.Copyright, 54, 90, box.Copyright->text());
  EXPECT_FALSE(box.Copyright->text().isEmpty());
  EXPECT_EQ(box.Copyright->palette().color(QPalette::WindowText), QColor(Qt::black));
  // Labels on one line do not run into each other.
  EXPECT_LT(box.ProductName->geometry().right(), box.Version->x());
  EXPECT_LT(box.Label1->geometry().right(), box.LightLabel1->x());
  EXPECT_LT(box.Label2->geometry().right(), box.LightLabel2->x());

  EXPECT_EQ(box.OKButton->parentWidget(), &box);
  EXPECT_EQ(box.OKButton->geometry(), QRect(109, 130, 75, 25));
  EXPECT_EQ(box.OKButton->text(), QStringLiteral("OK"));
  EXPECT_TRUE(box.OKButton->isDefault());
}

TEST(AboutBox, LinksLookAndJump) {
  RecordingShell shell;
  TAboutBox box;
  const QColor face = box.palette().color(QPalette::Button);
  for (TLightLabel* link : {box.LightLabel1, box.LightLabel2}) {
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(link->DefaultColor(), face);
    EXPECT_EQ(link->LightColor(), face);
    EXPECT_EQ(link->ClickColor(), face);
    EXPECT_EQ(link->DefaultFont().color, QColor(Qt::blue));
    EXPECT_EQ(link->LightFont().color, QColor(Qt::red));
    EXPECT_EQ(link->ClickFont().color, QColor(Qt::red));
    for (const auto* f : {&link->DefaultFont(), &link->LightFont(), &link->ClickFont()}) {
      EXPECT_TRUE(f->font.underline());
      EXPECT_EQ(f->font.family(), QStringLiteral("IPAPGothic"));
      EXPECT_EQ(f->font.pixelSize(), 12);
    }
    // At rest: blue, underlined.
    EXPECT_EQ(link->current_font().color, QColor(Qt::blue));
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->current_color(), face);
  }
  EXPECT_EQ(box.LightLabel1->JumpType(), jtMail);
  EXPECT_EQ(box.LightLabel1->JumpTo(), QStringLiteral("zarvel@example.jp"));
  EXPECT_EQ(box.LightLabel2->JumpType(), jtHome);
  EXPECT_EQ(box.LightLabel2->JumpTo(), QStringLiteral("https://www.example.jp/zarvel/"));

  QTest::mouseClick(box.LightLabel1, Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mouseClick(box.LightLabel2, Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(shell.opened, (QStringList{QStringLiteral("mailto:zarvel@example.jp"),
                                       QStringLiteral("https://www.example.jp/zarvel/")}));
}

TEST(AboutBox, OkClosesTheModalWindow) {
  TAboutBox box;
  QTimer::singleShot(0, &box, [&box] {
    EXPECT_TRUE(box.isVisible());
    QTest::mouseClick(box.OKButton, Qt::LeftButton);
  });
  EXPECT_EQ(box.exec(), QDialog::Accepted);
  EXPECT_FALSE(box.isVisible());

  // Enter reaches the default button too.
  QTimer::singleShot(0, &box, [&box] { QTest::keyClick(&box, Qt::Key_Return); });
  EXPECT_EQ(box.exec(), QDialog::Accepted);
}

TEST(AboutBox, IsCentredOnTheScreen) {
  TAboutBox box;
  box.show();
  const QRect screen = box.screen()->geometry();
  const QRect outer = box.frameGeometry();
  EXPECT_LE(std::abs(outer.center().x() - screen.center().x()), 1);
  EXPECT_LE(std::abs(outer.center().y() - screen.center().y()), 1);
}

// Every picture is a valid drawing that puts something on the canvas.
TEST(Pictures, EveryIconRenders) {
  const char* names[] = {"zarvel",  "compose", "history", "addressbook", "settings", "help",  "send",   "clear",
                         "restore", "palette", "paste",   "edit",        "save",     "close", "sending"};
  for (const char* name : names) {
    const QString path = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name));
    QSvgRenderer renderer(path);
    ASSERT_TRUE(renderer.isValid()) << name;
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    int painted = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) painted += qAlpha(image.pixel(x, y)) > 0;
    EXPECT_GT(painted, 32 * 32 / 8) << name;
  }
}

}  // namespace
