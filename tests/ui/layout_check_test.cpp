// Every text of every window, at the scale, palette and fonts this process
// was started with (CTest runs one process per combination): each caption
// and list row fits inside its control without touching a neighbour, and
// the text of every enabled control reads on its background.
//   ZARVEL_LAYOUT_SCALE    the device pixel ratio the windows must get
//   ZARVEL_LAYOUT_PALETTE  "light" or "dark"
//   ZARVEL_LAYOUT_FONTS    "ipa" or "noto" (FONTCONFIG_FILE then lists Noto CJK only)
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyleOptionButton>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeView>
#include <string>
#include <vector>

#include "addressbook/form_seting_diarog.h"
#include "compose/form_kaomoji.h"
#include "mail/form_mailsend.h"
#include "mail/form_smtpdlg.h"
#include "support/dark_palette.h"
#include "support/main_window.h"
#include "support/sjis.h"
#include "ui/colors.h"
#include "ui/form_about.h"
#include "ui/widget_listview.h"
#include "ui/widget_toolbutton.h"

using namespace zarvel;
using namespace zarvel::test;

namespace {

// Antialiased glyph edges may reach one pixel further.
constexpr int kTolerance = 1;

QString env(const char* name, const char* fallback) {
  const QString v = qEnvironmentVariable(name);
  return v.isEmpty() ? QString::fromLatin1(fallback) : v;
}

// The text a caption shows: "&X" underlines X, "&&" is one "&".
QString shown(QString text) {
  text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
  text.remove(QLatin1Char('&'));
  text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
  return text;
}

QString name_of(const QWidget* w) {
  QString n = w->objectName();
  if (n.isEmpty()) n = QString::fromLatin1(w->metaObject()->className());
  return n;
}

class Checker {
 public:
  explicit Checker(QString where) : where_(std::move(where)) {}
  const QStringList& faults() const { return faults_; }
  int texts() const { return texts_; }

  void window(QWidget* top) {
    top_ = top;
    for (QWidget* w : top->findChildren<QWidget*>()) w->ensurePolished();
    for (QWidget* w : top->findChildren<QWidget*>()) {
      if (!w->isVisibleTo(top)) continue;
      if (auto* l = qobject_cast<QLabel*>(w))
        label(l);
      else if (auto* b = qobject_cast<QCheckBox*>(w))
        indicator(b, QStyle::SE_CheckBoxContents);
      else if (auto* r = qobject_cast<QRadioButton*>(w))
        indicator(r, QStyle::SE_RadioButtonContents);
      else if (auto* p = qobject_cast<QPushButton*>(w))
        push_button(p);
      else if (auto* t = qobject_cast<QToolButton*>(w))
        tool_button(t);
      else if (auto* bar = qobject_cast<QTabBar*>(w))
        tabs(bar);
      else if (auto* g = qobject_cast<QGroupBox*>(w))
        group_title(g);
      else if (auto* list = qobject_cast<QListWidget*>(w))
        list_rows(list);
      else if (auto* tree = qobject_cast<QTreeView*>(w))
        report_rows(tree);
      else if (auto* spin = qobject_cast<QSpinBox*>(w))
        spin_box(spin);
      else if (auto* edit = qobject_cast<QLineEdit*>(w))
        line_edit(edit);
    }
    for (const Placed& p : placed_) no_overlap(p);
    placed_.clear();
  }

 private:
  void fault(const QWidget* w, const QString& text, const QString& what) {
    faults_ << QStringLiteral("%1: %2 \"%3\": %4").arg(where_, name_of(w), text, what);
  }

  static QPalette::ColorGroup group_of(const QWidget* w) {
    return w->isActiveWindow() ? QPalette::Active : QPalette::Inactive;
  }

