#include "mail/form_mailsend.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>
#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "app/file_io.h"
#include "app/ini_sections.h"
#include "app/profile.h"
#include "mail/form_smtpdlg.h"
#include "mail/tls_memory.h"
#include "mail/transport.h"
#include "mail/transport_args.h"
#include "platform/dialup.h"
#include "platform/error_report.h"
#include "platform/window_size.h"
#include "text/cp932.h"
#include "ui/accessibility.h"
#include "ui/colors.h"
#include "ui/fonts.h"
#include "ui/form_main.h"
#include "ui/svg_icon.h"
#include "ui/widget_picture.h"
#include "ui/widget_statusbar.h"
#include "ui/window_placement.h"

using namespace zarvel;

namespace {

using ErrorBuffer = std::array<char, kTransportErrorSize>;

Bytes text_of(const QLineEdit* e) { return to_cp932(e->text()); }

// The key of the settings file that lists the servers (host:port) that have
// spoken TLS with the program.
constexpr std::string_view kTlsServersKey = "tls_servers";

// A pause that a stop ends early.
void pause_for(int ms, const std::atomic<bool>* stop = nullptr) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!(stop && stop->load()) && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// The arguments of one transport call, copied off the widgets, and what the
// call gave back.
struct Pop3Call {
  Bytes server, account, password, directory;
  ErrorBuffer error{};
  std::string dialogue;
  alignas(void*) std::array<unsigned char, kTransportResultSize> result{};
  bool ok = false;
};

struct SendCall {
  Bytes server, recipient, sender, subject, body;
  ErrorBuffer error{};
  std::string dialogue;
  int pause_ms = 0;
  std::shared_ptr<std::atomic<bool>> stop;
  bool ok = false;
};

}  // namespace

Tmailsend::Tmailsend(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      form_(qobject_cast<TForm1*>(parent)) {
  setWindowTitle(QStringLiteral("zarvel"));  // replaced at every showing
  setFont(proportional_font());
  setFixedSize(217, 74);
  zarvel::keep_fixed_size(this);
  setModal(true);

  GroupBox1 = new QGroupBox(this);
  GroupBox1->setGeometry(1, 0, 214, 71);

  Image1 = new PictureLabel(svg_icon(QStringLiteral(":/icons/sending.svg")), GroupBox1);
  Image1->setGeometry(22, 10, 38, 30);
  Image1->setAlignment(Qt::AlignCenter);

  Edit1 = new QLineEdit(QStringLiteral("只今、送信中！"), GroupBox1);
  Edit1->setGeometry(68, 15, 117, 24);
  Edit1->setReadOnly(true);
  Edit1->setFocusPolicy(Qt::NoFocus);
  Edit1->setFont(proportional_font(16));
  Edit1->setAutoFillBackground(true);
  set_edit_colour(kSendingRed);

  Label1 = new QLabel(QStringLiteral("しばらくお待ちください。"), GroupBox1);
  Label1->setGeometry(28, 47, 157, 15);
  Label1->setAlignment(Qt::AlignCenter);
  // A font wider or taller than the IPA fonts is narrowed to the width and
  // gets the height it needs, around the same centre.
  Label1->setFont(fitted_font(proportional_font(15), Label1->text(), Label1->width()));
  const int grow = em_box_shift(Label1->font());
  Label1->setGeometry(Label1->geometry().adjusted(0, -grow, 0, grow));
  QPalette p = Label1->palette();
  p.setColor(QPalette::WindowText, readable_on(p.color(QPalette::Window),
                                               {Qt::blue, p.color(QPalette::Link), p.color(QPalette::WindowText)}));
  Label1->setPalette(p);

  Timer1 = new QTimer(this);
  Timer1->setInterval(1000);
  Timer2 = new QTimer(this);
  Timer2->setInterval(10);
  connect(Timer1, &QTimer::timeout, this, guard([this] { Timer1Timer(); }));
  connect(Timer2, &QTimer::timeout, this, guard([this] { Timer2Timer(); }));

  // The big text is read by its words, and each change of it (and of
  // Label1, which the toolkit announces itself) is announced: the user
  // hears the send's progress without seeing the window.
  Edit1->setAccessibleName(Edit1->text());
  connect(Edit1, &QLineEdit::textChanged, Edit1, [this](const QString& text) { Edit1->setAccessibleName(text); });
  name_controls(this);
}

Tmailsend::~Tmailsend() { join_worker(); }

void Tmailsend::set_edit_colour(const QColor& background) {
  QPalette p = Edit1->palette();
  // The window colour of the standard light palette: a dark palette's would
  // not read on the red.
  const QColor window_colour = Qt::white;
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    p.setColor(group, QPalette::Base, background);
    p.setColor(group, QPalette::Text, window_colour);
  }
  Edit1->setPalette(p);
}

