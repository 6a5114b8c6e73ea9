// The send history: send.txt read at the first showing and written at exit,
// send_add after each successful send, and the history view.
#include <QCheckBox>
#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <algorithm>

#include "app/file_io.h"
#include "history/history_file.h"
#include "history/history_model.h"
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

void TForm1::connect_history() { history = new HistoryModel(this); }

void TForm1::connect_history_view() {
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
  if (history_top_selected_) ListView3->select_row(0);
}

void TForm1::send_read() {
  LoadedFile file = history_file.load();
  history_saved = history->generation();
  switch (file.state) {
    case FileState::Missing:
      history_file.mark_changed();  // the exit creates it
      return;
    case FileState::Unreadable:
      // Reported; the file stays as it is unless the history changes.
      throw AppError(file.error);
    default:
      break;
  }
  const bool empty_file = file.bytes.empty();
  // The entries keep the file's bytes: their bodies are not copied out.
  HistoryLoad loaded = read_history(std::move(file.bytes));
  const bool no_record = loaded.entries.empty() && !loaded.malformed && !empty_file;
  if (!loaded.malformed) {
    const std::size_t read = loaded.entries.size();
    loaded.entries.truncate(static_cast<std::size_t>(std::max(rireki_max, 0)));
    if (loaded.entries.size() < read) history_file.mark_changed();  // the limit dropped some
  }
  history->set_list(std::move(loaded.entries));
  history_saved = history->generation();
  if (loaded.malformed || file.state == FileState::Foreign || no_record) {
    // What was read is what the exit writes, after keeping the file as
    // send.txt.bak.
    if (loaded.malformed)
      history_file.set_state(FileState::Malformed);
    else if (no_record)
      history_file.set_state(FileState::Foreign, FormProblem::NoRecord);
    history_file.mark_changed();
    dialogs().message(QStringLiteral("zarvel"), QStringLiteral("履歴ファイルが変なので削除します！"), MessageIcon::None,
                      this);
  }
}

void TForm1::send_write() {
  if (!history_file.changed() && history->generation() == history_saved) return;
  history_file.save(format_history(history->list()));
  history_saved = history->generation();
}

void TForm1::send_add(const Bytes& name, const Bytes& subject_text, const Bytes& body) {
  if (rireki_max <= 0) return;
  history->insert_top(
      {name, history_subject(subject_text), format_send_time(QDateTime::currentDateTime(), QLocale::system()), body});
  // A view not yet built selects the newest entry when it is built.
  if (history_view_built())
    ListView3->select_row(0);
  else
    history_top_selected_ = true;
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
  if (current_settings().delete_check) {
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
