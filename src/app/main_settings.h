// The main window's keys of zarvel.ini, read and written from one table.
#pragma once

#include <QString>

#include "app/profile.h"

namespace zarvel {

// What the file holds for the main window. A default-constructed one holds
// every key's default.
struct MainSettings {
  MainSettings();
  QString smtp_server, smtp_port, mailaddress;
  QString pop_server, pop_port, pop_Account, pop_password;
  bool smtp_check, pop_check, apop_check;
  bool auto_dail, auto_dail_close;
  int rirekisu;
  bool send_end, delete_check, hint_check;
  bool signature;
  int signature_sel;
  int split;      // the history list's height
  int left, top;  // the window's position
};

// A key the file lacks keeps the value s already has. The history limit is
// brought into the spin edit's range; SMTP AUTH, switched on, turns POP
// before SMTP off, as the two exclude each other.
void read_main_settings(const IniFile& ini, MainSettings& s);

// In the order the file has always had them; the position only where the
// platform reports one.
void write_main_settings(IniFile& ini, const MainSettings& s, bool with_position);

}  // namespace zarvel
