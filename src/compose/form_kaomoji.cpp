#include "compose/form_kaomoji.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/file_io.h"
#include "app/ini_sections.h"
#include "app/profile.h"
#include "compose/kaomoji_file.h"
#include "compose/pictograms.h"
#include "platform/error_report.h"
#include "ui/accessibility.h"
#include "ui/colors.h"
#include "ui/fonts.h"
#include "ui/form_main.h"
#include "ui/svg_icon.h"
#include "ui/widget_memo_guard.h"
#include "ui/window_placement.h"

using namespace zarvel;

namespace {

const QString kPasteHint = QStringLiteral("ダブルクリックで貼り付け");

QToolButton* tool_button(QToolBar* bar, const QString& caption, const QString& icon, const QString& hint) {
  auto* b = new QToolButton(bar);
  b->setText(caption);
  b->setIcon(svg_icon(icon));
  b->setIconSize(QSize(20, 20));
  b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setToolTip(hint);
  b->setStatusTip(hint);
  bar->addWidget(b);
  return b;
}

QListWidget* list(QWidget* parent, const QFont& font, const QString& hint, bool cream) {
  auto* l = new QListWidget(parent);
  l->setFont(font);
  l->setStatusTip(hint);
  l->setUniformItemSizes(true);
  keep_row_count(l);
  l->setSelectionMode(QAbstractItemView::SingleSelection);
  if (cream) {
    // Black on cream under any desktop palette.
    QPalette p = l->palette();
    p.setColor(QPalette::Base, kCream);
    p.setColor(QPalette::Text, Qt::black);
    l->setPalette(p);
  }
  return l;
}

void fill(QListWidget* l, const QStringList& rows) {
  l->setUpdatesEnabled(false);
  l->clear();
  l->addItems(rows);
  l->setUpdatesEnabled(true);
}

}  // namespace

Tkaomoji::Tkaomoji(TForm1* owner) : Tkaomoji(owner, read_placement(owner)) {}

Tkaomoji::Tkaomoji(TForm1* owner, const Placement& placement)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Form1(owner) {
  build();
  guarded([&] { FormCreate(placement); });
}

Tkaomoji::Placement Tkaomoji::read_placement(const TForm1* owner) {
  Placement p;
  // A settings file that cannot be read leaves the design geometry; the
  // program still starts.
  guarded([&] {
    if (!file_exists(owner->data_folder + QStringLiteral("kaomoji.txt"))) return;  // never placed before
    p.stored = true;
    IniFile ini(owner->ini_path());
    ini.load();
    p.left = ini.read_int(kWindowSection, "eleft", p.left);
    p.top = ini.read_int(kWindowSection, "etop", p.top);
    p.width = ini.read_int(kWindowSection, "ewidth", p.width);
    p.height = ini.read_int(kWindowSection, "eheight", p.height);
    p.panel_width = ini.read_int(kWindowSection, "esplit", p.panel_width);
    p.lower_height = ini.read_int(kWindowSection, "e1split", p.lower_height);
    p.readable = true;
  });
  return p;
}

void Tkaomoji::build() {
  setWindowTitle(QStringLiteral("一行文字・絵文字(imode)"));
  setWindowIcon(svg_icon(QStringLiteral(":/icons/palette.svg")));
  setFont(proportional_font());
  setMinimumSize(kMinWidth, kMinHeight);
  move(kLeft, kTop);
  resize(kWidth, kHeight);

  build_tool_bar();
  Splitter1 = new QSplitter(Qt::Horizontal, this);
  Splitter1->setChildrenCollapsible(false);
  build_text_area();
  build_pictogram_panel();
  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  set_panel_width(kPanelWidth);
  set_lower_height(kLowerHeight);

  StatusBar1 = new QStatusBar(this);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ToolBar1);
  layout->addWidget(Splitter1, 1);
  layout->addWidget(StatusBar1);

  connect_controls();
  set_up_access();
}

