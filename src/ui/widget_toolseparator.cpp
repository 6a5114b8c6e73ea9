#include "ui/widget_toolseparator.h"

#include <QMouseEvent>
#include <QPainter>

namespace zarvel {

ToolSeparator::ToolSeparator(QWidget* parent) : QWidget(parent) {}

void ToolSeparator::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int x = width() / 2 - 1;
  p.setPen(palette().color(QPalette::Mid));
  p.drawLine(x, 3, x, height() - 4);
  p.setPen(palette().color(QPalette::Light));
  p.drawLine(x + 1, 3, x + 1, height() - 4);
}

void ToolSeparator::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) emit clicked();
}

}  // namespace zarvel
