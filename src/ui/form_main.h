// TForm1, the main window: tool bar, status bar and the four views (compose,
// history, address book, settings). It owns every control of the views and
// the state that lives for the run. Its member functions are defined in the
// folder of the subsystem they belong to:
//   src/ui/form_main.cpp                     frame, start-up, shut-down, view switching
//   src/ui/form_main_layout.cpp              creation and placement of every control
//   src/app/form_main_settings.cpp           zarvel.ini at creation and close
//   src/compose/form_main_compose.cpp        compose fields, counter, send button rule
//   src/compose/form_main_signature.cpp      signatures
//   src/compose/form_main_kept.cpp           message kept at exit
//   src/compose/form_main_palette.cpp        quick list and palette opening
//   src/addressbook/form_main_addressbook.cpp address book file, picker, editing
//   src/history/form_main_history.cpp        history file and view
//   src/mail/form_main_send.cpp              send command
//   src/mail/form_main_server.cpp            server settings page
//   src/ui/form_main_access.cpp              screen-reader names, keyboard stand-ins
#pragma once

#include <QWidget>
#include <cstdint>
#include <utility>

#include "app/data_file.h"
#include "app/main_settings.h"
#include "app/pzconv.h"
#include "text/cp932.h"
#include "ui/on_demand.h"
#include "ui/start_options.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QAction;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QToolButton;

// last_input: the compose field the caret goes back to.
inline constexpr int kInputNone = 0;
inline constexpr int kInputSubject = 1;
inline constexpr int kInputBody = 2;

// send_result: how the last send ended.
inline constexpr int kSendDone = 0;
inline constexpr int kSendPop3Failed = 1;
inline constexpr int kSendFailed = 2;
inline constexpr int kSendNoConnection = 9;  // the dial-up has told the user already

class TForm1;
class TAboutBox;
class Tmailsend;
class Tseting_diarog;
class TSmtpDlg;
class Tkaomoji;

namespace zarvel {
class TListView;
class TStatusBar;
class ToolSeparator;
class BodyCounter;
class RecipientModel;
class HistoryModel;
}  // namespace zarvel

// The six windows of one run, created in their fixed order and destroyed
// together.
class AppWindows {
 public:
  explicit AppWindows(const StartOptions& options);
  ~AppWindows();
  AppWindows(const AppWindows&) = delete;
  AppWindows& operator=(const AppWindows&) = delete;

  // The windows that hold nothing for the run are built when first used;
  // the SMTP dialog holds what the send reads, so it is made at once.
  TForm1* Form1 = nullptr;
  zarvel::OnDemand<TAboutBox> AboutBox;
  zarvel::OnDemand<Tmailsend> mailsend;
  zarvel::OnDemand<Tseting_diarog> seting_diarog;
  TSmtpDlg* SmtpDlg = nullptr;
  zarvel::OnDemand<Tkaomoji> kaomoji;
};

class TForm1 : public QWidget {
  Q_OBJECT
  friend class AppWindows;

 public:
  TForm1(const StartOptions& options, AppWindows* windows);
  ~TForm1() override;

  // ---- state that lives for the run
  QString data_folder;  // always ends with "/"
  QString help_file;
  int last_input = kInputNone;  // the compose field used last
  int send_result = kSendDone;  // outcome of the last send
  char send_error[81] = {};     // the transport's error text
  TPzConv PzConv1;
  int rireki_max = 100;     // history limit, fixed for the run
  int signature_sel = 0;    // stored signature choice, applied at start
  int history_index = 0;    // the history entry selected last
  int history_split = 120;  // the history list's height

  // ---- tool bar and status bar
  QWidget* ToolBar1 = nullptr;
  QToolButton* ToolButton1 = nullptr;  // compose
  QToolButton* ToolButton6 = nullptr;  // history
  QToolButton* ToolButton2 = nullptr;  // address book
  zarvel::ToolSeparator* ToolButton7 = nullptr;
  QToolButton* ToolButton3 = nullptr;            // settings
  zarvel::ToolSeparator* ToolButton5 = nullptr;  // opens the About box
  QToolButton* ToolButton4 = nullptr;            // help, with its menu
  QMenu* PopupMenu4 = nullptr;
  QAction* About1 = nullptr;
  zarvel::TStatusBar* StatusBar1 = nullptr;

