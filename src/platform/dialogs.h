// Message boxes behind one small interface, so tests can answer them.
#pragma once

#include <QString>

class QWidget;

namespace zarvel {

enum class MessageIcon { None, Information, Warning, Error, Question };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A box with one OK button (MessageBoxA / ShowMessage).
  virtual void message(const QString& title, const QString& text, MessageIcon icon, QWidget* owner) = 0;
  // The standard confirmation box: title "確認", question icon,
  // "はい(&Y)" and "いいえ(&N)". True for yes.
  virtual bool confirm(const QString& text, QWidget* owner) = 0;
  // The standard error dialog: title "エラー", error icon, one "OK".
  virtual void error(const QString& text, QWidget* owner) = 0;
  // message() with a detailed text the user can unfold (button 「詳細」).
  // By default the detail is left out.
  virtual void message_with_details(const QString& title, const QString& text, const QString& /*details*/,
                                    MessageIcon icon, QWidget* owner) {
    message(title, text, icon, owner);
  }
};

// The dialogs in use; QMessageBox unless a test installed its own.
Dialogs& dialogs();
// Installs `d` (nullptr restores the QMessageBox implementation).
void set_dialogs(Dialogs* d);

// The program's plain box: title "zarvel", error icon, OK.
void error_box(const QString& text, QWidget* owner = nullptr);
// The same with a detailed text; an empty one gives the plain box.
void error_box(const QString& text, const QString& details, QWidget* owner = nullptr);

}  // namespace zarvel
