// The two signatures: their files, the use-signature switch, the choice on
// the compose view and the preview that the send appends.
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTextDocument>

#include "app/data_file.h"
#include "app/file_io.h"
#include "compose/signature_file.h"
#include "platform/error_report.h"
#include "ui/form_main.h"
#include "ui/widget_memo_guard.h"

using namespace zarvel;

namespace {

// What the exit compares a signature editor's text with: its length and a
// hash, so that an unchanged signature costs no copy and no formatting.
std::pair<qsizetype, std::size_t> fingerprint(const QString& text) { return {text.size(), qHash(text, 0)}; }

}  // namespace

void TForm1::connect_signature_page() {
  guard_cp932(Memo3);
  guard_cp932(Memo5);
  connect(signature, &QCheckBox::toggled, this, guard([this] { signatureClick(); }));
}

// The editors are on the settings view: until it is built their texts are
// held in settings_.
QString TForm1::signature_text(int i) const {
  if (!settings_view_built()) return settings_.signature_text[i];
  return (i == 0 ? Memo3 : Memo5)->toPlainText();
}

void TForm1::set_signature_text(int i, const QString& text) {
  if (!settings_view_built())
    settings_.signature_text[i] = text;
  else
    (i == 0 ? Memo3 : Memo5)->setPlainText(text);
}

bool TForm1::signature_on() const { return settings_view_built() ? signature->isChecked() : settings_.signature; }

void TForm1::connect_signatures() {
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
  for (int i = 0; i < 2; ++i) {
    DataFile& file = signature_files[i];
    // A file that cannot be read or created is reported, and start-up goes
    // on with the other one.
    guarded([&] {
      LoadedFile loaded = file.load();
      switch (loaded.state) {
        case FileState::Missing:
          // Both files exist from the first start on; one that cannot be
          // created now is tried again at exit.
          file.mark_changed();
          file.save(format_signature(to_cp932(signature_text(i))));
          break;
        case FileState::Unreadable:
          throw AppError(loaded.error);
        case FileState::TooLarge:
          tell_file_problem(file.path(), loaded.state, loaded.problem);
          break;
        default:
          set_signature_text(i, from_cp932_crlf(parse_signature(loaded.bytes)));
          tell_file_problem(file.path(), loaded.state, loaded.problem);
          break;
      }
    });
    signature_loaded[i] = fingerprint(signature_text(i));
  }
}

void TForm1::signatures_write() {
  for (int i = 0; i < 2; ++i) {
    const QString text = signature_text(i);
    const auto now = fingerprint(text);
    if (!signature_files[i].changed() && now == signature_loaded[i]) continue;
    signature_files[i].save(format_signature(to_cp932(text)));
    signature_loaded[i] = now;
  }
}

void TForm1::signatureClick() {
  const bool on = signature_on();
  if (settings_view_built())
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
    Memo2->setPlainText(signature_text(0));
  } else if (signature_sel == 1) {
    sign2->setChecked(true);
    Memo2->setPlainText(signature_text(1));
  }
}

void TForm1::signature_selcte0() {
  if (sign1->isChecked()) {
    Memo2->setPlainText(signature_text(0));
  } else {
    sign2->setChecked(true);
    Memo2->setPlainText(signature_text(1));
  }
}

void TForm1::sign1Click() {
  Memo2->setPlainText(signature_text(0));
  subject_memo_sw();
}

void TForm1::sign2Click() {
  Memo2->setPlainText(signature_text(1));
  subject_memo_sw();
}