  // What is painted behind a widget: the nearest filled ancestor's colour.
  static QColor background_of(const QWidget* w) {
    for (const QWidget* p = w; p; p = p->parentWidget())
      if (!p->styleSheet().isEmpty()) {
        // A style sheet paints past the palette: what it painted in the corner.
        const QImage painted = const_cast<QWidget*>(p)->grab().toImage();
        return painted.pixelColor(painted.width() - 1, painted.height() - 1);
      }
    for (const QWidget* p = w; p; p = p->parentWidget())
      if (p->autoFillBackground() || p->isWindow()) return p->palette().color(group_of(w), p->backgroundRole());
    return {};
  }

  void contrast(const QWidget* w, const QString& text, const QColor& fg, const QColor& bg) {
    if (!w->isEnabled()) return;  // greyed text is meant to read as disabled
    const double ratio = contrast_ratio(fg, bg);
    if (ratio < kReadableContrast)
      fault(w, text, QStringLiteral("contrast %1:1 (%2 on %3)").arg(ratio, 0, 'f', 2).arg(fg.name(), bg.name()));
  }

  // One line of text, centred vertically in `area` (as the styles draw it),
  // whose glyphs must stay inside `clip`; horizontally laid out from
  // `area`'s left per `align`. Returns the glyphs' box in w's coordinates.
  QRect line(const QWidget* w, const QFontMetrics& fm, const QString& text, const QRect& area, const QRect& clip,
             Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter, int extra_width = 0) {
    ++texts_;
    const int advance = fm.horizontalAdvance(text) + extra_width;
    if (advance > area.width() + kTolerance)
      fault(w, text, QStringLiteral("needs %1 px, has %2").arg(advance).arg(area.width()));
    int top = area.top() + (area.height() - fm.height()) / 2;
    if (align & Qt::AlignTop) top = area.top();
    if (align & Qt::AlignBottom) top = area.bottom() + 1 - fm.height();
    const QRect ink = fm.tightBoundingRect(text);
    const int ink_top = top + fm.ascent() + ink.top();
    int ink_bottom = top + fm.ascent() + ink.bottom();
    if (w->font().underline())
      ink_bottom = std::max(ink_bottom, top + fm.ascent() + fm.underlinePos() + fm.lineWidth() - 1);
    if (ink_top < clip.top() - kTolerance || ink_bottom > clip.bottom() + kTolerance)
      fault(w, text,
            QStringLiteral("glyphs %1..%2 outside %3..%4")
                .arg(ink_top)
                .arg(ink_bottom)
                .arg(clip.top())
                .arg(clip.bottom()));
    int left = area.left();
    if (align & Qt::AlignHCenter) left = area.left() + (area.width() - advance) / 2;
    if (align & Qt::AlignRight) left = area.right() + 1 - advance;
    return QRect(left, ink_top, std::min(advance, area.width()), ink_bottom - ink_top + 1);
  }

  // A caption's glyphs, in its parent's coordinates.
  struct Placed {
    const QWidget* w;
    QString text;
    QRect ink;
  };
  void place(const QWidget* w, const QString& text, const QRect& ink) {
    placed_.push_back({w, text, ink.translated(w->pos())});
  }
  const Placed* placed(const QWidget* w) const {
    for (const Placed& p : placed_)
      if (p.w == w) return &p;
    return nullptr;
  }

  // The glyphs stay inside the parent and reach neither into another
  // control beside them nor into the glyphs of a caption beside them.
  void no_overlap(const Placed& p) {
    const QWidget* parent = p.w->parentWidget();
    if (!parent) return;
    if (!parent->rect().adjusted(-kTolerance, -kTolerance, kTolerance, kTolerance).contains(p.ink))
      fault(p.w, p.text, QStringLiteral("glyphs cut by %1").arg(name_of(parent)));
    bool above = false;  // s is stacked above the caption
    for (const QObject* o : parent->children()) {
      const auto* s = qobject_cast<const QWidget*>(o);
      if (s == p.w) above = true;
      if (!s || s == p.w || s->isWindow() || !s->isVisibleTo(top_)) continue;
      // A caption beside is in the way with its glyphs; one that fills its
      // background, and lies above, with all of it.
      const bool opaque = above && s->autoFillBackground();
      const Placed* other = qobject_cast<const QLabel*>(s) && !opaque ? placed(s) : nullptr;
      if (qobject_cast<const QLabel*>(s) && !other && !opaque) continue;  // an empty label
      const QRect in_the_way = other ? other->ink : s->geometry();
      if (in_the_way.intersects(p.ink)) fault(p.w, p.text, QStringLiteral("overlaps %1").arg(name_of(s)));
    }
  }

