#include "mail/pop3_client.h"

#include <algorithm>
#include <utility>

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
      : server_(server), login_(login), command_(command), tls_(implicit_tls_port(server.port, 995)) {}

  TransportOutcome run();

 protected:
  void line_in(std::string_view line) override;
  void line_out(std::string_view line) override;

 private:
  std::string explain(CURLcode code);
  std::string with_reply(std::string_view what) const { return std::string(what) + ": " + last_text_; }

  const ServerSpec& server_;
  const Pop3Login& login_;
  const std::string& command_;
  bool tls_;
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
  if (in_auth_) return;  // SASL credentials: neither kept nor looked at
  std::string verb = upper(line.substr(0, line.find(' ')));
  static constexpr std::pair<std::string_view, Step> kVerbs[] = {
      {"CAPA", Step::Capa}, {"STLS", Step::Stls}, {"USER", Step::User}, {"PASS", Step::Pass},
      {"APOP", Step::Apop}, {"AUTH", Step::Auth}, {"QUIT", Step::Quit}};
  step_ = Step::Command;
  for (const auto& [name, step] : kVerbs)
    if (verb == name) step_ = step;
  in_auth_ = step_ == Step::Auth;
}

void Pop3Session::line_in(std::string_view line) {
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
        cut(with_reply("STLSを拒否されました"));
      break;
    case Step::Pass:
    case Step::Apop:
    case Step::Auth:
      in_auth_ = false;
      logged_in_ = ok;
      break;
    case Step::Command:
      command_reply_ = last_text_;
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

  CURLcode code = perform();
  TransportOutcome out;
  if (code == CURLE_OK && !was_cut() && logged_in_) {
    out.ok = true;
    out.reply = command_reply_;
    return out;
  }
  out.error = explain(code);
  return out;
}

std::string Pop3Session::explain(CURLcode code) {
  if (was_cut()) return cut_reason();
  if (!last_ok_) {
    switch (last_step_) {
      case Step::Greeting:
        return with_reply("サーバに接続を断られました");
      case Step::User:
      case Step::Pass:
      case Step::Auth:
        return with_reply("POP3のログインを拒否されました");
      case Step::Apop:
        return with_reply("APOPのログインを拒否されました");
      case Step::Command:
        return with_reply(command_ + "を拒否されました");
      default:
        return with_reply("サーバにエラーを返されました");
    }
  }
  if (code == CURLE_OK) return "POP3のログインが行われませんでした";
  if (code == CURLE_LOGIN_DENIED) return "サーバに使えるログイン方法がありません";
  return network_error(code);
}

}  // namespace

TransportOutcome pop3_run(const ServerSpec& server, const Pop3Login& login, const std::string& command) {
  if (!curl_available()) return {false, curl_unavailable_message(), {}};
  Pop3Session session(server, login, command);
  return session.run();
}

}  // namespace zarvel
