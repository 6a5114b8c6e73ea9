#include "ui/accessibility.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QTabBar>
#include <QToolButton>

#include "platform/error_report.h"
#include "ui/widget_lightlabel.h"
#include "ui/widget_statusbar.h"
#include "ui/widget_toolseparator.h"

namespace zarvel {

namespace {

bool opens(QChar c) { return c == QLatin1Char('(') || c == QChar(0xFF08); }
bool closes(QChar c) { return c == QLatin1Char(')') || c == QChar(0xFF09); }

// The Japanese form puts the key in brackets after the words: "(&S)". A
// scan, not a regular expression: every window names its controls while it
// is built, and compiling a pattern there costs more than all the names.
QString without_bracketed_keys(const QString& s) {
  QString out;
  out.reserve(s.size());
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (opens(s[i]) && i + 3 < s.size() && s[i + 1] == QLatin1Char('&') && s[i + 2] != QLatin1Char('&')) {
      // The key is one character, which may be a surrogate pair.
      const qsizetype key = s[i + 2].isHighSurrogate() && i + 4 < s.size() && s[i + 3].isLowSurrogate() ? 2 : 1;
      if (closes(s[i + 2 + key])) {
        i += 2 + key;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

}  // namespace

QString caption_name(const QString& caption) {
  const QString s = without_bracketed_keys(caption);
  QString out;
  out.reserve(s.size());
  for (qsizetype i = 0; i < s.size(); ++i) {
    if (s[i] == QLatin1Char('&')) {
      if (i + 1 < s.size() && s[i + 1] == QLatin1Char('&')) out += QLatin1Char('&');
      ++i;
      if (i < s.size() && s[i] != QLatin1Char('&')) out += s[i];
      continue;
    }
    out += s[i];
  }
  // trimmed() knows the ideographic blank (U+3000) as a blank too.
  return out.trimmed();
}

void name_by_caption(QWidget* field, QLabel* caption) {
  caption->setBuddy(field);
  field->setAccessibleName(caption_name(caption->text()));
}

void name_controls(QWidget* window) {
  QList<QWidget*> widgets = window->findChildren<QWidget*>();
  widgets.prepend(window);
  for (QWidget* w : widgets) {
    if (auto* label = qobject_cast<QLabel*>(w)) {
      if (QWidget* buddy = label->buddy(); buddy && buddy->accessibleName().isEmpty())
        buddy->setAccessibleName(caption_name(label->text()));
    } else if (auto* button = qobject_cast<QAbstractButton*>(w); button && button->accessibleName().isEmpty()) {
      QString name = caption_name(button->text());
      if (name.isEmpty()) name = button->statusTip();  // a picture alone
      if (name.isEmpty()) name = button->toolTip();
      if (!name.isEmpty()) button->setAccessibleName(name);
    } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
      for (int i = 0; i < tabs->count(); ++i)
        if (tabs->accessibleTabName(i).isEmpty()) tabs->setAccessibleTabName(i, caption_name(tabs->tabText(i)));
    }
    if (!w->statusTip().isEmpty() && w->accessibleDescription().isEmpty()) w->setAccessibleDescription(w->statusTip());
  }
}

namespace {

class EnterKeyFilter : public QObject {
 public:
  EnterKeyFilter(QObject* parent, std::function<void()> action) : QObject(parent), action_(std::move(action)) {}
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::KeyPress) {
      const auto* ke = static_cast<QKeyEvent*>(e);
      const auto mods = ke->modifiers() & ~Qt::KeypadModifier;
      if ((ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
        guarded(action_);
        return true;
      }
    }
    return QObject::eventFilter(watched, e);
  }

 private:
  std::function<void()> action_;
};

// Tool-bar buttons: the view buttons are toggle buttons that switch views,
// not check boxes; the help button is a button with a menu.
class ToolButtonAccessible : public QAccessibleWidget {
 public:
  explicit ToolButtonAccessible(QToolButton* b) : QAccessibleWidget(b, role_of(b)) {}

  static QAccessible::Role role_of(const QToolButton* b) {
    return b->menu() && b->popupMode() == QToolButton::MenuButtonPopup ? QAccessible::ButtonDropDown
                                                                       : QAccessible::Button;
  }
  QToolButton* button() const { return static_cast<QToolButton*>(widget()); }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty()) return caption_name(button()->text());
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (button()->isCheckable()) {
      s.checkable = true;
      s.checked = button()->isChecked();
    }
    if (button()->isDown()) s.pressed = true;
    if (button()->menu()) s.hasPopup = true;
    return s;
  }
  QStringList actionNames() const override {
    if (!widget()->isEnabled()) return {};
    QStringList names{pressAction()};
    if (button()->menu()) names << showMenuAction();
    return names;
  }
  void doAction(const QString& action) override {
    if (!widget()->isEnabled()) return;
    if (action == pressAction())
      button()->click();
    else if (action == showMenuAction() && button()->menu())
      button()->showMenu();
  }
  QStringList keyBindingsForAction(const QString& action) const override {
    if (action == pressAction() && !button()->shortcut().isEmpty())
      return {button()->shortcut().toString(QKeySequence::NativeText)};
    return {};
  }
};

// The status bar is read as one text: its panels in order, the empty ones
// left out.
class StatusBarAccessible : public QAccessibleWidget {
 public:
  explicit StatusBarAccessible(TStatusBar* bar) : QAccessibleWidget(bar, QAccessible::StatusBar) {}
  QString text(QAccessible::Text t) const override {
    if (t != QAccessible::Name || !widget()->accessibleName().isEmpty()) return QAccessibleWidget::text(t);
    const auto* bar = static_cast<const TStatusBar*>(widget());
    QStringList parts;
    for (int i = 0; i < 3; ++i)
      if (!bar->panel_text(i).isEmpty()) parts << bar->panel_text(i);
    return parts.join(QLatin1Char(' '));
  }
};

// The separator before the help button opens the About box when clicked;
// it is the one that is named.
class SeparatorAccessible : public QAccessibleWidget {
 public:
  explicit SeparatorAccessible(ToolSeparator* s) : QAccessibleWidget(s, QAccessible::Separator) {}
  QStringList actionNames() const override {
    if (widget()->accessibleName().isEmpty()) return {};
    return {pressAction()};
  }
  void doAction(const QString& action) override {
    if (action == pressAction()) emit static_cast<ToolSeparator*>(widget())->clicked();
  }
};

// A link label is a link that opens with the keyboard and the reader.
class LinkAccessible : public QAccessibleWidget {
 public:
  explicit LinkAccessible(TLightLabel* l) : QAccessibleWidget(l, QAccessible::Link) {}
  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
      return static_cast<TLightLabel*>(widget())->text();
    return QAccessibleWidget::text(t);
  }
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& action) override {
    if (action == pressAction()) static_cast<TLightLabel*>(widget())->activate();
  }
};

