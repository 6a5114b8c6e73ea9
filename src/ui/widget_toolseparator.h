// A tool-bar separator that can still be clicked (the one before the help
// button opens the About box).
#pragma once

#include <QWidget>

namespace zarvel {

class ToolSeparator : public QWidget {
  Q_OBJECT
 public:
  explicit ToolSeparator(QWidget* parent = nullptr);

 signals:
  void clicked();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
};

}  // namespace zarvel
