#include "ui/widget_fonts.h"

#include <QStringList>

#include "compose/pictogram_font.h"

namespace zarvel {
namespace {

QFont make(const QString& family, int pixel_size) {
  QFont f;
  f.setFamilies({family, pictogram_font_family()});
  f.setPixelSize(pixel_size);
  f.setStyleHint(QFont::SansSerif);
  return f;
}

}  // namespace

QFont proportional_font(int pixel_size) { return make(QStringLiteral("IPAPGothic"), pixel_size); }
QFont fixed_font(int pixel_size) { return make(QStringLiteral("IPAGothic"), pixel_size); }

void prepare_application() { load_pictogram_font(); }

}  // namespace zarvel
