#include "platform/dialogs.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>

#include "platform/window_size.h"

namespace zarvel {
namespace {

QMessageBox::Icon to_qt(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Error:
      return QMessageBox::Critical;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::None:
      break;
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

  void message_with_details(const QString& title, const QString& text, const QString& details, MessageIcon icon,
                            QWidget* owner) override {
    QMessageBox box(to_qt(icon), title, text, QMessageBox::NoButton, owner);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDetailedText(details);
    // The box names its own button in English and renames it on every
    // click, through its button row; connected after it, this runs after.
    auto* row = box.findChild<QDialogButtonBox*>();
    for (QAbstractButton* b : box.buttons()) {
      if (box.buttonRole(b) != QMessageBox::ActionRole || !row) continue;
      b->setText(QStringLiteral("詳細"));
      QObject::connect(row, &QDialogButtonBox::clicked, &box, [b, &box](QAbstractButton* clicked) {
        if (clicked != b) return;
        const auto* edit = box.findChild<QTextEdit*>();
        b->setText(edit && edit->isVisible() ? QStringLiteral("詳細を隠す") : QStringLiteral("詳細"));
      });
    }
    box.exec();
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

void error_box(const QString& text, const QString& details, QWidget* owner) {
  if (details.isEmpty())
    error_box(text, owner);
  else
    dialogs().message_with_details(QStringLiteral("zarvel"), text, details, MessageIcon::Error, owner);
}

}  // namespace zarvel
