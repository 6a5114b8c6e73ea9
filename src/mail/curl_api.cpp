#include "mail/curl_api.h"

#include <dlfcn.h>

#include <mutex>

#include "mail/transport_testing.h"

namespace zarvel {
namespace {

// The functions used, with the types the headers declare for them.
struct CurlApi {
  decltype(&::curl_global_init) global_init = nullptr;
  decltype(&::curl_easy_init) easy_init = nullptr;
  decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
  decltype(&::curl_easy_setopt) easy_setopt = nullptr;
  decltype(&::curl_easy_perform) easy_perform = nullptr;
  decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
  decltype(&::curl_easy_strerror) easy_strerror = nullptr;
  decltype(&::curl_slist_append) slist_append = nullptr;
  decltype(&::curl_slist_free_all) slist_free_all = nullptr;
};

constexpr const char* kLibrary = "libcurl.so.4";

// All under g_mutex; g_api is written before g_loaded is set, and read
// only by a thread that has seen g_loaded set through curl_available().
std::mutex g_mutex;
bool g_tried = false;
bool g_loaded = false;
CurlApi g_api;
std::string g_test_library;

template <class F>
bool resolve(void* lib, const char* name, F& into) {
  into = reinterpret_cast<F>(::dlsym(lib, name));
  return into != nullptr;
}

bool load(const char* name) {
  // Never closed: libcurl keeps global state (and the TLS library's) for
  // the life of the process.
  void* lib = ::dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (!lib) return false;
  CurlApi api;
  const bool all =
      resolve(lib, "curl_global_init", api.global_init) && resolve(lib, "curl_easy_init", api.easy_init) &&
      resolve(lib, "curl_easy_cleanup", api.easy_cleanup) && resolve(lib, "curl_easy_setopt", api.easy_setopt) &&
      resolve(lib, "curl_easy_perform", api.easy_perform) && resolve(lib, "curl_easy_getinfo", api.easy_getinfo) &&
      resolve(lib, "curl_easy_strerror", api.easy_strerror) && resolve(lib, "curl_slist_append", api.slist_append) &&
      resolve(lib, "curl_slist_free_all", api.slist_free_all);
  if (!all) {
    ::dlclose(lib);
    return false;
  }
  // A failed global init shows up as a failed curl_easy_init later.
  api.global_init(CURL_GLOBAL_DEFAULT);
  g_api = api;
  return true;
}

const CurlApi& api() { return g_api; }

bool is_kind(CURLoption option, int kind) {
  const int n = static_cast<int>(option);
  return n >= kind && n < kind + 10000;
}

}  // namespace

bool curl_available() {
  std::lock_guard lock(g_mutex);
  if (!g_tried) {
    g_tried = true;
    g_loaded = load(g_test_library.empty() ? kLibrary : g_test_library.c_str());
  }
  return g_loaded;
}

std::string curl_unavailable_message() { return "メール送信用ライブラリ (libcurl) を読み込めません"; }

void transport_set_test_library(const std::string& name) {
  std::lock_guard lock(g_mutex);
  g_test_library = name;
  g_tried = g_loaded = false;
}

namespace curl {

CURL* easy_init() { return api().easy_init(); }
void easy_cleanup(CURL* handle) { api().easy_cleanup(handle); }
CURLcode easy_perform(CURL* handle) { return api().easy_perform(handle); }
const char* easy_strerror(CURLcode code) { return api().easy_strerror(code); }
curl_slist* slist_append(curl_slist* list, const char* text) { return api().slist_append(list, text); }
void slist_free_all(curl_slist* list) { api().slist_free_all(list); }

CURLcode getinfo_off(CURL* handle, CURLINFO info, curl_off_t* value) {
  if ((info & CURLINFO_TYPEMASK) != CURLINFO_OFF_T) return CURLE_BAD_FUNCTION_ARGUMENT;
  return api().easy_getinfo(handle, info, value);
}

CURLcode set_long(CURL* handle, CURLoption option, long value) {
  if (!is_kind(option, CURLOPTTYPE_LONG)) return CURLE_BAD_FUNCTION_ARGUMENT;
  return api().easy_setopt(handle, option, value);
}

CURLcode set_off(CURL* handle, CURLoption option, curl_off_t value) {
  if (!is_kind(option, CURLOPTTYPE_OFF_T)) return CURLE_BAD_FUNCTION_ARGUMENT;
  return api().easy_setopt(handle, option, value);
}

CURLcode set_text(CURL* handle, CURLoption option, const char* text) {
  if (!is_kind(option, CURLOPTTYPE_OBJECTPOINT)) return CURLE_BAD_FUNCTION_ARGUMENT;
  return api().easy_setopt(handle, option, const_cast<char*>(text));  // libcurl reads a char*
}

CURLcode set_pointer(CURL* handle, CURLoption option, void* data) {
  if (!is_kind(option, CURLOPTTYPE_OBJECTPOINT)) return CURLE_BAD_FUNCTION_ARGUMENT;
  return api().easy_setopt(handle, option, data);
}

CURLcode set_list(CURL* handle, CURLoption option, curl_slist* list) {
  if (!is_kind(option, CURLOPTTYPE_OBJECTPOINT)) return CURLE_BAD_FUNCTION_ARGUMENT;
  return api().easy_setopt(handle, option, list);
}

CURLcode set_debug_function(CURL* handle, curl_debug_callback f) {
  return api().easy_setopt(handle, CURLOPT_DEBUGFUNCTION, f);
}

CURLcode set_read_function(CURL* handle, curl_read_callback f) {
  return api().easy_setopt(handle, CURLOPT_READFUNCTION, f);
}

CURLcode set_open_socket_function(CURL* handle, curl_opensocket_callback f) {
  return api().easy_setopt(handle, CURLOPT_OPENSOCKETFUNCTION, f);
}

CURLcode set_close_socket_function(CURL* handle, curl_closesocket_callback f) {
  return api().easy_setopt(handle, CURLOPT_CLOSESOCKETFUNCTION, f);
}

}  // namespace curl
}  // namespace zarvel
