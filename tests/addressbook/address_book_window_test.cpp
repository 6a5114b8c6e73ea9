// The address book in the running windows: zarvel.csv at start and exit,
// the compose picker, and the editing in the address-book view.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>
#include <random>

#include "addressbook/form_seting_diarog.h"
#include "addressbook/recipient_model.h"
#include "app/data_file.h"
#include "support/main_window.h"
#include "support/sjis.h"
#include "ui/widget_edit.h"
#include "ui/widget_listview.h"

using namespace zarvel;
using zarvel::test::MainWindowRun;
using zarvel::test::ShownDialog;
using Book = std::vector<Recipient>;

namespace {

const QString kCsv = QStringLiteral("zarvel.csv");
const QString kMalformed = QStringLiteral("宛先ファイルが変なので削除します！");

using zarvel::test::sj;

Book sample(int n) {
  Book b;
  for (int i = 0; i < n; ++i) b.push_back({sj(u"名前") + std::to_string(i), "u" + std::to_string(i) + "@example.jp"});
  return b;
}

class AddressBookWindow : public ::testing::Test {
 protected:
  // Starts on a folder whose zarvel.csv holds `book` (no file for nullopt).
  TForm1* start_with(const std::optional<Book>& book) {
    if (book) run.dir().write(kCsv, format_address_book(*book));
    return f = run.start();
  }
  Book entries() const { return f->address_book->entries(); }
  // After every change the picker is the edit list.
  void expect_picker_is_edit_list() const {
    EXPECT_EQ(f->picker->entries(), f->address_book->entries());
    EXPECT_EQ(f->ListView1->row_count(), f->ListView2->row_count());
  }
  int messages(const QString& text) {
    return static_cast<int>(std::count_if(run.dialogs().shown.begin(), run.dialogs().shown.end(),
                                          [&](const ShownDialog& d) { return d.text == text; }));
  }
  void click_row(TListView* list, int row, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(list->viewport(), button, {}, list->visualRect(list->model()->index(row, 0)).center());
  }
  // Runs `act` on the recipient dialog once it is shown by the next click.
  std::shared_ptr<bool> on_dialog(std::function<void(Tseting_diarog*)> act) {
    auto shown = std::make_shared<bool>(false);
    Tseting_diarog* d = run.windows().seting_diarog;
    QTimer::singleShot(0, d, [d, act, shown] {
      if (!d->isVisible()) return;
      *shown = true;
      QApplication::setActiveWindow(d);
      act(d);
      if (d->isVisible()) {  // not closed: fail, but do not hang
        ADD_FAILURE() << "the dialog stayed open";
        d->done(0);
      }
    });
    return shown;
  }
  std::shared_ptr<bool> answer(const QString& name, const QString& address, bool ok = true) {
    return on_dialog([=](Tseting_diarog* d) {
      d->edit_mail->setText(name);
      d->edit_address->setText(address);
      QTest::mouseClick(ok ? d->Button1 : d->Button2, Qt::LeftButton);
    });
  }
  void enter_view() { QTest::mouseClick(f->ToolButton2, Qt::LeftButton); }