  void label(QLabel* l) {
    if (l->text().isEmpty() || l->textFormat() == Qt::RichText) return;
    // Trailing blanks are not drawn; a caption may lose them.
    const QString text = (l->buddy() ? shown(l->text()) : l->text()).trimmed();
    const QFontMetrics fm = l->fontMetrics();
    const QRect area = l->contentsRect();
    QRect ink;
    if (l->wordWrap()) {
      ++texts_;
      const QRect needed = fm.boundingRect(area, int(l->alignment()) | Qt::TextWordWrap, text);
      // Line boxes, less the room above the first glyphs and below the last.
      const QRect glyphs = fm.tightBoundingRect(text);
      const int spare = (fm.ascent() + glyphs.top()) + (fm.descent() - glyphs.bottom() - 1);
      if (needed.width() > area.width() + kTolerance || needed.height() - spare > area.height() + kTolerance)
        fault(l, text,
              QStringLiteral("wrapped text needs %1x%2, has %3x%4")
                  .arg(needed.width())
                  .arg(needed.height() - spare)
                  .arg(area.width())
                  .arg(area.height()));
      ink = needed.intersected(area);
    } else {
      ink = line(l, fm, text, area, l->rect(), l->alignment());
    }
    place(l, text, ink);
    contrast(l, text, l->palette().color(group_of(l), l->foregroundRole()), background_of(l));
  }

  void indicator(QAbstractButton* b, QStyle::SubElement contents) {
    if (b->text().isEmpty()) return;
    const QString text = shown(b->text());
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    const QRect area = b->style()->subElementRect(contents, &opt, b);
    const QRect ink = line(b, b->fontMetrics(), text, area, b->rect());
    place(b, text, ink);
    contrast(b, text, b->palette().color(group_of(b), QPalette::WindowText), background_of(b));
  }

  void push_button(QPushButton* b) {
    const QString text = shown(b->text());
    if (text.trimmed().isEmpty()) return;
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    const QRect area = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
    const int icon = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
    line(b, b->fontMetrics(), text.trimmed(), area, b->rect(), Qt::AlignHCenter | Qt::AlignVCenter, icon);
    const QPalette::ColorGroup g = group_of(b);
    contrast(b, text, b->palette().color(g, QPalette::ButtonText), b->palette().color(g, QPalette::Button));
  }

  void tool_button(QToolButton* b) {
    const QString text = shown(b->text()).trimmed();
    if (text.isEmpty() || b->toolButtonStyle() == Qt::ToolButtonIconOnly) return;
    if (qobject_cast<TToolButton*>(b)) {
      // The main tool bar's own drawing: the caption under the icon.
      QRect area = b->rect();
      if (b->popupMode() == QToolButton::MenuButtonPopup) {
        QStyleOptionToolButton opt;
        opt.initFrom(b);
        opt.subControls = QStyle::SC_ToolButton | QStyle::SC_ToolButtonMenu;
        opt.features = QStyleOptionToolButton::MenuButtonPopup;
        area = b->style()->subControlRect(QStyle::CC_ToolButton, &opt, QStyle::SC_ToolButton, b);
      }
      const QFontMetrics fm = b->fontMetrics();
      const int extra = std::max(0, fm.ascent() - qRound(0.88 * QFontInfo(b->font()).pixelSize()));
      const QRect text_area(area.left(), area.top() + 3 + b->iconSize().height() - extra, area.width(), fm.height());
      const QRect ink = line(b, fm, text, text_area, b->rect(), Qt::AlignHCenter | Qt::AlignTop);
      const int icon_bottom = area.top() + 2 + b->iconSize().height() - 1;
      if (ink.top() < icon_bottom) fault(b, text, QStringLiteral("caption runs into the icon"));
    } else if (b->toolButtonStyle() == Qt::ToolButtonTextUnderIcon) {
      ++texts_;
      if (b->width() < b->sizeHint().width() || b->height() < b->sizeHint().height())
        fault(b, text,
              QStringLiteral("%1x%2 for a size of %3x%4")
                  .arg(b->width())
                  .arg(b->height())
                  .arg(b->sizeHint().width())
                  .arg(b->sizeHint().height()));
    } else {
      line(b, b->fontMetrics(), text, b->rect().adjusted(2, 0, -2, 0), b->rect(), Qt::AlignCenter);
    }
    contrast(b, text, b->palette().color(group_of(b), QPalette::ButtonText), background_of(b));
  }

