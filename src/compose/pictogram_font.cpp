#include "compose/pictogram_font.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QResource>
#include <algorithm>

namespace zarvel {

bool load_pictogram_font() {
  static const bool loaded = [] {
    // Stored uncompressed, so this wraps the embedded bytes without a copy.
    const QResource resource(QStringLiteral(":/zarvel/pictograms.ttf"));
    if (!resource.isValid()) return false;
    const int id = QFontDatabase::addApplicationFontFromData(resource.uncompressedData());
    return id >= 0;
  }();
  return loaded;
}

QString pictogram_font_family() { return QStringLiteral("Zarvel Pictograms"); }

bool has_pictogram(QStringView text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0xE63E && c.unicode() <= 0xE757; });
}

}  // namespace zarvel