void Tmailsend::FormShow() {
  const QString name = form_->To_name->text();
  setWindowTitle(name.isEmpty() ? QStringLiteral("送信") : QStringLiteral("送信先 - ") + name + QStringLiteral("さん"));
  tick_count = 0;
  form_->send_result = kSendDone;
  sending_ = true;
  started_ = false;
  quit_done_ = false;
  in_call_ = accepted_ = stopped_ = false;
  stop_flag_ = std::make_shared<std::atomic<bool>>(false);
  failure_detail_.clear();
  transport().resume();
}

void Tmailsend::stop_send() {
  if (!sending_ || accepted_ || stopped_) return;
  stopped_ = true;
  stop_flag_->store(true);
  if (in_call_) {
    transport().abort();  // the call returns at once; its end goes on as usual
    return;
  }
  if (!started_) {  // not begun yet: it never will
    started_ = true;
    stopped_done();
  }
}

// The end of a stopped send: a failure with its own text, nothing recorded.
void Tmailsend::stopped_done() {
  write_error_text(form_->send_error, kTransportStoppedText);
  failure_detail_.clear();
  dialup().hangup();
  form_->send_result = kSendFailed;
  Timer2->start();
}

void Tmailsend::load_tls_memory() {
  try {
    IniFile ini(form_->ini_path());
    ini.load();
    add_remembered_tls_servers(from_cp932(ini.read_string(kServerSection, kTlsServersKey, {})).toStdString());
  } catch (const AppError&) {
    // What this run has learnt still holds.
  }
  tls_known_ = remembered_tls_servers();
}

// Written at once, one key, so that neither a crash nor the exit save (which
// rewrites only its own keys) loses it. A failed write is tried again at the
// next call.
void Tmailsend::save_tls_memory() {
  const std::string now = remembered_tls_servers();
  if (now == tls_known_) return;
  try {
    IniFile ini(form_->ini_path());
    ini.load();
    ini.write_string(kServerSection, kTlsServersKey, to_cp932(QString::fromStdString(now)));
    ini.save();
  } catch (const AppError&) {
  }
}

// A later activation of the same showing (the user coming back from another
// program during the completion texts) never starts a second send.
void Tmailsend::FormActivate() {
  if (!sending_ || started_) return;
  started_ = true;
  dialup_connect();
}

void Tmailsend::dialup_connect() {
  const TForm1::SettingsValues s = form_->current_settings();
  const int flags = s.auto_dail ? kAutodialForceUnattended : kAutodialForceOnline;
  std::vector<std::string> servers{s.smtp_server.toStdString()};
  if (s.pop_check) servers.push_back(s.pop_server.toStdString());
  if (!dialup().autodial(flags, servers)) {  // it has told the user itself
    form_->send_result = kSendNoConnection;
    Timer2->start();
    return;
  }
  if (s.pop_check)
    pop3_auth();
  else
    smtp_send();
}

void Tmailsend::pop3_auth() {
  const TForm1::SettingsValues s = form_->current_settings();
  auto job = std::make_shared<Pop3Call>();
  job->password = format_pop3_password(to_cp932(s.pop_password), s.apop_check);
  Label1->setText(QStringLiteral("POP3認証中..."));
  form_->StatusBar1->set_panel_text(0, QStringLiteral("** POP3認証中... **"));
  job->server = format_server(to_cp932(s.pop_server), to_cp932(s.pop_port));
  job->account = to_cp932(s.pop_Account);
  job->directory = QFile::encodeName(QDir::currentPath()).toStdString();
  std::memcpy(job->error.data(), form_->send_error, job->error.size());
  load_tls_memory();
  in_call_ = true;
  run_worker(
      [job] {
        Transport& t = transport();
        job->ok = t.pop3(job->server.c_str(), job->account.c_str(), job->password.c_str(), "STAT",
                         job->directory.c_str(), job->result.data(), job->error.data()) != 0;
        job->dialogue = t.last_dialogue();
        t.free_array(job->result.data());  // after failure too
      },
      [this, job] {
        in_call_ = false;
        save_tls_memory();
        std::memcpy(form_->send_error, job->error.data(), job->error.size());
        failure_detail_ = QString::fromStdString(job->dialogue);
        pop3_auth_done(job->ok);
      });
}

void Tmailsend::pop3_auth_done(bool ok) {
  if (stopped_) {
    stopped_done();
    return;
  }
  if (ok) {
    smtp_send();
    return;
  }
  repaint();
  dialup().hangup();
  form_->send_result = kSendPop3Failed;
  Timer2->start();
}

