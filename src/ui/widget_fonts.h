// The two Japanese fonts of the windows: IPAPGothic stands for
// "ＭＳ Ｐゴシック" and IPAGothic for "ＭＳ ゴシック". Where one is not
// installed, the system's preferred Japanese font of the same role
// (proportional, or fixed pitch) takes its place. Both fall back to the
// pictogram font so i-mode codes show as pictures.
#pragma once

#include <QFont>

namespace zarvel {

QFont proportional_font(int pixel_size = 12);
QFont fixed_font(int pixel_size = 12);

// The families the two fonts use on this system. Needs the QGuiApplication.
QString proportional_family();
QString fixed_family();

// Application-wide set-up shared by the program and its window tests:
// the pictogram font.
void prepare_application();

}  // namespace zarvel
