// The send history through the real main window: send.txt at start and
// exit, send_add, and the history view driven with mouse and keys.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QToolButton>
#include <random>

#include "app/data_file.h"
#include "history/history_file.h"
#include "history/history_model.h"
#include "support/history_bytes.h"
#include "support/main_window.h"
#include "support/sjis.h"
#include "ui/widget_listview.h"

using namespace zarvel;
using zarvel::test::history_bytes;
using zarvel::test::MainWindowRun;
using zarvel::test::ShownDialog;
using List = std::vector<HistoryEntry>;

namespace {

const QString kSendTxt = QStringLiteral("send.txt");
const QString kMalformed = QStringLiteral("履歴ファイルが変なので削除します！");

using zarvel::test::sj;

HistoryEntry entry(Bytes name, Bytes body, Bytes subject = "s", Bytes time = "26/12/08(\x89\xCE) 09:05:03") {
  return {std::move(name), std::move(subject), std::move(time), std::move(body)};
}

// `n` entries named "0" (newest) to "n-1" (oldest).
List numbered(int n) {
  List list;
  for (int i = 0; i < n; ++i) list.push_back(entry(std::to_string(i), "body " + std::to_string(i)));
  return list;
}

void set_limit(MainWindowRun& run, int limit) {
  run.dir().write(QStringLiteral("zarvel.ini"), "[Options]\r\nsend_max=" + std::to_string(limit) + "\r\n");
}

List names_only(const List& list) {
  List out;
  for (const HistoryEntry& e : list) out.push_back(entry(e.name, ""));
  return out;
}

int messages(MainWindowRun& run, const QString& text) {
  int n = 0;
  for (const ShownDialog& d : run.dialogs().shown) n += d.text == text;
  return n;
}

void enter_view(TForm1* f) { QTest::mouseClick(f->ToolButton6, Qt::LeftButton); }

QPoint row_centre(TForm1* f, int row) {
  return f->ListView3->visualRect(f->ListView3->model()->index(row, 0)).center();
}

void click_row(TForm1* f, int row) {
  QTest::mouseClick(f->ListView3->viewport(), Qt::LeftButton, {}, row_centre(f, row));
}

// The four detail controls: name, subject, time, body.
QStringList details(TForm1* f) {
  return {f->Label8->text(), f->Label9->text(), f->Label10->text(), f->Memo4->toPlainText()};
}

QStringList details_of(const HistoryEntry& e) {
  return {from_cp932(e.name), from_cp932(e.subject), from_cp932(e.time), from_cp932_crlf(e.body)};
}

const QStringList kNoDetails = {QString(), QString(), QString(), QString()};

// Three entries with Japanese texts and a body of several lines.
List three() {
  return {entry(sj(u"山田"), sj(u"こんにちは\r\n\r\n二行目"), sj(u"新しい"), sj(u"26/12/08(火) 09:05:03")),
          entry(sj(u"鈴木"), "", sj(u"無題"), sj(u"26/12/07(月) 18:00:00")),
          entry(sj(u"佐藤"), sj(u"古い本文\r\n"), sj(u"古い"), sj(u"26/12/06(日) 07:30:59"))};
}

}  // namespace

// ---- send.txt through start, send_add and exit

