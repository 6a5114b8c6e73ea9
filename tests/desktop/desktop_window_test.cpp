// The windows as desktops treat them: stored positions that lie off today's
// screens or that a platform made up, the maximize button that Wayland title
// bars offer on every window, the input method in the ASCII fields, and the
// small things a desktop user meets (the password echo, Tab, the mouse
// buttons on the preview, markup in message boxes).
//
// Wayland.* run under weston (with_weston.py), InputMethod.* under Xvfb with
// fcitx5 and Mozc (with_input_method.py); elsewhere they skip.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "addressbook/form_seting_diarog.h"
#include "compose/form_kaomoji.h"
#include "mail/form_mailsend.h"
#include "mail/form_smtpdlg.h"
#include "platform/dialogs.h"
#include "support/main_window.h"
#include "text/cp932.h"
#include "ui/form_about.h"

using namespace zarvel;
using zarvel::test::MainWindowRun;

namespace {

bool on_wayland() { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }

std::string ini_with_position(int left, int top) {
  return "[Window]\r\nleft=" + std::to_string(left) + "\r\ntop=" + std::to_string(top) + "\r\n";
}

// Within a pixel of the middle of the screen's available area.
::testing::AssertionResult centred(const QWidget* w) {
  const QPoint c = QGuiApplication::primaryScreen()->availableGeometry().center();
  const QPoint mid(w->x() + w->width() / 2, w->y() + w->height() / 2);
  if (std::abs(mid.x() - c.x()) <= 1 && std::abs(mid.y() - c.y()) <= 1) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "window at " << w->x() << "," << w->y() << " is not centred";
}

// A server on 127.0.0.1 that takes connections and never says a word; its
// closing resets them.
class SilentServer {
 public:
  SilentServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(fd_, 4) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
      throw std::runtime_error("no local port");
    port_ = ntohs(a.sin_port);
  }
  ~SilentServer() { close(); }
  int port() const { return port_; }
  void close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// Lets events through until `ready` holds or `ms` have passed.
template <typename F>
bool wait_for(F ready, int ms = 5000) {
  QElapsedTimer t;
  t.start();
  while (!ready()) {
    if (t.elapsed() > ms) return false;
    QTest::qWait(20);
  }
  return true;
}

// What a press of the maximize button in Qt's own Wayland title bar does.
void press_maximize_button(QWidget* w) {
  QWindow* handle = w->windowHandle();
  handle->setWindowStates(handle->windowStates() ^ Qt::WindowMaximized);
}

}  // namespace

// ---- positions (any platform that reports them)

TEST(StoredPositions, OnlyAPositionWhereTheWholeWindowIsOnAScreenIsUsed) {
  if (on_wayland()) GTEST_SKIP() << "Wayland places windows itself";
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  struct Case {
    QPoint stored;
    bool used;
  } cases[] = {
      {{100, 120}, true},
      {{area.right() - 279, area.bottom() - 358}, true},   // the last place that still shows it all
      {{-3, -30}, false},                                  // what a Wayland session leaves
      {{area.right() - 278, 100}, false},                  // one pixel past the right edge
      {{100, area.bottom() - 300}, false},                 // the status bar below the screen
      {{area.right() + 500, area.bottom() + 500}, false},  // a screen that is gone
  };
  for (const Case& c : cases) {
    MainWindowRun run;
    run.dir().write(QStringLiteral("zarvel.ini"), ini_with_position(c.stored.x(), c.stored.y()));
    TForm1* f = run.start();
    if (c.used)
      EXPECT_EQ(f->pos(), c.stored);
    else
      EXPECT_TRUE(centred(f)) << "stored " << c.stored.x() << "," << c.stored.y();
  }
}

