#include "ui/svg_icon.h"

#include <QApplication>
#include <QIconEngine>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QResource>
#include <QStyle>
#include <QStyleOption>
#include <map>
#include <memory>
#include <optional>
#include <tuple>

namespace zarvel {
namespace {

// Qt's own SVG icon engine reads the file again for every size and state it
// draws; this one keeps what it has drawn, and its pictures drawn at build
// time need no SVG at all.
class SvgIconEngine : public QIconEngine {
 public:
  explicit SvgIconEngine(QString path) : path_(std::move(path)) {}

  QIconEngine* clone() const override { return new SvgIconEngine(*this); }
  QString key() const override { return QStringLiteral("zarvel-svg"); }
  // Asked on every paint of a button; answered once.
  bool isNull() override {
    if (null_ < 0) null_ = !baked_any() && own_size().isEmpty();
    return null_ > 0;
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override {
    if (!baked(size).isNull()) return size;
    const QSize own = own_size();
    return own.isEmpty() ? size : own.scaled(size, Qt::KeepAspectRatio);
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    const auto key = std::make_tuple(size.width(), size.height(), static_cast<int>(mode));
    if (auto it = drawn_->find(key); it != drawn_->end()) return it->second;
    QPixmap pm = draw(actualSize(size, mode, state));
    if (mode != QIcon::Normal && !pm.isNull()) {
      QStyleOption opt;
      opt.palette = QApplication::palette();
      pm = QApplication::style()->generatedIconPixmap(mode, pm, &opt);
    }
    (*drawn_)[key] = pm;
    return pm;
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap pm = pixmap(rect.size() * ratio, mode, state);
    pm.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect, pm);
  }

 private:
  using Key = std::tuple<int, int, int>;

  QSize own_size() {
    if (!own_size_->has_value()) *own_size_ = svg_size(path_);
    return **own_size_;
  }

  // The picture drawn at build time at `size`, if it was (the compose view's
  // and the window icon's square sizes), straight from the resource's bytes.
  QImage baked(const QSize& size) const {
    if (size.width() != size.height() || size.isEmpty()) return {};
    QString name = path_;
    if (!name.startsWith(QLatin1String(":/icons/")) || !name.endsWith(QLatin1String(".svg"))) return {};
    name = QStringLiteral(":/icons/baked/%1-%2.argb").arg(name.mid(8).chopped(4)).arg(size.width());
    const QResource r(name);
    if (!r.isValid() || r.compressionAlgorithm() != QResource::NoCompression ||
        r.size() != qint64(size.width()) * size.height() * 4)
      return {};
    return QImage(r.data(), size.width(), size.height(), size.width() * 4, QImage::Format_RGBA8888_Premultiplied);
  }
  bool baked_any() const { return !baked(QSize(16, 16)).isNull() || !baked(QSize(20, 20)).isNull(); }

  QPixmap draw(const QSize& size) {
    if (const QImage image = baked(size); !image.isNull()) return QPixmap::fromImage(image);
    return QPixmap::fromImage(render_svg(path_, size));
  }

  QString path_;
  int null_ = -1;  // not yet known
  // Shared by the copies QIcon makes of its engine.
  std::shared_ptr<std::optional<QSize>> own_size_ = std::make_shared<std::optional<QSize>>();
  std::shared_ptr<std::map<Key, QPixmap>> drawn_ = std::make_shared<std::map<Key, QPixmap>>();
};

}  // namespace

// Through the toolkit's SVG image plugin, so that the SVG library is loaded
// with the first picture that needs it, not with the program.
QSize svg_size(const QString& path) {
  QImageReader reader(path, QByteArrayLiteral("svg"));
  return reader.canRead() ? reader.size() : QSize();
}

QImage render_svg(const QString& path, const QSize& pixels) {
  if (pixels.isEmpty()) return {};
  QImageReader reader(path, QByteArrayLiteral("svg"));
  reader.setScaledSize(pixels);
  const QImage image = reader.read();
  if (image.size() != pixels) return {};
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

QIcon svg_icon(const QString& path) { return QIcon(new SvgIconEngine(path)); }

}  // namespace zarvel
