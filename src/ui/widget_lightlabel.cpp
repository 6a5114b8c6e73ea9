#include "ui/widget_lightlabel.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QPointer>

#include "platform/shell.h"

using zarvel::LabelFont;

namespace {

LabelFont make_font(const QFont& base, const QColor& color, bool underline) {
  LabelFont f{base, color};
  f.font.setUnderline(underline);
  return f;
}

}  // namespace

TLightLabel::TLightLabel(QWidget* parent) : TLightLabel(QString(), parent) {}

TLightLabel::TLightLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  const QColor face = palette().color(QPalette::Button);
  light_color_ = face;
  default_color_ = face;
  click_color_ = face;
  light_font_ = make_font(QFont(), Qt::blue, true);
  default_font_ = make_font(font(), Qt::blue, false);
  click_font_ = make_font(font(), Qt::red, false);
  // The background colour is part of every look, so the label paints it.
  setAutoFillBackground(true);
  apply_look(default_color_, default_font_);
}

void TLightLabel::setDefaultColor(const QColor& c) {
  default_color_ = c;
  if (default_enabled_) apply_color(c);
}

void TLightLabel::setDefaultFont(const LabelFont& f) {
  default_font_ = f;
  if (default_enabled_) apply_font(f);
}

QColor TLightLabel::current_color() const { return palette().color(QPalette::Window); }

LabelFont TLightLabel::current_font() const { return {font(), palette().color(QPalette::WindowText)}; }

void TLightLabel::apply_color(const QColor& c) {
  QPalette p = palette();
  p.setColor(QPalette::Window, c);
  setPalette(p);
}

void TLightLabel::apply_font(const LabelFont& f) {
  // Mark every attribute as set, so the label shows the owned font as it is
  // instead of filling its gaps from the parent's font.
  QFont shown = f.font;
  shown.setResolveMask(QFont::AllPropertiesResolved);
  setFont(shown);
  QPalette p = palette();
  p.setColor(QPalette::WindowText, f.color);
  setPalette(p);
}

void TLightLabel::apply_look(const QColor& c, const LabelFont& f) {
  apply_color(c);
  apply_font(f);
}

void TLightLabel::pointer_entered() {
  pointer_over_ = true;
  if (light_enabled_) apply_look(light_color_, light_font_);
  emit mouseEntered();
}

void TLightLabel::pointer_left() {
  pointer_over_ = false;
  if (default_enabled_) apply_look(default_color_, default_font_);
  emit mouseLeft();
}

// Qt holds back enter and leave while a button is down and may repeat them
// afterwards (see mouseMoveEvent), so each reacts only to a real change.
void TLightLabel::enterEvent(QEnterEvent* event) {
  QLabel::enterEvent(event);
  if (!pointer_over_) pointer_entered();
}

void TLightLabel::leaveEvent(QEvent* event) {
  QLabel::leaveEvent(event);
  if (pointer_over_) pointer_left();
}

void TLightLabel::mousePressEvent(QMouseEvent* event) {
  // Accepted (base not called), so the release comes back to this label.
  if (event->button() == Qt::LeftButton) left_pressed_ = true;
  if (click_enabled_) apply_look(click_color_, click_font_);
}

// Only seen while a button is held (no mouse tracking). Qt reports the
// pointer leaving or coming back only after the release; the label should
// react when it happens, as the pointer crosses its edge.
void TLightLabel::mouseMoveEvent(QMouseEvent* event) {
  const bool inside = rect().contains(event->position().toPoint());
  if (inside && !pointer_over_)
    pointer_entered();
  else if (!inside && pointer_over_)
    pointer_left();
}

void TLightLabel::mouseReleaseEvent(QMouseEvent* event) {
  const bool inside = rect().contains(event->position().toPoint());
  if (!inside && pointer_over_) pointer_left();
  const bool click = event->button() == Qt::LeftButton && left_pressed_ && inside;
  if (event->button() == Qt::LeftButton) left_pressed_ = false;
  if (click) {
    QPointer<TLightLabel> self(this);
    jump();
    emit clicked();
    if (!self) return;  // a click handler may have closed and deleted us
  }
  if (pointer_over_)
    apply_look(light_color_, light_font_);
  else
    apply_look(default_color_, default_font_);
}

void TLightLabel::activate() {
  QPointer<TLightLabel> self(this);
  jump();
  emit clicked();
  if (self && hasFocus() && light_enabled_) apply_look(light_color_, light_font_);
}

void TLightLabel::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
      event->accept();
      activate();
      return;
    }
  }
  QLabel::keyPressEvent(event);
}

void TLightLabel::focusInEvent(QFocusEvent* event) {
  QLabel::focusInEvent(event);
  if (light_enabled_) apply_look(light_color_, light_font_);
}

void TLightLabel::focusOutEvent(QFocusEvent* event) {
  QLabel::focusOutEvent(event);
  if (!pointer_over_) apply_look(default_color_, default_font_);
}

void TLightLabel::jump() {
  if (!jump_to_.isEmpty()) {
    switch (jump_type_) {
      case jtCust:
      case jtHome:
        zarvel::shell().open(jump_to_);
        break;
      case jtMail:
        zarvel::shell().open(QStringLiteral("mailto:") + jump_to_);
        break;
      case jtFile:
        zarvel::shell().open(QStringLiteral("file:///") + jump_to_);
        break;
      case jtNone:
      case jtCaption:
        break;
    }
  }
  if (jump_type_ == jtCaption && !text().isEmpty()) zarvel::shell().open(text());
}
