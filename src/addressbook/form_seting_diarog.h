// Tseting_diarog: the recipient add/edit dialog. The caller sets the title
// and both fields, shows it modally and reads `outcome`.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace zarvel {
class TEdit;
}

class Tseting_diarog : public QDialog {
  Q_OBJECT
 public:
  enum class Outcome { Refused, Accepted };

  explicit Tseting_diarog(QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;            // "宛先(&A)"
  zarvel::TEdit* edit_mail = nullptr;  // the display name
  QLabel* Label2 = nullptr;            // "メールアドレス(&M)"
  zarvel::TEdit* edit_address = nullptr;
  QPushButton* Button1 = nullptr;  // "OK(&S)"
  QPushButton* Button2 = nullptr;  // "ｷｬﾝｾﾙ(&C)"

  // Set by the two buttons; closing by the close box counts as refused.
  Outcome outcome = Outcome::Refused;

  // Titles the dialog, fills the fields and shows it modally.
  Outcome ask(const QString& title, const QString& name, const QString& address);

  void FormShow();
  void edit_check();
  void edit_mailChange();
  void edit_addressChange();
  void Button1Click();
  void Button2Click();

 public slots:
  void reject() override;

 protected:
  void showEvent(QShowEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
};
