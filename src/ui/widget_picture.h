// A label that shows a picture, drawn when it is painted for the pixels of
// the screen it is on.
#pragma once

#include <QIcon>
#include <QLabel>

namespace zarvel {

class PictureLabel : public QLabel {
 public:
  PictureLabel(const QIcon& picture, QWidget* parent);
  const QIcon& picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  QIcon picture_;
};

}  // namespace zarvel