// Paste and edit exclude each other; save and close act at once.
void Tkaomoji::build_tool_bar() {
  ToolBar1 = new QToolBar(this);
  ToolBar1->setMovable(false);
  ToolBar1->setFloatable(false);
  ToolButton5 =
      tool_button(ToolBar1, QStringLiteral("貼付"), QStringLiteral(":/icons/paste.svg"), QStringLiteral("貼付モード"));
  ToolButton6 =
      tool_button(ToolBar1, QStringLiteral("編集"), QStringLiteral(":/icons/edit.svg"), QStringLiteral("編集モード"));
  ToolBar1->addSeparator();
  ToolButton1 =
      tool_button(ToolBar1, QStringLiteral("保存"), QStringLiteral(":/icons/save.svg"), QStringLiteral("保存"));
  ToolBar1->addSeparator();
  ToolButton2 =
      tool_button(ToolBar1, QStringLiteral("閉じる"), QStringLiteral(":/icons/close.svg"), QStringLiteral("閉じる"));
  auto* modes = new QButtonGroup(this);
  modes->setExclusive(true);
  for (QToolButton* b : {ToolButton5, ToolButton6}) {
    b->setCheckable(true);
    modes->addButton(b);
  }
  ToolButton5->setChecked(true);
}

// The one-line texts and their editor take turns in the same place.
void Tkaomoji::build_text_area() {
  left_area = new QWidget(Splitter1);
  auto* left_layout = new QVBoxLayout(left_area);
  left_layout->setContentsMargins(0, 0, 0, 0);
  left_layout->setSpacing(0);
  ListBox1 = list(left_area, fixed_font(), kPasteHint, true);
  Memo1 = new QPlainTextEdit(left_area);
  Memo1->setFont(fixed_font());
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setStatusTip(QStringLiteral("編集したら保存をクリックしてください。"));
  {
    // The selection stays as visible when the editor has no focus.
    QPalette p = Memo1->palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    Memo1->setPalette(p);
  }
  guard_cp932(Memo1);
  Memo1->hide();
  left_layout->addWidget(ListBox1);
  left_layout->addWidget(Memo1);
  Splitter1->addWidget(left_area);
}

// The pictogram categories over the pictograms of the one chosen.
void Tkaomoji::build_pictogram_panel() {
  Panel1 = new QWidget(Splitter1);
  Panel1->setMinimumWidth(kPanelMin);
  Panel1->setMaximumWidth(kPanelMax);
  auto* panel_layout = new QVBoxLayout(Panel1);
  panel_layout->setContentsMargins(0, 0, 0, 0);
  Splitter2 = new QSplitter(Qt::Vertical, Panel1);
  Splitter2->setChildrenCollapsible(false);
  ListBox3 = list(Splitter2, proportional_font(), QStringLiteral("クリックで絵文字の種類を選択"), false);
  ListBox3->setMinimumHeight(0);
  for (const PictogramCategory& c : pictogram_categories()) ListBox3->addItem(c.caption);
  ListBox2 = list(Splitter2, proportional_font(), kPasteHint, true);
  ListBox2->setMinimumHeight(kLowerMin);
  Splitter2->addWidget(ListBox3);
  Splitter2->addWidget(ListBox2);
  Splitter2->setStretchFactor(0, 1);
  Splitter2->setStretchFactor(1, 0);
  panel_layout->addWidget(Splitter2);
  Splitter1->addWidget(Panel1);
}

