#include "ui/app_style.h"

#include <QGuiApplication>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>
#include <cmath>
#include <iterator>

namespace zarvel {
namespace {

// The most spans one fill may have and stay on the painting thread.
constexpr int kSpansKeptHere = 95;

// The scale from the painter's units to device pixels, 1 or 2, when `r`
// lands on whole pixels (no rotation, no fractional offset); 0 otherwise.
// Only then are pieces drawn apart exactly the pixels the whole would have
// given: at larger scales a line is a shape whose cut ends come out
// otherwise.
int whole_pixel_scale(const QPainter* p, const QRect& r) {
  const QTransform& t = p->deviceTransform();
  if (t.type() > QTransform::TxScale) return 0;
  const qreal s = t.m11();
  if (t.m22() != s || (s != 1 && s != 2)) return 0;
  const QPointF origin = t.map(QPointF(r.topLeft()));
  if (origin.x() != std::floor(origin.x()) || origin.y() != std::floor(origin.y())) return 0;
  return static_cast<int>(s);
}

// The pieces are drawn at full strength with the plain blend; a painter set
// otherwise would have blended each stroke its own way.
bool plain_blending(const QPainter* p) {
  return p->opacity() == 1.0 && p->compositionMode() == QPainter::CompositionMode_SourceOver;
}

// The image the painter draws into, when it draws into one.
const QImage* target_image(QPainter* p) {
  QPaintEngine* engine = p->paintEngine();
  if (!engine || engine->type() != QPaintEngine::Raster) return nullptr;
  const QPaintDevice* device = engine->paintDevice();
  if (!device || device->devType() != QInternal::Image) return nullptr;
  return static_cast<const QImage*>(device);
}

}  // namespace

AppStyle::AppStyle() : QProxyStyle(QStringLiteral("Fusion")) {}

void AppStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                  const QWidget* widget) const {
  if (control == CC_ScrollBar && draw_scroll_bar_in_pieces(option, painter, widget)) return;
  QProxyStyle::drawComplexControl(control, option, painter, widget);
}

void AppStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                           const QWidget* widget) const {
  if (element == CE_HeaderSection && draw_header_section_in_pieces(option, painter, widget)) return;
  QProxyStyle::drawControl(element, option, painter, widget);
}

void AppStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                             const QWidget* widget) const {
  if (element == PE_PanelButtonCommand && draw_button_panel_from_narrow(option, painter, widget)) return;
  QProxyStyle::drawPrimitive(element, option, painter, widget);
}

// Fusion draws a push button's panel into a picture of the button's size
// and screens' pixel ratio: three antialiased rounded rectangles, whose
// columns between the rounded ends are all alike (the shading runs top to
// bottom). The panel is drawn by Fusion at a narrow width, once for each
// height and state; its ends and one middle column, repeated, make the
// picture Fusion would have drawn at the button's width.
bool AppStyle::draw_button_panel_from_narrow(const QStyleOption* option, QPainter* painter,
                                             const QWidget* widget) const {
  constexpr int kEnd = 8;  // pixels kept whole at each end
  const QRect r = option->rect;
  const qreal ratio = qApp->devicePixelRatio();
  // Only where Fusion draws the picture, at a whole pixel ratio.
  const int transform = painter->deviceTransform().type() | painter->worldTransform().type();
  if (r.width() <= 2 * kEnd + 1 || r.height() <= 0 || (ratio != 1 && ratio != 2) || !plain_blending(painter) ||
      (transform > QTransform::TxTranslate && painter->deviceTransform().type() != QTransform::TxScale))
    return false;
  const int scale = static_cast<int>(ratio);
  QImage narrow(QSize(2 * kEnd + 1, r.height()) * scale, QImage::Format_ARGB32_Premultiplied);
  narrow.setDevicePixelRatio(ratio);
  narrow.fill(0);
  {
    // Fusion's picture of the narrow panel, copied as it is onto nothing.
    QPainter p(&narrow);
    auto draw = [&](auto narrow_option) {  // a copy of the option's own kind
      narrow_option.rect = QRect(0, 0, 2 * kEnd + 1, r.height());
      QProxyStyle::drawPrimitive(PE_PanelButtonCommand, &narrow_option, &p, widget);
    };
    if (const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option))
      draw(*button);
    else
      draw(*option);
  }
  QImage wide(r.size() * scale, QImage::Format_ARGB32_Premultiplied);
  wide.setDevicePixelRatio(ratio);
  const int end = kEnd * scale, right = wide.width() - end;
  for (int y = 0; y < wide.height(); ++y) {
    const auto* from = reinterpret_cast<const QRgb*>(narrow.constScanLine(y));
    auto* to = reinterpret_cast<QRgb*>(wide.scanLine(y));
    std::copy(from, from + end, to);
    std::fill(to + end, to + right, from[end]);
    std::copy(from + narrow.width() - end, from + narrow.width(), to + right);
  }
  painter->drawImage(r.topLeft(), wide);
  return true;
}

