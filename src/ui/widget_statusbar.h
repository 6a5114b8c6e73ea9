// The main window's status bar: three sunken panels of fixed widths, the
// last reaching the right edge.
#pragma once

#include <QString>
#include <QWidget>
#include <array>

namespace zarvel {

class TStatusBar : public QWidget {
  Q_OBJECT
 public:
  explicit TStatusBar(QWidget* parent = nullptr);
  QString panel_text(int i) const { return texts_.at(static_cast<std::size_t>(i)); }
  void set_panel_text(int i, const QString& text);
  // Panel 0 follows the hints of the controls under the mouse while on.
  bool auto_hint() const { return auto_hint_; }
  void set_auto_hint(bool on) { auto_hint_ = on; }
  QRect panel_rect(int i) const;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  std::array<QString, 3> texts_;
  bool auto_hint_ = true;
};

}  // namespace zarvel
