#include "platform/dialogs.h"

#include <QMessageBox>
#include <QPushButton>

#include "platform/window_size.h"

namespace zarvel {
namespace {

QMessageBox::Icon to_qt(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

class QtDialogs final : public Dialogs {
  // Names and server replies are shown as they are, never as markup.
  // A box has a fixed size, and survives its title bar's maximize button.
  static void plain(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
    keep_fixed_size(&box);
  }

 public:
  void message(const QString& title, const QString& text, MessageIcon icon, QWidget* owner) override {
    QMessageBox box(to_qt(icon), title, text, QMessageBox::NoButton, owner);
    plain(box);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
  }

  bool confirm(const QString& text, QWidget* owner) override {
    QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), text, QMessageBox::NoButton, owner);
    plain(box);
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
  }

  void error(const QString& text, QWidget* owner) override {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("エラー"), text, QMessageBox::NoButton, owner);
    plain(box);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
  }
};

QtDialogs g_qt_dialogs;
Dialogs* g_dialogs = &g_qt_dialogs;

}  // namespace

Dialogs& dialogs() { return *g_dialogs; }

void set_dialogs(Dialogs* d) { g_dialogs = d ? d : &g_qt_dialogs; }

void error_box(const QString& text, QWidget* owner) {
  dialogs().message(QStringLiteral("zarvel"), text, MessageIcon::Error, owner);
}

}  // namespace zarvel
