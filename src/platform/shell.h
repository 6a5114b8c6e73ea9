// Opening links and the help file, behind an interface tests can replace.
#pragma once

#include <QString>

class QWidget;

namespace zarvel {

class Shell {
 public:
  virtual ~Shell() = default;
  // Asks the desktop to open a target (a URL, "mailto:…", "file:///…").
  // The result is not examined.
  virtual void open(const QString& target) = 0;
  // Opens the help file at a context number in the built-in viewer.
  virtual void open_help(const QString& help_file, int context, QWidget* owner) = 0;
};

Shell& shell();
void set_shell(Shell* s);  // nullptr restores the desktop implementation

}  // namespace zarvel
