// Stand-in for the dial-up service: there is nothing to dial here, only a
// check that the servers can be reached at all.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace zarvel {

// InternetAutodial flags.
inline constexpr int kAutodialForceOnline = 1;
inline constexpr int kAutodialForceUnattended = 2;

class Dialup {
 public:
  virtual ~Dialup() = default;
  // True when connected, for the servers (host names as typed, UTF-8) the
  // send is about to reach. When it is not, tells the user so itself.
  virtual bool autodial(int flags, const std::vector<std::string>& servers) = 0;
  virtual void hangup() = 0;
};

Dialup& dialup();
void set_dialup(Dialup* d);  // nullptr restores the system implementation

// The route tables the check reads.
struct RouteTables {
  const char* ipv4 = "/proc/net/route";
  const char* ipv6 = "/proc/net/ipv6_route";
};

// Whether either table lists a route through an interface other than the
// loopback one; true when it cannot tell (a table unreadable or not in
// the expected form). A missing IPv6 table is a system without IPv6.
bool has_network_route(const RouteTables& tables = {});

// "localhost", a name under ".localhost", 127.0.0.0/8 or ::1 (bracketed or
// not, also as ::ffff:127.x.x.x): the server is on this machine.
bool is_loopback_host(std::string_view host);

// Connected: every server is on this machine, or the system has a route,
// or it cannot tell.
bool servers_reachable(const std::vector<std::string>& servers, const RouteTables& tables = {});

}  // namespace zarvel
