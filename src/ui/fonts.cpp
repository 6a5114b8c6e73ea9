#include "ui/fonts.h"

#include <fontconfig/fontconfig.h>

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QStringList>
#include <QStyledItemDelegate>
#include <algorithm>

#include "compose/pictogram_font.h"

namespace zarvel {
namespace {

// Half-width Latin of one width and kana of twice that: what the fields
// laid out in columns need. fontconfig's spacing is no help here: CJK
// monospace fonts often carry none.
bool fixed_pitch(const QString& family) {
  QFont f(family);
  f.setPixelSize(12);
  const QFontMetrics fm(f);
  const int narrow = fm.horizontalAdvance(QLatin1Char('i'));
  return narrow > 0 && narrow == fm.horizontalAdvance(QLatin1Char('M')) &&
         fm.horizontalAdvance(QChar(0x3042)) == 2 * narrow;
}

// The system's own choice of a Japanese font for the role, in its order of
// preference: only fonts that cover Japanese, and for the fixed role only
// fixed-pitch ones. Empty when there is none.
QString japanese_fallback(bool fixed) {
  if (!FcInit()) return {};
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(fixed ? "monospace" : "sans-serif"));
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  if (fixed) FcPatternAddInteger(pattern, FC_SPACING, FC_MONO);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcFontSet* fonts = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  QString chosen;
  for (int i = 0; fonts && i < fonts->nfont && chosen.isEmpty(); ++i) {
    FcPattern* font = fonts->fonts[i];
    FcLangSet* langs = nullptr;
    FcChar8* family = nullptr;
    if (FcPatternGetLangSet(font, FC_LANG, 0, &langs) != FcResultMatch ||
        FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) != FcLangEqual)
      continue;
    if (FcPatternGetString(font, FC_FAMILY, 0, &family) != FcResultMatch) continue;
    const QString name = QString::fromUtf8(reinterpret_cast<const char*>(family));
    if (fixed_pitch(name) == fixed) chosen = name;
  }
  if (fonts) FcFontSetDestroy(fonts);
  FcPatternDestroy(pattern);
  return chosen;
}

QString family_for(const QString& described, bool fixed) {
  if (QFontDatabase::hasFamily(described)) return described;
  const QString fallback = japanese_fallback(fixed);
  return fallback.isEmpty() ? described : fallback;
}

QFont make(const QString& family, int pixel_size) {
  QFont f;
  f.setFamilies({family, pictogram_font_family()});
  f.setPixelSize(pixel_size);
  f.setStyleHint(QFont::SansSerif);
  return f;
}

}  // namespace

QString proportional_family() {
  static const QString family = family_for(QStringLiteral("IPAPGothic"), false);
  return family;
}

QString fixed_family() {
  static const QString family = family_for(QStringLiteral("IPAGothic"), true);
  return family;
}

int em_box_shift(const QFont& font) {
  const QFontMetrics fm(font);
  return std::max(0, fm.ascent() - qRound(0.88 * QFontInfo(font).pixelSize()));
}

QFont fitted_font(const QFont& font, const QString& text, int width) {
  QFont f = font;
  const int needed = QFontMetrics(f).horizontalAdvance(text);
  if (needed <= width || width <= 0) return f;
  int stretch = 100 * width / needed;
  f.setStretch(stretch);
  while (stretch > 50 && QFontMetrics(f).horizontalAdvance(text) > width) f.setStretch(--stretch);
  return f;
}

namespace {

class CompactRows : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(s.height() - em_box_shift(option.font));
    return s;
  }
};

}  // namespace

void keep_row_count(QAbstractItemView* view) {
  if (em_box_shift(view->font()) > 0) view->setItemDelegate(new CompactRows(view));
}

QFont proportional_font(int pixel_size) { return make(proportional_family(), pixel_size); }
QFont fixed_font(int pixel_size) { return make(fixed_family(), pixel_size); }

void prepare_application() { load_pictogram_font(); }

}  // namespace zarvel
