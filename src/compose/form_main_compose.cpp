// The compose fields: where the caret returns, the counter in the status
// bar and the send button's rule.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "compose/body_counter.h"
#include "platform/error_report.h"
#include "ui/form_main.h"
#include "ui/widget_memo_guard.h"
#include "ui/widget_statusbar.h"

using namespace zarvel;

namespace {
const QString kSentMarker = QStringLiteral("送信済");
}

void TForm1::connect_compose() {
  counter_ = new BodyCounter(Memo1->document());
  guard_cp932(Memo1);
  connect(Memo1, &QPlainTextEdit::textChanged, this, guard([this] { Memo1Change(); }));
  connect(Memo2, &QPlainTextEdit::textChanged, this, guard([this] { Memo2Change(); }));
  connect(subject, &QLineEdit::textChanged, this, guard([this] { subjectChange(); }));
  connect(cmdClear, &QPushButton::clicked, this, guard([this] { cmdClearClick(); }));
}

void TForm1::mojisu() {
  std::size_t n = counter_->bytes();
  if (signature_on() && preview_bytes_ > 0) n += preview_bytes_ + 2;  // + the CR LF that joins them
  StatusBar1->set_panel_text(2, QStringLiteral("半角： ") + QString::number(n));
}

void TForm1::Memo1Change() {
  mojisu();
  StatusBar1->set_panel_text(1, QString());
  send_sw_check();
}

void TForm1::Memo2Change() {
  preview_bytes_ = cp932_length(Memo2->toPlainText());
  mojisu();
  send_sw_check();
}

void TForm1::subjectChange() { send_sw_check(); }

void TForm1::subjectClick() { last_input = kInputSubject; }
void TForm1::subjectExit() { last_input = kInputSubject; }
void TForm1::Memo1Click() { last_input = kInputBody; }
void TForm1::Memo1Exit() { last_input = kInputBody; }
void TForm1::Memo2Click() { subject_memo_sw(); }
void TForm1::To_nameMouseUp() { subject_memo_sw(); }
void TForm1::To_addressMouseUp() { subject_memo_sw(); }

void TForm1::subject_memo_sw() {
  if (last_input == kInputSubject)
    subject->setFocus();
  else if (last_input == kInputBody)
    Memo1->setFocus();
}

void TForm1::send_sw_check() {
  cmdSend->setEnabled(!Memo1->document()->isEmpty() && !To_address->text().isEmpty() &&
                      StatusBar1->panel_text(1) != kSentMarker);
}

void TForm1::cmdClearClick() {
  if (!Memo1->document()->isEmpty()) Memo1->clear();
  subject->clear();
  subject->setFocus();
}
