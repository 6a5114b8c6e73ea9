#include "ui/widget_edit.h"

#include <QFocusEvent>

#include "text/cp932.h"

namespace zarvel {

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::textChanged, this, &TEdit::clean_text);
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