  // The largest number shows whole beside the arrows.
  void spin_box(QSpinBox* spin) {
    const QLineEdit* edit = spin->findChild<QLineEdit*>();
    if (!edit) return;
    const QString text = QString::number(spin->maximum());
    const QRect area = edit->rect().adjusted(2, 0, -2, 0);  // the edit's own margins
    line(edit, edit->fontMetrics(), text, area, edit->rect());
    const QPalette::ColorGroup g = group_of(edit);
    contrast(edit, text, edit->palette().color(g, QPalette::Text), edit->palette().color(g, QPalette::Base));
  }

  // One-line fields hold texts of any length: only the height and the
  // colours count.
  void line_edit(QLineEdit* edit) {
    if (edit->text().isEmpty() || edit->echoMode() != QLineEdit::Normal) return;
    if (qobject_cast<QSpinBox*>(edit->parentWidget())) return;
    const QFontMetrics fm = edit->fontMetrics();
    const QString text = edit->text();
    line(edit, fm, text, QRect(0, 0, fm.horizontalAdvance(text), edit->height()), edit->rect());
    const QPalette::ColorGroup g = group_of(edit);
    const QColor fg = edit->palette().color(g, QPalette::Text), bg = edit->palette().color(g, QPalette::Base);
    if (described_pair(fg, bg)) return;
    contrast(edit, text, fg, bg);
  }

  // The progress window's white on red and on sky blue are as designed,
  // under every palette, though below 4.5:1.
  static bool described_pair(const QColor& fg, const QColor& bg) {
    return fg == QColor(Qt::white) && (bg == kSendingRed || bg == kSkyBlue);
  }

  void tabs(QTabBar* bar) {
    const QWidget* holder = bar->parentWidget();
    for (int i = 0; i < bar->count(); ++i) {
      const QString text = shown(bar->tabText(i));
      const QRect r = bar->tabRect(i);
      const QRect in_holder = r.translated(bar->pos());
      if (r.right() > bar->width() - 1 || (holder && in_holder.right() > holder->width() - 1))
        fault(bar, text, QStringLiteral("tab ends at %1, past the bar").arg(in_holder.right()));
      // The style's padding stays, so the caption is not cut short.
      const int pad = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar) / 2;
      line(bar, bar->fontMetrics(), text, r.adjusted(pad, 0, -pad, 0), r, Qt::AlignCenter);
      contrast(bar, text, bar->palette().color(group_of(bar), QPalette::WindowText), background_of(bar));
    }
  }

  void group_title(QGroupBox* g) {
    if (g->title().isEmpty()) return;
    const QString text = shown(g->title());
    QStyleOptionGroupBox opt;
    opt.initFrom(g);
    opt.text = g->title();
    opt.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
    opt.lineWidth = 1;
    const QRect r = g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
    line(g, g->fontMetrics(), text, r, g->rect(), Qt::AlignCenter);
    contrast(g, text, g->palette().color(group_of(g), QPalette::WindowText), background_of(g));
  }

