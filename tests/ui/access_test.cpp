// The windows as a screen reader and a keyboard user meet them: every
// control named, every caption's access key reaching its field, the send's
// progress announced, and the roads of the program walked with keys alone.
#include <gtest/gtest.h>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <array>
#include <cstring>
#include <map>
#include <mutex>

#include "addressbook/form_seting_diarog.h"
#include "addressbook/recipient_model.h"
#include "compose/form_kaomoji.h"
#include "history/history_model.h"
#include "mail/form_mailsend.h"
#include "mail/form_smtpdlg.h"
#include "mail/send_window_support.h"
#include "mail/transport.h"
#include "platform/dialogs.h"
#include "support/recording_shell.h"
#include "ui/accessibility.h"
#include "ui/form_about.h"
#include "ui/widget_edit.h"
#include "ui/widget_lightlabel.h"
#include "ui/widget_listview.h"

using namespace zarvel;
using namespace zarvel::test;

namespace {

// ---- the accessibility layer, switched on as a screen reader would

struct Heard {
  QAccessible::Event type;
  QObject* object;
  QString name;  // the object's spoken name when the event came
};

std::vector<Heard>& heard() {
  static std::vector<Heard> h;
  return h;
}

void record(QAccessibleEvent* e) {
  QString name;
  if (QAccessibleInterface* i = e->accessibleInterface()) name = i->text(QAccessible::Name);
  heard().push_back({e->type(), e->object(), name});
}

// The offscreen platform has no screen-reader bridge: its accessibility
// layer is switched on by hand, and events come to the recorder.
void switch_on_accessibility() {
  static const bool on = [] {
    QAccessible::installUpdateHandler(record);
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    return true;
  }();
  Q_UNUSED(on);
  heard().clear();
}

// What the names announced for `object` were, in order.
QStringList names_heard(const QObject* object) {
  QStringList names;
  for (const Heard& h : heard())
    if (h.object == object && h.type == QAccessible::NameChanged) names << h.name;
  return names;
}

QString name_of(QObject* o) { return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name); }

// ---- walking the tree

std::string describe(QAccessibleInterface* i) {
  QObject* o = i->object();
  std::string s = o ? std::string(o->metaObject()->className()) + " '" + o->objectName().toStdString() + "'"
                    : std::string("(item)");
  return s + " role " + std::to_string(static_cast<int>(i->role()));
}

bool acts(QAccessibleInterface* i) {
  if (i->state().disabled) return false;
  if (QAccessibleActionInterface* a = i->actionInterface()) {
    for (const QString& n : a->actionNames())
      if (n != QAccessibleActionInterface::setFocusAction()) return true;
  }
  if (i->editableTextInterface() && !i->state().readOnly) return true;
  // Focusable lists, fields and buttons act through the keyboard.
  switch (i->role()) {
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::EditableText:
    case QAccessible::SpinBox:
      return i->state().focusable;
    default:
      return false;
  }
}

// Every shown, enabled control that acts is named, all the way down; the
// rows of a list are named by their own cells.
void expect_named(QAccessibleInterface* i, const std::string& where, int depth = 0) {
  if (!i || depth > 12) return;
  if (i->state().invisible) return;
  if (acts(i)) {
    EXPECT_FALSE(i->text(QAccessible::Name).trimmed().isEmpty()) << where << ": " << describe(i);
  }
  // Cells of a list are its data, not controls.
  if (i->role() == QAccessible::Table || i->role() == QAccessible::List || i->role() == QAccessible::Tree) return;
  for (int c = 0; c < i->childCount(); ++c) expect_named(i->child(c), where, depth + 1);
}

void expect_window_named(QWidget* window, const std::string& where) {
  QApplication::processEvents();
  expect_named(QAccessible::queryAccessibleInterface(window), where);
}

