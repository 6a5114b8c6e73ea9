// The server settings page: the two switches that exclude each other, the
// enabling at start-up, the standard ports and the password field.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>

#include "app/pzconv.h"
#include "support/main_window.h"

using namespace zarvel;
using zarvel::test::MainWindowRun;

namespace {

std::vector<QWidget*> pop3_controls(TForm1* f) {
  return {f->pop_server,        f->pop_server_label, f->pop_port,           f->pop_port_label, f->pop_Account,
          f->pop_Account_label, f->pop_password,     f->pop_password_label, f->apop_check,     f->SpeedButton2};
}
bool all_enabled(const std::vector<QWidget*>& ws, bool enabled) {
  return std::all_of(ws.begin(), ws.end(), [&](QWidget* w) { return w->isEnabled() == enabled; });
}
// What is always enabled.
bool smtp_fields_enabled(TForm1* f) {
  return all_enabled({f->smtp_server, f->smtp_server_label, f->smtp_port, f->smtp_port_label, f->mailaddress,
                      f->mailaddress_label, f->SpeedButton1, f->smtp_check, f->pop_check},
                     true);
}

class ServerPage : public ::testing::Test {
 protected:
  TForm1* start(const std::string& ini = {}) {
    if (!ini.empty()) run.dir().write(QStringLiteral("zarvel.ini"), ini);
    f = run.start();
    QTest::mouseClick(f->ToolButton3, Qt::LeftButton);  // the settings view
    return f;
  }
  void click(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }

  MainWindowRun run;
  TForm1* f = nullptr;
};

TEST_F(ServerPage, StartUpEnablingFollowsTheStoredSwitches) {
  struct Case {
    const char* name;
    const char* ini;
    bool pop, smtp;
  };
  const Case cases[] = {
      {"no file", "", false, false},
      {"neither", "[Server]\r\npop_check=0\r\nsmtp_check0=0\r\n", false, false},
      {"POP before SMTP", "[Server]\r\npop_check=1\r\napop_check=1\r\n", true, false},
      {"SMTP AUTH", "[Server]\r\nsmtp_check0=1\r\n", false, true},
      {"both: SMTP AUTH wins", "[Server]\r\npop_check=1\r\napop_check=1\r\nsmtp_check0=1\r\n", false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MainWindowRun r;
    if (*c.ini) r.dir().write(QStringLiteral("zarvel.ini"), c.ini);
    TForm1* form = r.start();
    EXPECT_EQ(form->pop_check->isChecked(), c.pop);
    EXPECT_EQ(form->smtp_check->isChecked(), c.smtp);
    EXPECT_TRUE(all_enabled(pop3_controls(form), c.pop));
    EXPECT_EQ(form->Button1->isEnabled(), c.smtp);
    EXPECT_TRUE(smtp_fields_enabled(form));
  }
}

TEST_F(ServerPage, TheTwoSwitchesExcludeEachOther) {
  start("[Server]\r\nsmtp_check0=1\r\n");
  click(f->pop_check);
  EXPECT_TRUE(f->pop_check->isChecked());
  EXPECT_FALSE(f->smtp_check->isChecked());
  EXPECT_FALSE(f->Button1->isEnabled());
  EXPECT_TRUE(all_enabled(pop3_controls(f), true));

  click(f->smtp_check);
  EXPECT_TRUE(f->smtp_check->isChecked());
  EXPECT_FALSE(f->pop_check->isChecked());
  EXPECT_TRUE(f->Button1->isEnabled());
  EXPECT_TRUE(all_enabled(pop3_controls(f), false));

  click(f->smtp_check);
  EXPECT_FALSE(f->smtp_check->isChecked());
  EXPECT_FALSE(f->pop_check->isChecked());
  EXPECT_FALSE(f->Button1->isEnabled());
  EXPECT_TRUE(smtp_fields_enabled(f));
}

TEST_F(ServerPage, ThePop3FieldsKeepAndSaveTheirValuesWhileOff) {
  start("[Server]\r\npop_check=1\r\npop_server=pop.example.jp\r\npop_port=1110\r\naccount=alice\r\n");
  f->pop_password->setText(QStringLiteral("秘密"));
  f->apop_check->setChecked(true);
  click(f->pop_check);
  ASSERT_FALSE(f->pop_server->isEnabled());
  EXPECT_EQ(f->pop_server->text(), QStringLiteral("pop.example.jp"));
  EXPECT_EQ(f->pop_port->text(), QStringLiteral("1110"));
  EXPECT_EQ(f->pop_password->text(), QStringLiteral("秘密"));
  ASSERT_TRUE(run.close());
  const std::string ini = run.dir().read(QStringLiteral("zarvel.ini"));
  for (const std::string line : {"pop_check=0\r\n", "apop_check=1\r\n", "pop_server=pop.example.jp\r\n",
                                 "pop_port=1110\r\n", "account=alice\r\n"})
    EXPECT_NE(ini.find(line), std::string::npos) << line;
  EXPECT_NE(ini.find("pop_password=" + encode_password(to_cp932(u"秘密")) + "\r\n"), std::string::npos);
  f = run.restart();
  EXPECT_FALSE(f->pop_check->isChecked());
  EXPECT_TRUE(f->apop_check->isChecked());
  EXPECT_EQ(f->pop_password->text(), QStringLiteral("秘密"));
  EXPECT_TRUE(all_enabled(pop3_controls(f), false));
}

TEST_F(ServerPage, TheStandardButtonsWriteTheirPortsOnly) {
  start("[Server]\r\npop_check=1\r\nsmtp_port=abc\r\npop_port=\r\nsmtp_server=s\r\n");
  EXPECT_EQ(f->smtp_port->text(), QStringLiteral("abc"));  // taken as typed
  EXPECT_EQ(f->pop_port->text(), QString());
  QTest::mouseClick(f->SpeedButton1, Qt::LeftButton);
  EXPECT_EQ(f->smtp_port->text(), QStringLiteral("25"));
  EXPECT_EQ(f->pop_port->text(), QString());
  QTest::mouseClick(f->SpeedButton2, Qt::LeftButton);
  EXPECT_EQ(f->pop_port->text(), QStringLiteral("110"));
  EXPECT_EQ(f->smtp_server->text(), QStringLiteral("s"));
  EXPECT_EQ(f->SpeedButton1->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(f->SpeedButton2->focusPolicy(), Qt::NoFocus);
}

TEST_F(ServerPage, AClickIntoThePasswordSelectsTheWholeHiddenText) {
  start("[Server]\r\npop_check=1\r\n");
  f->pop_password->setText(QStringLiteral("old password"));
  QTest::mouseClick(f->pop_password, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(f->pop_password->selectedText(), QStringLiteral("old password"));
  QTest::keyClicks(f->pop_password, QStringLiteral("new"));
  EXPECT_EQ(f->pop_password->text(), QStringLiteral("new"));
  EXPECT_EQ(f->pop_password->echoMode(), QLineEdit::Password);
}

}  // namespace