  void row_colours(const QAbstractItemView* view, const QString& text, bool selected) {
    const QPalette::ColorGroup g = group_of(view);
    const QPalette& p = view->palette();
    if (!selected) return contrast(view, text, p.color(g, QPalette::Text), p.color(g, QPalette::Base));
    // The desktop's own selection colours are its choice; only a pair of
    // the program's own is checked.
    const QPalette& desktop = QApplication::palette();
    const QColor fg = p.color(g, QPalette::HighlightedText), bg = p.color(g, QPalette::Highlight);
    if (fg == desktop.color(g, QPalette::HighlightedText) && bg == desktop.color(g, QPalette::Highlight)) return;
    contrast(view, text, fg, bg);
  }

  void list_rows(QListWidget* list) {
    const QRect shown_area = list->viewport()->rect();
    for (int i = 0; i < list->count(); ++i) {
      const QRect r = list->visualItemRect(list->item(i));
      if (!r.intersects(shown_area)) continue;
      const QString text = list->item(i)->text();
      if (text.isEmpty()) continue;
      // Rows hold texts longer than the list is wide; only their height counts.
      const QFontMetrics fm(list->font());
      line(list->viewport(), fm, text, QRect(r.left(), r.top(), fm.horizontalAdvance(text), r.height()), r);
      row_colours(list, text, list->item(i)->isSelected());
    }
  }

  // Report-style lists: every cell shows its whole text.
  void report_rows(QTreeView* tree) {
    const QAbstractItemModel* m = tree->model();
    if (!m) return;
    const int margins = 2 * (tree->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, tree) + 1);
    const QHeaderView* header = tree->header();
    for (int c = 0; c < m->columnCount(); ++c) {
      const QString caption = m->headerData(c, Qt::Horizontal).toString();
      if (!header->isHidden() && !caption.isEmpty()) {
        const QRect r(header->sectionViewportPosition(c), 0, header->sectionSize(c), header->height());
        line(header, header->fontMetrics(), caption, r.adjusted(margins / 2, 0, -margins / 2, 0), r);
        const QPalette::ColorGroup g = group_of(header);
        contrast(header, caption, header->palette().color(g, QPalette::ButtonText),
                 header->palette().color(g, QPalette::Button));
      }
    }
    const QRect shown_area = tree->viewport()->rect();
    for (int row = 0; row < m->rowCount(); ++row) {
      for (int c = 0; c < m->columnCount(); ++c) {
        const QModelIndex index = m->index(row, c);
        QRect r = tree->visualRect(index);
        if (!r.intersects(shown_area)) continue;
        r = r.intersected(QRect(0, r.top(), shown_area.width(), r.height()));
        const QString text = index.data().toString();
        if (text.isEmpty()) continue;
        line(tree->viewport(), tree->fontMetrics(), text, r.adjusted(margins / 2, 0, -margins / 2, 0), r);
        row_colours(tree, text, tree->selectionModel() && tree->selectionModel()->isSelected(index));
      }
    }
  }

  QString where_;
  QWidget* top_ = nullptr;
  QStringList faults_;
  std::vector<Placed> placed_;
  int texts_ = 0;
};

// A data folder that fills every list with texts of the length the columns
// were made for: four-kanji names, ten history entries (the list then shows
// its scroll bar), a signature.
void fill(TempDir& dir) {
  std::string book, history;
  const char16_t* names[] = {u"山田太郎", u"佐藤花子", u"鈴木一郎", u"高橋美奈", u"田中"};
  for (const char16_t* n : names) book += sj(n) + ",taro.yamada@example.co.jp\r\n";
  for (int i = 0; i < 10; ++i)
    history += "~!,\"" + sj(names[i % 5]) + "\",\"" + sj(u"会議の件") + "\",\"" + sj(u"26/12/0") +
               std::to_string(i % 7 + 1) + sj(u"(水) 12:34:56") + "\"\r\n" + sj(u"本文です。") + "\r\n~!!\r\n";
  dir.write(QStringLiteral("zarvel.csv"), book);
  dir.write(QStringLiteral("send.txt"), history);
  dir.write(QStringLiteral("signa1.txt"), sj(u"山田太郎\r\ntaro@example.jp\r\n"));
  dir.write(QStringLiteral("zarvel.ini"), "[Options]\r\nsignature=1\r\n");
}