void Tkaomoji::connect_controls() {
  connect(ToolButton5, &QToolButton::clicked, this, guard([this] { ToolButton5Click(); }));
  connect(ToolButton6, &QToolButton::clicked, this, guard([this] { ToolButton6Click(); }));
  connect(ToolButton1, &QToolButton::clicked, this, guard([this] { ToolButton1Click(); }));
  connect(ToolButton2, &QToolButton::clicked, this, guard([this] { ToolButton2Click(); }));
  connect(ListBox1, &QListWidget::itemDoubleClicked, this, guard([this] { ListBox1DblClick(); }));
  connect(ListBox2, &QListWidget::itemDoubleClicked, this, guard([this] { ListBox2DblClick(); }));
  // Keys move the category as clicks do.
  connect(ListBox3, &QListWidget::currentRowChanged, this, guard([this] { ListBox3Click(); }));
  connect(Splitter1, &QSplitter::splitterMoved, this, guard([this] { panel_width_ = Splitter1->sizes().value(1); }));
  connect(Splitter2, &QSplitter::splitterMoved, this, guard([this] { lower_height_ = Splitter2->sizes().value(1); }));
}

// Names for screen readers; the tool bar's buttons never take the focus,
// so keys stand in for them; Enter in a list pastes as its double-click.
void Tkaomoji::set_up_access() {
  install_accessible_factory();
  ListBox1->setAccessibleName(QStringLiteral("一行文字"));
  Memo1->setAccessibleName(QStringLiteral("一行文字の編集"));
  ListBox3->setAccessibleName(QStringLiteral("絵文字の種類"));
  ListBox2->setAccessibleName(QStringLiteral("絵文字"));
  name_controls(this);
  ToolButton5->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
  ToolButton6->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_2));
  ToolButton1->setShortcut(QKeySequence(QKeySequence::Save));
  ToolButton2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
  on_enter_key(ListBox1, [this] { ListBox1DblClick(); });
  on_enter_key(ListBox2, [this] { ListBox2DblClick(); });
}

QString Tkaomoji::kaomoji_path() const { return Form1->kaomoji_path(); }

void Tkaomoji::set_panel_width(int w) {
  panel_width_ = std::clamp(w, kPanelMin, kPanelMax);
  // The left column stretches; Panel1 keeps this width as the window grows.
  Splitter1->setSizes({1000, panel_width_});
}

void Tkaomoji::set_lower_height(int h) {
  lower_height_ = std::clamp(h, kLowerMin, 10000);
  Splitter2->setSizes({1000, lower_height_});
}

void Tkaomoji::centre_on_screen() { zarvel::centre_on_screen(this); }

void Tkaomoji::FormCreate(const Placement& placement) {
  if (!placement.stored) {
    // Never placed before.
    centre_on_screen();
    select_first_category();
    return;
  }
  if (!placement.readable) return;  // the design geometry
  const int left = placement.left;
  const int top = placement.top;
  const int w = placement.width;
  const int h = placement.height;
  set_panel_width(placement.panel_width);
  set_lower_height(placement.lower_height);
  // No bigger than the desktop, and on a screen: a stored geometry from
  // another screen arrangement must not leave the window out of reach.
  const QScreen* s = Form1->screen() ? Form1->screen() : QGuiApplication::primaryScreen();
  const QRect desktop = s ? s->availableVirtualGeometry() : QRect(0, 0, 4096, 4096);
  resize(std::clamp(w, kMinWidth, std::max(kMinWidth, desktop.width())),
         std::clamp(h, kMinHeight, std::max(kMinHeight, desktop.height())));
  place_or_centre(this, QPoint(left, top));
}

void Tkaomoji::FormShow() { Memo1->moveCursor(QTextCursor::Start); }

void Tkaomoji::FormClose() {
  IniFile ini(Form1->ini_path());
  ini.load();
  ini.write_int(kWindowSection, "esplit", panel_width_);
  ini.write_int(kWindowSection, "e1split", lower_height_);
  if (platform_reports_positions()) {
    ini.write_int(kWindowSection, "eleft", x());
    ini.write_int(kWindowSection, "etop", y());
  }
  ini.write_int(kWindowSection, "ewidth", width());
  ini.write_int(kWindowSection, "eheight", height());
  ini.save();
  if (!file_exists(kaomoji_path())) {
    const QStringList rows = Form1->quick_list_rows();
    set_editor_rows(rows);
    std::vector<Bytes> bytes;
    bytes.reserve(static_cast<std::size_t>(rows.size()));
    for (const QString& r : rows) bytes.push_back(to_cp932(r));
    Form1->kaomoji_file.save(format_kaomoji(bytes));
  }
}