TEST(HistoryRun, SendsAreKeptNewestFirstAndWrittenOldestFirst) {
  MainWindowRun run;
  TForm1* f = run.start();
  EXPECT_EQ(f->history->count(), 0);
  const QLocale locale = QLocale::system();

  // Bodies as the send road hands them over: empty lines, a trailing break,
  // nothing at all; one subject left empty.
  const Bytes bodies[] = {sj(u"一行目\r\n\r\n三行目"), "trailing\r\n", ""};
  const Bytes subjects[] = {sj(u"件名"), "", "x"};
  List expected;
  for (int i = 0; i < 3; ++i) {
    const Bytes before = format_send_time(QDateTime::currentDateTime(), locale);
    f->send_add(sj(u"宛先") + std::to_string(i), subjects[i], bodies[i]);
    const Bytes after = format_send_time(QDateTime::currentDateTime(), locale);
    const HistoryEntry& top = f->history->at(0);
    EXPECT_TRUE(top.time == before || top.time == after) << top.time;
    expected.insert(expected.begin(), top);
    EXPECT_EQ(f->ListView3->selected_row(), 0);
  }
  EXPECT_EQ(f->history->entries(), expected);
  EXPECT_EQ(expected[1].subject, sj(u"無題"));
  EXPECT_EQ(expected[2].body, bodies[0]);
  // The list shows the texts in its three columns.
  const QAbstractItemModel* m = f->ListView3->model();
  EXPECT_EQ(m->headerData(2, Qt::Horizontal).toString(), QStringLiteral("送信日時"));
  EXPECT_EQ(m->index(1, 0).data().toString(), QStringLiteral("宛先1"));
  EXPECT_EQ(m->index(1, 1).data().toString(), QStringLiteral("無題"));
  EXPECT_EQ(m->index(1, 2).data().toString(), from_cp932(expected[1].time));
  enter_view(f);
  // The send time is shown whole.
  EXPECT_GE(f->ListView3->columnWidth(2),
            f->ListView3->fontMetrics().horizontalAdvance(from_cp932(expected[1].time)) + 6);

  // Nothing reaches the disk before the exit.
  EXPECT_FALSE(run.dir().exists(kSendTxt));
  ASSERT_TRUE(run.close());
  const Bytes file = run.dir().read(kSendTxt);
  EXPECT_EQ(file.substr(0, file.find("\r\n") + 2),
            "~!,\"" + sj(u"宛先0") + "\",\"" + sj(u"件名") + "\",\"" + expected[2].time + "\"\r\n");
  EXPECT_EQ(file, history_bytes(expected));

  f = run.restart();
  EXPECT_EQ(f->history->entries(), expected);
  EXPECT_EQ(f->ListView3->selected_row(), -1);  // nothing selected after a load
  EXPECT_TRUE(run.dialogs().shown.empty());
}

TEST(HistoryRun, TheLimitKeepsTheNewestAtStartAndAtEachSend) {
  MainWindowRun run;
  set_limit(run, 100);
  run.dir().write(kSendTxt, history_bytes(numbered(150)));
  TForm1* f = run.start();
  ASSERT_EQ(f->history->count(), 100);
  EXPECT_EQ(f->history->at(0).name, "0");
  EXPECT_EQ(f->history->at(99).name, "99");

  // A full list: the send goes on top, the oldest goes, the count stays.
  f->ListView3->select_row(99);
  f->send_add("new", "s", "b");
  ASSERT_EQ(f->history->count(), 100);
  EXPECT_EQ(f->history->at(0).name, "new");
  EXPECT_EQ(f->history->at(99).name, "98");
  EXPECT_EQ(f->ListView3->selected_row(), 0);
  EXPECT_EQ(f->Label8->text(), QStringLiteral("new"));

  ASSERT_TRUE(run.close());
  HistoryParse saved = parse_history(run.dir().read(kSendTxt));
  EXPECT_FALSE(saved.malformed);
  EXPECT_EQ(saved.entries, f->history->entries());
}

TEST(HistoryRun, ALimitOfZeroRecordsNothingAndEmptiesTheFile) {
  MainWindowRun run;
  set_limit(run, 0);
  run.dir().write(kSendTxt, history_bytes(numbered(3)));
  TForm1* f = run.start();
  EXPECT_EQ(f->history->count(), 0);
  f->send_add("n", "s", "b");
  EXPECT_EQ(f->history->count(), 0);
  enter_view(f);
  EXPECT_EQ(run.panel(2), QStringLiteral("件数： 0"));
  ASSERT_TRUE(run.close());
  EXPECT_TRUE(run.dir().exists(kSendTxt));
  EXPECT_EQ(run.dir().read(kSendTxt), "");
  EXPECT_FALSE(run.dir().exists(QStringLiteral("send.txt.bak")));
}

TEST(HistoryRun, ALimitChangedWhileRunningWaitsForTheNextStart) {
  MainWindowRun run;
  set_limit(run, 2);
  TForm1* f = run.start();
  f->rirekisu->setValue(5);
  for (int i = 0; i < 4; ++i) f->send_add(std::to_string(i), "s", "b");
  EXPECT_EQ(f->history->count(), 2);
  ASSERT_TRUE(run.close());
  f = run.restart();
  EXPECT_EQ(f->rireki_max, 5);
  for (int i = 0; i < 4; ++i) f->send_add(std::to_string(i), "s", "b");
  EXPECT_EQ(f->history->count(), 5);
}

