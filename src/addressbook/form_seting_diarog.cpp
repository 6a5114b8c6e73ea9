#include "addressbook/form_seting_diarog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include "platform/error_report.h"
#include "platform/window_size.h"
#include "ui/accessibility.h"
#include "ui/fonts.h"
#include "ui/widget_edit.h"
#include "ui/window_placement.h"

using namespace zarvel;

namespace {

// A caption directly above its field; its accelerator focuses the field.
QLabel* caption_above(QWidget* parent, const QString& text, QWidget* field) {
  auto* l = new QLabel(text, parent);
  l->adjustSize();
  l->move(field->x(), field->y() - 3 - l->height());
  l->setBuddy(field);
  return l;
}

}  // namespace

Tseting_diarog::Tseting_diarog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
  setFont(proportional_font());
  setFixedSize(187, 117);
  zarvel::keep_fixed_size(this);
  setModal(true);

  edit_mail = new TEdit(this);
  edit_mail->setGeometry(11, 20, 165, 20);
  Label1 = caption_above(this, QStringLiteral("宛先(&A)"), edit_mail);
  edit_address = new TEdit(this);
  edit_address->setGeometry(12, 60, 164, 20);
  Label2 = caption_above(this, QStringLiteral("メールアドレス(&M)"), edit_address);

  Button1 = new QPushButton(QStringLiteral("OK(&S)"), this);
  Button1->setGeometry(11, 87, 77, 25);
  Button2 = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ(&C)"), this);
  Button2->setGeometry(100, 87, 77, 25);
  // No default button (an auto-default one would become the default when
  // the dialog shows): Enter in a field moves on, and presses only the
  // button that has the focus (see eventFilter).
  for (QPushButton* b : {Button1, Button2}) {
    b->setAutoDefault(false);
    b->setDefault(false);
    b->installEventFilter(this);
  }

  setTabOrder(edit_mail, edit_address);
  setTabOrder(edit_address, Button1);
  setTabOrder(Button1, Button2);

  edit_mail->installEventFilter(this);
  edit_address->installEventFilter(this);
  connect(edit_mail, &QLineEdit::textChanged, this, guard([this] { edit_mailChange(); }));
  connect(edit_address, &QLineEdit::textChanged, this, guard([this] { edit_addressChange(); }));
  connect(Button1, &QPushButton::clicked, this, guard([this] { Button1Click(); }));
  connect(Button2, &QPushButton::clicked, this, guard([this] { Button2Click(); }));
  zarvel::name_controls(this);  // fields by their captions, for screen readers
}

Tseting_diarog::Outcome Tseting_diarog::ask(const QString& title, const QString& name, const QString& address) {
  setWindowTitle(title);
  edit_mail->setText(name);
  edit_address->setText(address);
  exec();
  return outcome;
}

void Tseting_diarog::FormShow() {
  edit_mail->setFocus();
  edit_check();
}

void Tseting_diarog::edit_check() {
  Button1->setEnabled(!edit_mail->text().isEmpty() && !edit_address->text().isEmpty());
}

void Tseting_diarog::edit_mailChange() { edit_check(); }
void Tseting_diarog::edit_addressChange() { edit_check(); }

void Tseting_diarog::Button1Click() {
  outcome = Outcome::Accepted;
  accept();
}

void Tseting_diarog::Button2Click() { reject(); }

// The close box (and every other way out but OK) refuses, whatever the
// previous showing left.
void Tseting_diarog::reject() {
  outcome = Outcome::Refused;
  QDialog::reject();
}

// The whole window, title bar included, goes to the middle of the screen.
void Tseting_diarog::showEvent(QShowEvent* e) {
  zarvel::centre_on_screen(this);
  QDialog::showEvent(e);
  guarded([this] { FormShow(); });
}

// The dialog has no cancel key: Escape does not throw away what was typed.
void Tseting_diarog::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

// Enter in either field moves to the next control in tab order (a disabled
// OK is skipped); the key itself goes nowhere. Enter on a button presses it.
bool Tseting_diarog::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    const auto* ke = static_cast<QKeyEvent*>(e);
    if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
      if (watched == edit_mail || watched == edit_address) {
        focusNextChild();
        return true;
      }
      if (watched == Button1 || watched == Button2) {
        static_cast<QPushButton*>(watched)->click();
        return true;
      }
    }
  }
  return QDialog::eventFilter(watched, e);
}
