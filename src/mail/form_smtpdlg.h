// TSmtpDlg: the SMTP authentication dialog. The one instance lives for the
// whole run and, even while hidden, holds the SMTP AUTH values the send
// reads; it is loaded from zarvel.ini at the main window's first showing and
// at every showing and closing of its own.
#pragma once

#include <QDialog>

#include "app/pzconv.h"
#include "text/cp932.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TSmtpDlg : public QDialog {
  Q_OBJECT
 public:
  // The settings file is the one of the main window that owns the dialog.
  explicit TSmtpDlg(QWidget* parent = nullptr);

  QCheckBox* smtp_sw = nullptr;  // use the POP3 account
  QGroupBox* GroupBox1 = nullptr;
  QLabel* Label1 = nullptr;  // "送信用アカウント"
  QLineEdit* smtp_id = nullptr;
  QLabel* smtp_id_label = nullptr;
  QLineEdit* smtp_password = nullptr;
  QLabel* smtp_password_label = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QRadioButton* RadioButton1 = nullptr;  // CRAM-MD5
  QRadioButton* RadioButton2 = nullptr;  // LOGIN
  QRadioButton* RadioButton3 = nullptr;  // PLAIN
  QPushButton* OKBtn = nullptr;
  QPushButton* CancelBtn = nullptr;
  TPzConv PzConv1;

  // The stored method: "0" CRAM-MD5, "1" LOGIN, anything else PLAIN.
  zarvel::Bytes smtp_auth_mode;

  // The settings file read and written; set from the owner at creation.
  QString ini_path;

  // The caption of the selected method, as the transport wants it.
  QString method() const;

  void smtp_sw_check();  // load from the settings file
  void smtp_swClick();
  void smtp_passwordClick();
  void OKBtnClick();
  void FormShow();
  void FormClose();

 public slots:
  // Every way of closing (OK, Cancel, Escape, the close box) ends here.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void save();
};
