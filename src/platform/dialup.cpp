#include "platform/dialup.h"

#include <QString>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/dialogs.h"

namespace zarvel {

bool has_network_route(const char* route_table_path) {
  std::ifstream in(route_table_path);
  if (!in) return true;
  std::string line;
  if (!std::getline(in, line)) return true;  // no header: cannot tell
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string iface;
    if ((fields >> iface) && iface != "lo") return true;
  }
  return false;
}

namespace {

class SystemDialup final : public Dialup {
 public:
  bool autodial(int /*flags*/) override {
    if (has_network_route()) return true;
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
