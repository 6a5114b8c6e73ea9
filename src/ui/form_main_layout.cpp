// Creation and placement of every control of the main window, in pixels,
// as the window was designed for 96 dots per inch.
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/app_style.h"
#include "ui/colors.h"
#include "ui/fonts.h"
#include "ui/form_main.h"
#include "ui/svg_icon.h"
#include "ui/widget_body_layout.h"
#include "ui/widget_edit.h"
#include "ui/widget_listview.h"
#include "ui/widget_statusbar.h"
#include "ui/widget_toolbutton.h"
#include "ui/widget_toolseparator.h"

using namespace zarvel;

namespace {

QToolButton* view_button(QWidget* parent, const QString& caption, const QString& icon, const QString& hint, int x) {
  auto* b = new TToolButton(parent);
  b->setText(caption);
  b->setIcon(svg_icon(icon));
  b->setIconSize(QSize(20, 20));
  b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  b->setAutoRaise(true);
  b->setCheckable(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setStatusTip(hint);
  b->setGeometry(x, 2, 47, 35);
  return b;
}

// A caption at the place of its glyphs in the IPA fonts, whatever the font.
QLabel* label(QWidget* parent, const QString& text, int x, int y) {
  auto* l = new QLabel(text, parent);
  l->setFont(caption_font());
  l->adjustSize();
  l->move(x, y - em_box_shift(l->font()));
  return l;
}

// An edit with its caption directly above it, 3 pixels apart.
TEdit* labelled_edit(QWidget* parent, const QString& caption, int x, int y, int w, QLabel** label_out) {
  auto* e = new TEdit(parent);
  e->setGeometry(x, y, w, 20);
  e->set_input_method_off();
  auto* l = new QLabel(caption, parent);
  l->setFont(caption_font());
  l->adjustSize();
  l->move(x, y - 3 - l->height());
  l->setBuddy(e);
  *label_out = l;
  return e;
}

// The same, with its caption kept by a control of a view built on demand.
template <class Holder>
TEdit* labelled_edit(QWidget* parent, const QString& caption, int x, int y, int w, Holder* label_out) {
  QLabel* l = nullptr;
  TEdit* e = labelled_edit(parent, caption, x, y, w, &l);
  *label_out = l;
  return e;
}

// The "標準" button beside a port field: puts the usual port back.
QToolButton* standard_port_button(QWidget* parent, int y) {
  auto* b = new QToolButton(parent);
  b->setText(QStringLiteral("標準"));
  b->setGeometry(227, y, 30, 18);
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

// The caption fits the 50 pixels with one pixel after the indicator.
class TightRadioStyle : public AppStyle {
 public:
  int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
    if (metric == PM_RadioButtonLabelSpacing) return 1;
    return AppStyle::pixelMetric(metric, option, widget);
  }
};

// `body`: laid out by the body's own layout.
QPlainTextEdit* memo(QWidget* parent, int x, int y, int w, int h, bool body = false) {
  auto* m = new QPlainTextEdit(parent);
  m->setGeometry(x, y, w, h);
  if (body) use_body_layout(m);  // before the font's watch takes the document
  pictograms_when_needed(m, fixed_font());
  m->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  m->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  m->setTabChangesFocus(true);  // Tab goes on to the next control
  return m;
}

QPushButton* button(QWidget* parent, const QString& caption, int x, int y, int w, int h) {
  auto* b = new QPushButton(caption, parent);
  b->setFont(caption_font());
  b->setGeometry(x, y, w, h);
  return b;
}

void set_text_colour(QWidget* w, const QColor& c) {
  QPalette p = w->palette();
  p.setColor(QPalette::Text, c);
  p.setColor(QPalette::WindowText, c);
  w->setPalette(p);
}

// A fixed background comes with a fixed text colour that reads on it,
// whatever the desktop's palette.
void set_background(QWidget* w, const QColor& c, const QColor& text = Qt::black) {
  QPalette p = w->palette();
  p.setColor(QPalette::Base, c);
  p.setColor(QPalette::Window, c);
  w->setPalette(p);
  w->setAutoFillBackground(true);
  set_text_colour(w, text);
}

// A fixed text colour on the desktop's own background: kept where it reads.
void set_text_colour_on_window(QWidget* w, const QColor& c) {
  const QPalette& p = w->palette();
  set_text_colour(w, readable_on(p.color(QPalette::Window), {c, p.color(QPalette::WindowText)}));
}

QFrame* view_panel(QWidget* parent, int w, int h) {
  auto* p = new QFrame(parent);
  p->setGeometry(-1, 39, w, h);
  p->setFrameShape(QFrame::NoFrame);
  return p;
}

}  // namespace

void TForm1::build_tool_bar() {
  ToolBar1 = new QWidget(this);
  ToolBar1->setFont(caption_font());
  ToolBar1->setGeometry(0, 0, 280, 41);
  ToolButton1 = view_button(ToolBar1, QStringLiteral("　ﾒｰﾙ　"), QStringLiteral(":/icons/compose.svg"),
                            QStringLiteral("メール作成"), 0);
  ToolButton6 = view_button(ToolBar1, QStringLiteral("　履歴　"), QStringLiteral(":/icons/history.svg"),
                            QStringLiteral("送信履歴"), 47);
  ToolButton2 = view_button(ToolBar1, QStringLiteral("　宛先　"), QStringLiteral(":/icons/addressbook.svg"),
                            QStringLiteral("宛先編集"), 94);
  ToolButton7 = new ToolSeparator(ToolBar1);
  ToolButton7->setGeometry(141, 2, 8, 35);
  ToolButton3 = view_button(ToolBar1, QStringLiteral("　設定　"), QStringLiteral(":/icons/settings.svg"),
                            QStringLiteral("各種設定"), 149);
  ToolButton5 = new ToolSeparator(ToolBar1);
  ToolButton5->setGeometry(196, 2, 8, 35);
  ToolButton5->setStatusTip(QStringLiteral("バージョン情報"));
  ToolButton5->setToolTip(QStringLiteral("バージョン情報"));  // the one tool tip of the window
  ToolButton4 = new TToolButton(ToolBar1);
  ToolButton4->setText(QStringLiteral("ﾍﾙﾌﾟ"));
  ToolButton4->setIcon(svg_icon(QStringLiteral(":/icons/help.svg")));
  ToolButton4->setIconSize(QSize(20, 20));
  ToolButton4->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  ToolButton4->setAutoRaise(true);
  ToolButton4->setFocusPolicy(Qt::NoFocus);
  ToolButton4->setStatusTip(QStringLiteral("ヘルプ"));
  ToolButton4->setPopupMode(QToolButton::MenuButtonPopup);
  ToolButton4->setGeometry(204, 2, 60, 35);
  ToolButton4->setContextMenuPolicy(Qt::CustomContextMenu);
  PopupMenu4 = new QMenu(this);
  About1 = PopupMenu4->addAction(QStringLiteral("バージョン情報"));
  ToolButton4->setMenu(PopupMenu4);
}

void TForm1::build_compose_view() {
  Panel1 = view_panel(this, 290, 304);
  // Captions; the fields with what the user wrote or loaded have their own.
  Panel1->setFont(caption_font());

  build_recipient_fields();
  build_message_fields();
  build_palette_and_buttons();

  // Tab order: subject, body, send, clear, palette, signature choice, restore.
  setTabOrder(subject, Memo1);
  setTabOrder(Memo1, cmdSend);
  setTabOrder(cmdSend, cmdClear);
  setTabOrder(cmdClear, BitBtn1);
  setTabOrder(BitBtn1, sign1);
  setTabOrder(sign1, sign2);
  setTabOrder(sign2, BitBtn2);
}

// The picker over the recipient it fills in.
void TForm1::build_recipient_fields() {
  ListView1 = new TListView(Panel1);
  ListView1->setGeometry(2, 2, 278, 81);
  pictograms_when_needed(ListView1, proportional_font());
  // The picker never takes the focus: a press of any button would give it
  // before any filter sees the press, so even a discarded right click would
  // move the caret. ListView1Click does what the focus passing through it
  // would have done.
  ListView1->setFocusPolicy(Qt::NoFocus);
  ListView1->setStatusTip(QStringLiteral("送信先をクリック"));
  set_background(ListView1, kCream);
  ListView1->set_hide_selection(true);

  Label2 = label(Panel1, QStringLiteral("宛先"), 7, 88);
  To_name = new TEdit(Panel1);
  To_name->setGeometry(45, 84, 155, 20);
  Label3 = label(Panel1, QStringLiteral("E-mail"), 5, 107);
  To_address = new TEdit(Panel1);
  To_address->setGeometry(45, 103, 155, 20);
  for (QLineEdit* e : {To_name, To_address}) {
    pictograms_when_needed(e, proportional_font());
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::ClickFocus);
    static_cast<TEdit*>(e)->set_input_method_off();
    e->setContextMenuPolicy(Qt::PreventContextMenu);
    e->setCursor(Qt::ArrowCursor);
    set_background(e, kCream, Qt::blue);
  }
}