// A tall scroll bar is drawn whole into short strips of the window's own
// pixels, one after another, each showing its own stretch of the bar,
// which are then put back. Its largest single fill is a rectangle's
// outline: two long edges, a span for each pixel along, and two short ones.
bool AppStyle::draw_scroll_bar_in_pieces(const QStyleOptionComplex* option, QPainter* painter,
                                         const QWidget* widget) const {
  // Cut across its length, a horizontal bar's lines end a pixel otherwise
  // than when drawn whole: it is always drawn whole.
  const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
  if (!bar || bar->orientation != Qt::Vertical || !plain_blending(painter) ||
      styleHint(SH_ScrollBar_Transient, option, widget))
    return false;
  const QImage* target = target_image(painter);
  const QRect r = option->rect;
  const int scale = whole_pixel_scale(painter, r);
  if (!target || scale == 0) return false;
  const int length = r.height();
  const int across = r.width() * scale;
  if (2 * (length * scale + across) <= kSpansKeptHere) return false;  // small enough whole
  const int piece = (kSpansKeptHere - 2 * across) / 2 / scale;
  if (piece < 4) return false;  // a bar this thick gains nothing

  // Each strip draws the groove, which spans the whole bar, and only the
  // parts that reach into it (with two pixels to spare for their edges):
  // the rest would be clipped away anyway.
  static constexpr SubControl kParts[] = {SC_ScrollBarSlider, SC_ScrollBarSubLine, SC_ScrollBarAddLine};
  QRect part_rects[std::size(kParts)];
  for (std::size_t i = 0; i < std::size(kParts); ++i)
    part_rects[i] = proxy()->subControlRect(CC_ScrollBar, bar, kParts[i], widget).adjusted(0, -2, 0, 2);
  QStyleOptionSlider strip_option = *bar;
  SubControls always = bar->subControls;
  for (const SubControl part : kParts) always &= ~SubControls(part);

  const QTransform& to_device = painter->deviceTransform();
  painter->save();
  painter->setCompositionMode(QPainter::CompositionMode_Source);
  for (int at = 0; at < length; at += piece) {
    const int n = std::min(piece, length - at);
    const QRect part(r.x(), r.y() + at, r.width(), n);
    strip_option.subControls = always;
    for (std::size_t i = 0; i < std::size(kParts); ++i)
      if (part_rects[i].intersects(part)) strip_option.subControls |= bar->subControls & kParts[i];
    // What the bar is drawn over, in the window's own pixel format: the
    // strokes blend with it exactly as they would in place.
    QImage strip = target->copy(to_device.mapRect(QRectF(part)).toRect());
    strip.setDevicePixelRatio(scale);
    QPainter p(&strip);
    p.setRenderHints(painter->renderHints());
    p.setFont(painter->font());
    p.setPen(painter->pen());
    p.setBrush(painter->brush());
    p.setLayoutDirection(painter->layoutDirection());
    p.translate(-part.topLeft());
    QProxyStyle::drawComplexControl(CC_ScrollBar, &strip_option, &p, widget);
    p.end();
    painter->drawImage(part.topLeft(), strip);
  }
  painter->restore();
  return true;
}

// A header section is drawn as narrower sections side by side. Fusion draws
// a section into a picture of its own, with thin lines along its whole
// width; the parting lines at its right end only for the last piece. That
// picture has the pixel ratio of the screens, not the painter's: on a
// scaled screen its lines are two pixels or more wide, their cut ends come
// out otherwise, and they are no spans to hand over anyway.
bool AppStyle::draw_header_section_in_pieces(const QStyleOption* option, QPainter* painter,
                                             const QWidget* widget) const {
  const auto* header = qstyleoption_cast<const QStyleOptionHeaderV2*>(option);
  if (!header || header->orientation != Qt::Horizontal || !plain_blending(painter) || qApp->devicePixelRatio() != 1.0)
    return false;
  const QRect r = option->rect;
  const int scale = whole_pixel_scale(painter, r);
  if (scale == 0 || r.width() * scale <= kSpansKeptHere) return false;
  const int count = (r.width() * scale + kSpansKeptHere - 1) / kSpansKeptHere;
  QStyleOptionHeaderV2 piece = *header;
  int left = r.left();
  for (int i = 0; i < count; ++i) {
    const int right = r.left() + r.width() * (i + 1) / count;  // one past
    piece.rect = QRect(left, r.top(), right - left, r.height());
    piece.position = i + 1 < count ? QStyleOptionHeader::End : header->position;
    QProxyStyle::drawControl(CE_HeaderSection, &piece, painter, widget);
    left = right;
  }
  return true;
}

}  // namespace zarvel