  // ---- compose view
  QFrame* Panel1 = nullptr;
  zarvel::TListView* ListView1 = nullptr;  // picker
  QLabel* Label2 = nullptr;
  QLineEdit* To_name = nullptr;
  QLabel* Label3 = nullptr;
  QLineEdit* To_address = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* subject = nullptr;
  QPlainTextEdit* Memo1 = nullptr;  // body
  QPlainTextEdit* Memo2 = nullptr;  // signature preview
  QRadioButton* sign1 = nullptr;
  QRadioButton* sign2 = nullptr;
  QListWidget* ListBox1 = nullptr;  // quick list
  QPushButton* cmdSend = nullptr;
  QPushButton* cmdClear = nullptr;
  QPushButton* BitBtn2 = nullptr;  // restore
  QPushButton* BitBtn1 = nullptr;  // palette

  // ---- history view: built when first shown or first used (the entries
  // live in `history` from the start).
  zarvel::OnDemandGroup history_view_{[this] { history_view_needed(); }};
  template <class W>
  using ViewControl = zarvel::OnDemandControl<W>;
  static constexpr int kHistoryAreaHeight = 266;  // the list and the entry below it
  static constexpr int kHistoryHandleWidth = 6;
  ViewControl<QFrame> Panel6{&history_view_};
  ViewControl<QWidget> Panel7{&history_view_};
  ViewControl<zarvel::TListView> ListView3{&history_view_};
  ViewControl<QSplitter> Splitter3{&history_view_};
  ViewControl<QFrame> Panel4{&history_view_};
  ViewControl<QLabel> Label4{&history_view_};   // "宛先 : "
  ViewControl<QLabel> Label5{&history_view_};   // "送信日時 : "
  ViewControl<QLabel> Label7{&history_view_};   // "件名 : "
  ViewControl<QLabel> Label8{&history_view_};   // name
  ViewControl<QLabel> Label9{&history_view_};   // subject
  ViewControl<QLabel> Label10{&history_view_};  // send time
  ViewControl<QPlainTextEdit> Memo4{&history_view_};
  ViewControl<QPushButton> Button2{&history_view_};
  bool history_view_built() const { return history_view_.built(); }
  bool history_top_selected_ = false;  // a send before the view was built

  // ---- address-book view: built when first shown or first used (the
  // entries live in `address_book` from the start).
  zarvel::OnDemandGroup address_book_view_{[this] { address_book_view_needed(); }};
  ViewControl<QFrame> Panel3{&address_book_view_};
  ViewControl<zarvel::TListView> ListView2{&address_book_view_};  // edit list, the master copy
  ViewControl<QPushButton> listview2_down{&address_book_view_};
  ViewControl<QPushButton> listview2_up{&address_book_view_};
  ViewControl<QPushButton> edit_tuika{&address_book_view_};
  ViewControl<QPushButton> edit_hensyu{&address_book_view_};
  ViewControl<QPushButton> listview2_del{&address_book_view_};
  bool address_book_view_built() const { return address_book_view_.built(); }