TEST(StoredPositions, ThePaletteLikewise) {
  if (on_wayland()) GTEST_SKIP() << "Wayland places windows itself";
  for (const QPoint stored : {QPoint(-3, -30), QPoint(4000, 50)}) {
    MainWindowRun run;
    run.dir().write(QStringLiteral("zarvel.ini"), "[Window]\r\neleft=" + std::to_string(stored.x()) +
                                                      "\r\netop=" + std::to_string(stored.y()) + "\r\n");
    run.dir().write(QStringLiteral("kaomoji.txt"), "a\r\n");
    run.start();
    EXPECT_TRUE(centred(run.windows().kaomoji));
  }
}

// ---- what a desktop user meets in the main window and its boxes

TEST(Desktop, PasswordsAreEchoedAsStars) {
  MainWindowRun run;
  TForm1* f = run.start();
  f->pop_password->setText(QStringLiteral("pa●ss"));
  EXPECT_EQ(f->pop_password->displayText(), QStringLiteral("*****"));
  TSmtpDlg* d = run.windows().SmtpDlg;
  d->smtp_password->setText(QStringLiteral("秘密"));
  EXPECT_EQ(d->smtp_password->displayText(), QStringLiteral("**"));
  // The other fields show what they hold.
  f->smtp_server->setText(QStringLiteral("smtp.example.jp"));
  EXPECT_EQ(f->smtp_server->displayText(), QStringLiteral("smtp.example.jp"));
}

TEST(Desktop, TabGoesFromTheSubjectThroughTheBodyToSend) {
  MainWindowRun run;
  run.dir().write(QStringLiteral("zarvel.csv"), "a,a@example.jp\r\n");
  TForm1* f = run.start();
  f->To_address->setText(QStringLiteral("a@example.jp"));
  QTest::keyClicks(f->subject, QStringLiteral("s"));
  QTest::keyClick(f->subject, Qt::Key_Tab);
  ASSERT_TRUE(f->Memo1->hasFocus());
  QTest::keyClicks(f->Memo1, QStringLiteral("b"));
  QTest::keyClick(f->Memo1, Qt::Key_Tab);
  EXPECT_EQ(f->Memo1->toPlainText(), QStringLiteral("b"));  // no tab character in the body
  EXPECT_TRUE(f->cmdSend->hasFocus());
}

TEST(Desktop, AnyMouseButtonOnThePreviewReturnsTheCaret) {
  for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
    MainWindowRun run;
    TForm1* f = run.start();
    QTest::mouseClick(f->Memo1->viewport(), Qt::LeftButton);
    QTest::keyClicks(f->Memo1, QStringLiteral("abc"));
    QTest::mouseClick(f->Memo2->viewport(), button);
    EXPECT_TRUE(f->Memo1->hasFocus()) << "button " << button;
    EXPECT_EQ(f->Memo1->textCursor().position(), 3);
  }
}

TEST(Desktop, MessageBoxesShowMarkupAsTyped) {
  // The real boxes: each is read while it is open, then answered.
  const QString name = QStringLiteral("<b>Boss</b> さんを削除してよろしいですか？");
  QSize literal;
  QSize box_label;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
      if (label) {
        box_label = label->sizeHint();
        QLabel plain;
        plain.setFont(label->font());
        plain.setWordWrap(label->wordWrap());
        plain.setTextFormat(Qt::PlainText);
        plain.setText(name);
        literal = plain.sizeHint();
      }
      box->done(0);
    }
  });
  dialogs().confirm(name, nullptr);
  // Rendered as markup the tags would vanish and the text come out narrower.
  ASSERT_TRUE(literal.isValid());
  EXPECT_EQ(box_label, literal);
}

// ---- Wayland

