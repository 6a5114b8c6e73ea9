#include "mail/pop3_client.h"

#include <algorithm>
#include <utility>

#include "mail/tls_memory.h"

namespace zarvel {
namespace {

enum class Step { Greeting, Capa, Stls, User, Pass, Apop, Auth, Command, Quit };

std::string upper(std::string_view s) {
  std::string u(s);
  std::transform(u.begin(), u.end(), u.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
  return u;
}

bool starts_with(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// "<…@…>" in the greeting: the time stamp APOP hashes with the password.
bool has_apop_stamp(std::string_view greeting) {
  std::size_t open = greeting.find('<');
  while (open != greeting.npos) {
    std::size_t close = greeting.find('>', open);
    if (close == greeting.npos) return false;
    std::string_view inside = greeting.substr(open + 1, close - open - 1);
    if (inside.find('@') != inside.npos && inside.find('<') == inside.npos) return true;
    open = greeting.find('<', open + 1);
  }
  return false;
}

class Pop3Session : public CurlSession {
 public:
  Pop3Session(const ServerSpec& server, const Pop3Login& login, const std::string& command)
      : server_(server),
        login_(login),
        command_(command),
        implicit_tls_(implicit_tls_port(server.port, 995)),
        tls_(implicit_tls_),
        // APOP never sends the password itself: it may go in the clear.
        tls_required_(!implicit_tls_ && !login.apop && tls_remembered(server.host, server.port)) {}

  TransportOutcome run();

 protected:
  void line_in(std::string_view line) override;
  void line_out(std::string_view line) override;

 private:
  std::string explain(CURLcode code);
  std::string with_reply(std::string_view step) const { return reply_error_text(last_text_, step); }

  const ServerSpec& server_;
  const Pop3Login& login_;
  const std::string& command_;
  const bool implicit_tls_;
  bool tls_;
  const bool tls_required_;
  bool tls_heard_ = false;  // a reply came over the STLS connection
  bool command_done_ = false;
  Step step_ = Step::Greeting;
  bool in_auth_ = false;       // lines we send are SASL continuations
  bool capa_listing_ = false;  // reading the lines of a CAPA answer
  bool logged_in_ = false;
  Step last_step_ = Step::Greeting;
  bool last_ok_ = true;
  std::string last_text_;
  std::string command_reply_;
};

void Pop3Session::line_out(std::string_view line) {
  if (in_auth_) {  // SASL credentials: neither kept nor looked at
    note(false, "****");
    return;
  }
  std::string verb = upper(line.substr(0, line.find(' ')));
  if (verb == "PASS")
    note(false, "PASS ****");
  else if (verb == "APOP")
    note(false, std::string(line.substr(0, line.rfind(' '))) + " ****");
  else if (verb == "AUTH")
    note(false, std::string(line.substr(0, line.find(' ', 5))) + (line.find(' ', 5) == line.npos ? "" : " ****"));
  else
    note(false, line);
  static constexpr std::pair<std::string_view, Step> kVerbs[] = {
      {"CAPA", Step::Capa}, {"STLS", Step::Stls}, {"USER", Step::User}, {"PASS", Step::Pass},
      {"APOP", Step::Apop}, {"AUTH", Step::Auth}, {"QUIT", Step::Quit}};
  step_ = Step::Command;
  for (const auto& [name, step] : kVerbs)
    if (verb == name) step_ = step;
  in_auth_ = step_ == Step::Auth;
}

void Pop3Session::line_in(std::string_view line) {
  note(true, in_auth_ && starts_with(line, "+ ") ? std::string_view("+ ****") : line);
  if (tls_ && !tls_heard_ && !implicit_tls_ && step_ != Step::Stls) {
    tls_heard_ = true;
    remember_tls(server_.host, server_.port);
  }
  if (capa_listing_) {
    if (line == ".") capa_listing_ = false;
    return;
  }
  const bool ok = starts_with(line, "+OK");
  const bool err = starts_with(line, "-ERR");
  if (in_auth_ && starts_with(line, "+ ")) return;  // SASL challenge
  if (!ok && !err) {
    garbage_seen_ = true;
    return;
  }
  if (step_ == Step::Quit) return;  // the goodbye says nothing about the login
  if (step_ == Step::Capa) {
    capa_listing_ = ok;  // a server without CAPA is no failure
    return;
  }
  last_step_ = step_;
  last_ok_ = ok;
  last_text_ = printable_reply(line);
  switch (step_) {
    case Step::Greeting:
      if (ok && login_.apop && !has_apop_stamp(line)) cut("サーバがAPOPに対応していません（時刻印がありません）");
      break;
    case Step::Stls:
      if (ok)
        tls_ = true;
      else
        cut(with_reply("STLS"));
      break;
    case Step::Pass:
    case Step::Apop:
    case Step::Auth:
      in_auth_ = false;
      logged_in_ = ok;
      break;
    case Step::Command:
      command_reply_ = last_text_;
      command_done_ = ok && logged_in_;
      break;
    default:
      break;
  }
}

TransportOutcome Pop3Session::run() {
  const std::string url =
      std::string(tls_ ? "pop3s://" : "pop3://") + server_.host + ":" + std::to_string(server_.port) + "/";
  prepare(url, server_, tls_);
  CURL* c = handle();
  curl::set_text(c, CURLOPT_USERNAME, login_.user.c_str());
  curl::set_text(c, CURLOPT_PASSWORD, login_.password.c_str());
  if (login_.apop) curl::set_text(c, CURLOPT_LOGIN_OPTIONS, "AUTH=+APOP");
  curl::set_text(c, CURLOPT_CUSTOMREQUEST, command_.c_str());
  // STAT answers with one line; without NOBODY libcurl waits for a list.
  curl::set_long(c, CURLOPT_NOBODY, 1L);

  if (tls_required_) curl::set_long(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));

  CURLcode code = perform();
  TransportOutcome out;
  out.dialogue = dialogue();
  // A stop or a silent QUIT after the command's answer changes nothing.
  if (command_done_ || (code == CURLE_OK && !was_cut() && logged_in_)) {
    out.ok = true;
    out.reply = command_reply_;
    return out;
  }
  out.error = explain(code);
  return out;
}

std::string Pop3Session::explain(CURLcode code) {
  if (was_cut()) return cut_reason();
  if (code == CURLE_USE_SSL_FAILED && tls_required_ && !tls_)
    return "サーバが暗号化（STLS）に応じなくなりました。パスワードは送っていません";
  if (!last_ok_) {
    switch (last_step_) {
      case Step::Greeting:
        return with_reply("接続");
      case Step::User:
      case Step::Pass:
      case Step::Auth:
        return with_reply("ログイン");
      case Step::Apop:
        return with_reply("APOP");
      case Step::Command:
        return with_reply(command_);
      default:
        return with_reply("POP3");
    }
  }
  if (code == CURLE_OK) return "POP3のログインが行われませんでした";
  if (code == CURLE_LOGIN_DENIED) return "サーバに使えるログイン方法がありません";
  return network_error(code);
}

}  // namespace

TransportOutcome pop3_run(const ServerSpec& server, const Pop3Login& login, const std::string& command) {
  if (!curl_available()) return {false, curl_unavailable_message(), {}, {}};
  Pop3Session session(server, login, command);
  return session.run();
}

}  // namespace zarvel