const Bytes kBook = sj(u"山田太郎,taro@example.jp\r\n佐藤花子,hanako@example.jp\r\n鈴木一郎,ichiro@example.com\r\n");
const Bytes kHistory =
    sj(u"~!,\"山田太郎\",\"会議の件\",\"26/12/06(日) 07:30:45\"\r\n明日の会議は10時からです。\r\n~!!\r\n"
       u"~!,\"佐藤花子\",\"Re: ランチ\",\"26/12/07(月) 12:01:09\"\r\n了解です！\r\n~!!\r\n"
       u"~!,\"鈴木一郎\",\"資料\",\"26/12/08(火) 09:15:00\"\r\n添付なしです。\r\n~!!\r\n");

// ---- the keyboard

QWidget* keyboard_target() {
  if (QWidget* w = QApplication::focusWidget()) return w;
  return QApplication::activeWindow();
}

// A key as the user presses it: to whatever has the focus.
void press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QWidget* target = keyboard_target();
  ASSERT_NE(target, nullptr);
  QTest::keyClick(target, key, mods);
  QApplication::processEvents();
}

// Typed text, one character a key (kana and kanji come as the text of a
// key, as an input method commits them).
void type(const QString& text) {
  QWidget* target = keyboard_target();
  ASSERT_NE(target, nullptr);
  for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// A button pressed by its key clicks a moment later, as it shows itself
// pressed first.
template <class Done>
bool wait_for(Done done, int ms = 3000) {
  return QTest::qWaitFor(done, ms);
}

// Runs `act` once `window` shows (a modal one is shown by the key that is
// pressed next, and returns only when closed).
QTimer* when_shown(QWidget* window, std::function<void()> act) {
  auto* t = new QTimer(window);
  QObject::connect(t, &QTimer::timeout, window, [t, window, act] {
    if (!window->isVisible()) return;
    t->stop();
    QApplication::setActiveWindow(window);
    act();
  });
  t->start(10);
  return t;
}

// The caption's key in "SMTPサーバー(&S)": S.
Qt::Key access_key(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != QLatin1Char('&')) continue;
    if (caption[i + 1] == QLatin1Char('&')) {
      ++i;
      continue;
    }
    return static_cast<Qt::Key>(caption[i + 1].toUpper().unicode());
  }
  return Qt::Key_unknown;
}

// Every shown caption with an access key: Alt and its letter put the focus
// into its field.
void expect_access_keys_reach_fields(QWidget* window, const std::string& where, int expected_at_least) {
  QApplication::setActiveWindow(window);
  QApplication::processEvents();
  int tried = 0;
  for (QLabel* label : window->findChildren<QLabel*>()) {
    if (!label->isVisible() || !label->buddy()) continue;
    const Qt::Key key = access_key(label->text());
    if (key == Qt::Key_unknown) continue;
    ++tried;
    window->setFocus();
    press(key, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), label->buddy())
        << where << ": " << label->text().toStdString() << " did not reach its field";
  }
  EXPECT_GE(tried, expected_at_least) << where;
}

// The access keys shown at one time in one window are all different: a
// key shared by two controls reaches neither at the first press.
void expect_access_keys_unique(QWidget* window, const std::string& where) {
  QApplication::processEvents();
  std::map<int, QString> seen;
  auto add = [&](const QString& caption) {
    const Qt::Key key = access_key(caption);
    if (key == Qt::Key_unknown) return;
    auto [it, fresh] = seen.emplace(key, caption);
    EXPECT_TRUE(fresh) << where << ": " << caption.toStdString() << " and " << it->second.toStdString();
  };
  for (QLabel* l : window->findChildren<QLabel*>())
    if (l->isVisible() && l->buddy()) add(l->text());
  for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
    if (b->isVisible()) add(b->text());
  for (QTabBar* t : window->findChildren<QTabBar*>())
    if (t->isVisible())
      for (int i = 0; i < t->count(); ++i) add(t->tabText(i));
}

