// For tests only: nothing in the program calls this, and no setting or
// environment variable reaches it.
#pragma once

#include <string>

namespace zarvel {

// Certificates are checked against this one CA file instead of the system's
// store; an empty path restores the system's store.
void transport_set_test_ca_file(const std::string& path);

// Besides 465 (SMTP) and 995 (POP3), this port too speaks TLS from the first
// byte, for test servers on ports chosen at run time; 0 turns it off.
void transport_set_test_implicit_tls_port(int port);

// The next use of the transport opens this library instead of libcurl.so.4
// (an empty name: libcurl.so.4 again).
void transport_set_test_library(const std::string& name);

}  // namespace zarvel
