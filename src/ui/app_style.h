// The windows' look: Fusion, pixel for pixel. The toolkit hands every fill
// of 96 or more spans (pixel rows, or pixels of a thin line) that is not a
// plain opaque colour to a pool of threads. For a scroll bar or a header
// section, a few thousand pixels, that costs far more than it saves: two
// threads started at the first paint, then a handover to them and back for
// each such fill. This style draws tall scroll bars (painted at one or two
// device pixels to the pixel) and wide header sections (on unscaled
// screens) in pieces small enough to stay on the painting thread; what
// reaches the screen is unchanged. A push button's panel, the same from
// end to end but for its rounded ends, is drawn narrow and widened.
#pragma once

#include <QApplication>
#include <QPointer>
#include <QProxyStyle>

namespace zarvel {

class AppStyle : public QProxyStyle {
 public:
  AppStyle();

  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

 private:
  bool draw_scroll_bar_in_pieces(const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const;
  bool draw_header_section_in_pieces(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
  bool draw_button_panel_from_narrow(const QStyleOption* option, QPainter* painter, const QWidget* widget) const;
};

// One style of kind S for every widget given it, living as long as the
// application.
template <class S>
QStyle* shared_style() {
  static QPointer<QStyle> style;
  if (!style) {
    style = new S;
    style->setParent(qApp);
  }
  return style;
}

}  // namespace zarvel