QAccessibleInterface* factory(const QString& key, QObject* object) {
  if (key == QLatin1String("zarvel::TToolButton") || key == QLatin1String("QToolButton")) {
    if (auto* b = qobject_cast<QToolButton*>(object)) return new ToolButtonAccessible(b);
  } else if (key == QLatin1String("zarvel::TStatusBar")) {
    if (auto* bar = qobject_cast<TStatusBar*>(object)) return new StatusBarAccessible(bar);
  } else if (key == QLatin1String("QWidget")) {
    // A plain widget that is a window (the main window, the palette) is
    // read as a window with its title, not as a nameless filler.
    if (auto* w = qobject_cast<QWidget*>(object); w && w->isWindow())
      return new QAccessibleWidget(w, QAccessible::Window);
  } else if (key == QLatin1String("TLightLabel")) {
    if (auto* l = qobject_cast<TLightLabel*>(object)) return new LinkAccessible(l);
  } else if (key == QLatin1String("zarvel::ToolSeparator")) {
    if (auto* s = qobject_cast<ToolSeparator*>(object)) return new SeparatorAccessible(s);
  }
  return nullptr;
}

}  // namespace

void on_enter_key(QAbstractItemView* list, std::function<void()> action) {
  list->installEventFilter(new EnterKeyFilter(list, std::move(action)));
}

void announce_name(QWidget* widget) {
  if (!QAccessible::isActive()) return;
  QAccessibleEvent event(widget, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&event);
}

void install_accessible_factory() {
  static const bool installed = [] {
    QAccessible::installFactory(factory);
    return true;
  }();
  Q_UNUSED(installed);
}

}  // namespace zarvel