TEST(Wayland, NoMaximizeButtonEndsTheProgramAndEscapeSaves) {
  if (!on_wayland()) GTEST_SKIP() << "needs a Wayland compositor (tests/desktop/with_weston.py)";
  MainWindowRun run;
  run.dir().write(QStringLiteral("zarvel.ini"), ini_with_position(100, 120));
  run.dir().write(QStringLiteral("zarvel.csv"), to_cp932(QStringLiteral("太郎,taro@example.jp\r\n")));
  run.dir().write(QStringLiteral("kaomoji.txt"), "a\r\n");
  TForm1* f = run.start();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f));

  // Twice each: the second press must find the window as the first left it.
  auto maximize_twice = [](QWidget* w, bool fixed) {
    const QSize size = w->size();
    for (int press = 0; press < 2; ++press) {
      press_maximize_button(w);
      if (fixed) {
        EXPECT_TRUE(wait_for([&] {
          return !(w->windowState() & Qt::WindowMaximized) && w->size() == size && w->maximumSize() == size &&
                 !(w->windowHandle()->windowStates() & Qt::WindowMaximized);
        })) << "press "
            << press << ": " << w->width() << "x" << w->height();
      } else {
        EXPECT_TRUE(wait_for([&] { return w->size() != size || press == 1; }));
      }
      QTest::qWait(200);
    }
  };
  auto check_shown = [&](QWidget* w, bool fixed) {
    SCOPED_TRACE(w->windowTitle().toStdString());
    w->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    maximize_twice(w, fixed);
    EXPECT_TRUE(w->isVisible());
  };

  check_shown(f, true);
  check_shown(run.windows().AboutBox, true);
  run.windows().AboutBox->hide();
  run.windows().seting_diarog->setWindowTitle(QStringLiteral("宛先の追加"));
  check_shown(run.windows().seting_diarog, true);
  run.windows().seting_diarog->hide();
  check_shown(run.windows().SmtpDlg, true);
  run.windows().SmtpDlg->hide();
  QTest::mouseClick(f->BitBtn1, Qt::LeftButton);  // the palette, which may grow
  check_shown(run.windows().kaomoji, false);
  run.windows().kaomoji->close();

  // The progress window, held open by a server that never answers.
  SilentServer silent;
  f->smtp_server->setText(QStringLiteral("127.0.0.1"));
  f->smtp_port->setText(QString::number(silent.port()));
  f->To_name->setText(QStringLiteral("太郎"));
  f->To_address->setText(QStringLiteral("taro@example.jp"));
  f->Memo1->setPlainText(QStringLiteral("本文"));
  Tmailsend* progress = run.windows().mailsend;
  bool progress_checked = false;
  QTimer::singleShot(0, [&] {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(progress));
    maximize_twice(progress, true);
    progress_checked = progress->isVisible();
    silent.close();  // the send fails and the window closes
  });
  f->cmdSend->click();
  EXPECT_TRUE(progress_checked);

  // The message boxes (the real ones, not the test's).
  set_dialogs(nullptr);
  bool box_checked = false;
  QTimer::singleShot(0, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (!box || !box->isVisible()) continue;
      EXPECT_TRUE(QTest::qWaitForWindowExposed(box));
      maximize_twice(box, box->minimumSize() == box->maximumSize());
      box_checked = box->isVisible();
      box->done(0);
    }
  });
  dialogs().confirm(QStringLiteral("太郎 さんを削除してよろしいですか？"), f);
  set_dialogs(&run.dialogs());
  EXPECT_TRUE(box_checked);

  // Escape saves as always; the position Wayland cannot tell is left alone.
  f->subject->setText(QStringLiteral("件名"));
  f->Memo1->setPlainText(QStringLiteral("続き"));
  QTest::keyClick(f->Memo1, Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_FALSE(f->isVisible());
  const std::string ini = run.dir().read(QStringLiteral("zarvel.ini"));
  EXPECT_NE(ini.find("left=100\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("top=120\r\n"), std::string::npos) << ini;
  EXPECT_NE(ini.find("smtp_server=127.0.0.1"), std::string::npos);
  EXPECT_EQ(from_cp932(run.dir().read(QStringLiteral("close.txt"))), QStringLiteral("件名\r\n続き"));
}

// ---- the input method (fcitx5 with Mozc)

namespace {

// Keys as the keyboard sends them, through the X server and the input method.
void type_keys(const QStringList& xdotool_args) {
  QProcess p;
  p.start(QStringLiteral("xdotool"), xdotool_args);
  ASSERT_TRUE(p.waitForStarted());
  while (p.state() != QProcess::NotRunning) QTest::qWait(20);
}

// The last composition the input method showed in a field.
class PreeditWatch : public QObject {
 public:
  explicit PreeditWatch(QWidget* w) { w->installEventFilter(this); }
  QString preedit;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::InputMethod) preedit = static_cast<QInputMethodEvent*>(e)->preeditString();
    return false;
  }
};

void focus_field(QWidget* field) {
  field->window()->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(field->window()));
  field->setFocus();
  EXPECT_TRUE(wait_for([&] { return field->hasFocus(); }));
  // The input method hears of the new field on its own time: under a
  // loaded machine (the whole suite in parallel) 300 ms was once too short.
  QTest::qWait(1000);
}

}  // namespace

