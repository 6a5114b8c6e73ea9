// The Internet message handed to the SMTP server: headers and body, CR LF
// line ends, 7-bit only.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "text/cp932.h"

namespace zarvel {

// "X-Mailer" value.
inline constexpr std::string_view kMailer = "zarvel 0.74a";

// RFC 5322 date in local time with its offset, e.g.
// "Tue, 01 Jul 2025 09:05:03 +0900".
std::string rfc5322_date(std::time_t when);

// "<time.random.counter@domain>", the domain taken from the sender's address
// (or this host's name when the address has none fit for it).
std::string make_message_id(std::string_view sender, std::time_t when);

// The whole message: Date, From (the sender address), To (the address
// only), Subject, Message-ID, MIME-Version, Content-Type,
// Content-Transfer-Encoding, X-Mailer, a blank line and the body. The
// addresses must be printable ASCII and the subject free of CR, LF and NUL
// (the transport refuses anything else before it gets here).
std::string build_message(std::string_view sender, std::string_view recipient, std::string_view cp932_subject,
                          std::string_view cp932_body, std::time_t when, std::string_view message_id);

}  // namespace zarvel
