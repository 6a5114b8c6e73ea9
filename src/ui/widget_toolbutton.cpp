#include "ui/widget_toolbutton.h"

#include <QStyleOptionToolButton>
#include <QStylePainter>

#include "ui/fonts.h"

namespace zarvel {

void TToolButton::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionToolButton opt;
  initStyleOption(&opt);
  const QString caption = opt.text;
  const QIcon icon = opt.icon;
  opt.text.clear();
  opt.icon = QIcon();
  opt.toolButtonStyle = Qt::ToolButtonIconOnly;
  p.drawComplexControl(QStyle::CC_ToolButton, opt);

  QRect area = rect();
  if (popupMode() == QToolButton::MenuButtonPopup)
    area = style()->subControlRect(QStyle::CC_ToolButton, &opt, QStyle::SC_ToolButton, this);
  const bool down = opt.state & (QStyle::State_Sunken | QStyle::State_On);
  const QPoint shift = down ? QPoint(1, 1) : QPoint();
  const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
  const QSize is = iconSize();
  icon.paint(&p, QRect(area.center().x() - is.width() / 2, area.top() + 2, is.width(), is.height()).translated(shift),
             Qt::AlignCenter, mode);
  // The caption's glyphs go where the IPA fonts put them: a font with a
  // taller line would push them out of the button.
  const int extra = em_box_shift(font());
  const QRect text_rect(area.left(), area.top() + 3 + is.height() - extra, area.width(),
                        area.height() - is.height() - 4 + extra);
  p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
  p.drawText(text_rect.translated(shift), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
             caption);
}

}  // namespace zarvel
