// Stand-in for the dial-up service: there is nothing to dial here, only a
// check that the system has a network connection at all.
#pragma once

class QWidget;

namespace zarvel {

// InternetAutodial flags.
inline constexpr int kAutodialForceOnline = 1;
inline constexpr int kAutodialForceUnattended = 2;

class Dialup {
 public:
  virtual ~Dialup() = default;
  // True when connected. When it is not, tells the user so itself.
  virtual bool autodial(int flags) = 0;
  virtual void hangup() = 0;
};

Dialup& dialup();
void set_dialup(Dialup* d);  // nullptr restores the system implementation

// Whether /proc/net/route (or the text given) lists a route through an
// interface other than the loopback one; true when it cannot tell.
bool has_network_route(const char* route_table_path = "/proc/net/route");

}  // namespace zarvel
