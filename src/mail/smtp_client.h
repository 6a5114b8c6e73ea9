// One message to one recipient over SMTP, on libcurl.
#pragma once

#include <string>

#include "mail/curl_session.h"
#include "mail/transport_args.h"

namespace zarvel {

struct SmtpJob {
  ServerSpec server;
  Sender sender;          // with SMTP AUTH when sender.auth is set
  std::string recipient;  // the bare address
  std::string message;    // headers and body, CR LF only, 7-bit
};

// Port 465 speaks TLS from the first byte; elsewhere STARTTLS is used when
// offered. With SMTP AUTH, exactly the chosen mechanism is used and the
// dialogue is cut before MAIL FROM unless the server confirmed the login
// (235), so nothing is ever delivered unauthenticated.
TransportOutcome smtp_send(const SmtpJob& job);

}  // namespace zarvel
