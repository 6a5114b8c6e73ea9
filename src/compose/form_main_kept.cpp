// close.txt: the subject and body kept at exit, and the button that brings
// them back.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <optional>

#include "app/data_file.h"
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
  // The same message as last time: nothing to write.
  if (file_size(kept_file.path()) == static_cast<std::int64_t>(bytes->size())) {
    try {
      if (read_file(kept_file.path()) == *bytes) return;
    } catch (const AppError&) {
    }
  }
  // Atomic: a failed write leaves the message kept before whole, and is
  // reported like any other file's, so the exit stops and what was typed
  // is still in the window.
  kept_file.save(*bytes);
}

void TForm1::kept_check() {
  // Only what a restore could not bring back whole is told here; a file
  // that cannot be read is told when a restore reads it.
  const LoadedFile loaded = kept_file.load();
  tell_file_problem(kept_file.path(), loaded.state, loaded.problem);
}

void TForm1::connect_kept() {
  connect(BitBtn2, &QPushButton::clicked, this, guard([this] { BitBtn2Click(); }));
}

void TForm1::BitBtn2Click() {
  // Read first: an unreadable file is reported before anything is asked or
  // changed.
  LoadedFile file = load_data_file(close_txt(data_folder), kTextFile);
  if (file.state == FileState::Missing) return;
  if (file.state == FileState::Unreadable) throw AppError(file.error);
  if (file.state == FileState::TooLarge) {
    tell_file_problem(close_txt(data_folder), file.state, file.problem);
    return;
  }
  const Bytes* bytes = &file.bytes;
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
