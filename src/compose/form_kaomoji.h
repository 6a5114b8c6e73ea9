// Tkaomoji: the one-line text and pictogram palette. A separate window owned
// by the main window, created hidden at start and only hidden when closed,
// so its mode, category and editor last for the run.
#pragma once

#include <QStringList>
#include <QWidget>

class QListWidget;
class QPlainTextEdit;
class QSplitter;
class QStatusBar;
class QToolBar;
class QToolButton;
class TForm1;

class Tkaomoji : public QWidget {
  Q_OBJECT
 public:
  // Design geometry, and the settings keys' defaults.
  static constexpr int kLeft = 531, kTop = 173, kWidth = 250, kHeight = 455;
  static constexpr int kMinWidth = 250, kMinHeight = 304;
  static constexpr int kPanelWidth = 130, kPanelMin = 70, kPanelMax = 190;
  static constexpr int kLowerHeight = 241, kLowerMin = 100;

  // The palette's place and size as the settings file holds them, read at
  // start even when the window itself is built later.
  struct Placement {
    bool stored = false;    // false: never placed before (no kaomoji.txt)
    bool readable = false;  // false: the settings file could not be read
    int left = kLeft, top = kTop, width = kWidth, height = kHeight;
    int panel_width = kPanelWidth, lower_height = kLowerHeight;
  };
  static Placement read_placement(const TForm1* owner);

  explicit Tkaomoji(TForm1* owner);
  Tkaomoji(TForm1* owner, const Placement& placement);

  // The palette's close (FormClose and hiding); errors reach the caller and
  // leave the palette shown.
  void close_palette();

  // The editor gets the rows one per line; the one-line list the same rows.
  void set_editor_rows(const QStringList& rows);
  void set_list_rows(const QStringList& rows);
  // Selects the first category and shows its pictograms.
  void select_first_category();
  bool paste_mode() const;

  TForm1* Form1;

  QToolBar* ToolBar1 = nullptr;
  QToolButton* ToolButton5 = nullptr;  // paste mode
  QToolButton* ToolButton6 = nullptr;  // edit mode
  QToolButton* ToolButton1 = nullptr;  // save
  QToolButton* ToolButton2 = nullptr;  // close
  QWidget* left_area = nullptr;        // holds ListBox1 and Memo1 in one place
  QListWidget* ListBox1 = nullptr;     // one-line texts
  QPlainTextEdit* Memo1 = nullptr;     // their editor
  QSplitter* Splitter1 = nullptr;      // vertical bar between the two columns
  QWidget* Panel1 = nullptr;
  QSplitter* Splitter2 = nullptr;   // between the category and pictogram lists
  QListWidget* ListBox3 = nullptr;  // categories
  QListWidget* ListBox2 = nullptr;  // pictograms of the category
  QStatusBar* StatusBar1 = nullptr;

  void FormCreate(const Placement& placement);
  void FormShow();
  void FormClose();
  void ToolButton5Click();
  void ToolButton6Click();
  void ToolButton1Click();
  void ToolButton2Click();
  void ListBox1DblClick();
  void ListBox2DblClick();
  void ListBox3Click();

  // Width of Panel1 and height of ListBox2 as last set or dragged (they
  // keep them while hidden in edit mode).
  int panel_width() const { return panel_width_; }
  int lower_height() const { return lower_height_; }
  void set_panel_width(int w);
  void set_lower_height(int h);

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void build();
  void build_tool_bar();
  void build_text_area();
  void build_pictogram_panel();
  void connect_controls();
  void set_up_access();
  QString kaomoji_path() const;
  void centre_on_screen();

  int panel_width_ = kPanelWidth;
  int lower_height_ = kLowerHeight;
  int category_ = -1;  // the category ListBox2 shows
};
