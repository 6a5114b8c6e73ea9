#include "mail/tls_memory.h"

#include <algorithm>
#include <charconv>
#include <mutex>
#include <vector>

namespace zarvel {
namespace {

std::mutex g_mutex;
std::vector<std::string> g_servers;  // "host:port", oldest first

std::string entry(std::string_view host, int port) {
  std::string e(host);
  std::transform(e.begin(), e.end(), e.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
  return e + ":" + std::to_string(port);
}

bool valid(std::string_view e) {
  std::size_t colon = e.rfind(':');
  if (colon == 0 || colon == e.npos) return false;
  int port = 0;
  auto [end, ec] = std::from_chars(e.data() + colon + 1, e.data() + e.size(), port);
  return ec == std::errc() && end == e.data() + e.size() && port >= 1 && port <= 65535;
}

void add(std::string e) {
  if (std::find(g_servers.begin(), g_servers.end(), e) == g_servers.end()) g_servers.push_back(std::move(e));
}

}  // namespace

bool tls_remembered(std::string_view host, int port) {
  const std::string e = entry(host, port);
  std::lock_guard lock(g_mutex);
  return std::find(g_servers.begin(), g_servers.end(), e) != g_servers.end();
}

void remember_tls(std::string_view host, int port) {
  std::lock_guard lock(g_mutex);
  add(entry(host, port));
}

std::string remembered_tls_servers(std::size_t max_bytes) {
  std::lock_guard lock(g_mutex);
  std::string out;
  for (auto it = g_servers.rbegin(); it != g_servers.rend(); ++it) {  // newest kept first
    const std::size_t need = it->size() + (out.empty() ? 0 : 1);
    if (out.size() + need > max_bytes) break;
    out.insert(0, out.empty() ? *it : *it + " ");
  }
  return out;
}

void add_remembered_tls_servers(std::string_view list) {
  std::lock_guard lock(g_mutex);
  while (!list.empty()) {
    std::size_t sp = list.find(' ');
    std::string_view e = list.substr(0, sp);
    if (valid(e)) {
      std::size_t colon = e.rfind(':');
      int port = 0;
      std::from_chars(e.data() + colon + 1, e.data() + e.size(), port);
      add(entry(e.substr(0, colon), port));
    }
    if (sp == list.npos) break;
    list.remove_prefix(sp + 1);
  }
}

void forget_tls_servers() {
  std::lock_guard lock(g_mutex);
  g_servers.clear();
}

}  // namespace zarvel
