// The SMTP authentication dialog in the running program: what it loads,
// what OK writes, that every other way out keeps the stored values, and
// that a send uses what the hidden dialog holds.
#include <QGroupBox>
#include <QRadioButton>
#include <QToolButton>

#include "app/profile.h"
#include "mail/transport.h"
#include "send_window_support.h"

using namespace zarvel;
using namespace zarvel::test;

namespace {

const QString kIni = QStringLiteral("zarvel.ini");

// Records only the sender argument.
class SenderTransport final : public Transport {
 public:
  SenderTransport() { set_transport(this); }
  ~SenderTransport() override { set_transport(nullptr); }
  int send_mail(const char*, const char*, const char* sender, const char*, const char*, const char*, char*) override {
    std::lock_guard lock(mutex);
    senders.push_back(sender);
    return 1;
  }
  std::mutex mutex;
  std::vector<std::string> senders;
};

class SmtpDialog : public ::testing::Test {
 protected:
  TForm1* start(const std::string& ini) { return f = r.start(ini); }
  TSmtpDlg* d() const { return r.smtp_dlg; }

  std::string ini_value(const char* key) {
    IniFile ini(r.run.dir().file(kIni));
    ini.load();
    return ini.contains("Server", key) ? ini.read_string("Server", key, {}) : "(missing)";
  }
  QString method() const {
    for (QRadioButton* b : {d()->RadioButton1, d()->RadioButton2, d()->RadioButton3})
      if (b->isChecked()) return b->text();
    return {};
  }
  bool account_fields_enabled() const {
    return d()->smtp_id->isEnabled() && d()->smtp_password->isEnabled() && d()->Label1->isEnabled() &&
           d()->smtp_id_label->isEnabled() && d()->smtp_password_label->isEnabled();
  }
  bool account_fields_disabled() const {
    return !d()->smtp_id->isEnabled() && !d()->smtp_password->isEnabled() && !d()->Label1->isEnabled() &&
           !d()->smtp_id_label->isEnabled() && !d()->smtp_password_label->isEnabled();
  }

  // Opens the dialog with "設定(&U)" on the settings view, runs `act` in it,
  // and returns once it has closed.
  void open_dialog(const std::function<void(TSmtpDlg*)>& act) {
    QTest::mouseClick(f->ToolButton3, Qt::LeftButton);
    f->smtp_check->setChecked(true);
    bool acted = false;
    QTimer::singleShot(0, d(), [&] {
      acted = true;
      EXPECT_TRUE(d()->isVisible());
      EXPECT_TRUE(d()->isModal());
      act(d());
      if (d()->isVisible()) d()->reject();  // never leave the test hanging
    });
    QTest::mouseClick(f->Button1, Qt::LeftButton);
    EXPECT_TRUE(acted);
    EXPECT_FALSE(d()->isVisible());
  }
  void send() {
    r.compose(QStringLiteral("n"), QStringLiteral("x@example.jp"), {},
              QStringLiteral("body ") + QString::number(++sends));
    r.send();
  }