// Subject, body, and the signature with its choice.
void TForm1::build_message_fields() {
  Label1 = label(Panel1, QStringLiteral("件名"), 5, 128);
  subject = new TEdit(Panel1);
  subject->setGeometry(33, 123, 167, 20);
  pictograms_when_needed(subject, fixed_font());
  subject->setMaxLength(32767 * 1024);

  Memo1 = memo(Panel1, 2, 143, 198, 95, true);
  // Opaque, so that the preview and its selectors under the full-height
  // body are not painted at all.
  Memo1->setAutoFillBackground(true);

  Memo2 = memo(Panel1, 2, 237, 149, 35);
  Memo2->setReadOnly(true);
  Memo2->setFocusPolicy(Qt::ClickFocus);
  Memo2->setContextMenuPolicy(Qt::PreventContextMenu);
  Memo2->viewport()->setCursor(Qt::ArrowCursor);
  set_background(Memo2, kCream, Qt::blue);

  sign1 = new QRadioButton(QStringLiteral("署名1"), Panel1);
  sign1->setGeometry(150, 238, 50, 17);
  sign1->setStatusTip(QStringLiteral("署名１を挿入します。"));
  sign1->setChecked(true);
  sign2 = new QRadioButton(QStringLiteral("署名2"), Panel1);
  sign2->setGeometry(150, 255, 50, 17);
  sign2->setStatusTip(QStringLiteral("署名２を挿入します。"));
  // Cream with black captions on any desktop; a button fills its
  // background with the button colour.
  for (QRadioButton* r : {sign1, sign2}) {
    r->setFont(caption_font());
    r->setStyle(shared_style<TightRadioStyle>());
    set_background(r, kCream);
    QPalette p = r->palette();
    p.setColor(QPalette::Button, kCream);
    p.setColor(QPalette::ButtonText, Qt::black);
    r->setPalette(p);
  }
}

