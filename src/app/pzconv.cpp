#include "app/pzconv.h"

#include <algorithm>
#include <string_view>

using zarvel::Bytes;

namespace {
constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}  // namespace

char TPzConv::Base64Char(int value) const {
  return (value >= 0 && value < 64) ? kAlphabet[static_cast<std::size_t>(value)] : '=';
}

int TPzConv::Base64Value(unsigned char c) const {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 64;
}

Bytes TPzConv::EncodeBase64(const Bytes& text) const {
  Bytes out;
  out.reserve((text.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < text.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, text.size() - i);
    unsigned group = static_cast<unsigned char>(text[i]) << 16;
    if (n > 1) group |= static_cast<unsigned char>(text[i + 1]) << 8;
    if (n > 2) group |= static_cast<unsigned char>(text[i + 2]);
    out += Base64Char(static_cast<int>(group >> 18));
    out += Base64Char(static_cast<int>((group >> 12) & 0x3F));
    out += n > 1 ? Base64Char(static_cast<int>((group >> 6) & 0x3F)) : '=';
    out += n > 2 ? Base64Char(static_cast<int>(group & 0x3F)) : '=';
  }
  return out;
}

Bytes TPzConv::DecodeBase64(const Bytes& text) const {
  Bytes out;
  for (std::size_t i = 0; i + 4 <= text.size(); i += 4) {
    // Value 64 (not a letter) keeps only its bits inside the six-bit range: none.
    unsigned v[4];
    for (std::size_t k = 0; k < 4; ++k)
      v[k] = static_cast<unsigned>(Base64Value(static_cast<unsigned char>(text[i + k]))) & 0x3F;
    const auto b1 = static_cast<char>(((v[0] << 2) | (v[1] >> 4)) & 0xFF);
    const auto b2 = static_cast<char>(((v[1] << 4) | (v[2] >> 2)) & 0xFF);
    const auto b3 = static_cast<char>(((v[2] << 6) | v[3]) & 0xFF);
    out += b1;
    if (b2 != 0) out += b2;
    if (b3 != 0) out += b3;
  }
  return out;
}

Bytes TPzConv::JisCharToSjis(unsigned char j1, unsigned char j2) const {
  if (j1 < 0x21 || j1 > 0x7E) return {};
  const unsigned s1 = (j1 + 1u) / 2u + (j1 <= 0x5E ? 0x70u : 0xB0u);
  unsigned s2;
  if (j1 % 2 == 0)
    s2 = j2 + 0x7Eu;
  else
    s2 = j2 + (j2 < 0x60 ? 0x1Fu : 0x20u);
  return Bytes{static_cast<char>(s1 & 0xFF), static_cast<char>(s2 & 0xFF)};
}

Bytes TPzConv::JisToSjis(const Bytes& text) const {
  Bytes out;
  bool double_byte = false;
  std::size_t i = 0;
  const std::string_view s(text);
  while (i < s.size()) {
    const std::string_view next = s.substr(i, 3);
    if (next == "\x1B$B") {
      double_byte = true;
      i += 3;
    } else if (next == "\x1B(B" || next == "\x1B(J") {
      double_byte = false;
      i += 3;
    } else if (!double_byte) {
      out += s[i];
      ++i;
    } else {
      // A lone last byte is dropped.
      if (i + 1 < s.size())
        out += JisCharToSjis(static_cast<unsigned char>(s[i]), static_cast<unsigned char>(s[i + 1]));
      i += 2;
    }
  }
  return out;
}

namespace zarvel {

Bytes encode_password(const Bytes& password) { return TPzConv().EncodeBase64(password); }

Bytes decode_password(const Bytes& stored) {
  const TPzConv conv;
  return conv.JisToSjis(conv.DecodeBase64(stored));
}

}  // namespace zarvel
