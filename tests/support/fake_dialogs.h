// Records every message box and answers confirmations from a script.
#pragma once

#include <QString>
#include <deque>
#include <vector>

#include "platform/dialogs.h"

namespace zarvel::test {

struct ShownDialog {
  enum Kind { Message, Confirm, Error } kind;
  QString title;
  QString text;
  MessageIcon icon;
};

class FakeDialogs final : public Dialogs {
 public:
  FakeDialogs() { set_dialogs(this); }
  ~FakeDialogs() override { set_dialogs(nullptr); }

  void message(const QString& title, const QString& text, MessageIcon icon, QWidget*) override {
    shown.push_back({ShownDialog::Message, title, text, icon});
  }
  bool confirm(const QString& text, QWidget*) override {
    shown.push_back({ShownDialog::Confirm, QStringLiteral("確認"), text, MessageIcon::Question});
    if (answers.empty()) return default_answer;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  void error(const QString& text, QWidget*) override {
    shown.push_back({ShownDialog::Error, QStringLiteral("エラー"), text, MessageIcon::Error});
  }

  std::vector<ShownDialog> shown;
  std::deque<bool> answers;  // for confirm(), front first
  bool default_answer = true;
};

}  // namespace zarvel::test