  // ---- settings view: built when first shown or first used. Until then
  // `settings_` holds what its controls would hold.
  zarvel::OnDemandGroup settings_view_{[this] { settings_view_needed(); }};
  template <class W>
  using SettingsControl = zarvel::OnDemandControl<W>;
  // The file's keys (the window's own state among them only while read or
  // written) and the two signatures.
  struct SettingsValues : zarvel::MainSettings {
    QString signature_text[2];  // Memo3, Memo5
  };
  SettingsValues settings_;
  // What the controls hold once built, else settings_.
  SettingsValues current_settings() const;
  void apply_settings();  // settings_ into the controls just built
  bool settings_view_built() const { return settings_view_.built(); }
  bool signature_on() const;
  bool hint_on() const;
  QString signature_text(int i) const;
  void set_signature_text(int i, const QString& text);
  SettingsControl<QFrame> Panel2{&settings_view_};
  SettingsControl<QFrame> Bevel1{&settings_view_};
  SettingsControl<QTabWidget> PageControl1{&settings_view_};
  SettingsControl<QWidget> TabSheet1{&settings_view_};
  SettingsControl<QWidget> TabSheet2{&settings_view_};
  SettingsControl<QWidget> TabSheet3{&settings_view_};
  // server page
  SettingsControl<QGroupBox> GroupBox1{&settings_view_};
  SettingsControl<QLineEdit> smtp_server{&settings_view_};
  SettingsControl<QLabel> smtp_server_label{&settings_view_};
  SettingsControl<QLineEdit> smtp_port{&settings_view_};
  SettingsControl<QLabel> smtp_port_label{&settings_view_};
  SettingsControl<QToolButton> SpeedButton1{&settings_view_};
  SettingsControl<QLineEdit> mailaddress{&settings_view_};
  SettingsControl<QLabel> mailaddress_label{&settings_view_};
  SettingsControl<QCheckBox> smtp_check{&settings_view_};
  SettingsControl<QPushButton> Button1{&settings_view_};
  SettingsControl<QCheckBox> pop_check{&settings_view_};
  SettingsControl<QCheckBox> apop_check{&settings_view_};
  SettingsControl<QLineEdit> pop_server{&settings_view_};
  SettingsControl<QLabel> pop_server_label{&settings_view_};
  SettingsControl<QLineEdit> pop_port{&settings_view_};
  SettingsControl<QLabel> pop_port_label{&settings_view_};
  SettingsControl<QToolButton> SpeedButton2{&settings_view_};
  SettingsControl<QLineEdit> pop_Account{&settings_view_};
  SettingsControl<QLabel> pop_Account_label{&settings_view_};
  SettingsControl<QLineEdit> pop_password{&settings_view_};
  SettingsControl<QLabel> pop_password_label{&settings_view_};
  // options page
  SettingsControl<QGroupBox> GroupBox2{&settings_view_};
  SettingsControl<QCheckBox> auto_dail{&settings_view_};
  SettingsControl<QCheckBox> auto_dail_close{&settings_view_};
  SettingsControl<QLabel> dialup_note{&settings_view_};
  SettingsControl<QGroupBox> GroupBox4{&settings_view_};
  SettingsControl<QLabel> rirekisu_label{&settings_view_};
  SettingsControl<QSpinBox> rirekisu{&settings_view_};
  SettingsControl<QLabel> rirekisu_unit{&settings_view_};
  SettingsControl<QLabel> rirekisu_note{&settings_view_};
  SettingsControl<QGroupBox> GroupBox3{&settings_view_};
  SettingsControl<QCheckBox> send_end{&settings_view_};
  SettingsControl<QCheckBox> delete_check{&settings_view_};
  SettingsControl<QCheckBox> hint_check{&settings_view_};
  // signature page
  SettingsControl<QGroupBox> GroupBox5{&settings_view_};
  SettingsControl<QCheckBox> signature{&settings_view_};
  SettingsControl<QLabel> Label14{&settings_view_};
  SettingsControl<QPlainTextEdit> Memo3{&settings_view_};  // signature 1
  SettingsControl<QLabel> Label15{&settings_view_};
  SettingsControl<QPlainTextEdit> Memo5{&settings_view_};  // signature 2

  // ---- the other windows of the run
  AppWindows* windows() const { return windows_; }

  // ---- frame (src/ui/form_main.cpp)
  void FormCreate();
  void FormShow();
  void FormClose();
  void ToolButton1Click();
  void ToolButton6Click();
  void ToolButton2Click();
  void ToolButton3Click();
  void ToolButton4Click();
  void About1Click();
  void ToolButton5Click();
  void hint_checkClick();
  // Tells the user, once at start, of a data file that did not load whole
  // and has no message of its own.
  void tell_file_problem(const QString& path, zarvel::FileState state, zarvel::FormProblem problem);
  // Which view is shown: the panel that is visible.
  bool compose_view_shown() const;

  // ---- settings file (src/app/form_main_settings.cpp)
  QString ini_path() const { return data_folder + QStringLiteral("zarvel.ini"); }
  void settings_read();   // main window creation
  void settings_write();  // main window close
  void centre_on_screen();

  // ---- compose (src/compose/form_main_compose.cpp)
  void mojisu();
  void Memo1Change();
  void Memo2Change();
  void subjectChange();
  void subjectClick();
  void subjectExit();
  void Memo1Click();
  void Memo1Exit();
  void Memo2Click();
  void To_nameMouseUp();
  void To_addressMouseUp();
  void subject_memo_sw();
  void send_sw_check();
  void cmdClearClick();

  // ---- signatures (src/compose/form_main_signature.cpp)
  void signatures_load();   // creation step 3
  void signatures_write();  // shut-down step 5
  // The two files, and their editors' text as loaded: a signature is
  // written at exit only when it changed in the run.
  zarvel::DataFile signature_files[2];
  std::pair<qsizetype, std::size_t> signature_loaded[2] = {};
  void signatureClick();
  void signature_selcte();
  void signature_selcte0();
  void sign1Click();
  void sign2Click();

  // ---- message kept at exit (src/compose/form_main_kept.cpp)
  void data_save();
  void kept_check();  // at start: tells of a close.txt that will not restore whole
  zarvel::DataFile kept_file;
  void BitBtn2Click();
  void connect_kept();

