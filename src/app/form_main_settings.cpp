// The main window's settings: read from zarvel.ini when the window is
// created, written when it closes; the keys are in app/main_settings.
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
#include "app/main_settings.h"
#include "app/profile.h"
#include "platform/error_report.h"
#include "ui/form_main.h"
#include "ui/widget_listview.h"
#include "ui/window_placement.h"

using namespace zarvel;

namespace {

// The history list's height lies between 35 and what the view leaves it.
constexpr int kSplitMin = 35;
constexpr int kSplitMax = TForm1::kHistoryAreaHeight - TForm1::kHistoryHandleWidth - 33;

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
  // A key the file lacks keeps what the window has now.
  zarvel::MainSettings& v = settings_;
  v.split = history_split;
  v.left = x();
  v.top = y();
  v.signature_sel = signature_sel;
  read_main_settings(ini, v);
  if (ini.existed()) {
    history_split = std::clamp(v.split, kSplitMin, kSplitMax);
    // A view not yet built takes it when built.
    if (history_view_built())
      Splitter3->setSizes({history_split, kHistoryAreaHeight - kHistoryHandleWidth - history_split});
    place_or_centre(this, QPoint(v.left, v.top));
  } else {
    centre_on_screen();
  }
  rireki_max = v.rirekisu;
  signature_sel = v.signature_sel;
  if (settings_view_built()) apply_settings();
}

TForm1::SettingsValues TForm1::current_settings() const {
  if (!settings_view_built()) return settings_;
  SettingsValues v = settings_;
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
  SettingsValues v = current_settings();
  // What the spin edit shows; a half-typed one counts as 0.
  if (settings_view_built()) {
    bool number = true;
    v.rirekisu = rirekisu->cleanText().toInt(&number);
    if (!number) v.rirekisu = 0;
  }
  v.split = history_split;
  v.left = x();
  v.top = y();
  v.signature_sel = sign1->isChecked() ? 0 : 1;
  write_main_settings(ini, v, platform_reports_positions());
  ini.save();
}
