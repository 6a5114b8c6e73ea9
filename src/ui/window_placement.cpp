#include "ui/window_placement.h"

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

bool platform_reports_positions() { return !QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

void place_or_centre(QWidget* w, const QPoint& stored) {
  const QMargins m = w->windowHandle() ? w->windowHandle()->frameMargins() : QMargins();
  const QRect outer(stored, w->size().grownBy(m));
  for (const QScreen* s : QGuiApplication::screens()) {
    if (s->availableGeometry().contains(outer)) {
      w->move(stored);
      return;
    }
  }
  centre_on_screen(w);
}

}  // namespace zarvel