// A transport that takes or refuses every message and keeps what it got.
class KeptTransport final : public Transport {
 public:
  KeptTransport() { set_transport(this); }
  ~KeptTransport() override { set_transport(nullptr); }
  int send_mail(const char*, const char* recipient, const char*, const char* subject, const char* body, const char*,
                char* error) override {
    std::lock_guard lock(mutex);
    sent.push_back({recipient, subject, body});
    if (ok) return 1;
    std::strncpy(error, "550 rejected", kTransportErrorSize - 1);
    return 0;
  }
  int pop3(const char*, const char*, const char*, const char*, const char*, void*, char*) override { return 1; }
  void free_array(void*) override {}
  std::mutex mutex;
  std::vector<std::array<Bytes, 3>> sent;
  bool ok = true;
};

class Access : public ::testing::Test {
 protected:
  void SetUp() override { switch_on_accessibility(); }
  TForm1* start(bool with_data = true) {
    if (with_data) {
      run.dir().write(QStringLiteral("zarvel.csv"), kBook);
      run.dir().write(QStringLiteral("send.txt"), kHistory);
    }
    return f = run.start();
  }
  MainWindowRun run;
  TForm1* f = nullptr;
};

}  // namespace

TEST(CaptionName, DropsTheAccessKeyMarkerAndThePadding) {
  EXPECT_EQ(caption_name(QStringLiteral("SMTPサーバー(&S)")), QStringLiteral("SMTPサーバー"));
  EXPECT_EQ(caption_name(QStringLiteral("アカウント(&I)  ")), QStringLiteral("アカウント"));
  EXPECT_EQ(caption_name(QStringLiteral("送信(&S)　")), QStringLiteral("送信"));
  EXPECT_EQ(caption_name(QStringLiteral("　ﾒｰﾙ　")), QStringLiteral("ﾒｰﾙ"));
  EXPECT_EQ(caption_name(QStringLiteral("(^o^)v(&E)")), QStringLiteral("(^o^)v"));
  EXPECT_EQ(caption_name(QStringLiteral("&File")), QStringLiteral("File"));
  EXPECT_EQ(caption_name(QStringLiteral("A && B")), QStringLiteral("A & B"));
  EXPECT_EQ(caption_name(QStringLiteral("E-mail")), QStringLiteral("E-mail"));
  // Full-width brackets, either side, and a key outside the basic plane.
  EXPECT_EQ(caption_name(QStringLiteral("送信（&S）")), QStringLiteral("送信"));
  EXPECT_EQ(caption_name(QStringLiteral("送信(&S）閉")), QStringLiteral("送信閉"));
  EXPECT_EQ(caption_name(QStringLiteral("絵(&\U0001F600)")), QStringLiteral("絵"));
  // Not a bracketed key: only the marker goes.
  EXPECT_EQ(caption_name(QStringLiteral("(&&)")), QStringLiteral("(&)"));
  EXPECT_EQ(caption_name(QStringLiteral("開く(&O")), QStringLiteral("開く(O"));
  EXPECT_EQ(caption_name(QStringLiteral("(&")), QStringLiteral("("));
  EXPECT_EQ(caption_name(QStringLiteral("(&AB)")), QStringLiteral("(AB)"));
}

TEST_F(Access, EveryControlOfEveryWindowAndViewIsNamed) {
  start();
  expect_window_named(f, "compose view");
  QTest::mouseClick(f->ToolButton6, Qt::LeftButton);
  expect_window_named(f, "history view");
  QTest::mouseClick(f->ToolButton2, Qt::LeftButton);
  expect_window_named(f, "address-book view");
  QTest::mouseClick(f->ToolButton3, Qt::LeftButton);
  f->pop_check->setChecked(true);
  for (int page = 0; page < 3; ++page) {
    f->PageControl1->setCurrentIndex(page);
    expect_window_named(f, "settings page " + std::to_string(page));
  }
  QTest::mouseClick(f->ToolButton1, Qt::LeftButton);

  AppWindows& w = run.windows();
  w.SmtpDlg->show();
  expect_window_named(w.SmtpDlg, "SMTP dialog");
  w.SmtpDlg->hide();
  w.seting_diarog->show();
  expect_window_named(w.seting_diarog, "recipient dialog");
  w.seting_diarog->hide();
  w.AboutBox->show();
  expect_window_named(w.AboutBox, "About box");
  w.AboutBox->hide();
  w.kaomoji->show();
  expect_window_named(w.kaomoji, "palette, paste mode");
  w.kaomoji->ToolButton6Click();
  expect_window_named(w.kaomoji, "palette, edit mode");
  w.kaomoji->ToolButton5Click();
  w.kaomoji->hide();
}

