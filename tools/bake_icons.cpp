// Build-time renderer: the compose view's pictures at the sizes it shows them
// on ordinary and on doubled screens, and the window's icon, as raw
// premultiplied RGBA bytes (the same on any byte order), so that the first
// paint copies pixels instead of parsing SVG. Other screen scales still draw
// from the SVG.
//   bake_icons OUTDIR FILE.svg:PX ...   -> OUTDIR/NAME-PX.argb
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: bake_icons OUTDIR FILE.svg:PX ...\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  for (int i = 2; i < argc; ++i) {
    const QString arg = QString::fromLocal8Bit(argv[i]);
    const qsizetype colon = arg.lastIndexOf(QLatin1Char(':'));
    const QString svg = arg.left(colon);
    const int px = arg.mid(colon + 1).toInt();
    QSvgRenderer renderer(svg);
    if (!renderer.isValid() || px <= 0) {
      std::fprintf(stderr, "bake_icons: cannot read %s\n", qPrintable(arg));
      return 1;
    }
    // Drawn as the program's icon engine draws an SVG.
    QImage image(px, px, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    renderer.render(&p, QRectF(0, 0, px, px));
    p.end();
    image.convertTo(QImage::Format_RGBA8888_Premultiplied);
    QFile file(QStringLiteral("%1/%2-%3.argb").arg(out, QFileInfo(svg).completeBaseName()).arg(px));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()) != image.sizeInBytes()) {
      std::fprintf(stderr, "bake_icons: cannot write %s\n", qPrintable(file.fileName()));
      return 1;
    }
  }
  return 0;
}
