// The two Japanese fonts of the windows: IPAPGothic stands for
// "ＭＳ Ｐゴシック" and IPAGothic for "ＭＳ ゴシック". Where one is not
// installed, the system's preferred Japanese font of the same role
// (proportional, or fixed pitch) takes its place. Both fall back to the
// pictogram font so i-mode codes show as pictures.
#pragma once

#include <QFont>

class QAbstractItemView;
class QLineEdit;
class QPlainTextEdit;

namespace zarvel {

QFont proportional_font(int pixel_size = 12);
QFont fixed_font(int pixel_size = 12);

// The font without its pictogram fallback: the same glyphs for any other
// text. A font with the fallback has the system's whole list of fonts
// sorted for it the first time it lays out text of each script (kanji,
// kana, the rest), milliseconds at start-up that only text holding a
// pictogram needs.
QFont without_pictograms(QFont font);

// The proportional font for the program's own captions, which never hold a
// pictogram.
QFont caption_font(int pixel_size = 12);

// The control shows its text in `font` without the fallback until the text
// first holds a pictogram, and in `font` from then on.
void pictograms_when_needed(QLineEdit* edit, const QFont& font);
void pictograms_when_needed(QPlainTextEdit* edit, const QFont& font);
// Only the items that hold a pictogram are drawn in `font` itself.
void pictograms_when_needed(QAbstractItemView* view, const QFont& font);

// How far a font's line puts the glyphs lower than the IPA fonts do: their
// em box starts 0.88 em above the baseline, as in most Japanese fonts, but
// fonts with a taller line (Noto CJK) have more room above. Captions laid
// out for the IPA fonts move up by this much; 0 for the IPA fonts.
int em_box_shift(const QFont& font);

// The font narrowed as far as needed for the text to take at most `width`
// pixels; the font itself when it fits (as the IPA fonts do).
QFont fitted_font(const QFont& font, const QString& text, int width);

// Rows of a list as many as in the IPA fonts: a font with a taller line
// gives up the extra room above its glyphs (see em_box_shift).
void keep_row_count(QAbstractItemView* view);

// The families the two fonts use on this system. Needs the QGuiApplication.
QString proportional_family();
QString fixed_family();

// Application-wide set-up shared by the program and its window tests:
// the pictogram font.
void prepare_application();

}  // namespace zarvel
