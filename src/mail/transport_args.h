// The text arguments of the transport calls, taken apart and checked before
// anything goes on the wire.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zarvel {

// Every check returns nullopt when the argument is fine, else the reason as
// a Japanese text (UTF-8).
using ArgError = std::optional<std::string>;

struct ServerSpec {
  std::string host;  // as written into a URL: UTF-8, an IPv6 literal in brackets
  int port = 0;
  int timeout_seconds = 60;
};

// host "\t" port ["\t" seconds]. Blanks around the fields are ignored. The
// seconds are the time-out for connecting and for each server reply; a
// missing or unusable value means 60.
ArgError parse_server(std::string_view text, ServerSpec& out);

// The server argument from the texts as typed (CP932): host "\t" port, and
// "\t" seconds for SMTP (`seconds` 0: the POP3 form without it).
std::string format_server(std::string_view host, std::string_view port, int seconds = 0);

struct SmtpAuth {
  std::string user;
  std::string password;
  std::string method;  // "CRAM-MD5", "LOGIN" or "PLAIN"
};

struct Sender {
  std::string address;
  std::optional<SmtpAuth> auth;
};

// "<" address ">" or "<" address "\t" user ":" password "\t" method ">".
// The address ends at the first tab and the method starts after the last
// one, so a tab inside the password does no harm. The user ends at the
// first ':' of the middle part: a password may hold ':' (and anything else
// but NUL), a user name may not hold ':'.
ArgError parse_sender(std::string_view text, Sender& out);

// The sender argument: "<" address ">", or with SMTP AUTH
// "<" address "\t" user ":" password "\t" method ">".
std::string format_sender(std::string_view address);
std::string format_sender(std::string_view address, std::string_view user, std::string_view password,
                          std::string_view method);

// "<" address ">" (a bare address is taken too).
ArgError parse_recipient(std::string_view text, std::string& address);
std::string format_recipient(std::string_view address);  // "<" address ">"

// CR, LF and NUL can never be part of a subject line.
ArgError check_subject(std::string_view cp932);

struct Pop3Login {
  std::string user;
  std::string password;
  bool apop = false;  // the password came with the "A " prefix
};

// Account and password ("A " + password asks for APOP).
ArgError parse_pop3_login(std::string_view account, std::string_view password, Pop3Login& out);
// The password argument: "A " + password when APOP is asked for.
std::string format_pop3_password(std::string_view password, bool apop);

// The error text for a server's refusal: its reply (UTF-8) first, then the
// step in brackets, e.g. "550 5.1.1 No such user（宛先）". What does not fit
// into the error buffer is cut from the reply, never from the step.
std::string reply_error_text(std::string_view reply, std::string_view step);

// Writes `utf8` into the caller's error buffer (kTransportErrorSize bytes)
// as CP932: at most 80 bytes, cut between characters, then a NUL.
void write_error_text(char* buffer, std::string_view utf8);

// The one command the program sends: "STAT" (also "NOOP"), any case.
ArgError parse_pop3_command(std::string_view text, std::string& command);

}  // namespace zarvel
