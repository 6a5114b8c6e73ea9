// A one-line edit that keeps its caret and selection when entered by Tab
// (the toolkit would select everything), never holds a line break, and
// shows at once what CP932 cannot hold as 〓. Fields for servers, ports,
// addresses and accounts can have the input method off.
#pragma once

#include <QLineEdit>

namespace zarvel {

class TEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TEdit(QWidget* parent = nullptr);

  // Off: the input method (fcitx, ibus) never sees this field, so what is
  // typed arrives as plain keys, whatever state the user left it in.
  void set_input_method_off();
  // Every character is shown as "*".
  void set_password_echo();

  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 protected:
  void focusInEvent(QFocusEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;

 private:
  void clean_text();
  bool input_method_off_ = false;
};

}  // namespace zarvel
