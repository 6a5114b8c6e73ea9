// The compose view's quick list of one-line texts, the opening of the
// palette, and pasting into the field used last.
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/file_io.h"
#include "compose/form_kaomoji.h"
#include "compose/kaomoji_file.h"
#include "platform/error_report.h"
#include "ui/form_main.h"

using namespace zarvel;

namespace {

QStringList decode_rows(const std::vector<Bytes>& rows) {
  QStringList out;
  out.reserve(static_cast<qsizetype>(rows.size()));
  for (const Bytes& r : rows) out.push_back(from_cp932(r));
  return out;
}

// Any left click on the quick list, on a row or below the rows, gives the
// caret back; the list never keeps the focus.
class ClickWatcher : public QObject {
 public:
  ClickWatcher(QObject* parent, TForm1* form) : QObject(parent), form_(form) {}

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
      guarded([this] { form_->ListBox1Click(); });
    return false;
  }

 private:
  TForm1* form_;
};

}  // namespace

void TForm1::connect_palette() {
  set_quick_list_rows(builtin_kaomoji_texts());
  ListBox1->viewport()->installEventFilter(new ClickWatcher(ListBox1, this));
  connect(ListBox1, &QListWidget::itemDoubleClicked, this, guard([this] { ListBox1DblClick(); }));
  connect(BitBtn1, &QPushButton::clicked, this, guard([this] { BitBtn1Click(); }));
}

QStringList TForm1::quick_list_rows() const {
  QStringList rows;
  rows.reserve(ListBox1->count());
  for (int i = 0; i < ListBox1->count(); ++i) rows.push_back(ListBox1->item(i)->text());
  return rows;
}

void TForm1::set_quick_list_rows(const QStringList& rows) {
  ListBox1->clear();
  ListBox1->addItems(rows);
}

void TForm1::kaomoji_load() {
  const LoadedFile file = kaomoji_file.load();
  if (file.state == FileState::Unreadable) throw AppError(file.error);
  tell_file_problem(kaomoji_file.path(), file.state, file.problem);
  if (!file.has_contents()) return;  // the built-in rows stay
  set_quick_list_rows(decode_rows(parse_kaomoji(file.bytes)));
  palette_loaded_ = true;
  palette_editor_rows_ = quick_list_rows();
  if (Tkaomoji* palette = windows_->kaomoji.built()) palette_built(palette);
}

void TForm1::palette_built(Tkaomoji* palette) {
  for (QListWidget* list : {palette->ListBox1, palette->ListBox2}) {
    list->setStatusTip(palette_hint_);
    list->setAccessibleDescription(palette_hint_);  // a screen reader says the hint too
  }
  if (!palette_loaded_) return;
  palette->select_first_category();
  palette->set_editor_rows(palette_editor_rows_);
  palette_editor_rows_.clear();
}

void TForm1::BitBtn1Click() {
  subject_memo_sw();
  Tkaomoji* palette = windows_->kaomoji;
  if (palette->isVisible()) return;  // not even brought to the front
  // Unsaved edits of the last opening are dropped.
  const QStringList rows = quick_list_rows();
  palette->set_editor_rows(rows);
  palette->set_list_rows(rows);
  palette->show();
}

void TForm1::ListBox1Click() { subject_memo_sw(); }

void TForm1::ListBox1DblClick() {
  const QListWidgetItem* item = ListBox1->currentItem();
  if (item && item->isSelected()) paste_to_last_input(item->text());
}

void TForm1::paste_to_last_input(const QString& text) {
  QWidget* target = nullptr;
  if (last_input == kInputSubject)
    target = subject;
  else if (last_input == kInputBody)
    target = Memo1;
  if (!target) return;
  // The caret and selection stay as they were; the main window comes
  // forward so the caret shows where the text went.
  activateWindow();
  target->setFocus(Qt::OtherFocusReason);
  // Through the clipboard, as the user would: the text replaces the
  // selection or goes in at the caret, and stays on the clipboard.
  QGuiApplication::clipboard()->setText(text);
  if (target == subject)
    subject->paste();
  else
    Memo1->paste();
}

void TForm1::set_palette_hints(const QString& hint) {
  palette_hint_ = hint;
  Tkaomoji* palette = windows_ ? windows_->kaomoji.built() : nullptr;
  if (!palette) return;  // it takes the hint when it is built
  for (QListWidget* list : {palette->ListBox1, palette->ListBox2}) {
    list->setStatusTip(hint);
    list->setAccessibleDescription(hint);  // a screen reader says the hint too
  }
}
