// The main window for screen readers and the keyboard: names for the
// fields whose caption is a separate label (or none), the lists and the
// picture-only button; keys for the tool bar, whose buttons never take the
// focus; Enter in the lists for their double-click.
#include <QAbstractItemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QToolButton>

#include "platform/error_report.h"
#include "ui/accessibility.h"
#include "ui/form_main.h"
#include "ui/widget_listview.h"
#include "ui/widget_toolseparator.h"

using namespace zarvel;

namespace {

// A report list is named by its column captions.
void name_by_columns(TListView* list) {
  const QAbstractItemModel* m = list->model();
  if (!m) return;
  QStringList captions;
  for (int i = 0; i < m->columnCount(); ++i) captions << m->headerData(i, Qt::Horizontal).toString();
  list->setAccessibleName(captions.join(QLatin1Char(' ')));
}

}  // namespace

void TForm1::set_up_access() {
  install_accessible_factory();

  // Each view is named as its tool-bar button's hint names it.
  Panel1->setAccessibleName(QStringLiteral("メール作成"));

  // Compose view. The body, the preview and the quick list have no
  // caption of their own.
  name_by_caption(To_name, Label2);
  name_by_caption(To_address, Label3);
  name_by_caption(subject, Label1);
  Memo1->setAccessibleName(QStringLiteral("本文"));
  Memo2->setAccessibleName(QStringLiteral("署名"));
  ListBox1->setAccessibleName(QStringLiteral("一行文字"));
  name_by_columns(ListView1);

  ToolButton5->setAccessibleName(QStringLiteral("バージョン情報"));

  name_controls(this);

  // The tool bar by keys: Ctrl and the button's place for the views, F1
  // for help, Ctrl+F1 for the About box (a click on the separator).
  ToolButton1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
  ToolButton6->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_2));
  ToolButton2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_3));
  ToolButton3->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_4));
  ToolButton4->setShortcut(QKeySequence(Qt::Key_F1));
  auto* about = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F1), this);
  connect(about, &QShortcut::activated, this, guard([this] { ToolButton5Click(); }));
}

// The history and address-book views are built when first needed, and
// named then. Enter in a list does what its double-click does (the picker
// never takes the focus).
void TForm1::set_up_history_access() {
  Panel6->setAccessibleName(QStringLiteral("送信履歴"));
  name_by_columns(ListView3);
  Memo4->setAccessibleName(QStringLiteral("本文"));
  name_controls(Panel6);
  on_enter_key(ListView3, [this] { ListView3Click(); });
}

void TForm1::set_up_address_book_access() {
  Panel3->setAccessibleName(QStringLiteral("宛先編集"));
  name_by_columns(ListView2);
  listview2_down->setAccessibleDescription(QStringLiteral("選択した宛先を一つ下へ"));
  listview2_up->setAccessibleDescription(QStringLiteral("選択した宛先を一つ上へ"));
  name_controls(Panel3);
  on_enter_key(ListView2, [this] { ListView2DblClick(); });
}

// The settings view is built when first needed, and named then.
void TForm1::set_up_settings_access() {
  Panel2->setAccessibleName(QStringLiteral("各種設定"));
  // The one caption not yet tied to its field.
  name_by_caption(rirekisu, rirekisu_label);
  name_controls(Panel2);
}
