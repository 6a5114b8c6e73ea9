// libcurl, opened when the transport is first used rather than linked: the
// library and the ones it brings (TLS, HTTP/2, SSH, LDAP, Kerberos…) would
// cost every start of the program about 10 ms and 5 MB, and only a send
// needs them. The headers still give the types and constants.
//
// Every call below except curl_available() requires that curl_available()
// has returned true (a CURL handle exists only after that).
#pragma once

#include <curl/curl.h>

#include <string>

namespace zarvel {

// Opens libcurl.so.4 and runs curl_global_init, once per process and safe
// from any thread; false when the library or one of its functions is
// missing. A failure is remembered.
bool curl_available();

// The error text for a transport that has no libcurl.
std::string curl_unavailable_message();

namespace curl {

CURL* easy_init();
void easy_cleanup(CURL* handle);
CURLcode easy_perform(CURL* handle);
const char* easy_strerror(CURLcode code);
curl_slist* slist_append(curl_slist* list, const char* text);
void slist_free_all(curl_slist* list);
// CURLINFO_*_T figures.
CURLcode getinfo_off(CURL* handle, CURLINFO info, curl_off_t* value);

// curl_easy_setopt reads its third argument as the type the option's
// number stands for; each wrapper passes exactly that type and refuses
// (CURLE_BAD_FUNCTION_ARGUMENT, libcurl not called) an option of another
// kind.
CURLcode set_long(CURL* handle, CURLoption option, long value);        // CURLOPTTYPE_LONG
CURLcode set_off(CURL* handle, CURLoption option, curl_off_t value);   // CURLOPTTYPE_OFF_T
CURLcode set_text(CURL* handle, CURLoption option, const char* text);  // strings (copied by libcurl), or null
CURLcode set_pointer(CURL* handle, CURLoption option, void* data);     // callback data, buffers
CURLcode set_list(CURL* handle, CURLoption option, curl_slist* list);
CURLcode set_debug_function(CURL* handle, curl_debug_callback f);
CURLcode set_read_function(CURL* handle, curl_read_callback f);
CURLcode set_open_socket_function(CURL* handle, curl_opensocket_callback f);
CURLcode set_close_socket_function(CURL* handle, curl_closesocket_callback f);

}  // namespace curl
}  // namespace zarvel
