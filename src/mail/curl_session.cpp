#include "mail/curl_session.h"

#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <stdexcept>

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

}  // namespace

void transport_set_test_ca_file(const std::string& path) {
  std::lock_guard lock(g_ca_mutex);
  g_test_ca_file = path;
}

void transport_set_test_implicit_tls_port(int port) { g_test_tls_port.store(port); }

bool implicit_tls_port(int port, int standard_port) {
  return port == standard_port || (port > 0 && port == g_test_tls_port.load());
}

std::string printable_reply(std::string_view line) {
  std::string out;
  for (char c : line) out += (c >= 0x20 && c < 0x7F) ? c : '?';
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

CURLcode CurlSession::perform() { return curl::easy_perform(curl_); }

void CurlSession::cut(std::string reason) {
  if (cut_reason_.empty()) cut_reason_ = std::move(reason);
  for (curl_socket_t fd : sockets_) shutdown(fd, SHUT_RDWR);
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
  if (type == CURLINFO_HEADER_IN)
    s->feed(s->in_buffer_, {data, size}, true);
  else if (type == CURLINFO_HEADER_OUT)
    s->feed(s->out_buffer_, {data, size}, false);
  return 0;
}

curl_socket_t CurlSession::on_open_socket(void* self, curlsocktype, struct curl_sockaddr* address) {
  auto* s = static_cast<CurlSession*>(self);
  curl_socket_t fd = socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
  if (fd != CURL_SOCKET_BAD) {
    s->sockets_.insert(fd);
    // A socket opened after the dialogue was cut gets nowhere either.
    if (s->was_cut()) shutdown(fd, SHUT_RDWR);
  }
  return fd;
}

int CurlSession::on_close_socket(void* self, curl_socket_t fd) {
  static_cast<CurlSession*>(self)->sockets_.erase(fd);
  return close(fd);
}

}  // namespace zarvel
