#include "ui/widget_window.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace zarvel {

void centre_on_screen(QWidget* w) {
  const QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  const QMargins m = w->windowHandle() ? w->windowHandle()->frameMargins() : QMargins();
  const QSize outer = w->size().grownBy(m);
  const QPoint centre = s->availableGeometry().center();
  w->move(centre.x() - (outer.width() - 1) / 2, centre.y() - (outer.height() - 1) / 2);
}

}  // namespace zarvel
