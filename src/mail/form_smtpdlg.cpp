#include "mail/form_smtpdlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>
#include <algorithm>
#include <exception>

#include "app/ini_sections.h"
#include "app/profile.h"
#include "platform/error_report.h"
#include "platform/window_size.h"
#include "ui/accessibility.h"
#include "ui/fonts.h"
#include "ui/form_main.h"
#include "ui/widget_edit.h"
#include "ui/window_placement.h"

using namespace zarvel;

namespace {

// An edit with its caption on its left, 3 pixels apart. The caption never
// reaches into the frame's border: what does not fit is its trailing blanks.
TEdit* edit_with_label_left(QWidget* parent, const QString& caption, int x, int y, int w, QLabel** label_out) {
  constexpr int kMinLeft = 6;
  auto* e = new TEdit(parent);
  pictograms_when_needed(e, proportional_font());
  e->setGeometry(x, y, w, 20);
  e->set_input_method_off();
  auto* l = new QLabel(caption, parent);
  // A font wider than the IPA fonts is narrowed until the caption fits.
  QString shown = caption;
  shown.remove(QLatin1Char('&'));
  l->setFont(fitted_font(l->font(), shown.trimmed(), x - 3 - kMinLeft));
  const QSize hint = l->sizeHint();
  const int left = std::max(kMinLeft, x - 3 - hint.width());
  l->setGeometry(left, y + (e->height() - hint.height()) / 2, x - 3 - left, hint.height());
  l->setBuddy(e);
  *label_out = l;
  return e;
}

}  // namespace

TSmtpDlg::TSmtpDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  if (auto* owner = qobject_cast<TForm1*>(parent)) ini_path = owner->ini_path();
  PzConv1.JisByteCodeType = btAscii;
  PzConv1.JisKanaConvType = ktZenWithDaku;
  setWindowTitle(QStringLiteral("SMTP認証"));
  setFont(caption_font());  // the edits have their own
  setFixedSize(274, 188);
  zarvel::keep_fixed_size(this);
  setModal(true);

  smtp_sw = new QCheckBox(QStringLiteral("POP3のアカウントを使用する(&A)"), this);
  smtp_sw->setGeometry(12, 8, 251, 17);

  GroupBox1 = new QGroupBox(this);
  GroupBox1->setGeometry(9, 30, 256, 73);
  Label1 = new QLabel(QStringLiteral("送信用アカウント"), GroupBox1);
  Label1->move(8, 1);
  Label1->adjustSize();
  smtp_id = edit_with_label_left(GroupBox1, QStringLiteral("アカウント(&I)  "), 80, 20, 169, &smtp_id_label);
  TEdit* password =
      edit_with_label_left(GroupBox1, QStringLiteral("パスワード(&P)"), 80, 45, 169, &smtp_password_label);
  password->set_password_echo();
  smtp_password = password;

  GroupBox2 = new QGroupBox(QStringLiteral("SMTP認証の方式"), this);
  GroupBox2->setGeometry(10, 110, 255, 40);
  RadioButton1 = new QRadioButton(QStringLiteral("CRAM-MD5"), GroupBox2);
  RadioButton1->setGeometry(6, 16, 90, 17);
  RadioButton2 = new QRadioButton(QStringLiteral("LOGIN"), GroupBox2);
  RadioButton2->setGeometry(105, 16, 65, 17);
  RadioButton3 = new QRadioButton(QStringLiteral("PLAIN"), GroupBox2);
  RadioButton3->setGeometry(178, 16, 65, 17);
  RadioButton1->setChecked(true);

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setGeometry(59, 159, 74, 21);
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("キャンセル"), this);
  CancelBtn->setGeometry(141, 159, 74, 21);
  CancelBtn->setAutoDefault(false);

  setTabOrder(smtp_sw, smtp_id);
  setTabOrder(smtp_id, smtp_password);
  setTabOrder(smtp_password, RadioButton1);
  setTabOrder(RadioButton1, OKBtn);
  setTabOrder(OKBtn, CancelBtn);

  smtp_password->installEventFilter(this);
  connect(smtp_sw, &QCheckBox::toggled, this, guard([this] { smtp_swClick(); }));
  connect(OKBtn, &QPushButton::clicked, this, guard([this] { OKBtnClick(); }));
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);  // Escape and the close box come here too
  zarvel::name_controls(this);                                        // fields by their captions, for screen readers
}