// The one-line texts beside the body, the buttons below.
void TForm1::build_palette_and_buttons() {
  ListBox1 = new QListWidget(Panel1);
  ListBox1->setGeometry(201, 84, 79, 189);
  pictograms_when_needed(ListBox1, fixed_font());
  ListBox1->setFocusPolicy(Qt::ClickFocus);
  ListBox1->setStatusTip(QStringLiteral("ダブルクリックで貼り付け"));
  ListBox1->setUniformItemSizes(true);
  keep_row_count(ListBox1);
  ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  set_background(ListBox1, kCream);

  cmdSend = button(Panel1, QStringLiteral("送信(&S)　"), 2, 274, 87, 25);
  cmdSend->setIcon(svg_icon(QStringLiteral(":/icons/send.svg")));
  cmdSend->setStatusTip(QStringLiteral("メールを送信します。"));
  cmdClear = button(Panel1, QStringLiteral("クリア(&C) "), 90, 274, 81, 25);
  cmdClear->setIcon(svg_icon(QStringLiteral(":/icons/clear.svg")));
  cmdClear->setStatusTip(QStringLiteral("件名・本文のクリア"));
  BitBtn2 = button(Panel1, QString(), 173, 274, 27, 25);
  BitBtn2->setIcon(svg_icon(QStringLiteral(":/icons/restore.svg")));
  BitBtn2->setStatusTip(QStringLiteral("前回終了時の件名・本文を開く"));
  BitBtn1 = button(Panel1, QStringLiteral("(^o^)v(&E)"), 202, 274, 77, 25);
  BitBtn1->setIcon(svg_icon(QStringLiteral(":/icons/palette.svg")));
  BitBtn1->setStatusTip(QStringLiteral("一行文字・絵文字(imode)"));
  for (QPushButton* b : {cmdSend, cmdClear, BitBtn2, BitBtn1}) {
    b->setCursor(Qt::PointingHandCursor);
    b->setIconSize(QSize(16, 16));
  }
}

