// The main window's keys of zarvel.ini: read when the window is created,
// written when it closes, in the order the file has always had them.
#include <QCheckBox>
#include <QGuiApplication>
#include <QRadioButton>
#include <QLineEdit>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>

#include <algorithm>

#include "app/file_io.h"
#include "app/profile.h"
#include "platform/error_report.h"
#include "ui/form_main.h"
#include "ui/widget_listview.h"
#include "ui/widget_window.h"

using namespace zarvel;

namespace {

constexpr std::string_view kWindow = "Window";
constexpr std::string_view kServer = "Server";
constexpr std::string_view kOptions = "Options";

// The history list's height lies between 35 and what the view leaves it.
constexpr int kSplitMin = 35;
int split_max(const QSplitter* s) { return s->height() - s->handleWidth() - 33; }

void read_text(const IniFile& ini, std::string_view section, std::string_view key, QLineEdit* e) {
  e->setText(from_cp932(ini.read_string(section, key, to_cp932(e->text()))));
}

void read_flag(const IniFile& ini, std::string_view section, std::string_view key, QCheckBox* c) {
  c->setChecked(ini.read_bool(section, key, c->isChecked()));  // a change runs its handler
}

}  // namespace

void TForm1::centre_on_screen() { zarvel::centre_on_screen(this); }

void TForm1::settings_read() {
  IniFile ini(ini_path());
  try {
    ini.load();
  } catch (const AppError&) {
    // Reported; the start goes on as a first start would.
    report_current_exception();
  }
  tell_file_problem(ini_path(), ini.state(), ini.problem());
  if (ini.existed()) {
    history_split = std::clamp(ini.read_int(kWindow, "split", history_split), kSplitMin, split_max(Splitter3));
    Splitter3->setSizes({history_split, Splitter3->height() - Splitter3->handleWidth() - history_split});
    place_or_centre(this, QPoint(ini.read_int(kWindow, "left", x()), ini.read_int(kWindow, "top", y())));
    read_text(ini, kServer, "smtp_port", smtp_port);
    read_text(ini, kServer, "pop_port", pop_port);
  } else {
    centre_on_screen();
    smtp_port->setText(QStringLiteral("25"));
    pop_port->setText(QStringLiteral("110"));
  }
  rirekisu->setValue(ini.read_int(kOptions, "send_max", rirekisu->value()));  // held within 0 to 999
  rireki_max = rirekisu->value();
  read_text(ini, kServer, "smtp_server", smtp_server);
  read_text(ini, kServer, "mail_address", mailaddress);
  read_flag(ini, kServer, "pop_check", pop_check);
  read_flag(ini, kServer, "apop_check", apop_check);
  read_flag(ini, kServer, "smtp_check0", smtp_check);
  read_text(ini, kServer, "pop_server", pop_server);
  read_text(ini, kServer, "account", pop_Account);
  read_flag(ini, kOptions, "send_check", send_end);
  read_flag(ini, kOptions, "delete_check", delete_check);
  read_flag(ini, kOptions, "dauto", auto_dail);
  read_flag(ini, kOptions, "dclose", auto_dail_close);
  read_flag(ini, kOptions, "hint_check", hint_check);
  read_flag(ini, kOptions, "signature", signature);
  signature_sel = ini.read_int(kOptions, "signature_sel", signature_sel);
  const Bytes stored = ini.read_string(kServer, "pop_password", to_cp932(pop_password->text()));
  pop_password->setText(from_cp932(decode_password(stored)));
}

void TForm1::settings_write() {
  IniFile ini(ini_path());
  try {
    ini.load();
  } catch (const AppError&) {
    // What cannot be read cannot be updated: the write fails, the file stays.
    throw AppError(cannot_write_message(ini_path()));
  }
  bool number = false;
  const int send_max = rirekisu->cleanText().toInt(&number);
  ini.write_int(kOptions, "send_max", number ? send_max : 0);
  ini.write_int(kWindow, "split", history_split);
  if (platform_reports_positions()) {
    ini.write_int(kWindow, "left", x());
    ini.write_int(kWindow, "top", y());
  }
  ini.write_string(kServer, "smtp_port", to_cp932(smtp_port->text()));
  ini.write_string(kServer, "pop_port", to_cp932(pop_port->text()));
  ini.write_bool(kOptions, "send_check", send_end->isChecked());
  ini.write_bool(kOptions, "delete_check", delete_check->isChecked());
  ini.write_bool(kServer, "pop_check", pop_check->isChecked());
  ini.write_bool(kServer, "apop_check", apop_check->isChecked());
  ini.write_bool(kServer, "smtp_check0", smtp_check->isChecked());
  ini.write_string(kServer, "smtp_server", to_cp932(smtp_server->text()));
  ini.write_string(kServer, "mail_address", to_cp932(mailaddress->text()));
  ini.write_string(kServer, "pop_server", to_cp932(pop_server->text()));
  ini.write_string(kServer, "account", to_cp932(pop_Account->text()));
  ini.write_bool(kOptions, "dauto", auto_dail->isChecked());
  ini.write_bool(kOptions, "dclose", auto_dail_close->isChecked());
  ini.write_bool(kOptions, "hint_check", hint_check->isChecked());
  ini.write_bool(kOptions, "signature", signature->isChecked());
  ini.write_string(kOptions, "signature_sel", sign1->isChecked() ? "0" : "1");
  ini.write_string(kServer, "pop_password", encode_password(to_cp932(pop_password->text())));
  ini.save();
}
