// close.txt: the subject and body kept at exit, and the button that brings
// them back.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <optional>

#include "app/file_io.h"
#include "compose/kept_message.h"
#include "platform/dialogs.h"
#include "platform/error_report.h"
#include "ui/form_main.h"

using namespace zarvel;

namespace {

QString close_txt(const QString& data_folder) { return data_folder + QStringLiteral("close.txt"); }

// The body's text is drawn white while the restore fills it, and in its
// normal colour again afterwards, whatever happens in between.
class WhiteText {
 public:
  explicit WhiteText(QPlainTextEdit* memo) : memo_(memo), saved_(memo->palette()) {
    QPalette p = saved_;
    p.setColor(QPalette::Text, Qt::white);
    memo_->setPalette(p);
  }
  ~WhiteText() { memo_->setPalette(saved_); }
  WhiteText(const WhiteText&) = delete;
  WhiteText& operator=(const WhiteText&) = delete;

 private:
  QPlainTextEdit* memo_;
  QPalette saved_;
};

}  // namespace

void TForm1::data_save() {
  const auto bytes = format_kept_message(to_cp932(subject->text()), to_cp932_crlf(Memo1->toPlainText()));
  if (!bytes) return;  // an earlier message stays available
  try {
    // Atomic: a failed write leaves the message kept before whole.
    write_file_atomic(close_txt(data_folder), *bytes);
  } catch (const std::exception&) {
    // Not worth stopping the exit for.
  }
}

void TForm1::connect_kept() {
  connect(BitBtn2, &QPushButton::clicked, this, guard([this] { BitBtn2Click(); }));
}

void TForm1::BitBtn2Click() {
  // Read first: an unreadable file is reported before anything is asked or
  // changed.
  const auto bytes = read_file(close_txt(data_folder));
  if (!bytes) return;
  std::optional<WhiteText> white;
  if (!subject->text().isEmpty() || !Memo1->document()->isEmpty()) {
    if (!dialogs().confirm(QStringLiteral("前回終了時の内容を復元します。\n"
                                          "現在作成中の内容（件名・本文）はクリアされますが、よろしいですか？"),
                           this))
      return;
    white.emplace(Memo1);
  }
  const KeptMessage kept = parse_kept_message(*bytes);
  Memo1->setPlainText(from_cp932_crlf(kept.body));
  subject->setText(from_cp932(kept.subject));
}
