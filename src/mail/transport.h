// The mail transport: the three calls of the closed library the program was
// written against, built in on libcurl with the same argument forms and the
// same success rule.
#pragma once

#include <cstddef>
#include <string>

// Size of the caller's error buffer; the text written there is at most
// 80 bytes of CP932 and ends with a NUL.
inline constexpr std::size_t kTransportErrorSize = 81;
// Size of the caller's result area for TransportPop3 (258 pointer slots).
inline constexpr std::size_t kTransportResultSize = 1032;

// server: host "\t" port "\t" timeout-seconds; recipient: "<" address ">";
// sender: "<" address ">" or "<" address "\t" user ":" password "\t" method ">"
// (method "CRAM-MD5", "LOGIN" or "PLAIN"); subject and body: CP932, body
// lines separated by CR LF; attachments: "". Non-zero when the server took
// the message; zero on failure, with the reason in `error`.
int TransportSendMail(const char* server, const char* recipient, const char* sender, const char* subject,
                      const char* body, const char* attachments, char* error);

// server: host "\t" port; password: the password, or "A " + password for
// APOP; command: "STAT". Non-zero when logged in and the command was done.
int TransportPop3(const char* server, const char* account, const char* password, const char* command,
                  const char* directory, void* result, char* error);

// Releases what TransportPop3 put into `result`.
void TransportFreeArray(void* result);

namespace zarvel {

// The transport as the send window sees it, so that window tests can stand
// in a scripted one. The default forwards to the three calls above.
class Transport {
 public:
  virtual ~Transport() = default;
  virtual int send_mail(const char* server, const char* recipient, const char* sender, const char* subject,
                        const char* body, const char* attachments, char* error);
  virtual int pop3(const char* server, const char* account, const char* password, const char* command,
                   const char* directory, void* result, char* error);
  virtual void free_array(void* result);
  // The last call's dialogue on this thread (UTF-8 lines "C: …" / "S: …",
  // passwords and authentication exchanges masked), for a detailed error.
  virtual std::string last_dialogue();
  // Stops the call under way at once (it fails with "送信を中止しました",
  // unless the server had already taken the message) and every later one
  // until resume(). Any thread.
  virtual void abort();
  virtual void resume();
};

// The error text of a call that abort() stopped.
inline constexpr const char* kTransportStoppedText = "送信を中止しました";

// What Transport's defaults call.
std::string transport_last_dialogue();
void transport_abort();
void transport_resume();

Transport& transport();
void set_transport(Transport* t);  // nullptr restores the built-in one

}  // namespace zarvel