class Layout : public ::testing::Test {
 protected:
  void SetUp() override {
    if (env("ZARVEL_LAYOUT_PALETTE", "light") == QLatin1String("dark")) QApplication::setPalette(dark_palette());
    fill(run.dir());
    form = run.start();
    scale = env("ZARVEL_LAYOUT_SCALE", "1").toDouble();
  }
  void TearDown() override { QApplication::setPalette(QPalette()); }

  void check(Checker& c, QWidget* window) {
    QApplication::processEvents();
    c.window(window);
  }

  MainWindowRun run;
  TForm1* form = nullptr;
  double scale = 1;
};

TEST_F(Layout, TheWindowsAreScaledAsTheDesktopAsks) {
  EXPECT_DOUBLE_EQ(form->devicePixelRatioF(), scale);
  // Still the described size in the desktop's units.
  EXPECT_EQ(form->size(), QSize(280, 359));
}

TEST_F(Layout, EveryCaptionAndRowFitsAndReads) {
  Checker c(QStringLiteral("%1 %2 %3")
                .arg(env("ZARVEL_LAYOUT_SCALE", "1"), env("ZARVEL_LAYOUT_PALETTE", "light"),
                     env("ZARVEL_LAYOUT_FONTS", "ipa")));
  form->ListView1->select_row(0);
  check(c, form);
  form->ToolButton6->click();  // history
  form->ListView3->select_row(1);
  check(c, form);
  form->ToolButton2->click();  // address book
  check(c, form);
  form->ToolButton3->click();  // settings, each page
  for (int page = 0; page < form->PageControl1->count(); ++page) {
    form->PageControl1->setCurrentIndex(page);
    check(c, form);
  }
  form->ToolButton1->click();
  form->BitBtn1->click();  // the palette
  check(c, run.windows().kaomoji);
  run.windows().kaomoji->ListBox3->setCurrentRow(3);
  check(c, run.windows().kaomoji);
  for (QWidget* dialog : std::initializer_list<QWidget*>{run.windows().AboutBox, run.windows().seting_diarog,
                                                         run.windows().SmtpDlg, run.windows().mailsend})
    check(c, dialog);
  // Something was looked at in each window.
  EXPECT_GT(c.texts(), 200);
  EXPECT_TRUE(c.faults().isEmpty()) << c.faults().join(QLatin1Char('\n')).toStdString();
}

// Without the IPA fonts the fields laid out in columns keep a fixed-pitch
// Japanese font, and the rest a proportional Japanese one.
TEST_F(Layout, FontsKeepTheirRole) {
  const bool ipa = env("ZARVEL_LAYOUT_FONTS", "ipa") == QLatin1String("ipa");
  EXPECT_EQ(fixed_family() == QLatin1String("IPAGothic"), ipa);
  EXPECT_EQ(proportional_family() == QLatin1String("IPAPGothic"), ipa);
  for (QWidget* w : std::initializer_list<QWidget*>{form->subject, form->Memo1, form->Memo2, form->ListBox1,
                                                    form->Label9, form->Memo4, run.windows().kaomoji->ListBox1}) {
    const QFontInfo info(w->font());
    EXPECT_EQ(info.family(), fixed_family()) << name_of(w).toStdString();
    const QFontMetrics fm(w->font());
    EXPECT_EQ(fm.horizontalAdvance(QLatin1Char('i')), fm.horizontalAdvance(QLatin1Char('M')));
    EXPECT_EQ(fm.horizontalAdvance(QStringLiteral("国")), 2 * fm.horizontalAdvance(QLatin1Char('M')));
  }
  for (QWidget* w : std::initializer_list<QWidget*>{form, form->To_name, form->ListView1, run.windows().AboutBox}) {
    const QFontInfo info(w->font());
    EXPECT_EQ(info.family(), proportional_family()) << name_of(w).toStdString();
    EXPECT_TRUE(QFontDatabase::writingSystems(info.family()).contains(QFontDatabase::Japanese));
  }
}

}  // namespace