TEST(HistoryRun, AnEndMarkerFirstGivesTheMessageAndKeepsTheFileAsBackup) {
  MainWindowRun run;
  const Bytes original = "~!!\r\n" + history_bytes(numbered(2));
  run.dir().write(kSendTxt, original);
  TForm1* f = run.start();
  ASSERT_EQ(run.dialogs().shown.size(), 1u);
  const ShownDialog& d = run.dialogs().shown[0];
  EXPECT_EQ(d.kind, ShownDialog::Message);
  EXPECT_EQ(d.title, QStringLiteral("zarvel"));
  EXPECT_EQ(d.text, kMalformed);
  EXPECT_EQ(d.icon, MessageIcon::None);
  EXPECT_EQ(f->history->count(), 0);
  // The file is left alone until the exit, which keeps a copy first.
  EXPECT_EQ(run.dir().read(kSendTxt), original);
  ASSERT_TRUE(run.close());
  EXPECT_EQ(run.dir().read(kSendTxt), "");
  EXPECT_EQ(run.dir().read(QStringLiteral("send.txt.bak")), original);

  // Later exits do not touch the copy.
  f = run.restart();
  f->send_add("n", "s", "b");
  ASSERT_TRUE(run.close());
  EXPECT_EQ(run.dir().read(QStringLiteral("send.txt.bak")), original);
  EXPECT_EQ(messages(run, kMalformed), 1);
}

TEST(HistoryRun, AMalformedFileKeepsTheEntriesBeforeTheBadLineWithoutTheLimit) {
  MainWindowRun run;
  set_limit(run, 1);
  const Bytes original = history_bytes(numbered(3)) + "~!,a,b\r\nx\r\n~!!\r\n" + history_bytes(numbered(2));
  run.dir().write(kSendTxt, original);
  TForm1* f = run.start();
  EXPECT_EQ(messages(run, kMalformed), 1);
  EXPECT_EQ(names_only(f->history->entries()), names_only(numbered(3)));

  // The limit applies again at the next send.
  f->send_add("new", "s", "b");
  ASSERT_EQ(f->history->count(), 1);
  EXPECT_EQ(f->history->at(0).name, "new");
  ASSERT_TRUE(run.close());
  EXPECT_EQ(parse_history(run.dir().read(kSendTxt)).entries, f->history->entries());
  EXPECT_EQ(run.dir().read(QStringLiteral("send.txt.bak")), original);
}

TEST(HistoryRun, ABodyHoldingAWholeHistoryFileComesBackExactly) {
  MainWindowRun run;
  TForm1* f = run.start();
  List inner = three();
  inner.push_back(entry("q\"uote", "~!!\r\n~!,\"x\",\"y\",\"z\"\r\n  ~!!\r\n\xFF=\r\n\r\n"));
  const Bytes whole = history_bytes(inner);
  f->send_add(sj(u"宛先"), sj(u"件名"), whole);
  f->send_add("a", "~!!", "~!!");
  f->send_add("b", "", "line\r\n~!!\r\n");
  const List sent = f->history->entries();
  ASSERT_TRUE(run.close());

  f = run.restart();
  EXPECT_TRUE(run.dialogs().shown.empty());
  EXPECT_EQ(f->history->entries(), sent);
  enter_view(f);
  click_row(f, 2);
  EXPECT_EQ(f->Memo4->toPlainText(), from_cp932_crlf(whole));
}

