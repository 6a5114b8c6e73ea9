// The send history: send.txt read at the first showing and written at exit,
// send_add after each successful send, and the history view.
#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "app/file_io.h"
#include "history/history_file.h"
#include "history/widget_history_model.h"
#include "platform/dialogs.h"
#include "platform/error_report.h"
#include "ui/form_main.h"
#include "ui/widget_listview.h"
#include "ui/widget_statusbar.h"

using namespace zarvel;

namespace {

QString count_text(int count) { return QStringLiteral("件数： ") + QString::number(count); }

// The list clears its selection when a button is released over the empty
// area below the rows; after the left button the click re-selects the
// remembered entry, after any other nothing would. Those releases are kept
// from the list, so the view is never left without a selection.
class KeepSelectionBelowRows : public QObject {
 public:
  explicit KeepSelectionBelowRows(TListView* list) : QObject(list), list_(list) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::MouseButtonRelease) return false;
    const auto* me = static_cast<QMouseEvent*>(e);
    return me->button() != Qt::LeftButton && !list_->indexAt(me->position().toPoint()).isValid();
  }

 private:
  TListView* list_;
};

}  // namespace

void TForm1::connect_history() {
  history = new HistoryModel(this);
  ListView3->setModel(history);
  // The fonts here are wider than the ones these columns were made for
  // (66 and 74 were designed): the send time gets the room it needs with
  // the scroll bar shown, the name that of four kanji (山田太郎), and the
  // subject the rest.
  const QFontMetrics fm(ListView3->font());
  const int margins = 2 * (ListView3->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ListView3) + 1);
  const int time = fm.horizontalAdvance(QStringLiteral("00/00/00(日) 00:00:00")) + margins;
  const int name = std::max(58, fm.horizontalAdvance(QString(4, QChar(0x56FD))) + margins);
  const int room = 278 - 2 * ListView3->frameWidth() -
                   ListView3->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, ListView3);
  ListView3->setColumnWidth(0, name);
  ListView3->setColumnWidth(1, std::max(0, std::min(66, room - name - time)));
  ListView3->setColumnWidth(2, time);
  ListView3->header()->setStretchLastSection(true);
  ListView3->viewport()->installEventFilter(new KeepSelectionBelowRows(ListView3));
  connect(ListView3, &TListView::select_item, this,
          [this](int row, bool selected) { guarded([&] { ListView3SelectItem(row, selected); }); });
  connect(ListView3, &TListView::click, this, guard([this] { ListView3Click(); }));
  connect(ListView3, &TListView::dblclick, this, guard([this] { ListView3Click(); }));
  connect(ListView3, &TListView::mouse_down, this, guard([this] { ListView3Click(); }));
  connect(Button2, &QPushButton::clicked, this, guard([this] { Button2Click(); }));
}

void TForm1::send_read() {
  std::optional<Bytes> file;
  try {
    file = read_file(history_path());
  } catch (const AppError&) {
    history_move_backup = true;
    report_current_exception();
    return;
  }
  if (!file) return;
  // The entries keep the file's bytes: their bodies are not copied out.
  HistoryLoad loaded = read_history(std::move(*file));
  if (!loaded.malformed) loaded.entries.truncate(static_cast<std::size_t>(std::max(rireki_max, 0)));
  history->set_list(std::move(loaded.entries));
  if (loaded.malformed) {
    history_keep_backup = true;
    dialogs().message(QStringLiteral("zarvel"), QStringLiteral("履歴ファイルが変なので削除します！"), MessageIcon::None,
                      this);
  }
}

void TForm1::send_write() {
  const QString path = history_path();
  if (history_move_backup) {
    const QString backup = path + QStringLiteral(".bak");
    if (std::rename(QFile::encodeName(path).constData(), QFile::encodeName(backup).constData()) != 0 &&
        errno != ENOENT)
      throw AppError(cannot_write_message(backup));
    history_move_backup = false;
  }
  if (history_keep_backup) {
    // The entries after the bad line are dropped by this write; the file as
    // it was stays at hand.
    if (std::optional<Bytes> old = read_file(path)) write_file_atomic(path + QStringLiteral(".bak"), *old);
  }
  write_file_atomic(path, format_history(history->list()));
  history_keep_backup = false;
}

void TForm1::send_add(const Bytes& name, const Bytes& subject_text, const Bytes& body) {
  if (rireki_max <= 0) return;
  history->insert_top({name, history_subject(subject_text),
                       format_send_time(QDateTime::currentDateTime(), QLocale::system()), body});
  ListView3->select_row(0);
  history->apply_limit(rireki_max);
}

void TForm1::enter_history_view() {
  StatusBar1->set_panel_text(2, count_text(history->count()));
  if (history->count() == 0) {
    clear_history_details();
    return;
  }
  if (ListView3->selected_row() < 0) {
    ListView3->select_row(0);
    ListView3Click();
  }
  ListView3->setFocus();
  ListView3->focus_selected();
  set_palette_hints(QString());
}

void TForm1::ListView3SelectItem(int row, bool selected) {
  if (!selected || row < 0 || row >= history->count()) return;
  history_index = row;
  show_history_entry(row);
}

void TForm1::ListView3Click() {
  if (history->count() == 0) return;
  const int row = ListView3->selected_row();
  if (row >= 0)
    show_history_entry(row);
  else
    ListView3->select_row(std::clamp(history_index, 0, history->count() - 1));
}

void TForm1::Button2Click() {
  const int row = ListView3->selected_row();
  if (row < 0) return;
  if (delete_check->isChecked()) {
    const HistoryList& list = history->list();
    const auto i = static_cast<std::size_t>(row);
    const QString question = from_cp932(list.name(i)) + QStringLiteral("( ") + from_cp932(list.time(i)) +
                             QStringLiteral(" )") + QStringLiteral(" さんを削除してよろしいですか？");
    if (!dialogs().confirm(question, this)) return;
  }
  history->remove(row);
  const int count = history->count();
  if (count == 0) {
    StatusBar1->set_panel_text(2, count_text(0));
    clear_history_details();
    return;
  }
  ListView3->select_row(std::min(row, count - 1));
  StatusBar1->set_panel_text(2, count_text(count));
  ListView3->setFocus();
  show_history_entry(ListView3->selected_row());
  ListView3->focus_selected();
}

void TForm1::show_history_entry(int row) {
  if (row < 0 || row >= history->count()) return;
  const HistoryList& list = history->list();
  const auto i = static_cast<std::size_t>(row);
  Label8->setText(from_cp932(list.name(i)));
  Label9->setText(from_cp932(list.subject(i)));
  Label10->setText(from_cp932(list.time(i)));
  Memo4->setPlainText(from_cp932_crlf(list.body(i)));
}

void TForm1::clear_history_details() {
  Label8->clear();
  Label9->clear();
  Label10->clear();
  Memo4->clear();
}
