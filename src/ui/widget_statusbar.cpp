#include "ui/widget_statusbar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include "ui/accessibility.h"

namespace zarvel {
namespace {
constexpr int kWidths[] = {165, 45};
}

TStatusBar::TStatusBar(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent, false); }

void TStatusBar::set_panel_text(int i, const QString& text) {
  auto& slot = texts_.at(static_cast<std::size_t>(i));
  if (slot == text) return;
  slot = text;
  update(panel_rect(i));
  announce_name(this);  // progress, "送信済" and failures are spoken as they come
}

QRect TStatusBar::panel_rect(int i) const {
  const int top = 2, h = height() - 2;
  switch (i) {
    case 0:
      return QRect(0, top, kWidths[0] - 2, h);
    case 1:
      return QRect(kWidths[0], top, kWidths[1] - 2, h);
    default:
      return QRect(kWidths[0] + kWidths[1], top, width() - kWidths[0] - kWidths[1], h);
  }
}

void TStatusBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().window());
  static constexpr Qt::Alignment kAlign[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
  for (int i = 0; i < 3; ++i) {
    const QRect r = panel_rect(i);
    p.setPen(palette().color(QPalette::Mid));
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(r.adjusted(3, 0, -3, 0), kAlign[i] | Qt::AlignVCenter | Qt::TextSingleLine,
               texts_[static_cast<std::size_t>(i)]);
  }
}

}  // namespace zarvel
