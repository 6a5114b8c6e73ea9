#include "ui/app_style.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QPixmapCache>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyleFactory>
#include <memory>

#include "support/dark_palette.h"

namespace {

// The widget drawn with `style` into an image of `ratio`, on a ground of
// the window colour, `offset` pixels in, as the window's backing store
// would hold it.
QImage drawn(QWidget& w, QStyle* style, qreal ratio, QPoint offset = {}) {
  QPixmapCache::clear();  // nothing drawn by the other style is reused
  w.setStyle(style);
  const QSize size = w.size() + QSize(offset.x(), offset.y()) + QSize(3, 3);
  QImage image((QSizeF(size) * ratio).toSize(), QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(w.palette().color(QPalette::Window));
  w.render(&image, offset, QRegion(), QWidget::DrawChildren);
  return image;
}

// The first pixel where the two differ, for the failure message.
std::string first_difference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return "sizes differ";
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y))
        return "at " + std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(a.pixel(x, y)) +
               " against " + std::to_string(b.pixel(x, y));
  return "none";
}

struct Styles {
  std::unique_ptr<QStyle> fusion{QStyleFactory::create(QStringLiteral("Fusion"))};
  std::unique_ptr<QStyle> app{new zarvel::AppStyle};
};

}  // namespace

// Tall and short bars, both ways, in every state a bar is drawn in, on
// whole and fractional pixel ratios, light and dark: the same pixels as
// Fusion's.
TEST(AppStyle, ScrollBarsLookAsFusionDrawsThem) {
  Styles styles;
  struct Bar {
    Qt::Orientation orientation;
    QSize size;
  };
  const Bar bars[] = {{Qt::Vertical, {14, 187}}, {Qt::Vertical, {14, 128}},   {Qt::Vertical, {14, 33}},
                      {Qt::Vertical, {20, 301}}, {Qt::Horizontal, {262, 14}}, {Qt::Horizontal, {97, 16}},
                      {Qt::Vertical, {60, 200}}};
  for (const bool dark : {false, true}) {
    for (const Bar& b : bars) {
      for (const int state : {0, 1, 2, 3}) {
        QScrollBar bar(b.orientation);
        if (dark) bar.setPalette(zarvel::test::dark_palette());
        bar.resize(b.size);
        if (state == 0) bar.setRange(0, 0);  // nothing to scroll: as an empty body shows it
        if (state == 1) bar.setRange(0, 100), bar.setValue(0);
        if (state == 2) bar.setRange(0, 1000), bar.setValue(517), bar.setPageStep(40);
        if (state == 3) bar.setRange(0, 100), bar.setValue(100), bar.setEnabled(false);
        for (const qreal ratio : {1.0, 2.0, 1.5, 3.0}) {
          for (const QPoint offset : {QPoint(0, 0), QPoint(7, 41)}) {
            const QImage want = drawn(bar, styles.fusion.get(), ratio, offset);
            const QImage got = drawn(bar, styles.app.get(), ratio, offset);
            EXPECT_TRUE(got == want) << (dark ? "dark " : "light ") << b.size.width() << "x" << b.size.height()
                                     << " state " << state << " ratio " << ratio << " offset " << offset.x() << ": "
                                     << first_difference(got, want);
          }
        }
      }
    }
  }
}

// Narrow and wide sections, the last one stretched or not, sorted, left to
// right and right to left: the same pixels as Fusion's.
TEST(AppStyle, HeaderSectionsLookAsFusionDrawsThem) {
  Styles styles;
  for (const bool dark : {false, true}) {
    for (const bool stretch : {false, true}) {
      for (const Qt::LayoutDirection direction : {Qt::LeftToRight, Qt::RightToLeft}) {
        QStandardItemModel model(2, 4);
        model.setHorizontalHeaderLabels(
            {QStringLiteral("宛先"), QStringLiteral("アドレス"), QStringLiteral("日時"), QStringLiteral("件名")});
        QHeaderView header(Qt::Horizontal);
        header.setModel(&model);
        header.setLayoutDirection(direction);
        if (dark) header.setPalette(zarvel::test::dark_palette());
        header.resize(480, 17);
        header.resizeSection(0, 60);
        header.resizeSection(1, 96);
        header.resizeSection(2, 191);
        header.setStretchLastSection(stretch);
        header.setSortIndicatorShown(stretch);
        header.setSortIndicator(1, Qt::AscendingOrder);
        header.show();
        for (const qreal ratio : {1.0, 2.0, 1.25}) {
          const QImage want = drawn(header, styles.fusion.get(), ratio, QPoint(2, 88));
          const QImage got = drawn(header, styles.app.get(), ratio, QPoint(2, 88));
          EXPECT_TRUE(got == want) << (dark ? "dark " : "light ") << (stretch ? "stretched " : "")
                                   << (direction == Qt::RightToLeft ? "right to left " : "") << "ratio " << ratio
                                   << ": " << first_difference(got, want);
        }
      }
    }
  }
}

// Push buttons of every width from the narrowest the style widens, in each
// state a panel has, light and dark, at every pixel ratio the image or the
// screens give: the same pixels as Fusion's.
TEST(AppStyle, PushButtonPanelsLookAsFusionDrawsThem) {
  Styles styles;
  for (const bool dark : {false, true}) {
    for (const int height : {25, 30}) {
      for (int width = 14; width <= 140; width += width < 40 ? 1 : 17) {
        for (int state = 0; state < 5; ++state) {
          QPushButton button(QStringLiteral("送信(&S)"));
          if (dark) button.setPalette(zarvel::test::dark_palette());
          button.resize(width, height);
          if (state == 1) button.setDefault(true);
          if (state == 2) button.setEnabled(false);
          if (state == 3) button.setDown(true);
          if (state == 4) button.setFlat(true);
          for (const qreal ratio : {1.0, 2.0, 1.5}) {
            const QImage want = drawn(button, styles.fusion.get(), ratio, QPoint(5, 3));
            const QImage got = drawn(button, styles.app.get(), ratio, QPoint(5, 3));
            ASSERT_TRUE(got == want) << (dark ? "dark " : "light ") << width << "x" << height << " state " << state
                                     << " ratio " << ratio << ": " << first_difference(got, want);
          }
        }
      }
    }
  }
}
