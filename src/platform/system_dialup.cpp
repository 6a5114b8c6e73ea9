// The system's dial-up stand-in: the route check, and the message box that
// Windows' own dial-up dialog would have shown when there is no connection.
#include "platform/dialogs.h"
#include "platform/dialup.h"

namespace zarvel {

namespace {

class SystemDialup final : public Dialup {
 public:
  bool autodial(int /*flags*/, const std::vector<std::string>& servers) override {
    if (servers_reachable(servers)) return true;
    error_box(QStringLiteral("インターネットに接続されていません。\r\nネットワークの接続を確認してください。"));
    return false;
  }
  void hangup() override {}
};

SystemDialup g_system_dialup;
Dialup* g_dialup = &g_system_dialup;

}  // namespace

Dialup& dialup() { return *g_dialup; }
void set_dialup(Dialup* d) { g_dialup = d ? d : &g_system_dialup; }

}  // namespace zarvel
