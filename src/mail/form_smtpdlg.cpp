#include "mail/form_smtpdlg.h"

TSmtpDlg::TSmtpDlg(QWidget* parent) : QDialog(parent) {}

void TSmtpDlg::smtp_sw_check() {}
