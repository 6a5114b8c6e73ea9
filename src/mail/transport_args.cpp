#include "mail/transport_args.h"

#include <QString>
#include <algorithm>
#include <charconv>
#include <cstring>

#include "mail/mime.h"
#include "mail/transport.h"
#include "text/cp932.h"

namespace zarvel {
namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool has_line_break(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos; }

// Longest address SMTP allows (RFC 5321: a 256-octet path with its brackets).
constexpr std::size_t kMaxAddress = 254;

// An address goes into "MAIL FROM:<…>", "RCPT TO:<…>" and a header as it
// stands, so only printable ASCII other than the brackets may be in it.
bool is_address(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return c > 0x20 && c < 0x7F && c != '<' && c != '>'; });
}

std::string_view strip_brackets(std::string_view s) {
  s = trim(s);
  if (s.size() >= 2 && s.front() == '<' && s.back() == '>') return s.substr(1, s.size() - 2);
  return s;
}

bool parse_int(std::string_view s, int& value) {
  auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

ArgError parse_server(std::string_view text, ServerSpec& out) {
  std::size_t tab = text.find('\t');
  std::string_view host = trim(text.substr(0, tab));
  std::string_view rest = tab == text.npos ? std::string_view() : text.substr(tab + 1);
  std::size_t tab2 = rest.find('\t');
  std::string_view port = trim(rest.substr(0, tab2));
  std::string_view seconds = tab2 == rest.npos ? std::string_view() : trim(rest.substr(tab2 + 1));

  if (host.empty()) return "サーバ名が設定されていません";
  // Letters, digits, '-', '.', '_' and Japanese (for IDN), or an IPv6
  // literal; anything else could change the meaning of the URL the name
  // goes into.
  bool bracketed = host.size() > 2 && host.front() == '[' && host.back() == ']';
  std::string_view inner = bracketed ? host.substr(1, host.size() - 2) : host;
  auto is_alnum = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); };
  if (bracketed || inner.find(':') != inner.npos) {
    bool hex = std::all_of(inner.begin(), inner.end(), [&](char c) {
      return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.';
    });
    if (!hex || inner.find(':') == inner.npos) return "サーバ名に使えない文字があります";
    out.host.assign(1, '[').append(inner).push_back(']');
  } else {
    bool japanese = false;
    for (std::size_t i = 0; i < inner.size(); i += cp932_char_length(inner, i)) {
      char c = inner[i];
      if (static_cast<unsigned char>(c) >= 0x80)
        japanese = true;
      else if (!is_alnum(c) && c != '-' && c != '.' && c != '_')
        return "サーバ名に使えない文字があります";
    }
    // A Japanese host name is handed over in UTF-8 for libcurl's IDN support.
    out.host = japanese ? from_cp932(inner).toUtf8().toStdString() : std::string(inner);
    if (out.host.find("\xE3\x80\x93") != std::string::npos) return "サーバ名に使えない文字があります";  // 〓
  }

  int p = 0;
  if (port.empty() || !parse_int(port, p) || p < 1 || p > 65535) return "ポート番号が正しくありません";
  out.port = p;

  int s = 0;
  out.timeout_seconds = (parse_int(seconds, s) && s >= 1 && s <= 3600) ? s : 60;
  return std::nullopt;
}

std::string format_server(std::string_view host, std::string_view port, int seconds) {
  std::string out;
  out.append(host).append("\t").append(port);
  if (seconds > 0) out.append("\t").append(std::to_string(seconds));
  return out;
}

std::string format_sender(std::string_view address) { return format_recipient(address); }

std::string format_sender(std::string_view address, std::string_view user, std::string_view password,
                          std::string_view method) {
  std::string out = "<";
  out.append(address).append("\t").append(user).append(":").append(password).append("\t").append(method);
  out.push_back('>');
  return out;
}

std::string format_recipient(std::string_view address) {
  std::string out = "<";
  out.append(address).push_back('>');
  return out;
}

std::string format_pop3_password(std::string_view password, bool apop) {
  return apop ? "A " + std::string(password) : std::string(password);
}

