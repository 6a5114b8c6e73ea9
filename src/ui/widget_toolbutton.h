// A tool-bar button that draws its picture above its caption and never
// shortens the caption: the view captions are padded with full-width
// blanks and would otherwise not fit the 47-pixel buttons.
#pragma once

#include <QToolButton>

namespace zarvel {

class TToolButton : public QToolButton {
  Q_OBJECT
 public:
  using QToolButton::QToolButton;

 protected:
  void paintEvent(QPaintEvent*) override;
};

}  // namespace zarvel