void Tkaomoji::close_palette() {
  FormClose();
  hide();
}

bool Tkaomoji::paste_mode() const { return ToolButton5->isChecked(); }

void Tkaomoji::ToolButton5Click() {
  ToolButton5->setChecked(true);
  Memo1->hide();
  ListBox1->show();
  Panel1->show();  // the splitter's bar shows with it
}

void Tkaomoji::ToolButton6Click() {
  ToolButton6->setChecked(true);
  Panel1->hide();  // and the splitter's bar with it
  Memo1->show();
  ListBox1->hide();
  Memo1->setFocus();
}

void Tkaomoji::ToolButton1Click() {
  const Bytes text = trim_kaomoji_text(to_cp932(Memo1->toPlainText()));
  Memo1->setPlainText(from_cp932(text));
  const std::vector<Bytes> rows = parse_kaomoji(text);
  Form1->kaomoji_file.save(format_kaomoji(rows));  // a file not loaded whole is kept as kaomoji.txt.bak first
  QStringList shown;
  shown.reserve(static_cast<qsizetype>(rows.size()));
  for (const Bytes& r : rows) shown.push_back(from_cp932(r));
  Form1->set_quick_list_rows(shown);
  set_list_rows(shown);
}

void Tkaomoji::ToolButton2Click() { close(); }

void Tkaomoji::ListBox1DblClick() {
  if (!Form1->compose_view_shown()) return;
  const QListWidgetItem* item = ListBox1->currentItem();
  if (item && item->isSelected()) Form1->paste_to_last_input(item->text());
}

void Tkaomoji::ListBox2DblClick() {
  if (!Form1->compose_view_shown()) return;
  const auto& categories = pictogram_categories();
  const int row = ListBox2->currentRow();
  if (category_ < 0 || category_ >= static_cast<int>(categories.size())) return;
  const auto& rows = categories[static_cast<std::size_t>(category_)].rows;
  if (row < 0 || row >= static_cast<int>(rows.size()) || !ListBox2->item(row)->isSelected()) return;
  Form1->paste_to_last_input(from_cp932(pictogram_code(rows[static_cast<std::size_t>(row)])));
}

void Tkaomoji::ListBox3Click() {
  const int row = ListBox3->currentRow();
  const auto& categories = pictogram_categories();
  if (row < 0 || row >= static_cast<int>(categories.size())) return;
  category_ = row;
  QStringList shown;
  for (const Bytes& r : categories[static_cast<std::size_t>(row)].rows) shown.push_back(from_cp932(r));
  fill(ListBox2, shown);
}

void Tkaomoji::select_first_category() {
  ListBox3->setCurrentRow(0);
  ListBox3Click();  // also when it was selected already
}

void Tkaomoji::set_editor_rows(const QStringList& rows) {
  // Every row ends its line, so a last empty row survives the editor.
  QString text;
  for (const QString& r : rows) text += r + QLatin1Char('\n');
  Memo1->setPlainText(text);
}

void Tkaomoji::set_list_rows(const QStringList& rows) { fill(ListBox1, rows); }

bool Tkaomoji::event(QEvent* e) {
  // Hints of the palette show where all hints show: the main window's
  // status bar. The palette's own stays empty.
  if (e->type() == QEvent::StatusTip) return QCoreApplication::sendEvent(Form1, e);
  return QWidget::event(e);
}

void Tkaomoji::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (!e->spontaneous()) guarded([this] { FormShow(); });
}

void Tkaomoji::closeEvent(QCloseEvent* e) {
  e->ignore();  // hidden by close_palette once its work is done
  guarded([this] { close_palette(); });
}