  SendRun r;
  SenderTransport transport;
  TForm1* f = nullptr;
  int sends = 0;
};

TEST_F(SmtpDialog, TheStoredMethodSelectsItsButton) {
  struct Case {
    const char* line;
    const char* method;
  };
  for (const Case& c : {Case{"", "CRAM-MD5"}, Case{"smtp_auth=\r\n", "CRAM-MD5"}, Case{"smtp_auth=0\r\n", "CRAM-MD5"},
                        Case{"smtp_auth=1\r\n", "LOGIN"}, Case{"smtp_auth=2\r\n", "PLAIN"},
                        Case{"smtp_auth=7\r\n", "PLAIN"}, Case{"SMTP_AUTH=1\r\n", "LOGIN"}}) {
    SCOPED_TRACE(c.line);
    SendRun run;
    run.start(std::string("[Server]\r\n") + c.line);
    int selected = 0;
    for (QRadioButton* b : {run.smtp_dlg->RadioButton1, run.smtp_dlg->RadioButton2, run.smtp_dlg->RadioButton3})
      selected += b->isChecked();
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(run.smtp_dlg->method(), QString::fromLatin1(c.method));
  }
}

TEST_F(SmtpDialog, TheFirstShowingLoadsTheStoredAccountAndDecodesThePassword) {
  start("[Server]\r\nsmtp_check1=1\r\nsmtp_user=" + sj(u"ユーザー") +
        "\r\nsmtp_password=" + SendRun::stored_password(u"パス:ワード") + "\r\n");
  EXPECT_TRUE(d()->smtp_sw->isChecked());
  EXPECT_EQ(d()->smtp_id->text(), QStringLiteral("ユーザー"));
  EXPECT_EQ(d()->smtp_password->text(), QStringLiteral("パス:ワード"));
  EXPECT_EQ(d()->smtp_password->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(account_fields_disabled());  // greyed out, values kept
  d()->smtp_sw->setChecked(false);
  EXPECT_TRUE(account_fields_enabled());
  d()->smtp_sw->setChecked(true);
  EXPECT_TRUE(account_fields_disabled());
}

TEST_F(SmtpDialog, OkStoresEveryValueAndTheNextStartFindsThem) {
  start("[Server]\r\nsmtp_server=mail.example.jp\r\n");
  open_dialog([&](TSmtpDlg* dlg) {
    dlg->smtp_id->setText(QStringLiteral("bob"));
    dlg->smtp_password->setText(QStringLiteral("秘密pw"));
    dlg->RadioButton2->setChecked(true);
    dlg->smtp_sw->setChecked(true);  // greys the fields, which are still saved
    QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
  });
  const std::string file = r.run.dir().read(kIni);
  EXPECT_NE(file.find("smtp_Password=" + SendRun::stored_password(u"秘密pw") + "\r\n"), std::string::npos) << file;
  EXPECT_EQ(file.find(sj(u"秘密pw")), std::string::npos) << "never stored as typed";
  EXPECT_EQ(ini_value("smtp_check1"), "1");
  EXPECT_EQ(ini_value("smtp_user"), "bob");
  EXPECT_EQ(ini_value("smtp_auth"), "1");
  EXPECT_EQ(method(), QStringLiteral("LOGIN"));

  // Reopened, and at the next start under the other spelling of the key.
  open_dialog([&](TSmtpDlg* dlg) {
    EXPECT_EQ(dlg->smtp_password->text(), QStringLiteral("秘密pw"));
    EXPECT_TRUE(dlg->RadioButton2->isChecked());
  });
  r.run.restart();
  TSmtpDlg* again = r.run.windows().SmtpDlg;
  EXPECT_EQ(again->smtp_password->text(), QStringLiteral("秘密pw"));
  EXPECT_EQ(again->smtp_id->text(), QStringLiteral("bob"));
  EXPECT_TRUE(again->smtp_sw->isChecked());
  EXPECT_TRUE(again->RadioButton2->isChecked());
}

TEST_F(SmtpDialog, EnterPressesOk) {
  start("[Server]\r\n");
  open_dialog([&](TSmtpDlg* dlg) {
    dlg->smtp_id->setFocus();
    dlg->smtp_id->setText(QStringLiteral("carol"));
    QTest::keyClick(dlg->smtp_id, Qt::Key_Return);
  });
  EXPECT_EQ(ini_value("smtp_user"), "carol");
}

// Cancel, Escape and the close box throw the edits away: the hidden dialog,
// and with it the next send, holds what is stored.
TEST_F(SmtpDialog, EveryOtherWayOutKeepsTheStoredValuesForTheNextSend) {
  start("[Server]\r\nsmtp_check0=1\r\nmail_address=me@example.jp\r\nsmtp_user=bob\r\nsmtp_password=" +
        SendRun::stored_password(u"pw") + "\r\nsmtp_auth=2\r\n");
  const std::string before = r.run.dir().read(kIni);
  const std::vector<std::function<void(TSmtpDlg*)>> ways = {
      [](TSmtpDlg* dlg) { QTest::mouseClick(dlg->CancelBtn, Qt::LeftButton); },
      [](TSmtpDlg* dlg) { QTest::keyClick(dlg->smtp_id, Qt::Key_Escape); },
      [](TSmtpDlg* dlg) { dlg->close(); },
  };
  for (const auto& way : ways) {
    open_dialog([&](TSmtpDlg* dlg) {
      EXPECT_TRUE(dlg->RadioButton3->isChecked());
      dlg->RadioButton2->setChecked(true);
      dlg->smtp_id->setText(QStringLiteral("mallory"));
      dlg->smtp_password->setText(QStringLiteral("other"));
      dlg->smtp_sw->setChecked(true);
      way(dlg);
    });
    EXPECT_EQ(d()->smtp_id->text(), QStringLiteral("bob"));
    EXPECT_EQ(d()->smtp_password->text(), QStringLiteral("pw"));
    EXPECT_FALSE(d()->smtp_sw->isChecked());
    EXPECT_TRUE(account_fields_enabled());
    EXPECT_EQ(method(), QStringLiteral("PLAIN"));
    send();
  }
  EXPECT_EQ(r.run.dir().read(kIni), before);
  ASSERT_EQ(transport.senders.size(), 3u);
  for (const std::string& s : transport.senders) EXPECT_EQ(s, "<me@example.jp\tbob:pw\tPLAIN>");
}

// With no stored password the field's text is no stored form: it is never
// decoded, and nothing stored means no password.
TEST_F(SmtpDialog, WithoutAStoredPasswordTheFieldIsNotDecoded) {
  start("[Server]\r\nsmtp_check0=1\r\nmail_address=me@example.jp\r\nsmtp_user=bob\r\n");
  EXPECT_EQ(d()->smtp_password->text(), QString());
  open_dialog([&](TSmtpDlg* dlg) {
    dlg->smtp_password->setText(QStringLiteral("QUJD"));  // would decode to "ABC"
    QTest::mouseClick(dlg->CancelBtn, Qt::LeftButton);
  });
  EXPECT_EQ(d()->smtp_password->text(), QString());
  EXPECT_EQ(ini_value("smtp_password"), "(missing)");
  send();
  ASSERT_EQ(transport.senders.size(), 1u);
  EXPECT_EQ(transport.senders[0], "<me@example.jp\tbob:\tCRAM-MD5>");
}

TEST_F(SmtpDialog, AClickIntoThePasswordSelectsItWhole) {
  start("[Server]\r\nsmtp_password=" + SendRun::stored_password(u"abcdef") + "\r\n");
  open_dialog([&](TSmtpDlg* dlg) {
    QTest::mouseClick(dlg->smtp_password, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(dlg->smtp_password->selectedText(), QStringLiteral("abcdef"));
    QTest::keyClick(dlg->smtp_password, Qt::Key_X);
    EXPECT_EQ(dlg->smtp_password->text(), QStringLiteral("x"));
    QTest::keyClick(dlg, Qt::Key_Escape);
  });
}

// The file cannot be written: the failure is reported, the dialog closes all
// the same and shows what the file holds.
TEST_F(SmtpDialog, AFailedWriteIsReportedAndTheDialogClosesAllTheSame) {
  start("[Server]\r\nsmtp_user=bob\r\n");
  open_dialog([&](TSmtpDlg* dlg) {
    dlg->smtp_id->setText(QStringLiteral("carol"));
    // A folder in the file's place can be neither read nor replaced.
    QFile::remove(r.run.dir().file(kIni));
    ASSERT_TRUE(QDir(r.run.dir().path()).mkdir(kIni));
    QTest::mouseClick(dlg->OKBtn, Qt::LeftButton);
  });
  EXPECT_FALSE(d()->isVisible());
  ASSERT_FALSE(r.boxes.shown.empty());
  for (const ShownBox& b : r.boxes.shown) {
    EXPECT_EQ(b.title, QStringLiteral("エラー"));
    EXPECT_TRUE(b.text.startsWith(QStringLiteral("予期しないエラーが発生しました\n"))) << b.text.toStdString();
  }
}

}  // namespace
