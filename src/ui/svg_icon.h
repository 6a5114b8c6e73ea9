// Icons from the program's SVG pictures, drawn for the size and pixel ratio
// asked when first asked, and kept.
#pragma once

#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>

namespace zarvel {

QIcon svg_icon(const QString& path);

// The picture's own size; empty when it cannot be read.
QSize svg_size(const QString& path);
// The picture stretched to `pixels` on a transparent ground; null when it
// cannot be read.
QImage render_svg(const QString& path, const QSize& pixels);

}  // namespace zarvel