ArgError parse_sender(std::string_view text, Sender& out) {
  std::string_view s = text;
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  if (!s.empty() && s.front() == '<') s.remove_prefix(1);
  if (!s.empty() && s.back() == '>') s.remove_suffix(1);

  std::size_t first_tab = s.find('\t');
  std::string_view address = trim(s.substr(0, first_tab));
  if (address.empty()) return "送信者のメールアドレスが設定されていません";
  if (!is_address(address)) return "送信者のメールアドレスに使えない文字があります";
  if (address.size() > kMaxAddress) return "送信者のメールアドレスが長すぎます";
  out.address = std::string(address);
  out.auth.reset();
  if (first_tab == s.npos) return std::nullopt;

  std::size_t last_tab = s.rfind('\t');
  if (last_tab == first_tab) return "SMTP認証の指定が正しくありません";
  std::string_view credentials = s.substr(first_tab + 1, last_tab - first_tab - 1);
  std::string method(trim(s.substr(last_tab + 1)));
  std::transform(method.begin(), method.end(), method.begin(),
                 [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
  if (method != "CRAM-MD5" && method != "LOGIN" && method != "PLAIN") return "SMTP認証の方式が正しくありません";

  std::size_t colon = credentials.find(':');
  std::string_view user = credentials.substr(0, colon);
  std::string_view password = colon == credentials.npos ? std::string_view() : credentials.substr(colon + 1);
  if (user.empty()) return "SMTP認証のユーザ名が設定されていません";
  if (has_line_break(user)) return "SMTP認証のユーザ名に改行などの文字があります";
  // The password only ever travels Base64-encoded or hashed (CRAM-MD5,
  // LOGIN, PLAIN), so a line break in it cannot break the dialogue; NUL
  // would end it early in PLAIN.
  if (password.find('\0') != password.npos) return "SMTP認証のパスワードに使えない文字があります";
  out.auth = SmtpAuth{std::string(user), std::string(password), method};
  return std::nullopt;
}

ArgError parse_recipient(std::string_view text, std::string& address) {
  std::string_view a = strip_brackets(text);
  if (a.empty()) return "宛先のメールアドレスがありません";
  if (!is_address(a)) return "宛先のメールアドレスに使えない文字があります";
  if (a.size() > kMaxAddress) return "宛先のメールアドレスが長すぎます";
  address = std::string(a);
  return std::nullopt;
}

ArgError check_subject(std::string_view cp932) {
  if (has_line_break(cp932)) return "件名に改行などの制御文字は使えません";
  return std::nullopt;
}

ArgError parse_pop3_login(std::string_view account, std::string_view password, Pop3Login& out) {
  if (account.empty()) return "POP3のアカウントが設定されていません";
  // USER and PASS carry both as they stand.
  if (has_line_break(account)) return "POP3のアカウントに改行などの文字があります";
  out.apop = password.size() >= 2 && password.substr(0, 2) == "A ";
  if (out.apop) password.remove_prefix(2);
  if (has_line_break(password)) return "POP3のパスワードに改行などの文字があります";
  out.user = std::string(account);
  out.password = std::string(password);
  return std::nullopt;
}

std::string reply_error_text(std::string_view reply, std::string_view step) {
  const QString tail =
      QStringLiteral("（") + QString::fromUtf8(step.data(), static_cast<qsizetype>(step.size())) + QStringLiteral("）");
  const Bytes tail_bytes = to_cp932(tail);
  const Bytes text = to_cp932(QString::fromUtf8(reply.data(), static_cast<qsizetype>(reply.size())));
  const std::size_t room = kTransportErrorSize - 1 - std::min(tail_bytes.size(), kTransportErrorSize - 1);
  // Characters CP932 lacks are '?' in the buffer anyway; only the cut
  // needs the CP932 lengths.
  if (text.size() <= room) return std::string(reply) + tail.toStdString();
  return from_cp932(cp932_prefix(text, room)).toStdString() + tail.toStdString();
}

void write_error_text(char* buffer, std::string_view utf8) {
  if (!buffer) return;
  Bytes text = to_cp932(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
  std::string_view cut = cp932_prefix(text, kTransportErrorSize - 1);
  std::memcpy(buffer, cut.data(), cut.size());
  buffer[cut.size()] = '\0';
}

ArgError parse_pop3_command(std::string_view text, std::string& command) {
  std::string c(trim(text));
  std::transform(c.begin(), c.end(), c.begin(), [](char ch) { return ch >= 'a' && ch <= 'z' ? ch - 32 : ch; });
  if (c != "STAT" && c != "NOOP") return "POP3のコマンドが正しくありません";
  command = c;
  return std::nullopt;
}

}  // namespace zarvel