TEST(HistoryRun, AnyBytesInTheFileGiveEntriesOrTheMessage) {
  MainWindowRun run;
  set_limit(run, 999);
  TForm1* f = run.start();
  std::mt19937 rng(3);
  const std::string_view pieces[] = {"~!,", "~!!", "\"", ",", "\r\n", "\n", "\r", " ", "\xFF", "\xFFH", "\x81", "\x40"};
  std::vector<Bytes> files;
  for (int n = 0; n < 200; ++n) {
    Bytes bytes;
    for (unsigned k = rng() % 40; k > 0; --k) {
      if (rng() % 3)
        bytes += pieces[rng() % std::size(pieces)];
      else
        bytes += static_cast<char>(rng());
    }
    files.push_back(bytes);
  }
  const Bytes good = history_bytes(three()) + history_bytes({entry("x", "~!!\r\n")});
  for (std::size_t cut = 0; cut <= good.size(); cut += 3) files.push_back(good.substr(0, cut));

  for (const Bytes& bytes : files) {
    run.dialogs().shown.clear();
    run.dir().write(kSendTxt, bytes);
    f->send_read();
    // Read as the data-file policy hands it over (a lone CR is a line end).
    const LoadedFile loaded = load_data_file(run.dir().file(kSendTxt), kHistoryFile);
    const HistoryParse expected = parse_history(loaded.bytes);
    EXPECT_EQ(f->history->entries(), expected.entries);
    // Malformed, not CP932 text, or nothing of the format in it: the message.
    const bool told =
        expected.malformed || loaded.state == FileState::Foreign || (expected.entries.empty() && !bytes.empty());
    EXPECT_EQ(messages(run, kMalformed), told ? 1 : 0);
    EXPECT_EQ(run.dialogs().shown.size(), told ? 1u : 0u);
    // What was read is written so that it reads back the same.
    f->send_write();
    EXPECT_EQ(parse_history(run.dir().read(kSendTxt)).entries, expected.entries);
    // The view copes with whatever came in.
    enter_view(f);
    if (f->history->count() > 0) click_row(f, f->history->count() - 1);
  }
}

TEST(HistoryRun, AFailedWriteIsReportedAndTheWindowStaysOpen) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->send_add("n", "s", "b");
  // A folder in the way of send.txt makes the write fail.
  ASSERT_TRUE(QDir(run.dir().path()).mkpath(QStringLiteral("send.txt/x")));
  EXPECT_FALSE(run.close());
  ASSERT_FALSE(run.dialogs().shown.empty());
  const ShownDialog& d = run.dialogs().shown.back();
  EXPECT_EQ(d.kind, ShownDialog::Error);
  EXPECT_TRUE(d.text.contains(QStringLiteral("send.txt に書き込めません"))) << d.text.toStdString();

  ASSERT_TRUE(QDir(run.dir().file(kSendTxt)).removeRecursively());
  EXPECT_TRUE(run.close());
  EXPECT_EQ(parse_history(run.dir().read(kSendTxt)).entries, f->history->entries());
}

// ---- the history view

TEST(HistoryView, AnEmptyHistoryShowsNothing) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->Label8->setText(QStringLiteral("stale"));
  f->Memo4->setPlainText(QStringLiteral("stale"));
  enter_view(f);
  EXPECT_TRUE(f->Panel6->isVisible());
  EXPECT_EQ(run.panel(2), QStringLiteral("件数： 0"));
  EXPECT_EQ(details(f), kNoDetails);
  EXPECT_EQ(f->ListView3->selected_row(), -1);
  QTest::mouseClick(f->ListView3->viewport(), Qt::LeftButton, {}, QPoint(20, 40));
  QTest::mouseClick(f->Button2, Qt::LeftButton);
  EXPECT_TRUE(run.dialogs().shown.empty());
  EXPECT_EQ(f->history->count(), 0);
}