TEST(InputMethod, TheServerFieldsTakeAsciiAndTheBodyStillComposes) {
  if (qEnvironmentVariableIsEmpty("ZARVEL_TEST_FCITX"))
    GTEST_SKIP() << "needs fcitx5 (tests/desktop/with_input_method.py)";
  MainWindowRun run;
  TForm1* f = run.start();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(f));

  // The body composes: the romaji show as a composition, Enter commits it.
  PreeditWatch body_watch(f->Memo1);
  focus_field(f->Memo1);
  type_keys({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("nihongo")});
  // The input method answers asynchronously.
  EXPECT_TRUE(wait_for([&] { return body_watch.preedit == QStringLiteral("にほんご"); }))
      << body_watch.preedit.toStdString();
  EXPECT_EQ(f->Memo1->toPlainText(), QString());
  type_keys({QStringLiteral("key"), QStringLiteral("Return")});
  EXPECT_TRUE(wait_for([&] { return f->Memo1->toPlainText() == QStringLiteral("にほんご"); }))
      << f->Memo1->toPlainText().toStdString();
  EXPECT_EQ(run.panel(2), QStringLiteral("半角： 8"));

  // The ASCII fields take the keys as they are.
  QTest::mouseClick(f->ToolButton3, Qt::LeftButton);
  f->pop_check->setChecked(true);  // the POP3 fields take input only then
  for (QLineEdit* e : {f->smtp_server, f->mailaddress, f->pop_Account}) {
    focus_field(e);
    type_keys(
        {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("smtp.example.jp")});
    wait_for([&] { return e->text().size() >= 15; }, 2000);
    EXPECT_EQ(e->text().toStdString(), "smtp.example.jp") << (e == f->smtp_server   ? "server"
                                                              : e == f->mailaddress ? "address"
                                                                                    : "account");
  }
  TSmtpDlg* d = run.windows().SmtpDlg;
  d->show();
  focus_field(d->smtp_id);
  type_keys({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("user.name")});
  wait_for([&] { return d->smtp_id->text().size() >= 9; }, 2000);
  EXPECT_EQ(d->smtp_id->text().toStdString(), "user.name");
  d->hide();

  // Back in the body the input method is still on.
  QTest::mouseClick(f->ToolButton1, Qt::LeftButton);
  focus_field(f->Memo1);
  f->Memo1->moveCursor(QTextCursor::End);
  type_keys({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("ka")});
  EXPECT_TRUE(wait_for([&] { return body_watch.preedit == QStringLiteral("か"); }));
  type_keys({QStringLiteral("key"), QStringLiteral("Return")});
  EXPECT_TRUE(wait_for([&] { return f->Memo1->toPlainText() == QStringLiteral("にほんごか"); }))
      << f->Memo1->toPlainText().toStdString();
  EXPECT_EQ(run.panel(2), QStringLiteral("半角： 10"));
}
