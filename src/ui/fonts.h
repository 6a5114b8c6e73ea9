// The two Japanese fonts of the windows: IPAPGothic stands for
// "ＭＳ Ｐゴシック" and IPAGothic for "ＭＳ ゴシック". Where one is not
// installed, the system's preferred Japanese font of the same role
// (proportional, or fixed pitch) takes its place. Both fall back to the
// pictogram font so i-mode codes show as pictures.
#pragma once

#include <QFont>

class QAbstractItemView;

namespace zarvel {

QFont proportional_font(int pixel_size = 12);
QFont fixed_font(int pixel_size = 12);

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
