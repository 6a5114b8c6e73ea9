#include "mail/transport.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>
#include <set>
#include <string>

#include "mail/curl_session.h"
#include "mail/message.h"
#include "mail/pop3_client.h"
#include "mail/smtp_client.h"
#include "mail/transport_args.h"

namespace {

using namespace zarvel;

int fail(char* error, const std::string& utf8) {
  write_error_text(error, utf8);
  return 0;
}

std::string_view view(const char* s) { return s ? std::string_view(s) : std::string_view(); }

// The result area holds in its first slot a string we allocated (the
// server's answer to the command); the other slots stay null. Only pointers
// we handed out are ever freed, so freeing twice, or freeing an area that
// was never filled, does no harm.
std::mutex g_results_mutex;
std::set<void*> g_results;

void* new_result(const std::string& text) {
  void* p = std::malloc(text.size() + 1);
  if (!p) return nullptr;
  std::memcpy(p, text.c_str(), text.size() + 1);
  std::lock_guard lock(g_results_mutex);
  g_results.insert(p);
  return p;
}

void free_result(void* p) {
  {
    std::lock_guard lock(g_results_mutex);
    if (!g_results.erase(p)) return;
  }
  std::free(p);
}

std::atomic<Transport*> g_transport{nullptr};

// The dialogue of this thread's last call.
thread_local std::string t_dialogue;

}  // namespace

int TransportSendMail(const char* server, const char* recipient, const char* sender, const char* subject,
                      const char* body, const char* attachments, char* error) {
  try {
    SmtpJob job;
    if (auto e = parse_server(view(server), job.server)) return fail(error, *e);
    if (auto e = parse_recipient(view(recipient), job.recipient)) return fail(error, *e);
    if (auto e = parse_sender(view(sender), job.sender)) return fail(error, *e);
    if (auto e = check_subject(view(subject))) return fail(error, *e);
    if (!view(attachments).empty()) return fail(error, "添付ファイルの送信には対応していません");
    std::time_t now = std::time(nullptr);
    job.message = build_message(job.sender.address, job.recipient, view(subject), view(body), now,
                                make_message_id(job.sender.address, now));
    t_dialogue.clear();
    TransportOutcome result = smtp_send(job);
    t_dialogue = std::move(result.dialogue);
    if (!result.ok) return fail(error, result.error);
    return 1;
  } catch (const std::bad_alloc&) {
    return fail(error, "メモリが足りません");
  } catch (const std::exception& e) {
    return fail(error, std::string("送信できませんでした: ") + e.what());
  }
}

int TransportPop3(const char* server, const char* account, const char* password, const char* command,
                  const char* /*directory: nothing is stored*/, void* result, char* error) {
  TransportFreeArray(result);  // also zeroes an area never filled
  try {
    ServerSpec endpoint;
    Pop3Login login;
    std::string cmd;
    if (auto e = parse_server(view(server), endpoint)) return fail(error, *e);
    if (auto e = parse_pop3_login(view(account), view(password), login)) return fail(error, *e);
    if (auto e = parse_pop3_command(view(command), cmd)) return fail(error, *e);
    t_dialogue.clear();
    TransportOutcome outcome = pop3_run(endpoint, login, cmd);
    t_dialogue = std::move(outcome.dialogue);
    if (!outcome.ok) return fail(error, outcome.error);
    if (result) static_cast<void**>(result)[0] = new_result(outcome.reply);
    return 1;
  } catch (const std::bad_alloc&) {
    return fail(error, "メモリが足りません");
  } catch (const std::exception& e) {
    return fail(error, std::string("POP3の処理に失敗しました: ") + e.what());
  }
}

void TransportFreeArray(void* result) {
  if (!result) return;
  auto* area = static_cast<void**>(result);
  for (std::size_t i = 0; i < kTransportResultSize / sizeof(void*); ++i) {
    if (area[i]) free_result(area[i]);
    area[i] = nullptr;
  }
}

namespace zarvel {

int Transport::send_mail(const char* server, const char* recipient, const char* sender, const char* subject,
                         const char* body, const char* attachments, char* error) {
  return TransportSendMail(server, recipient, sender, subject, body, attachments, error);
}

int Transport::pop3(const char* server, const char* account, const char* password, const char* command,
                    const char* directory, void* result, char* error) {
  return TransportPop3(server, account, password, command, directory, result, error);
}

void Transport::free_array(void* result) { TransportFreeArray(result); }

std::string Transport::last_dialogue() { return transport_last_dialogue(); }
void Transport::abort() { transport_abort(); }
void Transport::resume() { transport_resume(); }

std::string transport_last_dialogue() { return t_dialogue; }

Transport& transport() {
  static Transport built_in;
  Transport* t = g_transport.load();
  return t ? *t : built_in;
}

void set_transport(Transport* t) { g_transport.store(t); }

}  // namespace zarvel
