// TLightLabel: a text label that works as a hyperlink. It takes another look
// while the pointer is over it and while a mouse button is held on it, and a
// click opens its target through the desktop.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QString>

class QEnterEvent;
class QFocusEvent;
class QKeyEvent;
class QMouseEvent;

// How JumpTo becomes the target that a click opens.
enum TJumpType { jtNone, jtCust, jtHome, jtMail, jtFile, jtCaption };

namespace zarvel {

// A font together with its text colour, as the label's looks use them.
struct LabelFont {
  QFont font;
  QColor color;
  friend bool operator==(const LabelFont&, const LabelFont&) = default;
};

}  // namespace zarvel

class TLightLabel : public QLabel {
  Q_OBJECT
 public:
  explicit TLightLabel(QWidget* parent = nullptr);
  explicit TLightLabel(const QString& text, QWidget* parent = nullptr);

  // Light look: while the pointer is over the label.
  QColor LightColor() const { return light_color_; }
  void setLightColor(const QColor& c) { light_color_ = c; }
  const zarvel::LabelFont& LightFont() const { return light_font_; }
  void setLightFont(const zarvel::LabelFont& f) { light_font_ = f; }
  bool LightEnabled() const { return light_enabled_; }
  void setLightEnabled(bool on) { light_enabled_ = on; }

  // Default look: at rest. Setting it while DefaultEnabled shows it at once.
  QColor DefaultColor() const { return default_color_; }
  void setDefaultColor(const QColor& c);
  const zarvel::LabelFont& DefaultFont() const { return default_font_; }
  void setDefaultFont(const zarvel::LabelFont& f);
  bool DefaultEnabled() const { return default_enabled_; }
  void setDefaultEnabled(bool on) { default_enabled_ = on; }

  // Click look: while a mouse button is held down on the label.
  QColor ClickColor() const { return click_color_; }
  void setClickColor(const QColor& c) { click_color_ = c; }
  const zarvel::LabelFont& ClickFont() const { return click_font_; }
  void setClickFont(const zarvel::LabelFont& f) { click_font_ = f; }
  bool ClickEnabled() const { return click_enabled_; }
  void setClickEnabled(bool on) { click_enabled_ = on; }

  TJumpType JumpType() const { return jump_type_; }
  void setJumpType(TJumpType t) { jump_type_ = t; }
  QString JumpTo() const { return jump_to_; }
  void setJumpTo(const QString& to) { jump_to_ = to; }

  // Opens the target as a click does (the keyboard's and the screen
  // reader's way).
  void activate();

  // Whether the pointer is over the label.
  bool pointer_over() const { return pointer_over_; }

  // The look shown now.
  QColor current_color() const;
  zarvel::LabelFont current_font() const;

 signals:
  void mouseEntered();  // OnMouseEnter, after the label reacted
  void mouseLeft();     // OnMouseLeave, after the label reacted
  void clicked();       // the ordinary click, after the jump

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // Enter or Space opens the target when the label has the focus; the
  // focus shows as the light look.
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void pointer_entered();
  void pointer_left();
  void apply_color(const QColor& c);
  void apply_font(const zarvel::LabelFont& f);
  void apply_look(const QColor& c, const zarvel::LabelFont& f);
  void jump();

  QColor light_color_;
  zarvel::LabelFont light_font_;
  bool light_enabled_ = true;
  QColor default_color_;
  zarvel::LabelFont default_font_;
  bool default_enabled_ = true;
  QColor click_color_;
  zarvel::LabelFont click_font_;
  bool click_enabled_ = true;
  TJumpType jump_type_ = jtCust;
  QString jump_to_;

  bool pointer_over_ = false;
  bool left_pressed_ = false;  // the left button went down on the label
};
