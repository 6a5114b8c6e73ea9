// The built-in font that draws the i-mode pictogram codes (U+E63E-U+E757 as
// CP932 decodes them) as colour pictures. Text fonts have nothing there, so
// every widget that shows them lists this family after its own:
//   font.setFamilies({QStringLiteral("IPAGothic"), zarvel::pictogram_font_family()});
#pragma once

#include <QString>
#include <QStringView>

namespace zarvel {

// Registers the font with the application; later calls do nothing. Needs the
// QGuiApplication. Returns whether the font is available.
bool load_pictogram_font();

QString pictogram_font_family();

// Whether the text holds a code the font draws.
bool has_pictogram(QStringView text);

}  // namespace zarvel
