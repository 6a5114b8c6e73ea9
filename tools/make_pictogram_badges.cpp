// Draws the pictures of the i-mode pictograms that Unicode never encoded
// (carrier logos such as iモード), so the pictogram font shows something for
// them too. Writes one PNG per code, "<CODE>.png", sized like the colour
// emoji bitmaps they sit beside.
//
// Usage: make_pictogram_badges OUTPUT_DIR
#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <algorithm>
#include <cstdio>

namespace {

// Matches the emoji bitmaps of Noto Color Emoji.
constexpr int kWidth = 136;
constexpr int kHeight = 128;

struct Badge {
  const char* code;
  const char16_t* label;  // lines separated by '\n'
  QRgb colour;
  bool framed;  // outline only, as the framed variants of the logos
};

constexpr QRgb kDocomoRed = 0xffcc0033;
constexpr QRgb kAppOrange = 0xffe8730c;
constexpr QRgb kDialGreen = 0xff00934a;
constexpr QRgb kMobaBlue = 0xff0a5cb8;

const Badge kBadges[] = {
    {"F975", u"iモード", kDocomoRed, false},          {"F976", u"iモード", kDocomoRed, true},
    {"F978", u"ドコモ\n提供", kDocomoRed, false},     {"F979", u"ドコモ\nポイント", kDocomoRed, false},
    {"F984", u"フリー\nダイヤル", kDialGreen, false}, {"F986", u"モバQ", kMobaBlue, false},
    {"F9B1", u"iアプリ", kAppOrange, false},          {"F9B2", u"iアプリ", kAppOrange, true},
};

QImage draw(const Badge& badge) {
  QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setRenderHint(QPainter::TextAntialiasing);

  const QColor colour = QColor::fromRgba(badge.colour);
  const QRectF box(6, 10, kWidth - 12, kHeight - 20);
  QPainterPath shape;
  shape.addRoundedRect(box, 18, 18);
  if (badge.framed) {
    painter.fillPath(shape, Qt::white);
    painter.setPen(QPen(colour, 9));
    painter.drawPath(shape);
  } else {
    painter.fillPath(shape, colour);
  }

  const QStringList lines = QString::fromUtf16(badge.label).split(u'\n');
  const QRectF text_area = box.adjusted(10, 8, -10, -8);
  const qreal line_height = text_area.height() / lines.size();
  painter.setPen(badge.framed ? colour : QColor(Qt::white));
  for (int i = 0; i < lines.size(); ++i) {
    // The largest bold size at which the line fits its share of the badge.
    QFont font(QStringLiteral("IPAGothic"));
    font.setBold(true);
    font.setPixelSize(100);
    const QFontMetricsF metrics(font);
    const qreal scale =
        std::min(text_area.width() / metrics.horizontalAdvance(lines[i]), line_height / metrics.height());
    font.setPixelSize(std::max(8, static_cast<int>(100 * scale)));
    painter.setFont(font);
    const QRectF line_box(text_area.left(), text_area.top() + i * line_height, text_area.width(), line_height);
    painter.drawText(line_box, Qt::AlignCenter, lines[i]);
  }
  painter.end();
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  // Nothing is shown; the offscreen platform needs no display. Qt's notes
  // about the environment (no runtime directory in a build) are not ours.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_LOGGING_RULES", "default.warning=false");
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_pictogram_badges OUTPUT_DIR\n");
    return 2;
  }
  const QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "make_pictogram_badges: cannot create %s\n", argv[1]);
    return 1;
  }
  for (const Badge& badge : kBadges) {
    const QString path = dir.filePath(QString::fromLatin1(badge.code) + QStringLiteral(".png"));
    if (!draw(badge).save(path, "PNG", 0)) {
      std::fprintf(stderr, "make_pictogram_badges: cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