void Tmailsend::smtp_send() {
  TForm1* f = form_;
  const TSmtpDlg* dlg = f->windows()->SmtpDlg;
  const TForm1::SettingsValues s = f->current_settings();
  Bytes sender = format_sender(to_cp932(s.mailaddress));
  if (s.smtp_check) {
    // The POP3 password goes without the APOP prefix.
    const bool pop3_account = dlg->smtp_sw->isChecked();
    const Bytes user = pop3_account ? to_cp932(s.pop_Account) : text_of(dlg->smtp_id);
    const Bytes password = pop3_account ? to_cp932(s.pop_password) : text_of(dlg->smtp_password);
    sender = format_sender(to_cp932(s.mailaddress), user, password, to_cp932(dlg->method()));
  }
  Bytes body = to_cp932_crlf(f->Memo1->toPlainText());
  if (s.signature) body += "\r\n" + to_cp932_crlf(f->Memo2->toPlainText());
  Label1->setText(QStringLiteral("SMTPサーバに送信中..."));
  f->StatusBar1->set_panel_text(0, QStringLiteral("** SMTPサーバに送信中... **"));

  auto job = std::make_shared<SendCall>();
  job->server = format_server(to_cp932(s.smtp_server), to_cp932(s.smtp_port), 60);
  job->recipient = format_recipient(text_of(f->To_address));
  job->sender = sender;
  job->subject = text_of(f->subject);
  job->body = body;
  job->pause_ms = pause_ms;
  job->stop = stop_flag_;
  std::memcpy(job->error.data(), f->send_error, job->error.size());
  sent_name_ = text_of(f->To_name);
  sent_subject_ = job->subject;
  sent_body_ = body;
  load_tls_memory();
  in_call_ = true;
  run_worker(
      [job] {
        Transport& t = transport();
        job->ok = t.send_mail(job->server.c_str(), job->recipient.c_str(), job->sender.c_str(), job->subject.c_str(),
                              job->body.c_str(), "", job->error.data()) != 0;
        job->dialogue = t.last_dialogue();
        if (!job->ok) pause_for(job->pause_ms, job->stop.get());
      },
      [this, job] {
        in_call_ = false;
        save_tls_memory();
        std::memcpy(form_->send_error, job->error.data(), job->error.size());
        failure_detail_ = job->ok ? QString() : QString::fromStdString(job->dialogue);
        smtp_send_done(job->ok);
      });
}

void Tmailsend::smtp_send_done(bool ok) {
  if (ok) {
    accepted_ = true;  // whatever the user did meanwhile
  } else if (stopped_) {
    stopped_done();
    return;
  }
  if (!ok) {
    dialup().hangup();  // whatever the dial-up options say
    form_->send_result = kSendFailed;
    Timer2->start();
    return;
  }
  form_->send_add(sent_name_, sent_subject_, sent_body_);
  if (!form_->current_settings().auto_dail_close) {
    Timer1->start();
    return;
  }
  repaint();
  const int ms = pause_ms;
  run_worker([ms] { pause_for(ms); },
             [this] {
               dialup().hangup();
               Timer1->start();
             });
}

void Tmailsend::Timer1Timer() {
  if (tick_count == 2) {
    Timer1->stop();
    tick_count = 0;
    finish();
    return;
  }
  ++tick_count;
  Label1->setText(QStringLiteral("メールを送信しました。"));
  set_edit_colour(kSkyBlue);
  Edit1->setText(QStringLiteral("　 送信完了！"));
  form_->StatusBar1->set_panel_text(0, QStringLiteral("** 送信完了！ **"));
  form_->send_result = kSendDone;
  if (form_->current_settings().send_end && !quit_done_) {
    // The program ends through the main window's normal close. Once that
    // has closed, this window has nothing left to show.
    quit_done_ = true;
    if (form_->close()) {
      Timer1->stop();
      tick_count = 0;
      finish();
    }
  }
}

void Tmailsend::Timer2Timer() {
  Timer2->stop();
  finish();
}

void Tmailsend::finish() {
  sending_ = false;
  done(QDialog::Accepted);
}

void Tmailsend::reject() {
  if (sending_) {  // the close box and Escape stop the send; the timers close
    stop_send();
    return;
  }
  QDialog::reject();
}

void Tmailsend::run_worker(std::function<void()> work, std::function<void()> then) {
  join_worker();
  worker_ = std::thread([this, work = std::move(work), then = std::move(then)]() mutable {
    work();
    // Dropped unharmed if the window is gone; its destructor joins first.
    QMetaObject::invokeMethod(
        this,
        [this, then = std::move(then)] {
          join_worker();
          guarded(then);
        },
        Qt::QueuedConnection);
  });
}

void Tmailsend::join_worker() {
  if (worker_.joinable()) worker_.join();
}

// Only the showing by the program counts: the window system showing it
// again (after a minimise) must not reset a send under way.
void Tmailsend::showEvent(QShowEvent* e) {
  if (e->spontaneous()) {
    QDialog::showEvent(e);
    return;
  }
  zarvel::centre_on_screen(this);
  QDialog::showEvent(e);
  guarded([this] { FormShow(); });
  // The send starts when the window becomes active; where the platform does
  // not activate it (another program keeps the focus), it starts anyway.
  QTimer::singleShot(300, this, guard([this] {
                       if (isVisible()) FormActivate();
                     }));
}

bool Tmailsend::event(QEvent* e) {
  const bool handled = QDialog::event(e);
  if (e->type() == QEvent::WindowActivate) guarded([this] { FormActivate(); });
  return handled;
}
