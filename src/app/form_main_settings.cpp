// The main window's keys of zarvel.ini: read when the window is created,
// written when it closes, in the order the file has always had them.
#include <QCheckBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <algorithm>

#include "app/file_io.h"
#include "app/profile.h"
#include "platform/error_report.h"
#include "ui/form_main.h"
#include "ui/widget_listview.h"
#include "ui/window_placement.h"

using namespace zarvel;

namespace {

constexpr std::string_view kWindow = "Window";
constexpr std::string_view kServer = "Server";
constexpr std::string_view kOptions = "Options";

// The history list's height lies between 35 and what the view leaves it.
constexpr int kSplitMin = 35;
int split_max(const QSplitter* s) { return s->height() - s->handleWidth() - 33; }

void read_text(const IniFile& ini, std::string_view section, std::string_view key, QString& value) {
  value = from_cp932(ini.read_string(section, key, to_cp932(value)));
}

void read_flag(const IniFile& ini, std::string_view section, std::string_view key, bool& value) {
  value = ini.read_bool(section, key, value);
}

}  // namespace

void TForm1::centre_on_screen() { zarvel::centre_on_screen(this); }

void TForm1::settings_read() {
  SettingsValues& v = settings_;
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
    read_text(ini, kServer, "smtp_port", v.smtp_port);
    read_text(ini, kServer, "pop_port", v.pop_port);
  } else {
    centre_on_screen();
    v.smtp_port = QStringLiteral("25");
    v.pop_port = QStringLiteral("110");
  }
  v.rirekisu = std::clamp(ini.read_int(kOptions, "send_max", v.rirekisu), 0, 999);  // the spin edit's range
  rireki_max = v.rirekisu;
  read_text(ini, kServer, "smtp_server", v.smtp_server);
  read_text(ini, kServer, "mail_address", v.mailaddress);
  read_flag(ini, kServer, "pop_check", v.pop_check);
  read_flag(ini, kServer, "apop_check", v.apop_check);
  read_flag(ini, kServer, "smtp_check0", v.smtp_check);
  // The two switches exclude each other; SMTP AUTH, read last, wins.
  if (v.smtp_check) v.pop_check = false;
  read_text(ini, kServer, "pop_server", v.pop_server);
  read_text(ini, kServer, "account", v.pop_Account);
  read_flag(ini, kOptions, "send_check", v.send_end);
  read_flag(ini, kOptions, "delete_check", v.delete_check);
  read_flag(ini, kOptions, "dauto", v.auto_dail);
  read_flag(ini, kOptions, "dclose", v.auto_dail_close);
  read_flag(ini, kOptions, "hint_check", v.hint_check);
  read_flag(ini, kOptions, "signature", v.signature);
  signature_sel = ini.read_int(kOptions, "signature_sel", signature_sel);
  const Bytes stored = ini.read_string(kServer, "pop_password", to_cp932(v.pop_password));
  v.pop_password = from_cp932(decode_password(stored));
  if (settings_view_built()) apply_settings();
}

TForm1::SettingsValues TForm1::current_settings() const {
  if (!settings_view_built()) return settings_;
  SettingsValues v;
  v.smtp_server = smtp_server->text();
  v.smtp_port = smtp_port->text();
  v.mailaddress = mailaddress->text();
  v.pop_server = pop_server->text();
  v.pop_port = pop_port->text();
  v.pop_Account = pop_Account->text();
  v.pop_password = pop_password->text();
  v.smtp_check = smtp_check->isChecked();
  v.pop_check = pop_check->isChecked();
  v.apop_check = apop_check->isChecked();
  v.auto_dail = auto_dail->isChecked();
  v.auto_dail_close = auto_dail_close->isChecked();
  v.rirekisu = rirekisu->value();
  v.send_end = send_end->isChecked();
  v.delete_check = delete_check->isChecked();
  v.hint_check = hint_check->isChecked();
  v.signature = signature->isChecked();
  v.signature_text[0] = Memo3->toPlainText();
  v.signature_text[1] = Memo5->toPlainText();
  return v;
}

void TForm1::apply_settings() {
  const SettingsValues& v = settings_;
  smtp_server->setText(v.smtp_server);
  smtp_port->setText(v.smtp_port);
  mailaddress->setText(v.mailaddress);
  pop_server->setText(v.pop_server);
  pop_port->setText(v.pop_port);
  pop_Account->setText(v.pop_Account);
  pop_password->setText(v.pop_password);
  smtp_check->setChecked(v.smtp_check);
  pop_check->setChecked(v.pop_check);
  apop_check->setChecked(v.apop_check);
  auto_dail->setChecked(v.auto_dail);
  auto_dail_close->setChecked(v.auto_dail_close);
  rirekisu->setValue(v.rirekisu);
  send_end->setChecked(v.send_end);
  delete_check->setChecked(v.delete_check);
  hint_check->setChecked(v.hint_check);
  signature->setChecked(v.signature);
  Memo3->setPlainText(v.signature_text[0]);
  Memo5->setPlainText(v.signature_text[1]);
}

bool TForm1::hint_on() const { return settings_view_built() ? hint_check->isChecked() : settings_.hint_check; }

void TForm1::settings_write() {
  IniFile ini(ini_path());
  try {
    ini.load();
  } catch (const AppError&) {
    // What cannot be read cannot be updated: the write fails, the file stays.
    throw AppError(cannot_write_message(ini_path()));
  }
  const SettingsValues v = current_settings();
  // What the spin edit shows; a half-typed one counts as 0.
  bool number = true;
  const int send_max = settings_view_built() ? rirekisu->cleanText().toInt(&number) : v.rirekisu;
  ini.write_int(kOptions, "send_max", number ? send_max : 0);
  ini.write_int(kWindow, "split", history_split);
  if (platform_reports_positions()) {
    ini.write_int(kWindow, "left", x());
    ini.write_int(kWindow, "top", y());
  }
  ini.write_string(kServer, "smtp_port", to_cp932(v.smtp_port));
  ini.write_string(kServer, "pop_port", to_cp932(v.pop_port));
  ini.write_bool(kOptions, "send_check", v.send_end);
  ini.write_bool(kOptions, "delete_check", v.delete_check);
  ini.write_bool(kServer, "pop_check", v.pop_check);
  ini.write_bool(kServer, "apop_check", v.apop_check);
  ini.write_bool(kServer, "smtp_check0", v.smtp_check);
  ini.write_string(kServer, "smtp_server", to_cp932(v.smtp_server));
  ini.write_string(kServer, "mail_address", to_cp932(v.mailaddress));
  ini.write_string(kServer, "pop_server", to_cp932(v.pop_server));
  ini.write_string(kServer, "account", to_cp932(v.pop_Account));
  ini.write_bool(kOptions, "dauto", v.auto_dail);
  ini.write_bool(kOptions, "dclose", v.auto_dail_close);
  ini.write_bool(kOptions, "hint_check", v.hint_check);
  ini.write_bool(kOptions, "signature", v.signature);
  ini.write_string(kOptions, "signature_sel", sign1->isChecked() ? "0" : "1");
  ini.write_string(kServer, "pop_password", encode_password(to_cp932(v.pop_password)));
  ini.save();
}