TEST_F(Access, FieldsAreNamedByTheirCaptionsAndButtonsByWhatTheyShow) {
  start();
  const AppWindows& w = run.windows();
  const std::vector<std::pair<QObject*, QString>> expected = {
      // compose view
      {f->To_name, QStringLiteral("宛先")},
      {f->To_address, QStringLiteral("E-mail")},
      {f->subject, QStringLiteral("件名")},
      {f->cmdSend, QStringLiteral("送信")},
      {f->cmdClear, QStringLiteral("クリア")},
      {f->BitBtn2, QStringLiteral("前回終了時の件名・本文を開く")},  // its picture's hint
      {f->BitBtn1, QStringLiteral("(^o^)v")},
      {f->ListView1, QStringLiteral("宛先 アドレス")},
      // tool bar
      {f->ToolButton1, QStringLiteral("ﾒｰﾙ")},
      {f->ToolButton6, QStringLiteral("履歴")},
      {f->ToolButton2, QStringLiteral("宛先")},
      {f->ToolButton3, QStringLiteral("設定")},
      {f->ToolButton4, QStringLiteral("ﾍﾙﾌﾟ")},
      // history and address-book views
      {f->ListView3, QStringLiteral("宛先 件名 送信日時")},
      {f->ListView2, QStringLiteral("宛先 アドレス")},
      {f->edit_tuika, QStringLiteral("追加")},
      // settings view
      {f->smtp_server, QStringLiteral("SMTPサーバー")},
      {f->smtp_port, QStringLiteral("ポート")},
      {f->mailaddress, QStringLiteral("メールアドレス")},
      {f->pop_server, QStringLiteral("POP3サーバー")},
      {f->pop_port, QStringLiteral("ポート")},
      {f->pop_Account, QStringLiteral("アカウント")},
      {f->pop_password, QStringLiteral("パスワード")},
      {f->smtp_check, QStringLiteral("SMTP認証")},
      {f->rirekisu, QStringLiteral("送信履歴の保存数")},
      {f->Memo3, QStringLiteral("署名１")},
      {f->Memo5, QStringLiteral("署名２")},
      // dialogs
      {w.seting_diarog->edit_mail, QStringLiteral("宛先")},
      {w.seting_diarog->edit_address, QStringLiteral("メールアドレス")},
      {w.seting_diarog->Button1, QStringLiteral("OK")},
      {w.SmtpDlg->smtp_id, QStringLiteral("アカウント")},
      {w.SmtpDlg->smtp_password, QStringLiteral("パスワード")},
      {w.SmtpDlg->smtp_sw, QStringLiteral("POP3のアカウントを使用する")},
  };
  for (const auto& [object, name] : expected) EXPECT_EQ(name_of(object), name) << name.toStdString();

  // The windows are windows with their titles, the views named.
  EXPECT_EQ(QAccessible::queryAccessibleInterface(f)->role(), QAccessible::Window);
  EXPECT_EQ(name_of(f), QStringLiteral("zarvel"));
  EXPECT_EQ(QAccessible::queryAccessibleInterface(w.kaomoji)->role(), QAccessible::Window);
  EXPECT_EQ(name_of(f->Panel2), QStringLiteral("各種設定"));
  // The hints are the descriptions.
  EXPECT_EQ(QAccessible::queryAccessibleInterface(f->cmdSend)->text(QAccessible::Description),
            QStringLiteral("メールを送信します。"));
  // The view buttons are toggle buttons, not check boxes; the pressed one
  // says so.
  QAccessibleInterface* compose = QAccessible::queryAccessibleInterface(f->ToolButton1);
  EXPECT_EQ(compose->role(), QAccessible::Button);
  EXPECT_TRUE(compose->state().checkable);
  EXPECT_TRUE(compose->state().checked);
  EXPECT_FALSE(QAccessible::queryAccessibleInterface(f->ToolButton6)->state().checked);
  // Pressing it through the accessibility layer is pressing it.
  QAccessible::queryAccessibleInterface(f->ToolButton3)
      ->actionInterface()
      ->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(f->Panel2->isVisible());
  EXPECT_EQ(QAccessible::queryAccessibleInterface(f->ToolButton3)
                ->actionInterface()
                ->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
            QStringList{QKeySequence(Qt::CTRL | Qt::Key_4).toString(QKeySequence::NativeText)});
  // The tabs of the settings view by their words.
  QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(f->PageControl1->tabBar());
  QStringList tab_names;
  for (int i = 0; i < tabs->childCount(); ++i)
    if (tabs->child(i)->role() == QAccessible::PageTab) tab_names << tabs->child(i)->text(QAccessible::Name);
  EXPECT_EQ(tab_names, (QStringList{QStringLiteral("ｻｰﾊﾞｰ設定"), QStringLiteral("ｵﾌﾟｼｮﾝ"), QStringLiteral("署名")}));
}

