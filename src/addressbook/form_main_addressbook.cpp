// The address book in the main window: zarvel.csv at the first showing and
// at exit, the compose picker, and the editing in the address-book view.
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "addressbook/address_book_file.h"
#include "addressbook/form_seting_diarog.h"
#include "addressbook/recipient_model.h"
#include "app/file_io.h"
#include "platform/dialogs.h"
#include "platform/error_report.h"
#include "ui/form_main.h"
#include "ui/widget_edit.h"
#include "ui/widget_listview.h"
#include "ui/widget_statusbar.h"

using namespace zarvel;

namespace {

QString count_text(int n) { return QStringLiteral("登録数： ") + QString::number(n); }

void set_up_list(TListView* list, RecipientModel* model) {
  list->setModel(model);
  list->setColumnWidth(0, 80);
  list->setColumnWidth(1, 175);
}

// A dialog field as it goes into the book: CP932, on one line.
Bytes field_bytes(const QLineEdit* edit) { return one_line_field(to_cp932(edit->text())); }

// Fills To_name and To_address; setting a field to the text it holds raises
// no change reaction. Both show the start of their text (the domain of a
// long address is the part that can wait).
void set_recipient(TForm1* form, const RecipientModel* list, int row) {
  form->To_name->setText(from_cp932(list->name(row)));
  form->To_name->setCursorPosition(0);
  form->To_address->setText(from_cp932(list->address(row)));
  form->To_address->setCursorPosition(0);
}

}  // namespace

void TForm1::connect_address_book() {
  address_book = new RecipientModel(this);
  picker = new RecipientModel(this);
  set_up_list(ListView1, picker);

  connect(ListView1, &TListView::click, this, guard([this] { ListView1Click(); }));
  connect(To_name, &QLineEdit::textChanged, this, guard([this] { To_nameChange(); }));
  connect(To_address, &QLineEdit::textChanged, this, guard([this] { To_addressChange(); }));
}

void TForm1::connect_address_book_view() {
  set_up_list(ListView2, address_book);
  connect(ListView2, &TListView::click, this, guard([this] { ListView2Click(); }));
  connect(ListView2, &TListView::dblclick, this, guard([this] { ListView2DblClick(); }));
  connect(edit_tuika, &QPushButton::clicked, this, guard([this] { edit_tuikaClick(); }));
  connect(edit_hensyu, &QPushButton::clicked, this, guard([this] { edit_hensyuClick(); }));
  connect(listview2_del, &QPushButton::clicked, this, guard([this] { listview2_delClick(); }));
  connect(listview2_up, &QPushButton::clicked, this, guard([this] { listview2_upClick(); }));
  connect(listview2_down, &QPushButton::clicked, this, guard([this] { listview2_downClick(); }));
}

void TForm1::astaki_read() {
  LoadedFile file = address_book_file.load();
  address_book_saved = address_book->generation();
  switch (file.state) {
    case FileState::Missing:
      address_book_file.mark_changed();  // the exit creates it
      return;
    case FileState::Unreadable:
      // Reported like any other error, but the history and the palette
      // texts still load; the file stays as it is unless the book changes.
      throw AppError(file.error);
    default:
      break;
  }
  AddressBookLoad loaded = read_address_book(std::move(file.bytes));
  address_book->append(std::move(loaded.entries));
  address_book_saved = address_book->generation();
  if (loaded.malformed || file.state == FileState::Foreign) {
    // What was read is what the exit writes, after keeping the file as
    // zarvel.csv.bak. After a bad line the picker stays empty until the
    // next change.
    if (loaded.malformed) address_book_file.set_state(FileState::Malformed);
    address_book_file.mark_changed();
    dialogs().message(QStringLiteral("zarvel"), QStringLiteral("宛先ファイルが変なので削除します！"), MessageIcon::None,
                      this);
    if (loaded.malformed) return;
  }
  listvew1_listview2();
}

void TForm1::astaki_write() {
  if (!address_book_file.changed() && address_book->generation() == address_book_saved) return;
  address_book_file.save(format_address_book(address_book->list()));
  address_book_saved = address_book->generation();
}

// The picker's copy: a snapshot the edit list shares until its next change.
void TForm1::listvew1_listview2() { picker->share(address_book->snapshot()); }

