// The main window's frame: creation, first showing, shut-down, view
// switching, status-bar hints, help, and the keys and mouse messages the
// window sees before its controls do.
#include "ui/form_main.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusTipEvent>
#include <QToolButton>

#include "addressbook/form_seting_diarog.h"
#include "compose/form_kaomoji.h"
#include "mail/form_mailsend.h"
#include "mail/form_smtpdlg.h"
#include "platform/dialogs.h"
#include "platform/error_report.h"
#include "platform/shell.h"
#include "platform/window_size.h"
#include "ui/accessibility.h"
#include "ui/fonts.h"
#include "ui/form_about.h"
#include "ui/widget_listview.h"
#include "ui/widget_statusbar.h"
#include "ui/widget_toolseparator.h"

using namespace zarvel;

namespace {

// Qt lays out a new line edit's empty text in the application's font before
// the edit takes its parent's: the compose view's first edit would open the
// desktop font (its matching and fallbacks, a twentieth of the start) for
// nothing. While the windows are built the application font is theirs,
// without the pictogram fallback (an edit that shows pictograms gets it from
// its own font); then the desktop's comes back, and a window made meanwhile
// without a font of its own (a menu) takes it up again.
class WindowsFontWhileBuilt {
 public:
  WindowsFontWhileBuilt() : desktop_(QGuiApplication::font()) { QGuiApplication::setFont(caption_font()); }
  ~WindowsFontWhileBuilt() {
    QGuiApplication::setFont(desktop_);
    QEvent change(QEvent::ApplicationFontChange);
    for (QWidget* w : QApplication::topLevelWidgets())
      if (!w->testAttribute(Qt::WA_SetFont)) QCoreApplication::sendEvent(w, &change);
  }
  WindowsFontWhileBuilt(const WindowsFontWhileBuilt&) = delete;
  WindowsFontWhileBuilt& operator=(const WindowsFontWhileBuilt&) = delete;

 private:
  const QFont desktop_;
};

}  // namespace

AppWindows::AppWindows(const StartOptions& options) {
  const WindowsFontWhileBuilt font_while_built;
  Form1 = new TForm1(options, this);
  AboutBox.set_factory([this] { return new TAboutBox(Form1); });
  mailsend.set_factory([this] { return new Tmailsend(Form1); });
  seting_diarog.set_factory([this] { return new Tseting_diarog(Form1); });
  SmtpDlg = new TSmtpDlg(Form1);
  // The palette's place is read now, as its creation would.
  kaomoji.set_factory([this, placement = Tkaomoji::read_placement(Form1)] {
    auto* palette = new Tkaomoji(Form1, placement);
    Form1->palette_built(palette);
    return palette;
  });
}

AppWindows::~AppWindows() { delete Form1; }  // the others are its children

TForm1::TForm1(const StartOptions& options, AppWindows* windows)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      signature_files{{options.data_folder + QStringLiteral("signa1.txt"), kTextFile},
                      {options.data_folder + QStringLiteral("signa2.txt"), kTextFile}},
      kept_file(options.data_folder + QStringLiteral("close.txt"), kTextFile),
      kaomoji_file(options.data_folder + QStringLiteral("kaomoji.txt"), kTextFile),
      address_book_file(options.data_folder + QStringLiteral("zarvel.csv"), kAddressBookFile),
      history_file(options.data_folder + QStringLiteral("send.txt"), kHistoryFile),
      windows_(windows) {
  forget_backups();  // a new run
  // The two files that can be large are read while the window is built.
  address_book_file.prefetch();
  history_file.prefetch();
  install_accessible_factory();  // before the first control: a control's interface, once made, stays
  data_folder = options.data_folder;
  help_file = options.help_file;
  setWindowTitle(QStringLiteral("zarvel"));
  setFixedSize(280, 359);
  keep_fixed_size(this);
  move(373, 216);  // the design position, kept when the settings file has none
  setFont(proportional_font());
  build_tool_bar();
  build_compose_view();
  // The other views are built when first needed (history_view_needed,
  // address_book_view_needed, settings_view_needed).
  StatusBar1 = new TStatusBar(this);
  StatusBar1->setFont(caption_font());
  StatusBar1->setGeometry(0, 338, 280, 21);
  StatusBar1->set_panel_text(2, QStringLiteral("半角： 0"));
  connect_handlers();
  set_up_access();
  FormCreate();
}

TForm1::~TForm1() { qApp->removeEventFilter(this); }

