// Records what the program asked the desktop to open, instead of opening it.
#pragma once

#include <QStringList>

#include "platform/shell.h"

namespace zarvel::test {

class RecordingShell final : public Shell {
 public:
  RecordingShell() { set_shell(this); }
  ~RecordingShell() override { set_shell(nullptr); }
  void open(const QString& target) override { opened.push_back(target); }
  void open_help(const QString& file, int context, QWidget*) override {
    help_file = file;
    help_context = context;
  }
  QStringList opened;
  QString help_file;
  int help_context = 0;
};

}  // namespace zarvel::test
