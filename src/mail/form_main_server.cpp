// The server settings page: the two switches that exclude each other (POP
// before SMTP and SMTP AUTH), the standard ports and the button to the SMTP
// authentication dialog. The values themselves are read by the send and
// kept in zarvel.ini by the main window.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <functional>

#include "mail/form_smtpdlg.h"
#include "platform/error_report.h"
#include "ui/form_main.h"

using namespace zarvel;

namespace {

// Runs a handler when the left button is released over a widget: a click
// into an edit, after the edit has placed its caret.
class ClickFilter : public QObject {
 public:
  ClickFilter(QWidget* target, std::function<void()> on_click) : QObject(target), on_click_(std::move(on_click)) {
    target->installEventFilter(this);
  }
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
      guarded(on_click_);
    return QObject::eventFilter(watched, e);
  }

 private:
  std::function<void()> on_click_;
};

}  // namespace

void TForm1::connect_server_page() {
  connect(pop_check, &QCheckBox::toggled, this, guard([this] { pop_checkClick(); }));
  connect(smtp_check, &QCheckBox::toggled, this, guard([this] { smtp_checkClick(); }));
  connect(Button1, &QPushButton::clicked, this, guard([this] { Button1Click(); }));
  connect(SpeedButton1, &QToolButton::clicked, this, guard([this] { SpeedButton1Click(); }));
  connect(SpeedButton2, &QToolButton::clicked, this, guard([this] { SpeedButton2Click(); }));
  new ClickFilter(pop_password, [this] { pop_passwordClick(); });
}

// The POP3 fields keep their values while disabled: they are still saved.
void TForm1::pop_checkClick() {
  const bool on = pop_check->isChecked();
  for (QWidget* w :
       std::initializer_list<QWidget*>{pop_server, pop_server_label, pop_Account, pop_Account_label, pop_password,
                                       pop_password_label, pop_port, pop_port_label, apop_check, SpeedButton2})
    w->setEnabled(on);
  if (on) smtp_check->setChecked(false);  // its handler disables "設定(&U)"
}

void TForm1::smtp_checkClick() {
  const bool on = smtp_check->isChecked();
  Button1->setEnabled(on);
  if (on) pop_check->setChecked(false);  // its handler disables the POP3 fields
}

void TForm1::Button1Click() { windows()->SmtpDlg->exec(); }

void TForm1::SpeedButton1Click() { smtp_port->setText(QStringLiteral("25")); }

void TForm1::SpeedButton2Click() { pop_port->setText(QStringLiteral("110")); }

void TForm1::pop_passwordClick() { pop_password->selectAll(); }
