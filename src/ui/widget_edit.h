// A one-line edit that keeps its caret and selection when entered by Tab
// (the toolkit would select everything), never holds a line break, and
// shows at once what CP932 cannot hold as 〓.
#pragma once

#include <QLineEdit>

namespace zarvel {

class TEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TEdit(QWidget* parent = nullptr);

 protected:
  void focusInEvent(QFocusEvent* e) override;

 private:
  void clean_text();
};

}  // namespace zarvel
