// Shared by the fuzz targets. A failed check prints what it expected and
// aborts, which libFuzzer reports as a crash and saves the input for.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace zarvel::fuzz {

// Printable ASCII as it stands, every other byte as \xHH, cut after 200 bytes.
inline std::string shown(std::string_view bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size() && i < 200; ++i) {
    auto u = static_cast<unsigned char>(bytes[i]);
    if (u >= 0x20 && u < 0x7F && u != '\\') {
      out += static_cast<char>(u);
    } else {
      char buf[5];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      out += buf;
    }
  }
  if (bytes.size() > 200) out += "...";
  return out;
}

[[noreturn]] inline void fail(const char* what, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
  std::abort();
}

[[noreturn]] inline void fail_bytes(const char* what, std::string_view got, std::string_view want, const char* file,
                                    int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n  got:  \"%s\"\n  want: \"%s\"\n", file, line, what,
               shown(got).c_str(), shown(want).c_str());
  std::abort();
}

// Called with both values in one expression, so temporaries outlive the check.
inline void check_eq(std::string_view got, std::string_view want, const char* what, const char* file, int line) {
  if (got != want) fail_bytes(what, got, want, file, line);
}

// The pieces between separator bytes; an empty text is one empty piece.
inline std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  std::size_t start = 0;
  while (true) {
    std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      pieces.push_back(text.substr(start));
      return pieces;
    }
    pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

// The text without any of the given bytes.
inline std::string without(std::string_view text, std::string_view bytes) {
  std::string out;
  for (char c : text)
    if (bytes.find(c) == std::string_view::npos) out += c;
  return out;
}

}  // namespace zarvel::fuzz

#define FUZZ_CHECK(cond)                                          \
  do {                                                            \
    if (!(cond)) ::zarvel::fuzz::fail(#cond, __FILE__, __LINE__); \
  } while (0)

// Two byte strings that must be equal; both are shown when they are not.
#define FUZZ_CHECK_EQ(got, want) ::zarvel::fuzz::check_eq((got), (want), #got " == " #want, __FILE__, __LINE__)
