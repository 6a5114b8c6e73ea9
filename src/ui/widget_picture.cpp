#include "ui/widget_picture.h"

#include <QPainter>

namespace zarvel {

PictureLabel::PictureLabel(const QIcon& picture, QWidget* parent) : QLabel(parent), picture_(picture) {}

void PictureLabel::paintEvent(QPaintEvent* e) {
  QLabel::paintEvent(e);
  QPainter p(this);
  picture_.paint(&p, contentsRect(), alignment(), isEnabled() ? QIcon::Normal : QIcon::Disabled);
}

}  // namespace zarvel