TEST_F(Access, EveryCaptionsAccessKeyPutsTheFocusIntoItsField) {
  start();
  const AppWindows& w = run.windows();
  QTest::mouseClick(f->ToolButton3, Qt::LeftButton);
  f->pop_check->setChecked(true);  // the POP3 fields take input
  f->PageControl1->setCurrentIndex(0);
  expect_access_keys_reach_fields(f, "server page", 7);
  f->PageControl1->setCurrentIndex(2);
  f->signature->setChecked(true);  // the editors take input
  expect_access_keys_reach_fields(f, "signature page", 2);

  w.SmtpDlg->show();
  expect_access_keys_reach_fields(w.SmtpDlg, "SMTP dialog", 2);
  w.SmtpDlg->hide();
  w.seting_diarog->show();
  expect_access_keys_reach_fields(w.seting_diarog, "recipient dialog", 2);
  w.seting_diarog->hide();
}

TEST_F(Access, AccessKeysShownTogetherAreDistinct) {
  start();
  const AppWindows& w = run.windows();
  expect_access_keys_unique(f, "compose view");
  for (QToolButton* b : {f->ToolButton6, f->ToolButton2}) {
    QTest::mouseClick(b, Qt::LeftButton);
    expect_access_keys_unique(f, b->text().toStdString());
  }
  QTest::mouseClick(f->ToolButton3, Qt::LeftButton);
  for (int page = 0; page < 3; ++page) {
    f->PageControl1->setCurrentIndex(page);
    expect_access_keys_unique(f, "settings page " + std::to_string(page));
  }
  w.SmtpDlg->show();
  expect_access_keys_unique(w.SmtpDlg, "SMTP dialog");
  w.SmtpDlg->hide();
  w.seting_diarog->show();
  expect_access_keys_unique(w.seting_diarog, "recipient dialog");
  w.seting_diarog->hide();
}

