#include "text/cp932.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>

namespace zarvel {
namespace {

#include "cp932_table.inc"

static_assert(std::endian::native == std::endian::little, "UTF-16LE is assumed for QString data");

constexpr char kGetaBytes[] = "\x81\xAC";

// One converter per thread and direction, opened once.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("CP932 conversion is not available");
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  iconv_t get() {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    return cd_;
  }

 private:
  iconv_t cd_;
};

iconv_t encoder() {
  thread_local Converter c("CP932", "UTF-16LE");
  return c.get();
}

iconv_t decoder() {
  thread_local Converter c("UTF-16LE", "CP932");
  return c.get();
}

bool is_high_surrogate(char16_t u) { return u >= 0xD800 && u < 0xDC00; }
bool is_low_surrogate(char16_t u) { return u >= 0xDC00 && u < 0xE000; }

char16_t round_trip(char16_t u) {
  auto it = std::lower_bound(std::begin(kRoundTrip), std::end(kRoundTrip), u,
                             [](const char16_t(&e)[2], char16_t v) { return e[0] < v; });
  return (it != std::end(kRoundTrip) && (*it)[0] == u) ? (*it)[1] : u;
}

// ASCII is the same in CP932, both ways: settings, addresses and the like
// need no converter.
bool all_ascii(QStringView text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

}  // namespace

std::size_t ascii_prefix(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t n = 0;
  for (std::uint64_t w; bytes.size() - n >= 8; n += 8) {
    std::memcpy(&w, p + n, 8);
    if (w & 0x8080808080808080ull) break;
  }
  while (n < bytes.size() && p[n] < 0x80) ++n;
  return n;
}

int cp932_unit_length(char16_t unit) { return kUnitLength[unit] & 3; }

std::size_t cp932_length(QStringView text) {
  std::size_t n = 0;
  const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
  const char16_t* end = p + text.size();
  for (; p != end; ++p) {
    char16_t u = *p;
    if (u == u'\n' || u == 0x2029) {
      n += 2;
    } else if (u == u'\r') {
      n += 2;
      if (p + 1 != end && p[1] == u'\n') ++p;
    } else if (int len = kUnitLength[u] & 3) {
      n += static_cast<std::size_t>(len);
    } else {
      n += 2;  // becomes 〓
      if (is_high_surrogate(u) && p + 1 != end && is_low_surrogate(p[1])) ++p;
    }
  }
  return n;
}

Bytes to_cp932(QStringView text) {
  if (all_ascii(text)) {
    Bytes out(static_cast<std::size_t>(text.size()), '\0');
    std::transform(text.begin(), text.end(), out.begin(), [](QChar c) { return static_cast<char>(c.unicode()); });
    return out;
  }
  Bytes out;
  out.resize(static_cast<std::size_t>(text.size()) * 2);
  iconv_t cd = encoder();
  char* ip = const_cast<char*>(reinterpret_cast<const char*>(text.utf16()));
  size_t il = static_cast<size_t>(text.size()) * 2;
  char* op = out.data();
  size_t ol = out.size();
  while (il > 0) {
    if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {  // cannot happen: CP932 never needs more than UTF-16
      std::size_t used = static_cast<std::size_t>(op - out.data());
      out.resize(out.size() * 2 + 16);
      op = out.data() + used;
      ol = out.size() - used;
      continue;
    }
    // Unmappable or broken unit: write 〓 and step over it (a pair at once).
    if (ol < 2) {
      std::size_t used = static_cast<std::size_t>(op - out.data());
      out.resize(out.size() + 16);
      op = out.data() + used;
      ol = out.size() - used;
    }
    *op++ = kGetaBytes[0];
    *op++ = kGetaBytes[1];
    ol -= 2;
    const char16_t* u = reinterpret_cast<const char16_t*>(ip);
    std::size_t skip = (il >= 4 && is_high_surrogate(u[0]) && is_low_surrogate(u[1])) ? 4 : 2;
    skip = std::min(skip, il);
    ip += skip;
    il -= skip;
  }
  out.resize(static_cast<std::size_t>(op - out.data()));
  return out;
}

QString from_cp932(std::string_view bytes) {
  if (ascii_prefix(bytes) == bytes.size())
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QString out;
  out.resize(static_cast<qsizetype>(bytes.size()));  // one unit per byte at most
  iconv_t cd = decoder();
  char* ip = const_cast<char*>(bytes.data());
  size_t il = bytes.size();
  char* base = reinterpret_cast<char*>(out.data());
  char* op = base;
  size_t ol = static_cast<size_t>(out.size()) * 2;
  while (il > 0) {
    if (iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1)) break;
    if (ol < 2) break;  // cannot happen: output room matches the input
    // An invalid or truncated sequence: show 〓 for its first byte, go on.
    *reinterpret_cast<char16_t*>(op) = kGeta;
    op += 2;
    ol -= 2;
    ++ip;
    --il;
    cd = decoder();
  }
  out.resize(static_cast<qsizetype>((op - base) / 2));
  return out;
}

char16_t cp932_fix_at(QStringView text, qsizetype i, int* units) {
  const char16_t u = text.at(i).unicode();
  const unsigned char len = kUnitLength[u];
  *units = 1;
  if (len == 0) {
    if (is_high_surrogate(u) && i + 1 < text.size() && is_low_surrogate(text.at(i + 1).unicode())) *units = 2;
    return kGeta;
  }
  return (len & 4) ? round_trip(u) : 0;
}

bool normalize_for_cp932(QString& text) {
  const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
  const qsizetype n = text.size();
  qsizetype i = 0;
  for (; i < n; ++i) {
    unsigned char len = kUnitLength[p[i]];
    if (len == 0 || (len & 4)) break;
  }
  if (i == n) return false;
  QString out;
  out.reserve(n);
  out.append(QStringView(p, i));
  for (; i < n; ++i) {
    char16_t u = p[i];
    unsigned char len = kUnitLength[u];
    if (len == 0) {
      out.append(QChar(kGeta));
      if (is_high_surrogate(u) && i + 1 < n && is_low_surrogate(p[i + 1])) ++i;
    } else if (len & 4) {
      out.append(QChar(round_trip(u)));
    } else {
      out.append(QChar(u));
    }
  }
  text = std::move(out);
  return true;
}

std::string_view cp932_head(std::string_view bytes, std::size_t max) {
  if (bytes.size() <= max) return bytes;
  std::size_t i = 0;
  while (i < max) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    const std::size_t step = ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) ? 2 : 1;
    if (i + step > max) break;
    i += step;
  }
  return bytes.substr(0, i);
}

Bytes to_crlf(std::string_view in) {
  Bytes out;
  out.reserve(in.size() + in.size() / 16);
  for (std::size_t i = 0; i < in.size(); ++i) {
    char c = in[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < in.size() && in[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

Bytes crlf_to_lf(std::string_view in) {
  Bytes out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    char c = in[i];
    if (c == '\r') {
      out += '\n';
      if (i + 1 < in.size() && in[i + 1] == '\n') ++i;
    } else {
      out += c;
    }
  }
  return out;
}

Bytes to_cp932_crlf(QStringView text) { return to_crlf(to_cp932(text)); }

QString from_cp932_crlf(std::string_view bytes) { return from_cp932(crlf_to_lf(bytes)); }

}  // namespace zarvel
