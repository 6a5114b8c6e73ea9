// POP3 login and one command (POP before SMTP), on libcurl.
#pragma once

#include <string>

#include "mail/curl_session.h"
#include "mail/transport_args.h"

namespace zarvel {

// Port 995 speaks TLS from the first byte; elsewhere STLS is used when
// offered. With login.apop the login is APOP only, and only when the
// greeting carries a <…@…> time stamp; otherwise libcurl takes what the
// server offers: SASL, else APOP, else USER/PASS. On success `reply` is the
// server's answer to the command (e.g. "+OK 2 320").
TransportOutcome pop3_run(const ServerSpec& server, const Pop3Login& login, const std::string& command);

}  // namespace zarvel
