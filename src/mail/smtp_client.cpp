#include "mail/smtp_client.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "mail/tls_memory.h"

namespace zarvel {
namespace {

enum class Step { Greeting, Ehlo, Helo, Starttls, Auth, Mail, Rcpt, Data, Content, Quit, Other };

std::string upper(std::string_view s) {
  std::string u(s);
  std::transform(u.begin(), u.end(), u.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
  return u;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Follows the dialogue through libcurl's debug stream: which command the
// server is answering, what its EHLO offers, whether TLS and the login took
// place. It cuts the dialogue where libcurl would go on against our rules.
class SmtpSession : public CurlSession {
 public:
  SmtpSession(const SmtpJob& job, bool implicit_tls)
      : job_(job),
        want_auth_(job.sender.auth.has_value()),
        tls_(implicit_tls),
        // CRAM-MD5 never sends the password itself: it may go in the clear.
        tls_required_(!implicit_tls && want_auth_ && job.sender.auth->method != "CRAM-MD5" &&
                      tls_remembered(job.server.host, job.server.port)) {}

  TransportOutcome run();

 protected:
  void line_in(std::string_view line) override;
  void line_out(std::string_view line) override;

 private:
  static size_t on_read(char* buffer, size_t size, size_t count, void* self);
  void reply_done();
  std::string explain(CURLcode code);
  std::string with_reply(std::string_view step) const { return reply_error_text(last_text_, step); }

  const SmtpJob& job_;
  const bool want_auth_;
  bool tls_;
  const bool tls_required_;
  bool tls_heard_ = false;  // a reply came over the STARTTLS connection
  // libcurl reads only "AUTH " lines with the mechanisms in capitals.
  bool auth_readable_ = false;  // the chosen mechanism on such a line
  bool auth_old_form_ = false;  // "AUTH=…" lines seen
  bool accepted_ = false;       // the server took the message
  Step step_ = Step::Greeting;
  bool in_auth_ = false;  // lines we send are AUTH continuations
  bool starttls_offered_ = false;
  bool auth_offered_ = false;
  std::set<std::string> mechanisms_;
  bool auth_ok_ = false;

  // The reply being read and the last complete one.
  std::string first_line_;
  int code_ = 0;
  Step last_step_ = Step::Greeting;
  int last_code_ = 0;
  std::string last_text_;
  std::string final_reply_;  // the answer to the message itself

  std::size_t sent_ = 0;
};

void SmtpSession::line_out(std::string_view line) {
  if (in_auth_) {  // Base64 credentials: neither kept nor looked at
    note(false, "****");
    return;
  }
  std::string verb = upper(line.substr(0, line.find(' ')));
  if (verb == "AUTH") {
    std::string_view mechanism = line.substr(std::min(line.size(), std::size_t{5}));
    note(false, "AUTH " + std::string(mechanism.substr(0, mechanism.find(' '))) +
                    (mechanism.find(' ') == mechanism.npos ? "" : " ****"));
  } else {
    note(false, line);
  }
  if (verb == "EHLO") {
    step_ = Step::Ehlo;
    starttls_offered_ = auth_offered_ = false;
    mechanisms_.clear();
  } else if (verb == "HELO") {
    step_ = Step::Helo;
  } else if (verb == "STARTTLS") {
    step_ = Step::Starttls;
  } else if (verb == "AUTH") {
    step_ = Step::Auth;
    in_auth_ = true;
  } else if (verb == "MAIL") {
    step_ = Step::Mail;
    // Second line of defence: the checks on the EHLO reply should have cut
    // the dialogue already. MAIL FROM has gone out, but no recipient and no
    // message will.
    if (want_auth_ && !auth_ok_) cut("SMTP認証が行われませんでした");
  } else if (verb == "RCPT") {
    step_ = Step::Rcpt;
  } else if (verb == "DATA") {
    step_ = Step::Data;
  } else if (verb == "QUIT") {
    step_ = Step::Quit;
  } else {
    step_ = Step::Other;
  }
}

void SmtpSession::line_in(std::string_view line) {
  note(true, in_auth_ && line.substr(0, 4) == "334 " ? std::string_view("334 ****") : line);
  if (tls_ && !tls_heard_ && step_ != Step::Greeting && !implicit_tls_port(job_.server.port, 465)) {
    tls_heard_ = true;
    remember_tls(job_.server.host, job_.server.port);
  }
  if (line.size() < 3 || !is_digit(line[0]) || !is_digit(line[1]) || !is_digit(line[2]) ||
      (line.size() > 3 && line[3] != ' ' && line[3] != '-')) {
    garbage_seen_ = true;
    return;
  }
  int code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
  std::string_view text = line.size() > 4 ? line.substr(4) : std::string_view();
  if (first_line_.empty()) {
    first_line_ = std::string(line.substr(0, 3)) + " " + printable_reply(text);
    code_ = code;
  } else if (std::string more = printable_reply(text); !more.empty()) {
    // The lines of one reply as one text, each line's status code once.
    std::string_view status = std::string_view(first_line_).substr(4, first_line_.find(' ', 4) - 4);
    if (status.find('.') != status.npos && more.rfind(std::string(status) + " ", 0) == 0)
      more.erase(0, status.size() + 1);
    first_line_ += " " + more;
  }
  if (step_ == Step::Ehlo && code == 250) {
    std::string cap = upper(text);
    if (cap == "STARTTLS") starttls_offered_ = true;
    if (cap.rfind("AUTH", 0) == 0 && (cap.size() == 4 || cap[4] == ' ' || cap[4] == '=')) {
      auth_offered_ = true;
      if (cap[4] == '=') auth_old_form_ = true;
      if (want_auth_ && text.substr(0, 5) == "AUTH ") {
        const std::string& m = job_.sender.auth->method;
        for (std::size_t at = text.find(m); at != text.npos; at = text.find(m, at + 1))
          if (text[at - 1] == ' ' && (at + m.size() == text.size() || text[at + m.size()] == ' '))
            auth_readable_ = true;
      }
      std::string_view rest = std::string_view(cap).substr(std::min<std::size_t>(cap.size(), 5));
      while (!rest.empty()) {
        std::size_t sp = rest.find(' ');
        if (sp != 0) mechanisms_.insert(std::string(rest.substr(0, sp)));
        if (sp == rest.npos) break;
        rest.remove_prefix(sp + 1);
      }
    }
  }
  if (line.size() > 3 && line[3] == '-') return;  // more lines follow
  reply_done();
}

void SmtpSession::reply_done() {
  if (step_ == Step::Quit) {  // the goodbye says nothing about the send
    first_line_.clear();
    return;
  }
  last_step_ = step_;
  last_code_ = code_;
  last_text_ = first_line_;
  first_line_.clear();

  switch (step_) {
    case Step::Ehlo:
      if (last_code_ != 250) break;           // libcurl falls back to HELO
      if (starttls_offered_ && !tls_) break;  // libcurl sends STARTTLS next
      if (tls_required_ && !tls_) break;      // libcurl ends the dialogue here
      if (want_auth_ && !auth_offered_)
        cut("サーバがSMTP認証に対応していません");
      else if (want_auth_ && !mechanisms_.count(job_.sender.auth->method))
        cut("サーバが " + job_.sender.auth->method + " 認証に対応していません");
      else if (want_auth_ && !auth_readable_)
        cut(auth_old_form_ ? "サーバが認証方式を古い形式（AUTH=）でしか示さないため認証できません"
                           : "サーバが認証方式を小文字でしか示さないため認証できません");
      break;
    case Step::Helo:
      if (want_auth_) cut("サーバがSMTP認証に対応していません");
      break;
    case Step::Starttls:
      if (last_code_ == 220)
        tls_ = true;
      else
        cut(with_reply("STARTTLS"));
      break;
    case Step::Auth:
      if (last_code_ == 334) break;
      in_auth_ = false;
      auth_ok_ = last_code_ == 235;
      break;
    case Step::Data:
      if (last_code_ == 354) step_ = Step::Content;
      break;
    case Step::Content:
      final_reply_ = last_text_;
      accepted_ = last_code_ / 100 == 2;
      break;
    default:
      break;
  }
}

size_t SmtpSession::on_read(char* buffer, size_t size, size_t count, void* self) {
  auto* s = static_cast<SmtpSession*>(self);
  if (s->was_cut() || (s->want_auth_ && !s->auth_ok_)) return CURL_READFUNC_ABORT;
  std::size_t n = std::min(size * count, s->job_.message.size() - s->sent_);
  std::memcpy(buffer, s->job_.message.data() + s->sent_, n);
  s->sent_ += n;
  return n;
}

TransportOutcome SmtpSession::run() {
  const bool implicit = tls_;
  const std::string url =
      std::string(implicit ? "smtps://" : "smtp://") + job_.server.host + ":" + std::to_string(job_.server.port);
  prepare(url, job_.server, implicit);
  CURL* c = handle();
  const std::string from = "<" + job_.sender.address + ">";
  curl::set_text(c, CURLOPT_MAIL_FROM, from.c_str());
  const std::string to = "<" + job_.recipient + ">";
  curl_slist* rcpt = curl::slist_append(nullptr, to.c_str());
  curl::set_list(c, CURLOPT_MAIL_RCPT, rcpt);
  curl::set_long(c, CURLOPT_UPLOAD, 1L);
  curl::set_off(c, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(job_.message.size()));
  curl::set_read_function(c, &SmtpSession::on_read);
  curl::set_pointer(c, CURLOPT_READDATA, this);
  std::string login_options;
  if (want_auth_) {
    const SmtpAuth& auth = *job_.sender.auth;
    curl::set_text(c, CURLOPT_USERNAME, auth.user.c_str());
    curl::set_text(c, CURLOPT_PASSWORD, auth.password.c_str());
    login_options = "AUTH=" + auth.method;
    curl::set_text(c, CURLOPT_LOGIN_OPTIONS, login_options.c_str());
    // Some servers refuse PLAIN with an empty first round.
    curl::set_long(c, CURLOPT_SASL_IR, auth.method == "PLAIN" ? 1L : 0L);
  }

  if (tls_required_) curl::set_long(c, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));

  CURLcode code = perform();
  curl::slist_free_all(rcpt);

  TransportOutcome out;
  out.dialogue = dialogue();
  // Once the server has taken the message, whatever happens after (a stop,
  // a QUIT left unanswered) cannot undo the send.
  if (accepted_ || (code == CURLE_OK && !was_cut() && (!want_auth_ || auth_ok_))) {
    out.ok = true;
    out.reply = final_reply_;
    return out;
  }
  out.error = explain(code);
  return out;
}

std::string SmtpSession::explain(CURLcode code) {
  if (was_cut()) return cut_reason();
  if (code == CURLE_USE_SSL_FAILED && tls_required_ && !tls_)
    return "サーバが暗号化（STARTTLS）に応じなくなりました。パスワードは送っていません";
  if (code == CURLE_OK) return "SMTP認証が行われませんでした";  // cannot happen: the read callback refuses
  // The server said no: its own words tell the user most, the step named
  // after them as briefly as can be.
  if (last_code_ >= 400 && first_line_.empty()) {
    switch (last_step_) {
      case Step::Greeting:
        return with_reply("接続");
      case Step::Ehlo:
      case Step::Helo:
        return with_reply("挨拶");
      case Step::Auth:
        return with_reply("SMTP認証");
      case Step::Mail:
        return with_reply("送信者");
      case Step::Rcpt:
        return with_reply("宛先");
      case Step::Data:
        return with_reply("DATA");
      case Step::Content:
        return with_reply("本文");
      default:
        return with_reply("SMTP");
    }
  }
  if (code == CURLE_LOGIN_DENIED) return "SMTP認証に失敗しました";
  return network_error(code);
}

}  // namespace

TransportOutcome smtp_send(const SmtpJob& job) {
  if (!curl_available()) return {false, curl_unavailable_message(), {}, {}};
  SmtpSession session(job, implicit_tls_port(job.server.port, 465));
  return session.run();
}

}  // namespace zarvel