  // ---- quick list and palette (src/compose/form_main_palette.cpp)
  void kaomoji_load();  // first showing, step 6
  QString kaomoji_path() const { return data_folder + QStringLiteral("kaomoji.txt"); }
  zarvel::DataFile kaomoji_file;  // written by the palette
  void BitBtn1Click();
  void ListBox1Click();
  void ListBox1DblClick();
  // Pastes `text` through the clipboard into the field used last.
  void paste_to_last_input(const QString& text);
  // Sets the hint of the palette's two lists.
  void set_palette_hints(const QString& hint);
  // The palette is built: it gets what the start gave it while it did not
  // exist yet.
  void palette_built(Tkaomoji* palette);
  // The quick list's one-line texts, in order.
  QStringList quick_list_rows() const;
  void set_quick_list_rows(const QStringList& rows);

  // ---- address book (src/addressbook/form_main_addressbook.cpp)
  void astaki_read();
  void astaki_write();
  void listvew1_listview2();
  void ListView1Click();
  void To_nameChange();
  void To_addressChange();
  void enter_address_book_view();  // steps 3 to 7 of ToolButton2Click
  void ListView2Click();
  void ListView2DblClick();
  void edit_tuikaClick();
  void edit_hensyuClick();
  void listview2_delClick();
  void listview2_upClick();
  void listview2_downClick();
  void finish_address_book_operation();
  zarvel::RecipientModel* address_book = nullptr;  // ListView2's entries
  zarvel::RecipientModel* picker = nullptr;        // ListView1's copy
  QString address_book_path() const { return data_folder + QStringLiteral("zarvel.csv"); }
  // zarvel.csv, and the book's generation when it last matched the file.
  zarvel::DataFile address_book_file;
  std::uint64_t address_book_saved = 0;

  // ---- history (src/history/form_main_history.cpp)
  void send_read();
  void send_write();
  // The texts are the CP932 bytes exactly as handed to the transport.
  void send_add(const zarvel::Bytes& name, const zarvel::Bytes& subject_text, const zarvel::Bytes& body);
  void enter_history_view();  // steps 3 to 7 of ToolButton6Click
  void ListView3SelectItem(int row, bool selected);
  void ListView3Click();
  void Button2Click();
  void show_history_entry(int row);
  void clear_history_details();
  QString history_path() const { return data_folder + QStringLiteral("send.txt"); }
  zarvel::HistoryModel* history = nullptr;  // ListView3's entries
  // send.txt, and the history's generation when it last matched the file.
  zarvel::DataFile history_file;
  std::uint64_t history_saved = 0;

  // ---- send (src/mail/form_main_send.cpp)
  void cmdSendClick();

  // ---- server page (src/mail/form_main_server.cpp)
  void pop_checkClick();
  void smtp_checkClick();
  void Button1Click();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void pop_passwordClick();

 signals:
  // The main window has closed after the full shut-down: the run is over.
  void closed();

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  // src/ui/form_main_layout.cpp
  void build_tool_bar();
  void build_compose_view();
  void build_recipient_fields();
  void build_message_fields();
  void build_palette_and_buttons();
  void build_history_view();
  void build_address_book_view();
  void build_settings_view();
  void build_server_page();
  void build_options_page();
  void build_signature_page();
  // Builds the settings view and gives it the values held so far.
  void settings_view_needed();
  void stand_hidden(QFrame* view);
  void history_view_needed();
  void address_book_view_needed();
  void connect_handlers();
  // Wiring of each subsystem, next to its handlers.
  void connect_compose();
  void connect_signatures();
  void connect_signature_page();
  void connect_palette();
  void connect_address_book();
  void connect_address_book_view();
  void connect_history();
  void connect_history_view();
  void connect_send();
  void connect_server_page();
  // Names for screen readers and the keys that stand in for the mouse
  // (src/ui/form_main_access.cpp).
  void set_up_access();
  void set_up_settings_access();
  void set_up_history_access();
  void set_up_address_book_access();
  // The view-switch frame shared by the four view buttons.
  void show_view(QFrame* panel, QToolButton* button);
  // Gives the focus to the first control of `panel` that Tab reaches.
  void focus_first_control(QWidget* panel);

  AppWindows* windows_;
  bool shown_once_ = false;
  zarvel::BodyCounter* counter_ = nullptr;  // the body's bytes
  // For the palette until it is built.
  QString palette_hint_ = QStringLiteral("ダブルクリックで貼り付け");
  bool palette_loaded_ = false;  // kaomoji.txt was read at the first showing
  QStringList palette_editor_rows_;
  std::size_t preview_bytes_ = 0;  // the signature preview's bytes
};