TEST(HistoryView, EnteringShowsTheNewestAndMouseAndKeysShowOthers) {
  MainWindowRun run;
  const List list = three();
  run.dir().write(kSendTxt, history_bytes(list));
  TForm1* f = run.start();
  EXPECT_EQ(f->ListView3->selected_row(), -1);
  enter_view(f);
  EXPECT_EQ(run.panel(2), QStringLiteral("件数： 3"));
  EXPECT_EQ(f->ListView3->selected_row(), 0);
  EXPECT_EQ(f->ListView3->currentIndex().row(), 0);
  EXPECT_TRUE(f->ListView3->hasFocus());
  EXPECT_EQ(details(f), details_of(list[0]));
  EXPECT_EQ(f->Memo4->toPlainText(), QStringLiteral("こんにちは\n\n二行目"));

  click_row(f, 2);
  EXPECT_EQ(details(f), details_of(list[2]));
  QTest::keyClick(f->ListView3, Qt::Key_Up);
  EXPECT_EQ(f->ListView3->selected_row(), 1);
  EXPECT_EQ(details(f), details_of(list[1]));

  // A double-click only shows the entry.
  QTest::mouseDClick(f->ListView3->viewport(), Qt::LeftButton, {}, row_centre(f, 0));
  EXPECT_EQ(f->ListView3->selected_row(), 0);
  EXPECT_EQ(details(f), details_of(list[0]));
  EXPECT_TRUE(f->Panel6->isVisible());
  EXPECT_TRUE(f->ToolButton6->isChecked());
  EXPECT_TRUE(f->To_name->text().isEmpty());
  EXPECT_TRUE(f->subject->text().isEmpty());
  EXPECT_TRUE(f->Memo1->toPlainText().isEmpty());
  EXPECT_EQ(f->history->entries(), list);
  EXPECT_TRUE(run.dialogs().shown.empty());

  // Any button below the rows leaves the entry selected last selected.
  click_row(f, 1);
  const QPoint below(20, row_centre(f, 2).y() + 40);
  ASSERT_FALSE(f->ListView3->indexAt(below).isValid());
  for (Qt::MouseButton b : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    QTest::mouseClick(f->ListView3->viewport(), b, {}, below);
    EXPECT_EQ(f->ListView3->selected_row(), 1) << b;
    EXPECT_EQ(details(f), details_of(list[1]));
  }
  QTest::mouseDClick(f->ListView3->viewport(), Qt::LeftButton, {}, below);
  EXPECT_EQ(f->ListView3->selected_row(), 1);
  QTest::mouseClick(f->ListView3->viewport(), Qt::RightButton, {}, row_centre(f, 2));
  QTest::mouseClick(f->ListView3->viewport(), Qt::RightButton, {}, row_centre(f, 0));
  EXPECT_EQ(details(f), details_of(list[0]));

  // Away and back: the selection and its details stay; a send made
  // meanwhile is selected and shown.
  QTest::mouseClick(f->ToolButton1, Qt::LeftButton);
  enter_view(f);
  EXPECT_EQ(f->ListView3->selected_row(), 0);
  EXPECT_EQ(details(f), details_of(list[0]));
  QTest::mouseClick(f->ToolButton1, Qt::LeftButton);
  f->send_add(sj(u"新"), "", sj(u"本文"));
  enter_view(f);
  EXPECT_EQ(run.panel(2), QStringLiteral("件数： 4"));
  EXPECT_EQ(f->ListView3->selected_row(), 0);
  EXPECT_EQ(details(f), details_of(f->history->at(0)));
  EXPECT_EQ(f->Label9->text(), QStringLiteral("無題"));
}

TEST(HistoryView, DeletingSelectsTheNeighbourAndTheLastLeavesNothing) {
  MainWindowRun run;
  const List list = three();
  run.dir().write(kSendTxt, history_bytes(list));
  TForm1* f = run.start();
  ASSERT_TRUE(f->delete_check->isChecked());
  enter_view(f);

  // The last of three: the new last is selected.
  click_row(f, 2);
  QTest::mouseClick(f->Button2, Qt::LeftButton);
  ASSERT_EQ(run.dialogs().shown.size(), 1u);
  EXPECT_EQ(run.dialogs().shown[0].kind, ShownDialog::Confirm);
  EXPECT_EQ(run.dialogs().shown[0].text,
            QStringLiteral("佐藤( 26/12/06(日) 07:30:59 ) さんを削除してよろしいですか？"));
  EXPECT_EQ(f->history->entries(), (List{list[0], list[1]}));
  EXPECT_EQ(f->ListView3->selected_row(), 1);
  EXPECT_EQ(f->ListView3->currentIndex().row(), 1);
  EXPECT_TRUE(f->ListView3->hasFocus());
  EXPECT_EQ(details(f), details_of(list[1]));
  EXPECT_EQ(run.panel(2), QStringLiteral("件数： 2"));

  // The first: the entry that moved into its place is selected.
  click_row(f, 0);
  QTest::mouseClick(f->Button2, Qt::LeftButton);
  EXPECT_EQ(f->history->entries(), (List{list[1]}));
  EXPECT_EQ(f->ListView3->selected_row(), 0);
  EXPECT_EQ(details(f), details_of(list[1]));
  EXPECT_EQ(run.panel(2), QStringLiteral("件数： 1"));

  // The only one.
  QTest::mouseClick(f->Button2, Qt::LeftButton);
  EXPECT_EQ(f->history->count(), 0);
  EXPECT_EQ(f->ListView3->selected_row(), -1);
  EXPECT_EQ(details(f), kNoDetails);
  EXPECT_EQ(run.panel(2), QStringLiteral("件数： 0"));
  EXPECT_EQ(run.dialogs().shown.size(), 3u);

  // Deletions reach the file at the exit only.
  EXPECT_EQ(run.dir().read(kSendTxt), history_bytes(list));
  ASSERT_TRUE(run.close());
  EXPECT_EQ(run.dir().read(kSendTxt), "");
}