void TForm1::build_history_view() {
  Panel6 = view_panel(this, 293, 303);
  Panel7 = new QWidget(Panel6);
  Panel7->setGeometry(2, 2, 278, kHistoryAreaHeight);

  Splitter3 = new QSplitter(Qt::Vertical, Panel7);
  Splitter3->setGeometry(0, 0, 278, kHistoryAreaHeight);
  Splitter3->setHandleWidth(kHistoryHandleWidth);
  Splitter3->setChildrenCollapsible(false);

  ListView3 = new TListView(Splitter3);
  ListView3->setMinimumHeight(35);
  ListView3->header()->setFont(caption_font());
  ListView3->set_hide_selection(false);
  Splitter3->addWidget(ListView3);

  auto* lower = new QWidget(Splitter3);
  auto* lower_layout = new QVBoxLayout(lower);
  lower_layout->setContentsMargins(0, 0, 0, 0);
  lower_layout->setSpacing(0);
  Panel4 = new QFrame(lower);
  Panel4->setFixedHeight(33);
  Panel4->setFrameShape(QFrame::Panel);
  Panel4->setFrameShadow(QFrame::Sunken);
  set_background(Panel4, kPaleYellow);
  // The fonts here are wider than the ones the band was drawn for: the name
  // gets the room of four kanji (山田太郎) and the send time the rest, which
  // holds it whole.
  // A taller line than the IPA fonts' moves both lines up, so that the
  // glyphs keep their places and stay inside the band.
  Label4 = label(Panel4, QStringLiteral("宛先 : "), 3, 3);
  const int line_height = Label4->height();
  const int line1 = Label4->y(), line2 = 17 - em_box_shift(Label4->font());
  Label8 = new QLabel(Panel4);
  Label8->setGeometry(Label4->x() + Label4->width(), line1,
                      Label4->fontMetrics().horizontalAdvance(QString(4, QChar(0x56FD))), line_height);
  Label5 = label(Panel4, QStringLiteral("送信日時 : "), Label8->x() + Label8->width(), 3);
  Label10 = new QLabel(Panel4);
  const int time_x = Label5->x() + Label5->width();
  Label10->setGeometry(time_x, line1, 277 - time_x, line_height);
  Label7 = label(Panel4, QStringLiteral("件名 : "), 3, 17);
  Label9 = new QLabel(Panel4);
  Label9->setGeometry(Label4->x() + Label4->width(), line2, 235, line_height);
  Label9->setFont(fixed_font());
  for (QLabel* l : {Label8, Label9, Label10}) {
    set_text_colour(l, Qt::blue);
    l->setTextFormat(Qt::PlainText);
  }
  lower_layout->addWidget(Panel4);
  Memo4 = new QPlainTextEdit(lower);
  Memo4->setReadOnly(true);
  Memo4->setFont(fixed_font());
  Memo4->setFocusPolicy(Qt::ClickFocus);
  Memo4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo4->setMinimumHeight(0);
  lower_layout->addWidget(Memo4, 1);
  lower->setMinimumHeight(33);
  Splitter3->addWidget(lower);
  Splitter3->setStretchFactor(0, 0);
  Splitter3->setStretchFactor(1, 1);
  Splitter3->setSizes({history_split, kHistoryAreaHeight - kHistoryHandleWidth - history_split});
  connect(Splitter3, &QSplitter::splitterMoved, this, [this](int pos) { history_split = pos; });

  Button2 = button(Panel6, QStringLiteral("削除(&D)"), 203, 272, 75, 25);
  Button2->setCursor(Qt::PointingHandCursor);
}