void TForm1::connect_handlers() {
  connect(ToolButton1, &QToolButton::clicked, this, guard([this] { ToolButton1Click(); }));
  connect(ToolButton6, &QToolButton::clicked, this, guard([this] { ToolButton6Click(); }));
  connect(ToolButton2, &QToolButton::clicked, this, guard([this] { ToolButton2Click(); }));
  connect(ToolButton3, &QToolButton::clicked, this, guard([this] { ToolButton3Click(); }));
  connect(ToolButton4, &QToolButton::clicked, this, guard([this] { ToolButton4Click(); }));
  connect(ToolButton4, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu4->popup(ToolButton4->mapToGlobal(at)); });
  connect(About1, &QAction::triggered, this, guard([this] { About1Click(); }));
  connect(ToolButton5, &ToolSeparator::clicked, this, guard([this] { ToolButton5Click(); }));
  connect_compose();
  connect_signatures();
  connect_kept();
  connect_palette();
  connect_address_book();
  connect_history();
  connect_send();
}

void TForm1::FormCreate() {
  // 1. data_folder was settled from the start options.
  // 2. Settings; without a file the window is centred and the ports standard.
  settings_read();
  // 3. Signature files.
  signatures_load();
  // 4. Empty compose fields: the design texts are never shown.
  Memo1->clear();
  subject->clear();
  To_name->clear();
  To_address->clear();
  // 5. Every view stands where the compose view stands; only that one shows
  //    (the others, hidden, when they are built).
  // 6. The error handler is the application object's (and every handler is
  //    guarded).
  // 7. Dependent controls in line with the loaded settings (those of the
  //    settings view when it is built).
  if (settings_view_built()) {
    pop_checkClick();
    smtp_checkClick();
  }
  signatureClick();
  signature_selcte();
  hint_checkClick();
  // 8. The compose view.
  Panel1->show();
  ToolButton1->setChecked(true);
  // 9. The message filter: keys for the window first, right clicks on the
  //    picker never.
  qApp->installEventFilter(this);
  StatusBar1->raise();
}

// A view built late waits, hidden, where the compose view stands.
void TForm1::stand_hidden(QFrame* view) {
  view->hide();
  view->move(-1, 39);
}

void TForm1::history_view_needed() {
  build_history_view();
  stand_hidden(Panel6);
  connect_history_view();
  set_up_history_access();
  StatusBar1->raise();
}

void TForm1::address_book_view_needed() {
  build_address_book_view();
  stand_hidden(Panel3);
  connect_address_book_view();
  set_up_address_book_access();
  StatusBar1->raise();
}

void TForm1::settings_view_needed() {
  build_settings_view();
  stand_hidden(Panel2);
  apply_settings();
  connect(hint_check, &QCheckBox::toggled, this, guard([this] { hint_checkClick(); }));
  connect_server_page();
  connect_signature_page();
  // The dependent controls in line with the values, as at creation.
  pop_checkClick();
  smtp_checkClick();
  signatureClick();
  set_up_settings_access();
  StatusBar1->raise();
}

void TForm1::FormShow() {
  // One file that cannot be read does not keep the others from loading.
  guarded([this] { windows_->SmtpDlg->smtp_sw_check(); });
  guarded([this] { send_sw_check(); });
  subject->setFocus();
  guarded([this] { astaki_read(); });
  guarded([this] { send_read(); });
  guarded([this] { kaomoji_load(); });
  guarded([this] { kept_check(); });
}

void TForm1::tell_file_problem(const QString& path, FileState state, FormProblem problem) {
  const QString text = load_message(path, state, problem);
  if (!text.isEmpty()) dialogs().message(QStringLiteral("zarvel"), text, MessageIcon::Warning, this);
}

void TForm1::FormClose() {
  // The settings come first; when they fail the data files are still saved,
  // and the settings' failure is the one reported.
  std::exception_ptr settings_failure;
  try {
    settings_write();
  } catch (...) {
    settings_failure = std::current_exception();
  }
  try {
    astaki_write();
    send_write();
    data_save();
    signatures_write();
    if (windows_->kaomoji.built() && windows_->kaomoji->isVisible()) windows_->kaomoji->close_palette();
  } catch (...) {
    if (!settings_failure) throw;
  }
  if (settings_failure) std::rethrow_exception(settings_failure);
}

void TForm1::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (shown_once_) return;
  shown_once_ = true;
  guarded([this] { FormShow(); });
}

