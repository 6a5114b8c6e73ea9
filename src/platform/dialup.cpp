#include "platform/dialup.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace zarvel {
namespace {

enum class Table { Routes, NoRoutes, Unknown };

// /proc/net/route: a header line, then the interface first on each line.
// /proc/net/ipv6_route: no header, ten fields with the interface last.
Table read_table(const char* path, bool ipv6) {
  std::FILE* f = std::fopen(path, "re");
  if (!f) return ipv6 && errno == ENOENT ? Table::NoRoutes : Table::Unknown;
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
  const bool failed = std::ferror(f);
  std::fclose(f);
  if (failed) return Table::Unknown;
  std::istringstream in(text);
  std::string line;
  if (!ipv6 && !std::getline(in, line)) return Table::Unknown;  // no header: cannot tell
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::vector<std::string> f;
    for (std::string w; fields >> w;) f.push_back(w);
    if (f.empty()) continue;
    if (ipv6 && f.size() != 10) return Table::Unknown;
    const std::string& iface = ipv6 ? f.back() : f.front();
    if (iface != "lo") return Table::Routes;
  }
  return Table::NoRoutes;
}

bool is_ipv4_loopback(std::string_view h) {
  if (h.substr(0, 4) != "127.") return false;
  int dots = 0;
  for (char c : h) {
    if (c == '.')
      ++dots;
    else if (c < '0' || c > '9')
      return false;
  }
  return dots == 3;
}

}  // namespace

bool has_network_route(const RouteTables& tables) {
  const Table v4 = read_table(tables.ipv4, false);
  const Table v6 = read_table(tables.ipv6, true);
  return v4 != Table::NoRoutes || v6 != Table::NoRoutes;
}

bool is_loopback_host(std::string_view host) {
  while (!host.empty() && (host.front() == ' ' || host.front() == '\t')) host.remove_prefix(1);
  while (!host.empty() && (host.back() == ' ' || host.back() == '\t')) host.remove_suffix(1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
  std::string h(host);
  std::transform(h.begin(), h.end(), h.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
  if (!h.empty() && h.back() == '.') h.pop_back();
  if (h == "localhost" || (h.size() > 10 && h.ends_with(".localhost"))) return true;
  if (h == "::1" || h == "0:0:0:0:0:0:0:1") return true;
  if (h.starts_with("::ffff:")) return is_ipv4_loopback(std::string_view(h).substr(7));
  return is_ipv4_loopback(h);
}

bool servers_reachable(const std::vector<std::string>& servers, const RouteTables& tables) {
  if (!servers.empty() && std::all_of(servers.begin(), servers.end(), is_loopback_host)) return true;
  return has_network_route(tables);
}

}  // namespace zarvel