// The whole road by keys alone: the recipient from the address-book view,
// subject and body, the send button's access key, and the outcome read
// from the status bar as a screen reader reads it.
TEST(AccessSend, TheSendRoadByKeyboardAloneIsAnnounced) {
  switch_on_accessibility();
  SendRun r;
  KeptTransport transport;
  r.run.dir().write(QStringLiteral("zarvel.csv"), kBook);
  TForm1* f = r.start("[Server]\r\nsmtp_server=127.0.0.1\r\nmail_address=me@example.jp\r\n");
  ASSERT_EQ(QApplication::focusWidget(), f->subject);

  press(Qt::Key_3, Qt::ControlModifier);  // the address-book view
  ASSERT_TRUE(wait_for([&] { return f->Panel3->isVisible(); }));
  EXPECT_EQ(QApplication::focusWidget(), f->ListView2);
  press(Qt::Key_Down);
  press(Qt::Key_Return);  // what a double-click does: pick, back to composing
  EXPECT_EQ(f->To_name->text(), QStringLiteral("佐藤花子"));
  EXPECT_EQ(f->To_address->text(), QStringLiteral("hanako@example.jp"));
  EXPECT_TRUE(f->Panel1->isVisible());
  ASSERT_EQ(QApplication::focusWidget(), f->subject);

  type(QStringLiteral("お知らせ"));
  press(Qt::Key_Return);  // on to the body
  ASSERT_EQ(QApplication::focusWidget(), f->Memo1);
  type(QStringLiteral("明日は休みです。"));
  heard().clear();
  press(Qt::Key_S, Qt::AltModifier);  // 送信(&S)
  ASSERT_TRUE(wait_for([&] { return f->history->count() == 1 && !r.progress->isVisible(); }));

  ASSERT_EQ(transport.sent.size(), 1u);
  EXPECT_EQ(transport.sent[0][0], "<hanako@example.jp>");
  EXPECT_EQ(transport.sent[0][1], sj(u"お知らせ"));
  EXPECT_EQ(transport.sent[0][2], sj(u"明日は休みです。"));
  // The outcome, where a screen reader finds it, and the focus back in the
  // field last left for another control of the window: the subject.
  EXPECT_EQ(name_of(f->StatusBar1), QStringLiteral("送信済 半角： 16"));
  EXPECT_EQ(QAccessible::queryAccessibleInterface(f->StatusBar1)->role(), QAccessible::StatusBar);
  QApplication::setActiveWindow(f);
  EXPECT_EQ(QApplication::focusWidget(), f->subject);

  // Every step was announced as it came.
  const QStringList label = names_heard(r.progress->Label1);
  EXPECT_TRUE(label.contains(QStringLiteral("SMTPサーバに送信中..."))) << label.join(u'|').toStdString();
  EXPECT_TRUE(label.contains(QStringLiteral("メールを送信しました。"))) << label.join(u'|').toStdString();
  EXPECT_TRUE(names_heard(r.progress->Edit1).contains(QStringLiteral("　 送信完了！")));
  const QStringList bar = names_heard(f->StatusBar1);
  EXPECT_TRUE(bar.contains(QStringLiteral("** SMTPサーバに送信中... ** 半角： 16"))) << bar.join(u'|').toStdString();
  EXPECT_TRUE(bar.contains(QStringLiteral("** 送信完了！ ** 半角： 16"))) << bar.join(u'|').toStdString();
  EXPECT_EQ(bar.last(), QStringLiteral("送信済 半角： 16"));
}

TEST(AccessSend, AFailedSendIsAnnouncedWhileItsBoxIsUp) {
  switch_on_accessibility();
  SendRun r;
  KeptTransport transport;
  transport.ok = false;
  TForm1* f = r.start("[Server]\r\nsmtp_server=127.0.0.1\r\n");
  r.compose(QStringLiteral("a"), QStringLiteral("a@example.jp"), QString(), QStringLiteral("x"));
  heard().clear();
  r.send();
  ASSERT_EQ(r.boxes.shown.size(), 1u);
  const QStringList bar = names_heard(f->StatusBar1);
  EXPECT_TRUE(bar.contains(QStringLiteral("送信に失敗しました。 半角： 1"))) << bar.join(u'|').toStdString();
}