void TForm1::closeEvent(QCloseEvent* e) {
  try {
    FormClose();
  } catch (...) {
    e->ignore();  // the window stays open; closing again repeats it all
    report_current_exception();
    return;
  }
  e->accept();
  emit closed();
}

bool TForm1::compose_view_shown() const { return ToolButton1->isChecked(); }

void TForm1::show_view(QFrame* panel, QToolButton* button) {
  for (QFrame* p : {Panel1, Panel6.built(), Panel3.built(), Panel2.built()})
    if (p && p != panel) p->hide();
  panel->show();
  StatusBar1->raise();
  for (QToolButton* b : {ToolButton1, ToolButton6, ToolButton2, ToolButton3}) b->setChecked(b == button);
  // A control that was hidden with its view must not keep the focus:
  // typing would go into a field nobody sees. The view's own steps may
  // then put the focus elsewhere.
  if (QWidget* fw = QApplication::focusWidget(); !fw || (fw->window() == this && !fw->isVisible()))
    focus_first_control(panel);
}

void TForm1::focus_first_control(QWidget* panel) {
  for (QWidget* w = panel->nextInFocusChain(); w && w != panel; w = w->nextInFocusChain()) {
    if (panel->isAncestorOf(w) && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

void TForm1::ToolButton1Click() {
  show_view(Panel1, ToolButton1);
  mojisu();
  subject_memo_sw();
  signature_selcte0();
  set_palette_hints(QStringLiteral("ダブルクリックで貼り付け"));
}

void TForm1::ToolButton6Click() {
  show_view(Panel6, ToolButton6);
  enter_history_view();
}

void TForm1::ToolButton2Click() {
  show_view(Panel3, ToolButton2);
  enter_address_book_view();
}

void TForm1::ToolButton3Click() {
  show_view(Panel2, ToolButton3);
  StatusBar1->set_panel_text(2, QString());
  set_palette_hints(QString());
}

void TForm1::ToolButton4Click() { shell().open_help(help_file, 1, this); }

void TForm1::About1Click() { windows_->AboutBox->exec(); }

void TForm1::ToolButton5Click() { windows_->AboutBox->exec(); }

void TForm1::hint_checkClick() { StatusBar1->set_auto_hint(hint_on()); }

bool TForm1::event(QEvent* e) {
  if (e->type() == QEvent::StatusTip) {
    if (StatusBar1 && StatusBar1->auto_hint()) StatusBar1->set_panel_text(0, static_cast<QStatusTipEvent*>(e)->tip());
    return true;
  }
  return QWidget::event(e);
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
  switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
      const auto* me = static_cast<QMouseEvent*>(e);
      if (me->button() == Qt::RightButton && (watched == ListView1 || watched == ListView1->viewport()))
        return true;  // the right button does nothing on the picker
      if (e->type() == QEvent::MouseButtonRelease && me->button() == Qt::LeftButton) {
        if (watched == subject)
          guarded([this] { subjectClick(); });
        else if (watched == Memo1->viewport())
          guarded([this] { Memo1Click(); });
      }
      // Any button, as on the recipient fields: the preview never keeps the caret.
      if (e->type() == QEvent::MouseButtonRelease) {
        if (watched == Memo2->viewport())
          guarded([this] { Memo2Click(); });
        else if (watched == To_name)
          guarded([this] { To_nameMouseUp(); });
        else if (watched == To_address)
          guarded([this] { To_addressMouseUp(); });
      }
      break;
    }
    case QEvent::ContextMenu:
      if (watched == ListView1 || watched == ListView1->viewport()) return true;
      break;
    case QEvent::FocusOut: {
      // Leaving for another window (the palette) is not leaving the field.
      const auto reason = static_cast<QFocusEvent*>(e)->reason();
      if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) break;
      if (watched == subject)
        guarded([this] { subjectExit(); });
      else if (watched == Memo1)
        guarded([this] { Memo1Exit(); });
      break;
    }
    case QEvent::KeyPress: {
      const auto* ke = static_cast<QKeyEvent*>(e);
      auto* w = qobject_cast<QWidget*>(watched);
      if (!w) break;
      if (ke->key() == Qt::Key_Escape && ke->modifiers() == Qt::NoModifier &&
          (w->window() == this || w->window() == windows_->kaomoji.built())) {
        close();
        return true;
      }
      if (watched == subject && (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter)) {
        focusNextChild();  // on to the body; the key itself goes nowhere
        return true;
      }
      break;
    }
    default:
      break;
  }
  return QWidget::eventFilter(watched, e);
}
