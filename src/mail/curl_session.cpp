#include "mail/curl_session.h"

#include <iconv.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <stdexcept>

#include "mail/transport.h"
#include "mail/transport_testing.h"

namespace zarvel {
namespace {

std::mutex g_ca_mutex;
std::string g_test_ca_file;
std::atomic<int> g_test_tls_port{0};

std::string test_ca_file() {
  std::lock_guard lock(g_ca_mutex);
  return g_test_ca_file;
}

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// The dialogues under way, for transport_abort().
std::mutex g_active_mutex;
std::set<CurlSession*> g_active;
bool g_aborted = false;

// A server that stays silent is given this much beyond its time-out, so
// that libcurl reports its own time-out first where it notices one.
constexpr auto kGrace = std::chrono::milliseconds(700);

// Length of the UTF-8 sequence at s[i], 0 when there is none.
std::size_t utf8_sequence(std::string_view s, std::size_t i) {
  const auto c = static_cast<unsigned char>(s[i]);
  std::size_t n = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c <= 0xDF ? 2 : 0;
  if (c >= 0xF5 || n == 0 || i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

// An ISO-2022-JP run from an ESC "$" to the end of the line, as UTF-8.
std::string decode_iso2022jp(std::string_view s) {
  iconv_t cd = iconv_open("UTF-8", "ISO-2022-JP");
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string in(s), out(s.size() * 3 + 16, '\0');
  char* ip = in.data();
  char* op = out.data();
  std::size_t il = in.size(), ol = out.size();
  const bool ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<std::size_t>(-1) &&
                  iconv(cd, nullptr, nullptr, &op, &ol) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return {};
  out.resize(out.size() - ol);
  return out;
}

}  // namespace

void transport_abort() {
  std::lock_guard lock(g_active_mutex);
  g_aborted = true;
  for (CurlSession* s : g_active) s->cut(kTransportStoppedText);
}

void transport_resume() {
  std::lock_guard lock(g_active_mutex);
  g_aborted = false;
}

void transport_set_test_ca_file(const std::string& path) {
  std::lock_guard lock(g_ca_mutex);
  g_test_ca_file = path;
}

void transport_set_test_implicit_tls_port(int port) { g_test_tls_port.store(port); }

bool implicit_tls_port(int port, int standard_port) {
  return port == standard_port || (port > 0 && port == g_test_tls_port.load());
}

std::string printable_reply(std::string_view line) {
  std::string decoded;
  if (std::size_t esc = line.find("\x1B$"); esc != line.npos) {
    decoded = decode_iso2022jp(line.substr(esc));
    if (!decoded.empty()) {
      decoded.insert(0, line.substr(0, esc));
      line = decoded;
    }
  }
  std::string out;
  for (std::size_t i = 0; i < line.size();) {
    const char c = line[i];
    if (c >= 0x20 && c < 0x7F) {
      out += c;
      ++i;
    } else if (std::size_t n = utf8_sequence(line, i); n > 0 && line.substr(i, n) != "\xC2\x85") {
      out.append(line.substr(i, n));
      i += n;
    } else {
      out += c == '\t' ? ' ' : '?';
      ++i;
    }
  }
  std::size_t b = out.find_first_not_of(' ');
  std::size_t e = out.find_last_not_of(' ');
  return b == std::string::npos ? std::string() : out.substr(b, e - b + 1);
}

CurlSession::CurlSession() {
  curl_ = curl::easy_init();
  if (!curl_) throw std::runtime_error("curl_easy_init");
}

CurlSession::~CurlSession() {
  // The derived session is gone by now: nothing may call back into it.
  curl::set_debug_function(curl_, nullptr);
  curl::set_long(curl_, CURLOPT_VERBOSE, 0L);
  curl::easy_cleanup(curl_);
}

void CurlSession::prepare(const std::string& url, const ServerSpec& server, bool implicit_tls) {
  url_ = url;
  host_ = server.host;
  port_ = server.port;
  timeout_seconds_ = server.timeout_seconds;
  const long seconds = server.timeout_seconds;
  curl::set_text(curl_, CURLOPT_URL, url_.c_str());
  curl::set_text(curl_, CURLOPT_PROTOCOLS_STR, "smtp,smtps,pop3,pop3s");
  curl::set_long(curl_, CURLOPT_NOSIGNAL, 1L);
  // One connection per call, closed (QUIT) before perform() returns.
  curl::set_long(curl_, CURLOPT_FORBID_REUSE, 1L);
  // Proxies from the environment have no business with a mail server.
  curl::set_text(curl_, CURLOPT_PROXY, "");
  curl::set_long(curl_, CURLOPT_CONNECTTIMEOUT, seconds);
  curl::set_long(curl_, CURLOPT_SERVER_RESPONSE_TIMEOUT, seconds);
  // A server that stops taking the message while it is being sent.
  curl::set_long(curl_, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl::set_long(curl_, CURLOPT_LOW_SPEED_TIME, seconds);
  // With TRY libcurl upgrades whenever the server offers it; a server that
  // offers and then refuses is caught in the dialogue (see the sessions).
  curl::set_long(curl_, CURLOPT_USE_SSL,
                 implicit_tls ? static_cast<long>(CURLUSESSL_ALL) : static_cast<long>(CURLUSESSL_TRY));
  curl::set_long(curl_, CURLOPT_SSL_VERIFYPEER, 1L);
  curl::set_long(curl_, CURLOPT_SSL_VERIFYHOST, 2L);
  ca_file_ = test_ca_file();
  if (!ca_file_.empty()) {
    curl::set_text(curl_, CURLOPT_CAINFO, ca_file_.c_str());
    curl::set_text(curl_, CURLOPT_CAPATH, nullptr);
  }
  curl::set_pointer(curl_, CURLOPT_ERRORBUFFER, error_buffer_);
  curl::set_long(curl_, CURLOPT_VERBOSE, 1L);
  curl::set_debug_function(curl_, &CurlSession::on_debug);
  curl::set_pointer(curl_, CURLOPT_DEBUGDATA, this);
  curl::set_open_socket_function(curl_, &CurlSession::on_open_socket);
  curl::set_pointer(curl_, CURLOPT_OPENSOCKETDATA, this);
  curl::set_close_socket_function(curl_, &CurlSession::on_close_socket);
  curl::set_pointer(curl_, CURLOPT_CLOSESOCKETDATA, this);
}

CURLcode CurlSession::perform() {
  {
    std::lock_guard lock(g_active_mutex);
    g_active.insert(this);
    if (g_aborted) cut(kTransportStoppedText);
  }
  {
    std::lock_guard lock(mutex_);
    last_heard_ = std::chrono::steady_clock::now();
    done_ = false;
  }
  watchdog_ = std::thread([this] { watch(); });
  CURLcode code = curl::easy_perform(curl_);
  {
    std::lock_guard lock(mutex_);
    done_ = true;
  }
  wake_.notify_all();
  watchdog_.join();
  std::lock_guard lock(g_active_mutex);
  g_active.erase(this);
  return code;
}

// Libcurl's reply time-out covers one reply at a time, but after it (and
// during a TLS handshake) it waits again for as long; this cuts the
// dialogue once the server has been silent for the time-out.
void CurlSession::watch() {
  const auto limit = std::chrono::seconds(timeout_seconds_) + kGrace;
  std::unique_lock lock(mutex_);
  while (!done_) {
    const auto deadline = last_heard_ + limit;
    if (std::chrono::steady_clock::now() >= deadline) {
      if (cut_reason_.empty()) timed_out_ = true;
      for (curl_socket_t fd : sockets_) shutdown(fd, SHUT_RDWR);
      return;
    }
    wake_.wait_until(lock, deadline);
  }
}

void CurlSession::heard() {
  std::lock_guard lock(mutex_);
  last_heard_ = std::chrono::steady_clock::now();
}

void CurlSession::cut(std::string reason) {
  std::lock_guard lock(mutex_);
  if (cut_reason_.empty() && !timed_out_) cut_reason_ = std::move(reason);
  for (curl_socket_t fd : sockets_) shutdown(fd, SHUT_RDWR);
}

bool CurlSession::was_cut() const {
  std::lock_guard lock(mutex_);
  return !cut_reason_.empty() || timed_out_;
}

bool CurlSession::timed_out() const {
  std::lock_guard lock(mutex_);
  return timed_out_;
}

std::string CurlSession::cut_reason() {
  {
    std::lock_guard lock(mutex_);
    if (!timed_out_) return cut_reason_;
  }
  return network_error(CURLE_OPERATION_TIMEDOUT);
}

void CurlSession::note(bool incoming, std::string_view line) {
  // Enough for any real dialogue; a server that talks on and on is cut short.
  constexpr std::size_t kMaxDialogue = 64 * 1024;
  if (dialogue_bytes_ > kMaxDialogue) return;
  std::string entry = incoming ? "S: " : "C: ";
  entry += incoming ? printable_reply(line) : std::string(line);
  dialogue_bytes_ += entry.size() + 1;
  dialogue_.push_back(std::move(entry));
  if (dialogue_bytes_ > kMaxDialogue) dialogue_.push_back("…");
}

std::string CurlSession::dialogue() const {
  std::string out;
  for (const std::string& line : dialogue_) out.append(line).push_back('\n');
  return out;
}

bool CurlSession::connected() {
  curl_off_t t = 0;
  return curl::getinfo_off(curl_, CURLINFO_CONNECT_TIME_T, &t) == CURLE_OK && t > 0;
}

std::string CurlSession::network_error(CURLcode code) {
  std::string detail = printable_reply(error_buffer_);
  for (std::string_view prefix : {"SSL certificate problem: ", "SSL: "})
    if (starts_with(detail, prefix)) detail.erase(0, prefix.size());
  const std::string late = "（" + std::to_string(timeout_seconds_) + "秒で時間切れ）";
  switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
      return "サーバ " + host_ + " が見つかりません";
    case CURLE_COULDNT_CONNECT:
      return "サーバ " + host_ + ":" + std::to_string(port_) + " に接続できません";
    case CURLE_OPERATION_TIMEDOUT:
      if (garbage_seen_) return "サーバの応答が正しくありません" + late;
      return (connected() ? "サーバの応答がありません" : "サーバに接続できません") + late;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
      return "サーバの証明書を確認できません: " + detail;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_USE_SSL_FAILED:
      return "暗号化（TLS）の接続に失敗しました: " + detail;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_WEIRD_SERVER_REPLY:
      if (garbage_seen_ || code == CURLE_WEIRD_SERVER_REPLY) return "サーバの応答が正しくありません";
      return "サーバとの接続が切れました";
    case CURLE_URL_MALFORMAT:
      return "サーバ名に使えない文字があります";
    case CURLE_OUT_OF_MEMORY:
      return "メモリが足りません";
    case CURLE_LOGIN_DENIED:
      return "ログインを拒否されました";
    default:
      return "通信に失敗しました: " + (detail.empty() ? std::string(curl::easy_strerror(code)) : detail);
  }
}

void CurlSession::feed(std::string& buffer, std::string_view data, bool incoming) {
  buffer.append(data);
  std::size_t start = 0;
  for (std::size_t nl; (nl = buffer.find('\n', start)) != std::string::npos; start = nl + 1) {
    std::string_view line(buffer.data() + start, nl - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (incoming)
      line_in(line);
    else
      line_out(line);
  }
  buffer.erase(0, start);
}

int CurlSession::on_debug(CURL*, curl_infotype type, char* data, size_t size, void* self) {
  auto* s = static_cast<CurlSession*>(self);
  switch (type) {
    case CURLINFO_HEADER_IN:
      s->heard();
      s->feed(s->in_buffer_, {data, size}, true);
      break;
    case CURLINFO_HEADER_OUT:
      s->feed(s->out_buffer_, {data, size}, false);
      break;
    case CURLINFO_DATA_IN:
    case CURLINFO_SSL_DATA_IN:
    case CURLINFO_DATA_OUT:  // the message itself: the server is taking it
      s->heard();
      break;
    default:
      break;
  }
  return 0;
}

curl_socket_t CurlSession::on_open_socket(void* self, curlsocktype, struct curl_sockaddr* address) {
  auto* s = static_cast<CurlSession*>(self);
  curl_socket_t fd = socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
  if (fd != CURL_SOCKET_BAD) {
    std::lock_guard lock(s->mutex_);
    s->sockets_.insert(fd);
    // A socket opened after the dialogue was cut gets nowhere either.
    if (!s->cut_reason_.empty() || s->timed_out_) shutdown(fd, SHUT_RDWR);
  }
  return fd;
}

// Under the lock, so that a cut never shuts down a number already reused.
int CurlSession::on_close_socket(void* self, curl_socket_t fd) {
  auto* s = static_cast<CurlSession*>(self);
  std::lock_guard lock(s->mutex_);
  s->sockets_.erase(fd);
  return close(fd);
}

}  // namespace zarvel