  MainWindowRun run;
  TForm1* f = nullptr;
};

TEST(AddressBookWindowStart, MalformedFileKeepsTheEntriesAboveAndIsBackedUpAtExit) {
  const Bytes name = sj(u"山田太郎");
  for (const Bytes& bad : {Bytes(""), Bytes("abc")}) {
    MainWindowRun r;
    const Bytes file = name + ",taro@example.jp\r\nb,c\r\n" + bad + "\r\nd,e\r\n";
    r.dir().write(kCsv, file);
    TForm1* form = r.start();
    ASSERT_EQ(r.dialogs().shown.size(), 1u) << bad;
    EXPECT_EQ(r.dialogs().shown[0].title, QStringLiteral("zarvel"));
    EXPECT_EQ(r.dialogs().shown[0].text, kMalformed);
    EXPECT_EQ(form->address_book->entries(), (Book{{name, "taro@example.jp"}, {"b", "c"}}));
    EXPECT_EQ(form->ListView1->row_count(), 0);  // the picker is not rebuilt
    EXPECT_EQ(r.dir().read(kCsv), file);         // nor the file touched before exit
    ASSERT_TRUE(r.close());
    EXPECT_EQ(r.dir().read(kCsv), name + ",taro@example.jp\r\nb,c\r\n");
    EXPECT_EQ(r.dir().read(kCsv + QStringLiteral(".bak")), file);
    form = r.restart();
    EXPECT_EQ(r.dialogs().shown.size(), 1u);
    EXPECT_EQ(form->ListView1->row_count(), 2);
    ASSERT_TRUE(r.close());
    EXPECT_EQ(r.dir().read(kCsv + QStringLiteral(".bak")), file);
  }
}

TEST_F(AddressBookWindow, BooksComeBackWholeAcrossRuns) {
  start_with(std::nullopt);
  EXPECT_TRUE(entries().empty());
  EXPECT_TRUE(run.dialogs().shown.empty());
  ASSERT_TRUE(run.close());
  EXPECT_TRUE(run.dir().exists(kCsv));
  EXPECT_EQ(run.dir().read(kCsv), "");  // an empty book is a zero-byte file
  f = run.restart();
  EXPECT_TRUE(entries().empty());

  const Book awkward = {{sj(u"山田　太郎"), sj(u"ｙａｍａ＠例．ｊｐ")},
                        {"Yamada, Taro", "\"quoted\"@x.jp"},
                        {" lead", "trail "},
                        {"tab\there", ""},
                        {"", sj(u"①ｶﾅ~\\")}};
  for (const Book& book : {Book{awkward[0]}, awkward, sample(10000)}) {
    f->address_book->set_list(RecipientList(book));
    ASSERT_TRUE(run.close());
    f = run.restart();
    EXPECT_EQ(entries(), book);
    expect_picker_is_edit_list();
    EXPECT_TRUE(run.dialogs().shown.empty());
  }
}

TEST_F(AddressBookWindow, AnUnreadableOrUnwritableFileIsReportedAndKept) {
  QDir(run.dir().path()).mkpath(kCsv);  // a folder where the file should be
  start_with(std::nullopt);
  ASSERT_EQ(run.dialogs().shown.size(), 1u);
  EXPECT_EQ(run.dialogs().shown[0].kind, ShownDialog::Error);
  EXPECT_TRUE(run.dialogs().shown[0].text.contains(QStringLiteral("zarvel.csv を開けません")));
  f->address_book->set_list(RecipientList(Book{{"a", "b"}}));
  ASSERT_TRUE(run.close());
  EXPECT_TRUE(QDir(run.dir().file(kCsv + QStringLiteral(".bak"))).exists());
  EXPECT_EQ(run.dir().read(kCsv), "a,b\r\n");

  // A failed write at exit reaches the error handler and the window stays.
  f = run.restart();
  f->address_book->set_list(RecipientList(Book{{"a", "b"}}));  // an unchanged book is not written at all
  QFile::remove(run.dir().file(kCsv));
  QDir(run.dir().path()).mkpath(kCsv);
  EXPECT_FALSE(run.close());
  EXPECT_TRUE(run.dialogs().shown.back().text.contains(QStringLiteral("zarvel.csv に書き込めません")));
  QDir(run.dir().file(kCsv)).removeRecursively();
  ASSERT_TRUE(run.close());
  EXPECT_EQ(run.dir().read(kCsv), "a,b\r\n");
}

TEST_F(AddressBookWindow, AnyBytesGiveEntriesOrTheMessage) {
  start_with(std::nullopt);
  std::mt19937 rng(7);
  auto load = [&](const Bytes& bytes) {
    f->address_book->set_list({});
    f->picker->set_list({});
    run.dialogs().shown.clear();
    run.dir().write(kCsv, bytes);
    f->astaki_read();
    // Read as the data-file policy hands it over (a lone CR is a line end);
    // a malformed file, and one not in CP932 text, gives the message.
    const LoadedFile loaded = load_data_file(run.dir().file(kCsv), kAddressBookFile);
    const AddressBookParse expected = parse_address_book(loaded.bytes);
    EXPECT_EQ(entries(), expected.entries);
    EXPECT_EQ(messages(kMalformed), expected.malformed || loaded.state == FileState::Foreign ? 1 : 0);
    EXPECT_EQ(f->picker->size(), expected.malformed ? 0 : f->address_book->size());
    for (int row = 0; row < f->address_book->size(); ++row)
      for (int col = 0; col < 2; ++col) (void)f->address_book->index(row, col).data();
  };
  for (int n = 0; n < 300; ++n) {
    Bytes bytes(rng() % 80, ' ');
    for (char& c : bytes) c = static_cast<char>(rng() % 3 ? ",\"\r\n a\t\0\x81"[rng() % 10] : rng());
    load(bytes);
  }
  const Bytes file = format_address_book({{"a b", "\"c\""}, {sj(u"日本"), "x,y"}, {"", ""}});
  for (std::size_t cut = 0; cut <= file.size(); ++cut) load(file.substr(0, cut));
}

TEST_F(AddressBookWindow, PickerFillsTheRecipientAndReturnsTheFocus) {
  start_with(Book{{"a", "a@x.jp"}, {"b", "b@x.jp"}, {"b", "other@x.jp"}});
  expect_picker_is_edit_list();
  EXPECT_EQ(f->ListView1->selected_row(), -1);
  ASSERT_EQ(QApplication::focusWidget(), f->subject);
  click_row(f->ListView1, 1);
  EXPECT_EQ(f->To_name->text(), QStringLiteral("b"));
  EXPECT_EQ(f->To_address->text(), QStringLiteral("b@x.jp"));
  EXPECT_EQ(f->To_address->cursorPosition(), 0);  // shows the start of a long address
  EXPECT_EQ(QApplication::focusWidget(), f->subject);
  EXPECT_EQ(f->last_input, 1);  // the click counts as leaving the subject
  f->Memo1->setPlainText(QStringLiteral("body"));
  EXPECT_TRUE(f->cmdSend->isEnabled());

  // The sent marker stays for the row already shown and for the same name
  // with another address; another name clears it.
  f->StatusBar1->set_panel_text(1, QStringLiteral("送信済"));
  click_row(f->ListView1, 1);
  click_row(f->ListView1, 2);
  EXPECT_EQ(f->To_address->text(), QStringLiteral("other@x.jp"));
  EXPECT_EQ(run.panel(1), QStringLiteral("送信済"));
  click_row(f->ListView1, 0);
  EXPECT_EQ(run.panel(1), QString());

  // The right button changes nothing at all.
  f->StatusBar1->set_panel_text(1, QStringLiteral("送信済"));
  for (int row : {1, 2}) {
    click_row(f->ListView1, row, Qt::RightButton);
    QTest::mouseDClick(f->ListView1->viewport(), Qt::RightButton, {},
                       f->ListView1->visualRect(f->picker->index(row, 0)).center());
  }
  EXPECT_EQ(f->ListView1->selected_row(), 0);
  EXPECT_EQ(f->To_name->text(), QStringLiteral("a"));
  EXPECT_EQ(run.panel(1), QStringLiteral("送信済"));
  EXPECT_EQ(QApplication::focusWidget(), f->subject);
}

TEST_F(AddressBookWindow, EnteringTheViewSelectsAndCounts) {
  start_with(std::nullopt);
  enter_view();
  EXPECT_EQ(run.panel(2), QStringLiteral("登録数： 0"));
  EXPECT_EQ(f->ListView2->selected_row(), -1);

  f->address_book->set_list(RecipientList(sample(3)));
  enter_view();
  EXPECT_EQ(run.panel(2), QStringLiteral("登録数： 3"));
  EXPECT_EQ(f->ListView2->selected_row(), 0);
  EXPECT_EQ(QApplication::focusWidget(), f->ListView2);
  EXPECT_EQ(f->ListView2->currentIndex().row(), 0);
  click_row(f->ListView2, 2);
  f->ToolButton1Click();
  enter_view();
  EXPECT_EQ(f->ListView2->selected_row(), 2);  // kept across switches

  // A double-click picks the entry and shows the compose view.
  QTest::mouseDClick(f->ListView2->viewport(), Qt::LeftButton, {},
                     f->ListView2->visualRect(f->address_book->index(1, 0)).center());
  EXPECT_EQ(f->To_name->text(), from_cp932(sample(3)[1].name));
  EXPECT_EQ(f->To_address->text(), QStringLiteral("u1@example.jp"));
  EXPECT_TRUE(f->Panel1->isVisible());
  EXPECT_FALSE(f->Panel3->isVisible());
  EXPECT_TRUE(f->ToolButton1->isChecked());
}

TEST_F(AddressBookWindow, AddAndEditGoThroughTheDialog) {
  start_with(std::nullopt);
  enter_view();
  auto shown = answer(QStringLiteral("山田 太郎"), QStringLiteral("\"t\",a@x.jp"));
  QTest::mouseClick(f->edit_tuika, Qt::LeftButton);
  EXPECT_TRUE(*shown);
  EXPECT_EQ(run.windows().seting_diarog->windowTitle(), QStringLiteral("宛先の追加"));
  const Recipient yamada{sj(u"山田 太郎"), "\"t\",a@x.jp"};
  EXPECT_EQ(entries(), Book{yamada});
  EXPECT_EQ(f->ListView2->selected_row(), 0);
  EXPECT_EQ(run.panel(2), QStringLiteral("登録数： 1"));
  expect_picker_is_edit_list();

  // Added before the selection, and twice the same is two entries.
  f->address_book->set_list(RecipientList(sample(3)));
  click_row(f->ListView2, 1);
  for (int i = 0; i < 2; ++i) {
    answer(QStringLiteral("new"), QStringLiteral("n@x.jp"));
    QTest::mouseClick(f->edit_tuika, Qt::LeftButton);
  }
  Book expected = sample(3);
  expected.insert(expected.begin() + 1, 2, Recipient{"new", "n@x.jp"});
  EXPECT_EQ(entries(), expected);
  EXPECT_EQ(f->ListView2->selected_row(), 1);
  EXPECT_EQ(run.panel(2), QStringLiteral("登録数： 5"));
  expect_picker_is_edit_list();

  // Refused by its button, or by the close box after an accepted use.
  answer(QStringLiteral("x"), QStringLiteral("y"), false);
  QTest::mouseClick(f->edit_tuika, Qt::LeftButton);
  on_dialog([](Tseting_diarog* d) { d->close(); });
  QTest::mouseClick(f->edit_hensyu, Qt::LeftButton);
  EXPECT_EQ(entries(), expected);

  // Editing fills the fields with the entry, replaces it, leaves the
  // recipient fields alone.
  f->To_name->setText(QStringLiteral("new"));
  on_dialog([](Tseting_diarog* d) {
    EXPECT_EQ(d->windowTitle(), QStringLiteral("宛先の編集"));
    EXPECT_EQ(d->edit_mail->text(), QStringLiteral("new"));
    EXPECT_EQ(d->edit_address->text(), QStringLiteral("n@x.jp"));
    d->edit_mail->setText(QStringLiteral("renamed"));
    QTest::mouseClick(d->Button1, Qt::LeftButton);
  });
  QTest::mouseClick(f->edit_hensyu, Qt::LeftButton);
  expected[1].name = "renamed";
  EXPECT_EQ(entries(), expected);
  EXPECT_EQ(f->To_name->text(), QStringLiteral("new"));
  QApplication::setActiveWindow(f);  // as the window manager does when the dialog goes
  EXPECT_EQ(QApplication::focusWidget(), f->ListView2);
  expect_picker_is_edit_list();

  f->ListView2->select_row(-1);
  EXPECT_FALSE(*on_dialog([](Tseting_diarog* d) { d->close(); }));
  QTest::mouseClick(f->edit_hensyu, Qt::LeftButton);  // nothing selected: no dialog
  QApplication::processEvents();
}

TEST_F(AddressBookWindow, DeleteSelectsTheNeighbourAndAsksWhenTicked) {
  start_with(sample(4));
  enter_view();
  f->delete_check->setChecked(true);
  run.dialogs().answers = {false, true};
  QTest::mouseClick(f->listview2_del, Qt::LeftButton);  // "いいえ(&N)"
  EXPECT_EQ(entries(), sample(4));
  EXPECT_EQ(run.dialogs().shown.back().text,
            from_cp932(sample(4)[0].name) + QStringLiteral(" さんを削除してよろしいですか？"));
  QTest::mouseClick(f->listview2_del, Qt::LeftButton);  // first
  Book expected = sample(4);
  expected.erase(expected.begin());
  EXPECT_EQ(entries(), expected);
  EXPECT_EQ(f->ListView2->selected_row(), 0);
  EXPECT_EQ(run.panel(2), QStringLiteral("登録数： 3"));
  expect_picker_is_edit_list();

  f->delete_check->setChecked(false);
  const std::size_t asked = run.dialogs().shown.size();
  f->ListView2->select_row(2);
  QTest::mouseClick(f->listview2_del, Qt::LeftButton);  // last
  expected.pop_back();
  EXPECT_EQ(entries(), expected);
  EXPECT_EQ(f->ListView2->selected_row(), 1);
  EXPECT_EQ(run.dialogs().shown.size(), asked);
  for (int i = 0; i < 2; ++i) QTest::mouseClick(f->listview2_del, Qt::LeftButton);  // down to the only one
  EXPECT_TRUE(entries().empty());
  EXPECT_EQ(run.panel(2), QStringLiteral("登録数： 0"));
  EXPECT_EQ(f->ListView1->row_count(), 0);
}

TEST_F(AddressBookWindow, UpAndDownMoveWithinTheEnds) {
  const Book b = sample(3);
  start_with(b);
  enter_view();
  QTest::mouseClick(f->listview2_up, Qt::LeftButton);  // the first: nothing
  EXPECT_EQ(entries(), b);
  QTest::mouseClick(f->listview2_down, Qt::LeftButton);
  EXPECT_EQ(entries(), (Book{b[1], b[0], b[2]}));
  EXPECT_EQ(f->ListView2->selected_row(), 1);
  QTest::mouseClick(f->listview2_down, Qt::LeftButton);
  QTest::mouseClick(f->listview2_down, Qt::LeftButton);  // the last: nothing
  EXPECT_EQ(entries(), (Book{b[1], b[2], b[0]}));
  EXPECT_EQ(f->ListView2->selected_row(), 2);
  expect_picker_is_edit_list();
  QTest::mouseClick(f->listview2_up, Qt::LeftButton);
  EXPECT_EQ(entries(), (Book{b[1], b[0], b[2]}));
  EXPECT_EQ(f->ListView2->currentIndex().row(), 1);
  EXPECT_EQ(QApplication::focusWidget(), f->ListView2);
  expect_picker_is_edit_list();
}

}  // namespace

// The picker shares the edit list's entries: a change of either reaches
// the other only through a new snapshot.
TEST(RecipientModelSnapshot, ChangesNeverReachAHolderOfTheOldEntries) {
  RecipientModel edit, picker;
  edit.set_list(RecipientList(sample(3)));
  picker.share(edit.snapshot());
  edit.replace(0, {"new", "n@x.jp"});
  edit.remove(2);
  EXPECT_EQ(picker.entries(), sample(3));
  EXPECT_EQ(edit.entries(), (Book{{"new", "n@x.jp"}, sample(3)[1]}));
  picker.share(edit.snapshot());
  picker.swap_rows(0, 1);  // the picker is never changed, but would keep to itself too
  picker.insert(0, {"p", "p@x.jp"});
  EXPECT_EQ(edit.entries(), (Book{{"new", "n@x.jp"}, sample(3)[1]}));
  EXPECT_EQ(picker.size(), 3);
  EXPECT_EQ(from_cp932(picker.address(1)), QStringLiteral("u1@example.jp"));
  EXPECT_THROW(picker.at(3), std::out_of_range);
}
