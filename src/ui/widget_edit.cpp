#include "ui/widget_edit.h"

#include <QFocusEvent>
#include <QInputMethodEvent>

#include "text/cp932.h"
#include "ui/app_style.h"

namespace zarvel {

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) { connect(this, &QLineEdit::textChanged, this, &TEdit::clean_text); }

namespace {

// The toolkit's style echoes a password as "●" where the font has one.
class StarEchoStyle : public AppStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* ret) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return AppStyle::styleHint(hint, option, widget, ret);
  }
};

}  // namespace

void TEdit::set_input_method_off() {
  input_method_off_ = true;
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setInputMethodHints(inputMethodHints() | Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
}

void TEdit::set_password_echo() {
  setEchoMode(QLineEdit::Password);
  // The line edit asks for the echo character whenever its style changes.
  setStyle(shared_style<StarEchoStyle>());
}

// The line edit answers "enabled" whatever its attribute says; the input
// method asks this before it takes any key.
QVariant TEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
  if (input_method_off_ && query == Qt::ImEnabled) return false;
  return QLineEdit::inputMethodQuery(query);
}

void TEdit::inputMethodEvent(QInputMethodEvent* e) {
  if (input_method_off_) {
    e->ignore();
    return;
  }
  QLineEdit::inputMethodEvent(e);
}

void TEdit::focusInEvent(QFocusEvent* e) {
  const int pos = cursorPosition();
  const int start = selectionStart();
  const int length = selectedText().size();
  QLineEdit::focusInEvent(e);
  if (start >= 0) {
    setSelection(start, length);
  } else {
    deselect();
    setCursorPosition(pos);
  }
}

void TEdit::clean_text() {
  QString t = text();
  bool changed = false;
  // A pasted line break would end the value in every file it is stored in.
  if (t.contains(QLatin1Char('\n')) || t.contains(QLatin1Char('\r')) || t.contains(QChar(0x2029))) {
    t.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    t.replace(QChar(0x2029), QLatin1Char(' '));
    changed = true;
  }
  if (normalize_for_cp932(t)) changed = true;
  if (!changed) return;
  const int pos = cursorPosition();
  setText(t);  // re-enters once and finds nothing more to do
  setCursorPosition(qMin(pos, static_cast<int>(t.size())));
}

}  // namespace zarvel