void TForm1::build_address_book_view() {
  Panel3 = view_panel(this, 290, 305);
  ListView2 = new TListView(Panel3);
  ListView2->setGeometry(2, 2, 278, 266);
  ListView2->header()->setFont(caption_font());
  ListView2->setStatusTip(QStringLiteral("ダブルクリックで送信先の指定"));
  ListView2->set_hide_selection(false);
  listview2_down = button(Panel3, QStringLiteral("▼"), 4, 272, 35, 25);
  listview2_up = button(Panel3, QStringLiteral("▲"), 41, 272, 35, 25);
  edit_tuika = button(Panel3, QStringLiteral("追加(&T)"), 88, 272, 62, 25);
  edit_hensyu = button(Panel3, QStringLiteral("修正(&E)"), 152, 272, 62, 25);
  listview2_del = button(Panel3, QStringLiteral("削除(&D)"), 216, 272, 62, 25);
  for (QPushButton* b : {listview2_down, listview2_up, edit_tuika, edit_hensyu, listview2_del})
    b->setCursor(Qt::PointingHandCursor);
}

// The controls only; their values come from the settings just after.
void TForm1::build_settings_view() {
  Panel2 = view_panel(this, 297, 340);
  Bevel1 = new QFrame(Panel2);
  Bevel1->setGeometry(1, 0, 282, 2);
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  PageControl1 = new QTabWidget(Panel2);
  PageControl1->setGeometry(3, 2, 277, 294);
  PageControl1->tabBar()->setAttribute(Qt::WA_Hover, true);

  build_server_page();
  build_options_page();
  build_signature_page();
}

void TForm1::build_server_page() {
  // Created inside the window, so that the captions are measured in its font.
  TabSheet1 = new QWidget(PageControl1);
  GroupBox1 = new QGroupBox(TabSheet1);
  GroupBox1->setGeometry(4, 0, 264, 266);
  smtp_server = labelled_edit(GroupBox1, QStringLiteral("SMTPサーバー(&S)"), 14, 32, 166, &smtp_server_label);
  smtp_port = labelled_edit(GroupBox1, QStringLiteral("ポート(&A)"), 182, 32, 44, &smtp_port_label);
  SpeedButton1 = standard_port_button(GroupBox1, 33);
  mailaddress = labelled_edit(GroupBox1, QStringLiteral("メールアドレス(&M)"), 14, 74, 244, &mailaddress_label);
  smtp_check = new QCheckBox(QStringLiteral("SMTP認証(&T)"), GroupBox1);
  smtp_check->setGeometry(14, 100, 97, 17);
  Button1 = button(GroupBox1, QStringLiteral("設定(&U)"), 152, 98, 56, 19);
  pop_check = new QCheckBox(QStringLiteral("POP before SMTP(&Y)"), GroupBox1);
  pop_check->setGeometry(14, 120, 201, 17);
  apop_check = new QCheckBox(QStringLiteral("APOP(&Z)"), GroupBox1);
  apop_check->setGeometry(111, 140, 67, 17);
  pop_server = labelled_edit(GroupBox1, QStringLiteral("POP3サーバー(&R)"), 14, 157, 166, &pop_server_label);
  pop_port = labelled_edit(GroupBox1, QStringLiteral("ポート(&B)"), 182, 157, 44, &pop_port_label);
  SpeedButton2 = standard_port_button(GroupBox1, 158);
  pop_Account = labelled_edit(GroupBox1, QStringLiteral("アカウント(&I)"), 14, 199, 244, &pop_Account_label);
  TEdit* password = labelled_edit(GroupBox1, QStringLiteral("パスワード(&P)"), 14, 240, 244, &pop_password_label);
  password->set_password_echo();
  pop_password = password;
  QWidget::setTabOrder(smtp_server, mailaddress);
  QWidget::setTabOrder(mailaddress, smtp_port);
  QWidget::setTabOrder(smtp_port, smtp_check);
  QWidget::setTabOrder(smtp_check, pop_check);
  QWidget::setTabOrder(pop_check, pop_server);
  QWidget::setTabOrder(pop_server, pop_port);
  QWidget::setTabOrder(pop_port, pop_Account);
  QWidget::setTabOrder(pop_Account, pop_password);
  QWidget::setTabOrder(pop_password, apop_check);
  QWidget::setTabOrder(apop_check, Button1);
  PageControl1->addTab(TabSheet1, QStringLiteral("ｻｰﾊﾞｰ設定(&H)"));
}

