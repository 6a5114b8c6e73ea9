// One libcurl transfer with what both protocols need around it: time-outs,
// certificate checks, the server's reply lines read from the debug stream,
// and a way to stop the dialogue at once from inside libcurl's callbacks.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "mail/curl_api.h"
#include "mail/transport_args.h"

namespace zarvel {

// How one exchange ended: `error` (Japanese, UTF-8) is empty on success;
// `reply` is the server's answer to the last command on success;
// `dialogue` is every line of the exchange, "C: " ours and "S: " the
// server's, with passwords and authentication exchanges masked.
struct TransportOutcome {
  bool ok = false;
  std::string error;
  std::string reply;
  std::string dialogue;
};

// Whether a server on `port` speaks TLS from the first byte: the protocol's
// standard port for that (465 SMTP, 995 POP3).
bool implicit_tls_port(int port, int standard_port);

// The reply text of a server line made safe for an error text, in UTF-8: a
// UTF-8 or ISO-2022-JP text decoded, control characters and bytes that are
// neither as '?', blanks trimmed.
std::string printable_reply(std::string_view line);

// Requires curl_available().
class CurlSession {
 public:
  CurlSession();
  virtual ~CurlSession();
  CurlSession(const CurlSession&) = delete;
  CurlSession& operator=(const CurlSession&) = delete;

  CURL* handle() { return curl_; }

  // URL, time-outs, certificate store, callbacks. `implicit_tls` is for
  // smtps:// and pop3s://; otherwise STARTTLS / STLS is used when the server
  // offers it.
  void prepare(const std::string& url, const ServerSpec& server, bool implicit_tls);

  // Runs the transfer. A server silent for longer than the time-out (no
  // byte from it, none of the message taken) has the dialogue cut, whatever
  // step libcurl is at, QUIT included.
  CURLcode perform();

  // Ends the dialogue on the spot: every socket of the transfer is shut
  // down, so not one more byte reaches the server and libcurl fails its next
  // step. The first reason given is kept. Any thread.
  void cut(std::string reason);
  bool was_cut() const;
  // The reason of the cut; for a silent server the time-out text.
  std::string cut_reason();
  bool timed_out() const;

  // libcurl's own message for the last failure (ASCII).
  std::string curl_message() const { return error_buffer_; }

  // Whether the TCP connection was made.
  bool connected();

  // The text for a failure that the dialogue does not explain: name
  // resolution, connection, time-out, TLS and certificate problems, a
  // dropped connection, or a reply that is not the protocol's.
  std::string network_error(CURLcode code);

 protected:
  // One complete line from the server or to it, without CR LF.
  virtual void line_in(std::string_view line) = 0;
  virtual void line_out(std::string_view line) = 0;

  // Adds a line to the dialogue kept for the detailed error text.
  void note(bool incoming, std::string_view line);
  std::string dialogue() const;

  bool garbage_seen_ = false;  // a server line that is not a reply of the protocol

 private:
  static int on_debug(CURL*, curl_infotype type, char* data, size_t size, void* self);
  static curl_socket_t on_open_socket(void* self, curlsocktype purpose, struct curl_sockaddr* address);
  static int on_close_socket(void* self, curl_socket_t fd);
  void feed(std::string& buffer, std::string_view data, bool incoming);
  void watch();
  void heard();

  CURL* curl_ = nullptr;
  std::string url_;
  std::string ca_file_;
  std::string host_;
  int port_ = 0;
  int timeout_seconds_ = 0;
  std::string in_buffer_, out_buffer_;
  std::vector<std::string> dialogue_;
  std::size_t dialogue_bytes_ = 0;

  // Shared with the watchdog and with transport_abort(): under mutex_.
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::set<curl_socket_t> sockets_;
  std::string cut_reason_;
  bool timed_out_ = false;
  bool done_ = false;
  std::chrono::steady_clock::time_point last_heard_;
  std::thread watchdog_;
  char error_buffer_[CURL_ERROR_SIZE] = {};
};

}  // namespace zarvel