void TForm1::ListView1Click() {
  // A click on the picker counts as leaving the compose field in use.
  if (subject->hasFocus())
    subjectExit();
  else if (Memo1->hasFocus())
    Memo1Exit();
  const int row = ListView1->selected_row();
  if (ListView1->row_count() > 0 && row >= 0) set_recipient(this, picker, row);
  subject_memo_sw();
}

void TForm1::To_nameChange() {
  StatusBar1->set_panel_text(1, QString());
  send_sw_check();
}

void TForm1::To_addressChange() { send_sw_check(); }

void TForm1::enter_address_book_view() {
  StatusBar1->set_panel_text(2, count_text(address_book->size()));
  if (address_book->size() == 0) return;
  if (ListView2->selected_row() < 0) ListView2->select_row(0);
  finish_address_book_operation();
  set_palette_hints(QString());
}

void TForm1::ListView2Click() {
  if (ListView2->row_count() > 0 && ListView2->selected_row() < 0) ListView2->select_row(0);
}

void TForm1::ListView2DblClick() {
  const int row = ListView2->selected_row();
  if (ListView2->row_count() == 0 || row < 0) return;
  set_recipient(this, address_book, row);
  ToolButton1Click();
}

void TForm1::edit_tuikaClick() {
  Tseting_diarog* dialog = windows_->seting_diarog;
  if (dialog->ask(QStringLiteral("宛先の追加"), QString(), QString()) != Tseting_diarog::Outcome::Accepted) {
    if (ListView2->selected_row() >= 0) finish_address_book_operation();
    return;
  }
  const int selected = ListView2->selected_row();
  const int row = address_book->size() > 0 && selected >= 0 ? selected : address_book->size();
  address_book->insert(row, {field_bytes(dialog->edit_mail), field_bytes(dialog->edit_address)});
  ListView2->select_row(row);
  StatusBar1->set_panel_text(2, count_text(address_book->size()));
  listvew1_listview2();
  finish_address_book_operation();
}

void TForm1::edit_hensyuClick() {
  const int row = ListView2->selected_row();
  if (row < 0) return;
  Tseting_diarog* dialog = windows_->seting_diarog;
  if (dialog->ask(QStringLiteral("宛先の編集"), from_cp932(address_book->name(row)),
                  from_cp932(address_book->address(row))) == Tseting_diarog::Outcome::Accepted) {
    address_book->replace(row, {field_bytes(dialog->edit_mail), field_bytes(dialog->edit_address)});
    listvew1_listview2();
  }
  finish_address_book_operation();
}

void TForm1::listview2_delClick() {
  const int row = ListView2->selected_row();
  if (row < 0) return;
  if (current_settings().delete_check &&
      !dialogs().confirm(from_cp932(address_book->name(row)) + QStringLiteral(" さんを削除してよろしいですか？"),
                         this)) {
    finish_address_book_operation();
    return;
  }
  address_book->remove(row);
  if (row < address_book->size()) {
    ListView2->select_row(row);
  } else if (address_book->size() == 0) {
    StatusBar1->set_panel_text(2, count_text(0));
    listvew1_listview2();
    return;
  } else {
    ListView2->select_row(address_book->size() - 1);
  }
  StatusBar1->set_panel_text(2, count_text(address_book->size()));
  listvew1_listview2();
  finish_address_book_operation();
}

// Moving the first entry up or the last one down changes nothing, not even
// the picker.
void TForm1::listview2_upClick() {
  const int row = ListView2->selected_row();
  if (row < 0) return;
  if (row > 0) {
    address_book->swap_rows(row - 1, row);
    ListView2->select_row(row - 1);
    listvew1_listview2();
  }
  finish_address_book_operation();
}

void TForm1::listview2_downClick() {
  const int row = ListView2->selected_row();
  if (row < 0) return;
  if (row + 1 < address_book->size()) {
    address_book->swap_rows(row, row + 1);
    ListView2->select_row(row + 1);
    listvew1_listview2();
  }
  finish_address_book_operation();
}

void TForm1::finish_address_book_operation() {
  ListView2->setFocus();
  ListView2->focus_selected();
}
