// The two signatures: their files, the use-signature switch, the choice on
// the compose view and the preview that the send appends.
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextDocument>

#include "app/file_io.h"
#include "compose/signature_file.h"
#include "platform/error_report.h"
#include "ui/form_main.h"
#include "ui/widget_memo_guard.h"

using namespace zarvel;

namespace {

struct SignatureSlot {
  const char* file;
  QPlainTextEdit* editor;
};

}  // namespace

void TForm1::connect_signatures() {
  guard_cp932(Memo3);
  guard_cp932(Memo5);
  connect(signature, &QCheckBox::toggled, this, guard([this] { signatureClick(); }));
  connect(sign1, &QRadioButton::toggled, this, [this](bool on) {
    if (on) guarded([this] { sign1Click(); });
  });
  connect(sign2, &QRadioButton::toggled, this, [this](bool on) {
    if (on) guarded([this] { sign2Click(); });
  });
  // A click on the choice already made changes nothing but the caret's place.
  connect(sign1, &QRadioButton::clicked, this, guard([this] { subject_memo_sw(); }));
  connect(sign2, &QRadioButton::clicked, this, guard([this] { subject_memo_sw(); }));
}

void TForm1::signatures_load() {
  int i = 0;
  for (SignatureSlot s : {SignatureSlot{"signa1.txt", Memo3}, SignatureSlot{"signa2.txt", Memo5}}) {
    bool& unread = signature_unread[i++];
    // A file that cannot be read or created is reported, and start-up goes
    // on with the other one.
    guarded([&] {
      const QString path = data_folder + QLatin1String(s.file);
      unread = true;
      if (auto bytes = read_file(path)) {
        s.editor->setPlainText(from_cp932_crlf(parse_signature(*bytes)));
      } else {
        write_file_atomic(path, format_signature(to_cp932(s.editor->toPlainText())));
      }
      unread = false;
    });
  }
}

void TForm1::signatures_write() {
  int i = 0;
  for (SignatureSlot s : {SignatureSlot{"signa1.txt", Memo3}, SignatureSlot{"signa2.txt", Memo5}}) {
    if (signature_unread[i++] && !s.editor->document()->isModified()) continue;
    write_file_atomic(data_folder + QLatin1String(s.file), format_signature(to_cp932(s.editor->toPlainText())));
  }
}

void TForm1::signatureClick() {
  const bool on = signature->isChecked();
  for (QWidget* w : {static_cast<QWidget*>(Label14), static_cast<QWidget*>(Label15), static_cast<QWidget*>(Memo3),
                     static_cast<QWidget*>(Memo5)})
    w->setEnabled(on);
  // Without signatures the body covers the preview and its selectors.
  Memo1->resize(Memo1->width(), on ? 95 : 130);
  Memo1->raise();
}

void TForm1::signature_selcte() {
  Memo2->clear();
  if (signature_sel == 0) {
    sign1->setChecked(true);
    Memo2->setPlainText(Memo3->toPlainText());
  } else if (signature_sel == 1) {
    sign2->setChecked(true);
    Memo2->setPlainText(Memo5->toPlainText());
  }
}

void TForm1::signature_selcte0() {
  if (sign1->isChecked()) {
    Memo2->setPlainText(Memo3->toPlainText());
  } else {
    sign2->setChecked(true);
    Memo2->setPlainText(Memo5->toPlainText());
  }
}

void TForm1::sign1Click() {
  Memo2->setPlainText(Memo3->toPlainText());
  subject_memo_sw();
}

void TForm1::sign2Click() {
  Memo2->setPlainText(Memo5->toPlainText());
  subject_memo_sw();
}
