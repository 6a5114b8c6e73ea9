#include "ui/fonts.h"

#include <fontconfig/fontconfig.h>

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>
#include <QStyledItemDelegate>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <memory>
#include <optional>

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

QFont without_pictograms(QFont font) {
  font.setFamilies({font.families().value(0)});
  return font;
}

int em_box_shift(const QFont& font) {
  // Measured without the fallback, which would be set up for this alone.
  const QFont text = without_pictograms(font);
  const QFontMetrics fm(text);
  return std::max(0, fm.ascent() - qRound(0.88 * QFontInfo(text).pixelSize()));
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

// Rows as many as in the IPA fonts (see keep_row_count), and items that
// hold a pictogram in the font with the fallback.
class TextRows : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  bool compact = false;
  std::optional<QFont> with_pictograms;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    if (compact) s.setHeight(s.height() - em_box_shift(option.font));
    return s;
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (with_pictograms && has_pictogram(option->text)) {
      option->font = *with_pictograms;
      option->fontMetrics = QFontMetrics(option->font);
    }
  }
};

TextRows* text_rows(QAbstractItemView* view) {
  if (auto* rows = dynamic_cast<TextRows*>(view->itemDelegate())) return rows;
  auto* rows = new TextRows(view);
  view->setItemDelegate(rows);
  return rows;
}

}  // namespace

void keep_row_count(QAbstractItemView* view) {
  if (em_box_shift(view->font()) > 0) text_rows(view)->compact = true;
}

void pictograms_when_needed(QLineEdit* edit, const QFont& font) {
  if (has_pictogram(edit->text())) {
    edit->setFont(font);
    return;
  }
  edit->setFont(without_pictograms(font));
  auto watch = std::make_shared<QMetaObject::Connection>();
  *watch = QObject::connect(edit, &QLineEdit::textChanged, edit, [edit, font, watch](const QString& text) {
    if (!has_pictogram(text)) return;
    QObject::disconnect(*watch);
    edit->setFont(font);
  });
}

void pictograms_when_needed(QPlainTextEdit* edit, const QFont& font) {
  if (has_pictogram(edit->toPlainText())) {
    edit->setFont(font);
    return;
  }
  edit->setFont(without_pictograms(font));
  // Each change's new text is looked at as it comes; the font changes once
  // the document has taken the change in, when its layout may start again.
  struct Watch {
    bool due = false;
    QMetaObject::Connection change, changed;
  };
  auto watch = std::make_shared<Watch>();
  QTextDocument* doc = edit->document();
  watch->change = QObject::connect(doc, &QTextDocument::contentsChange, edit, [doc, watch](int at, int, int added) {
    if (watch->due || added <= 0) return;
    QTextCursor added_text(doc);
    added_text.setPosition(at);
    added_text.setPosition(std::min(at + added, doc->characterCount() - 1), QTextCursor::KeepAnchor);
    watch->due = has_pictogram(added_text.selectedText());
  });
  watch->changed = QObject::connect(doc, &QTextDocument::contentsChanged, edit, [edit, font, watch] {
    if (!watch->due) return;
    QObject::disconnect(watch->change);
    QObject::disconnect(watch->changed);
    edit->setFont(font);
  });
}

void pictograms_when_needed(QAbstractItemView* view, const QFont& font) {
  view->setFont(without_pictograms(font));
  text_rows(view)->with_pictograms = font;
}

QFont proportional_font(int pixel_size) { return make(proportional_family(), pixel_size); }
QFont fixed_font(int pixel_size) { return make(fixed_family(), pixel_size); }
QFont caption_font(int pixel_size) { return without_pictograms(proportional_font(pixel_size)); }

void prepare_application() { load_pictogram_font(); }

}  // namespace zarvel
