#include "mail/form_mailsend.h"

Tmailsend::Tmailsend(QWidget* parent) : QDialog(parent) {}