TEST(HistoryView, NoChangesNothingAndAnUntickedBoxAsksNothing) {
  MainWindowRun run;
  const List list = three();
  run.dir().write(kSendTxt, history_bytes(list));
  TForm1* f = run.start();
  enter_view(f);
  click_row(f, 1);
  run.dialogs().answers = {false};
  QTest::mouseClick(f->Button2, Qt::LeftButton);
  EXPECT_EQ(run.dialogs().shown.size(), 1u);
  EXPECT_EQ(f->history->entries(), list);
  EXPECT_EQ(f->ListView3->selected_row(), 1);
  EXPECT_EQ(details(f), details_of(list[1]));
  EXPECT_EQ(run.panel(2), QStringLiteral("件数： 3"));

  f->delete_check->setChecked(false);
  run.dialogs().default_answer = false;
  QTest::mouseClick(f->Button2, Qt::LeftButton);
  EXPECT_EQ(run.dialogs().shown.size(), 1u);
  EXPECT_EQ(f->history->entries(), (List{list[0], list[2]}));
  EXPECT_EQ(details(f), details_of(list[2]));
}

// ---- the splitter under the list

TEST(HistorySplit, TheListHeightIsRestoredWithinItsBoundsAndKept) {
  struct Case {
    const char* stored;  // nullptr: no settings file
    int height;
  };
  for (const Case c :
       {Case{nullptr, 120}, Case{"80", 80}, Case{"5", 35}, Case{"-40", 35}, Case{"1000", 227}, Case{"227", 227}}) {
    MainWindowRun run;
    if (c.stored) run.dir().write(QStringLiteral("zarvel.ini"), std::string("[Window]\r\nsplit=") + c.stored + "\r\n");
    TForm1* f = run.start();
    enter_view(f);
    EXPECT_EQ(f->ListView3->height(), c.height) << (c.stored ? c.stored : "none");
    EXPECT_EQ(f->history_split, c.height);
    ASSERT_TRUE(run.close());
    EXPECT_NE(run.dir().read(QStringLiteral("zarvel.ini")).find("split=" + std::to_string(c.height) + "\r\n"),
              std::string::npos);
  }
}

TEST(HistorySplit, DraggingTheSplitterChangesTheListAndIsStored) {
  MainWindowRun run;
  TForm1* f = run.start();
  enter_view(f);
  QSplitterHandle* handle = f->Splitter3->handle(1);
  ASSERT_TRUE(handle->isVisible());
  const QPoint grip = handle->rect().center();
  QTest::mousePress(handle, Qt::LeftButton, {}, grip);
  QTest::mouseMove(handle, grip + QPoint(0, 40));
  QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(0, 40));
  EXPECT_EQ(f->ListView3->height(), 160);
  EXPECT_EQ(f->history_split, 160);

  // Dragged far beyond either end, the list stops at its bounds.
  QTest::mousePress(handle, Qt::LeftButton, {}, grip);
  QTest::mouseMove(handle, grip + QPoint(0, 500));
  QTest::mouseRelease(handle, Qt::LeftButton, {}, grip + QPoint(0, 500));
  EXPECT_EQ(f->ListView3->height(), 227);
  EXPECT_EQ(f->history_split, 227);
  QTest::mousePress(handle, Qt::LeftButton, {}, grip);
  QTest::mouseMove(handle, grip - QPoint(0, 500));
  QTest::mouseRelease(handle, Qt::LeftButton, {}, grip - QPoint(0, 500));
  EXPECT_EQ(f->ListView3->height(), 35);
  EXPECT_EQ(f->history_split, 35);

  ASSERT_TRUE(run.close());
  f = run.restart();
  enter_view(f);
  EXPECT_EQ(f->ListView3->height(), 35);
}
