#include "app/main_settings.h"

#include <gtest/gtest.h>

#include <tuple>

#include "app/pzconv.h"

using namespace zarvel;

namespace {

IniFile parsed(std::string_view bytes) {
  IniFile ini(QStringLiteral("/nonexistent/zarvel.ini"));
  ini.parse(bytes);
  return ini;
}

auto fields(const MainSettings& s) {
  return std::tie(s.smtp_server, s.smtp_port, s.mailaddress, s.pop_server, s.pop_port, s.pop_Account, s.pop_password,
                  s.smtp_check, s.pop_check, s.apop_check, s.auto_dail, s.auto_dail_close, s.rirekisu, s.send_end,
                  s.delete_check, s.hint_check, s.signature, s.signature_sel, s.split, s.left, s.top);
}

}  // namespace

TEST(MainSettings, AFirstStartWritesEveryDefaultInTheFilesOrder) {
  const MainSettings defaults;
  MainSettings read = defaults;
  read_main_settings(parsed(""), read);
  EXPECT_EQ(fields(read), fields(defaults));

  IniFile ini = parsed("");
  write_main_settings(ini, defaults, true);
  EXPECT_EQ(ini.bytes(),
            "[Options]\r\nsend_max=100\r\nsend_check=0\r\ndelete_check=1\r\ndauto=0\r\ndclose=0\r\n"
            "hint_check=1\r\nsignature=0\r\nsignature_sel=0\r\n\r\n"
            "[Window]\r\nsplit=120\r\nleft=0\r\ntop=0\r\n\r\n"
            "[Server]\r\nsmtp_port=25\r\npop_port=110\r\npop_check=0\r\napop_check=0\r\nsmtp_check0=0\r\n"
            "smtp_server=\r\nmail_address=\r\npop_server=\r\naccount=\r\npop_password=" +
                encode_password({}) + "\r\n");
}

TEST(MainSettings, WhatIsWrittenReadsBackTheSame) {
  MainSettings s;
  s.smtp_server = QStringLiteral("smtp.example.jp");
  s.smtp_port = QStringLiteral("587");
  s.mailaddress = QStringLiteral("花子 <hanako@example.jp>");
  s.pop_server = QStringLiteral("pop.example.jp");
  s.pop_port = QStringLiteral("995");
  s.pop_Account = QStringLiteral("はなこ");
  s.pop_password = QStringLiteral("p@ss=word;[x]");
  s.smtp_check = false;
  s.pop_check = true;
  s.apop_check = true;
  s.auto_dail = true;
  s.auto_dail_close = true;
  s.rirekisu = 999;
  s.send_end = true;
  s.delete_check = false;
  s.hint_check = false;
  s.signature = true;
  s.signature_sel = 1;
  s.split = 200;
  s.left = -40;
  s.top = 1500;
  IniFile ini = parsed("[Window]\r\neleft=3\r\n");
  write_main_settings(ini, s, true);
  MainSettings back;
  read_main_settings(parsed(ini.bytes()), back);
  EXPECT_EQ(fields(back), fields(s));
  EXPECT_NE(ini.bytes().find("eleft=3\r\n"), std::string::npos) << "another window's key was lost";
  EXPECT_EQ(ini.bytes().find("p@ss"), std::string::npos) << "the password is stored in the clear";
}

TEST(MainSettings, MissingKeysKeepTheirValueAndTheRulesHoldOnRead) {
  MainSettings s;
  s.left = 77;
  s.top = 88;
  s.smtp_server = QStringLiteral("kept");
  read_main_settings(parsed("[Options]\r\nsend_max=5000\r\n[Server]\r\npop_check=1\r\nsmtp_check0=1\r\n"), s);
  EXPECT_EQ(s.left, 77);
  EXPECT_EQ(s.top, 88);
  EXPECT_EQ(s.smtp_server, QStringLiteral("kept"));
  EXPECT_EQ(s.rirekisu, 999);
  EXPECT_TRUE(s.smtp_check);
  EXPECT_FALSE(s.pop_check) << "SMTP AUTH and POP before SMTP exclude each other";

  read_main_settings(parsed("[Options]\r\nsend_max=-3\r\n[Server]\r\npop_check=1\r\nsmtp_check0=0\r\n"), s);
  EXPECT_EQ(s.rirekisu, 0);
  EXPECT_TRUE(s.pop_check);
}

TEST(MainSettings, WithoutAPositionTheStoredOneStays) {
  MainSettings s;
  s.left = 500;
  s.top = 600;
  IniFile ini = parsed("[Window]\r\nleft=10\r\ntop=20\r\n");
  write_main_settings(ini, s, false);
  MainSettings back;
  read_main_settings(parsed(ini.bytes()), back);
  EXPECT_EQ(back.left, 10);
  EXPECT_EQ(back.top, 20);
}