TEST_F(Access, AnAddressBookEntryIsEditedByKeyboardAlone) {
  start();
  press(Qt::Key_3, Qt::ControlModifier);
  ASSERT_TRUE(wait_for([&] { return f->Panel3->isVisible(); }));
  press(Qt::Key_Down);
  ASSERT_EQ(f->ListView2->selected_row(), 1);

  Tseting_diarog* d = run.windows().seting_diarog;
  bool driven = false;
  when_shown(d, [&] {
    driven = true;
    ASSERT_EQ(QApplication::focusWidget(), d->edit_mail);
    press(Qt::Key_A, Qt::ControlModifier);
    type(QStringLiteral("佐藤花"));
    press(Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), d->edit_address);
    press(Qt::Key_A, Qt::ControlModifier);
    type(QStringLiteral("hana@example.jp"));
    press(Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), d->Button1);
    press(Qt::Key_Return);
  });
  press(Qt::Key_E, Qt::AltModifier);  // 修正(&E)
  ASSERT_TRUE(wait_for([&] { return driven && !d->isVisible(); }));
  if (d->isVisible()) d->done(0);
  QApplication::setActiveWindow(f);
  QApplication::processEvents();
  EXPECT_EQ(f->address_book->name(1), sj(u"佐藤花"));
  EXPECT_EQ(f->address_book->address(1), "hana@example.jp");
  EXPECT_EQ(f->picker->name(1), sj(u"佐藤花"));
  EXPECT_EQ(QApplication::focusWidget(), f->ListView2);
}

TEST_F(Access, AHistoryEntryIsReadAndDeletedByKeyboardAlone) {
  start();
  press(Qt::Key_2, Qt::ControlModifier);
  ASSERT_TRUE(wait_for([&] { return f->Panel6->isVisible(); }));
  ASSERT_EQ(QApplication::focusWidget(), f->ListView3);
  press(Qt::Key_Down);
  press(Qt::Key_Return);  // shows it, as a click does
  EXPECT_EQ(f->Label9->text(), QStringLiteral("Re: ランチ"));
  EXPECT_EQ(f->Memo4->toPlainText(), QStringLiteral("了解です！"));

  press(Qt::Key_D, Qt::AltModifier);  // 削除(&D), answered yes
  ASSERT_TRUE(wait_for([&] { return f->history->count() == 2; }));
  ASSERT_EQ(run.dialogs().shown.size(), 1u);
  EXPECT_EQ(run.dialogs().shown[0].kind, ShownDialog::Confirm);
  EXPECT_EQ(f->Label9->text(), QStringLiteral("会議の件"));  // the entry that moved up
  EXPECT_EQ(QApplication::focusWidget(), f->ListView3);
  EXPECT_EQ(run.panel(2), QStringLiteral("件数： 2"));
}

TEST_F(Access, TheToolBarWorksByKeys) {
  RecordingShell shell;
  start();
  press(Qt::Key_4, Qt::ControlModifier);
  EXPECT_TRUE(wait_for([&] { return f->Panel2->isVisible() && f->ToolButton3->isChecked(); }));
  // The focus went with the view: into the settings, not left in the
  // hidden subject, where typing would go unseen.
  ASSERT_NE(QApplication::focusWidget(), nullptr);
  EXPECT_TRUE(f->Panel2->isAncestorOf(QApplication::focusWidget()));
  type(QStringLiteral("x"));
  EXPECT_TRUE(f->subject->text().isEmpty());
  press(Qt::Key_2, Qt::ControlModifier);
  EXPECT_TRUE(wait_for([&] { return f->Panel6->isVisible() && !f->ToolButton3->isChecked(); }));
  press(Qt::Key_1, Qt::ControlModifier);
  EXPECT_TRUE(wait_for([&] { return f->Panel1->isVisible() && f->ToolButton1->isChecked(); }));
  press(Qt::Key_F1);
  EXPECT_TRUE(wait_for([&] { return shell.help_context == 1; }));

  // The About box: OK has the focus, the links come after it by Tab and
  // open by Enter or Space, Escape closes.
  TAboutBox* about = run.windows().AboutBox;
  bool driven = false;
  when_shown(about, [&] {
    driven = true;
    EXPECT_EQ(QApplication::focusWidget(), about->OKButton);
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), about->LightLabel1);
    press(Qt::Key_Return);
    press(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), about->LightLabel2);
    press(Qt::Key_Space);
    press(Qt::Key_Escape);
  });
  press(Qt::Key_F1, Qt::ControlModifier);
  ASSERT_TRUE(wait_for([&] { return driven && !about->isVisible(); }));
  EXPECT_EQ(shell.opened,
            (QStringList{QStringLiteral("mailto:") + about->LightLabel1->text(), about->LightLabel2->text()}));
  EXPECT_EQ(about->result(), QDialog::Rejected);
  EXPECT_TRUE(f->isVisible());  // Escape there closes only the box
}

