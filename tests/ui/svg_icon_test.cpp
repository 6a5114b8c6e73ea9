#include "ui/svg_icon.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QRegularExpression>
#include <QResource>
#include <QSvgRenderer>

#include "ui/widget_picture.h"

using zarvel::svg_icon;

namespace {

int opaque_pixels(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) > 0;
  return n;
}

}  // namespace

TEST(SvgIcon, DrawsForTheSizeRatioAndModeAsked) {
  const QIcon icon = svg_icon(QStringLiteral(":/icons/send.svg"));
  ASSERT_FALSE(icon.isNull());
  const QPixmap normal = icon.pixmap(QSize(16, 16), 1.0);
  EXPECT_EQ(normal.deviceIndependentSize().toSize(), QSize(16, 16));
  EXPECT_GT(opaque_pixels(normal.toImage()), 16);

  // On a scaled screen the picture is drawn for the screen's pixels.
  const QPixmap sharp = icon.pixmap(QSize(16, 16), 2.0);
  EXPECT_EQ(sharp.size(), QSize(32, 32));
  EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
  EXPECT_GT(opaque_pixels(sharp.toImage()), 3 * opaque_pixels(normal.toImage()));

  // Disabled looks different from normal; asked again, the same is given.
  const QImage disabled = icon.pixmap(QSize(16, 16), 1.0, QIcon::Disabled).toImage();
  EXPECT_NE(disabled, normal.toImage());
  EXPECT_EQ(icon.pixmap(QSize(16, 16), 1.0, QIcon::Disabled).toImage(), disabled);

  // Painted into a scaled device, it fills the rectangle asked.
  QImage target(QSize(40, 40), QImage::Format_ARGB32_Premultiplied);
  target.setDevicePixelRatio(2.0);
  target.fill(Qt::transparent);
  QPainter p(&target);
  icon.paint(&p, QRect(0, 0, 20, 20));
  p.end();
  EXPECT_GT(opaque_pixels(target), 4 * opaque_pixels(normal.toImage()));
}

// The pictures drawn at build time are the SVG's own, at the size their
// name says, and the icon hands them out at that size on either ratio.
TEST(SvgIcon, PicturesDrawnAtBuildTimeMatchTheirSvg) {
  const QStringList baked = QDir(QStringLiteral(":/icons/baked")).entryList();
  ASSERT_EQ(baked.size(), 23);
  const QRegularExpression name(QStringLiteral("^(.+)-(\\d+)\\.argb$"));
  for (const QString& file : baked) {
    SCOPED_TRACE(file.toStdString());
    const auto m = name.match(file);
    ASSERT_TRUE(m.hasMatch());
    const QString svg = QStringLiteral(":/icons/%1.svg").arg(m.captured(1));
    const int px = m.captured(2).toInt();
    // What the icon takes as drawn: uncompressed, exactly the pixels.
    const QResource resource(QStringLiteral(":/icons/baked/") + file);
    EXPECT_EQ(resource.compressionAlgorithm(), QResource::NoCompression);
    EXPECT_EQ(resource.size(), qint64(px) * px * 4);
    QImage expected(px, px, QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::transparent);
    QPainter p(&expected);
    QSvgRenderer(svg).render(&p, QRectF(0, 0, px, px));
    p.end();
    const QIcon icon = svg_icon(svg);
    for (const qreal ratio : {1.0, 2.0}) {
      if (px % int(ratio)) continue;
      const QPixmap pm = icon.pixmap(QSize(px, px) / ratio, ratio);
      EXPECT_EQ(pm.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), expected) << "ratio " << ratio;
    }
  }
}

TEST(SvgIcon, AMissingPictureIsANullIcon) {
  const QIcon icon = svg_icon(QStringLiteral(":/icons/none.svg"));
  EXPECT_TRUE(icon.isNull());
  EXPECT_TRUE(icon.pixmap(QSize(16, 16)).isNull());
}

TEST(PictureLabel, DrawsItsPictureOnlyWhenPainted) {
  zarvel::PictureLabel label(svg_icon(QStringLiteral(":/icons/sending.svg")), nullptr);
  label.setGeometry(0, 0, 38, 30);
  label.setAlignment(Qt::AlignCenter);
  EXPECT_TRUE(label.pixmap().isNull());  // nothing drawn when built
  const QImage shown = label.grab().toImage();
  int coloured = 0;
  for (int y = 0; y < shown.height(); ++y)
    for (int x = 0; x < shown.width(); ++x) coloured += shown.pixel(x, y) != shown.pixel(0, 0);
  EXPECT_GT(coloured, 100);
  label.setEnabled(false);
  EXPECT_NE(label.grab().toImage(), shown);
}
