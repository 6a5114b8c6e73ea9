// TSmtpDlg: the SMTP authentication dialog.
#pragma once

#include <QDialog>

class TSmtpDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TSmtpDlg(QWidget* parent = nullptr);
  void smtp_sw_check();
};