QString TSmtpDlg::method() const {
  if (RadioButton1->isChecked()) return RadioButton1->text();
  if (RadioButton2->isChecked()) return RadioButton2->text();
  return RadioButton3->text();
}

void TSmtpDlg::smtp_sw_check() {
  IniFile ini(ini_path);
  try {
    ini.load();
  } catch (...) {
    // An unreadable file is reported; the dialog keeps what it holds, and
    // whoever asked for the load goes on with its own steps.
    report_current_exception();
    return;
  }
  // A key that is missing reads as the design value, not as what the control
  // holds: after Cancel the dialog, and the send, must not keep an edit the
  // user threw away. (At the first load the two are the same.) Only a stored
  // password is decoded; nothing stored means no password.
  smtp_sw->setChecked(ini.read_bool(kServerSection, "smtp_check1", false));  // a change runs smtp_swClick
  smtp_id->setText(from_cp932(ini.read_string(kServerSection, "smtp_user", {})));
  if (ini.contains(kServerSection, "smtp_password")) {
    const Bytes stored = ini.read_string(kServerSection, "smtp_password", {});
    smtp_password->setText(from_cp932(PzConv1.JisToSjis(PzConv1.DecodeBase64(stored))));
  } else {
    smtp_password->clear();
  }
  smtp_auth_mode = ini.read_string(kServerSection, "smtp_auth", {});
  if (smtp_auth_mode.empty()) smtp_auth_mode.assign(1, '0');
  if (smtp_auth_mode == "0")
    RadioButton1->setChecked(true);
  else if (smtp_auth_mode == "1")
    RadioButton2->setChecked(true);
  else
    RadioButton3->setChecked(true);
  smtp_swClick();
}

void TSmtpDlg::smtp_swClick() {
  const bool own_account = !smtp_sw->isChecked();
  for (QWidget* w :
       {static_cast<QWidget*>(smtp_id), static_cast<QWidget*>(smtp_id_label), static_cast<QWidget*>(smtp_password),
        static_cast<QWidget*>(smtp_password_label), static_cast<QWidget*>(Label1)})
    w->setEnabled(own_account);
}

void TSmtpDlg::smtp_passwordClick() { smtp_password->selectAll(); }

void TSmtpDlg::save() {
  IniFile ini(ini_path);
  ini.load();
  ini.write_string(kServerSection, "smtp_Password", PzConv1.EncodeBase64(to_cp932(smtp_password->text())));
  ini.write_bool(kServerSection, "smtp_check1", smtp_sw->isChecked());
  ini.write_string(kServerSection, "smtp_user", to_cp932(smtp_id->text()));
  smtp_auth_mode.assign(1, RadioButton3->isChecked() ? '2' : RadioButton2->isChecked() ? '1' : '0');
  ini.write_string(kServerSection, "smtp_auth", smtp_auth_mode);
  ini.save();
}

// The dialog closes with the OK result even when the file cannot be
// written; its close then loads what the file holds, and the failure is
// reported after.
void TSmtpDlg::OKBtnClick() {
  std::exception_ptr failure;
  try {
    save();
  } catch (...) {
    failure = std::current_exception();
  }
  accept();
  if (failure) std::rethrow_exception(failure);
}

void TSmtpDlg::FormShow() { smtp_sw_check(); }
void TSmtpDlg::FormClose() { smtp_sw_check(); }

void TSmtpDlg::done(int result) {
  QDialog::done(result);
  guarded([this] { FormClose(); });
}

// The window system showing the dialog again (after a minimise) is no new
// showing: it must not throw away what is being typed.
void TSmtpDlg::showEvent(QShowEvent* e) {
  if (e->spontaneous()) {
    QDialog::showEvent(e);
    return;
  }
  zarvel::centre_on_screen(this);
  QDialog::showEvent(e);
  guarded([this] { FormShow(); });
}

bool TSmtpDlg::eventFilter(QObject* watched, QEvent* e) {
  if (watched == smtp_password && e->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
    guarded([this] { smtp_passwordClick(); });
  return QDialog::eventFilter(watched, e);
}