// The palette: opened by its button's key, a row and a pictogram pasted
// by Enter into the body used last, its tool bar by keys.
TEST_F(Access, ThePaletteWorksByKeys) {
  start();
  type(QStringLiteral("件名"));
  press(Qt::Key_Return);
  type(QStringLiteral("本文"));
  Tkaomoji* k = run.windows().kaomoji;
  press(Qt::Key_E, Qt::AltModifier);  // (^o^)v(&E)
  ASSERT_TRUE(wait_for([&] { return k->isVisible(); }));
  QApplication::setActiveWindow(k);
  k->ListBox1->setFocus();
  press(Qt::Key_Down);
  press(Qt::Key_Return);
  const QString row = k->ListBox1->currentItem()->text();
  EXPECT_EQ(f->Memo1->toPlainText(), QStringLiteral("本文") + row);
  QApplication::setActiveWindow(k);
  k->ListBox2->setFocus();
  press(Qt::Key_Down);
  press(Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(f->Memo1->toPlainText().size(), 2 + row.size() + 1);  // and one pictogram
  EXPECT_EQ(f->subject->text(), QStringLiteral("件名"));

  // Away from the compose view the palette pastes nothing, and says so no
  // longer.
  EXPECT_EQ(QAccessible::queryAccessibleInterface(k->ListBox2)->text(QAccessible::Description),
            QStringLiteral("ダブルクリックで貼り付け"));
  f->ToolButton3Click();
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(k->ListBox2)->text(QAccessible::Description).isEmpty());
  f->ToolButton1Click();

  QApplication::setActiveWindow(k);
  press(Qt::Key_2, Qt::ControlModifier);  // edit mode
  EXPECT_TRUE(wait_for([&] { return k->Memo1->isVisible(); }));
  press(Qt::Key_1, Qt::ControlModifier);  // paste mode
  EXPECT_TRUE(wait_for([&] { return k->ListBox1->isVisible(); }));
  press(Qt::Key_W, Qt::ControlModifier);  // closes
  EXPECT_TRUE(wait_for([&] { return !k->isVisible(); }));
}

TEST(AccessMessageBox, TheWholeTextIsReadable) {
  prepare_application();
  set_dialogs(nullptr);  // the real boxes
  QString role_and_text;
  auto* look = new QTimer(qApp);
  QObject::connect(look, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    look->stop();
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(box);
    role_and_text = QString::number(i->role()) + QLatin1Char('|') + i->text(QAccessible::Name) + QLatin1Char('|') +
                    i->text(QAccessible::Value);
    box->done(0);
  });
  look->start(10);
  error_box(QStringLiteral("送信に失敗しました。\n550 rejected"));
  EXPECT_EQ(role_and_text,
            QString::number(QAccessible::AlertMessage) + QStringLiteral("|zarvel|送信に失敗しました。\n550 rejected"));
  delete look;
}
