// Icons from the program's SVG pictures: each picture is read once and
// drawn for the size and pixel ratio asked, when first asked.
#pragma once

#include <QIcon>
#include <QString>

namespace zarvel {

QIcon svg_icon(const QString& path);

}  // namespace zarvel