void TForm1::build_options_page() {
  TabSheet2 = new QWidget(PageControl1);
  GroupBox2 = new QGroupBox(QStringLiteral("ﾀﾞｲｱﾙｱｯﾌﾟ"), TabSheet2);
  GroupBox2->setGeometry(6, 2, 258, 96);
  auto_dail = new QCheckBox(QStringLiteral("送信時に自動で接続する(&A)"), GroupBox2);
  auto_dail->setGeometry(10, 18, 240, 17);
  auto_dail_close = new QCheckBox(QStringLiteral("送信が完了したら切断する(&X)"), GroupBox2);
  auto_dail_close->setGeometry(10, 38, 240, 17);
  dialup_note =
      new QLabel(QStringLiteral("「ｺﾝﾄﾛｰﾙﾊﾟﾈﾙ･ｲﾝﾀｰﾈｯﾄｵﾌﾟｼｮﾝ･接続」の設定に従ってﾀﾞｲｱﾙｱｯﾌﾟ接続をします。"), GroupBox2);
  dialup_note->setGeometry(12, 58, 238, 32);
  dialup_note->setWordWrap(true);
  set_text_colour_on_window(dialup_note, kMaroon);

  GroupBox4 = new QGroupBox(QStringLiteral("履歴"), TabSheet2);
  GroupBox4->setGeometry(6, 102, 258, 62);
  rirekisu_label = label(GroupBox4, QStringLiteral("送信履歴の保存数"), 12, 22);
  rirekisu = new QSpinBox(GroupBox4);
  rirekisu->setGeometry(110, 18, 52, 20);
  rirekisu->setRange(0, 999);
  rirekisu->setContextMenuPolicy(Qt::PreventContextMenu);
  rirekisu_unit = label(GroupBox4, QStringLiteral("件"), 166, 22);
  rirekisu_note = label(GroupBox4, QStringLiteral("次回起動時より有効になります。"), 12, 42);
  set_text_colour_on_window(rirekisu_note, kMaroon);

  GroupBox3 = new QGroupBox(QStringLiteral("その他"), TabSheet2);
  GroupBox3->setGeometry(6, 168, 258, 96);
  send_end = new QCheckBox(QStringLiteral("送信完了後にzarvelを終了する(&Q)"), GroupBox3);
  send_end->setGeometry(10, 20, 240, 17);
  delete_check = new QCheckBox(QStringLiteral("削除時に確認メッセージを出す(&D)"), GroupBox3);
  delete_check->setGeometry(10, 44, 240, 17);
  hint_check = new QCheckBox(QStringLiteral("ステータスバーに説明文を表示する(&P)"), GroupBox3);
  hint_check->setGeometry(10, 68, 240, 17);
  PageControl1->addTab(TabSheet2, QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"));
}

void TForm1::build_signature_page() {
  TabSheet3 = new QWidget(PageControl1);
  GroupBox5 = new QGroupBox(TabSheet3);
  GroupBox5->setGeometry(25, 12, 217, 182);
  signature = new QCheckBox(QStringLiteral("署名を使う(&V)"), GroupBox5);
  {
    // On the frame's top line; a taller font's caption gets the room it needs.
    const int shift = em_box_shift(signature->font());
    signature->setGeometry(17, 1 - (shift + 1) / 2, std::max(93, signature->sizeHint().width()), 14 + shift);
  }
  Memo3 = memo(GroupBox5, 16, 43, 185, 44);
  Label14 = label(GroupBox5, QStringLiteral("署名１(&A)"), 18, 28);
  Label14->setBuddy(Memo3);
  Memo5 = memo(GroupBox5, 16, 120, 185, 44);
  Label15 = label(GroupBox5, QStringLiteral("署名２(&B)"), 18, 105);
  Label15->setBuddy(Memo5);
  QWidget::setTabOrder(signature, Memo3);
  QWidget::setTabOrder(Memo3, Memo5);
  PageControl1->addTab(TabSheet3, QStringLiteral("署名(&N)"));
}
