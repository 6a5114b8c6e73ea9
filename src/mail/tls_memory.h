// The servers (host and port) that have spoken TLS with this program. Once
// one has, a later dialogue with it that is not encrypted never carries a
// password: that is what a man in the middle who strips STARTTLS is after.
#pragma once

#include <string>
#include <string_view>

namespace zarvel {

// Host as the transport writes it into a URL; ASCII letters in any case.
bool tls_remembered(std::string_view host, int port);
void remember_tls(std::string_view host, int port);

// The list as the settings file keeps it: "host:port" entries (UTF-8)
// separated by blanks, oldest first, at most `max_bytes` long (the oldest
// are dropped first).
std::string remembered_tls_servers(std::size_t max_bytes = 2047);
// Adds the entries of such a list to those remembered; bad entries are skipped.
void add_remembered_tls_servers(std::string_view list);
// Forgets every entry (tests).
void forget_tls_servers();

}  // namespace zarvel
