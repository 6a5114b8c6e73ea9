#include "platform/shell.h"

#include <QDesktopServices>
#include <QPointer>
#include <QUrl>

#include "platform/help_viewer.h"

namespace zarvel {
namespace {

class DesktopShell final : public Shell {
 public:
  void open(const QString& target) override { QDesktopServices::openUrl(QUrl(target)); }

  void open_help(const QString& help_file, int context, QWidget* owner) override {
    if (!viewer_) viewer_ = new HelpViewer(owner);
    viewer_->show_file(help_file, context);
  }

 private:
  QPointer<HelpViewer> viewer_;
};

DesktopShell g_desktop_shell;
Shell* g_shell = &g_desktop_shell;

}  // namespace

Shell& shell() { return *g_shell; }
void set_shell(Shell* s) { g_shell = s ? s : &g_desktop_shell; }

}  // namespace zarvel
