// The send button: one send through the progress window, then the outcome
// in the status bar and, for a failure, in a message box with the
// transport's own text.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstring>

#include "mail/form_mailsend.h"
#include "platform/dialogs.h"
#include "platform/error_report.h"
#include "ui/colors.h"
#include "ui/form_main.h"
#include "ui/widget_statusbar.h"

using namespace zarvel;

void TForm1::connect_send() {
  connect(cmdSend, &QPushButton::clicked, this, guard([this] { cmdSendClick(); }));
}

void TForm1::cmdSendClick() {
  Tmailsend* progress = windows_->mailsend;
  if (progress->isVisible()) return;  // one send at a time
  StatusBar1->set_auto_hint(false);
  progress->set_edit_colour(kSendingRed);
  progress->Edit1->setText(QStringLiteral("只今、送信中！"));
  progress->Label1->setText(QStringLiteral("しばらくお待ちください。"));
  progress->exec();

  const QString error = from_cp932(std::string_view(send_error, strnlen(send_error, sizeof send_error)));
  switch (send_result) {
    case kSendPop3Failed:
      StatusBar1->set_panel_text(0, QStringLiteral("POP3認証に失敗しました。"));
      error_box(QStringLiteral("POP3認証に失敗しました。\n") + error, progress->failure_detail());
      break;
    case kSendFailed:
      StatusBar1->set_panel_text(0, QStringLiteral("送信に失敗しました。"));
      error_box(QStringLiteral("送信に失敗しました。\n") + error, progress->failure_detail());
      break;
    case kSendDone:
      StatusBar1->set_panel_text(1, QStringLiteral("送信済"));
      break;
    default:  // kSendNoConnection: the dial-up has told the user already
      break;
  }
  StatusBar1->set_panel_text(0, QString());
  hint_checkClick();
  send_sw_check();
  subject_memo_sw();
}
