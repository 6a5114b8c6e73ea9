#include "mail/mime.h"

#include <iconv.h>

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <vector>

namespace zarvel {
namespace {

struct EmojiEntry {
  std::uint16_t code;
  const char* utf8;
};

constexpr EmojiEntry kEmoji[] = {
#include "emoji_table.inc"
};

constexpr std::size_t kMaxEncodedWord = 75;
constexpr std::size_t kMaxLine = 998;
constexpr std::size_t kFoldAt = 78;

bool is_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool is_trail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

// The JIS X 0208 cells glibc's ISO-2022-JP decoder accepts: exactly the
// characters every ISO-2022-JP reader knows. Built once.
const std::bitset<94 * 94>& jis0208_cells() {
  static const std::bitset<94 * 94> cells = [] {
    std::bitset<94 * 94> set;
    iconv_t cd = iconv_open("UTF-16LE", "ISO-2022-JP");
    if (cd == reinterpret_cast<iconv_t>(-1)) return set;  // every text then goes as UTF-8
    for (int row = 0; row < 94; ++row) {
      for (int cell = 0; cell < 94; ++cell) {
        char in[] = {'\x1B', '$', 'B', static_cast<char>(0x21 + row), static_cast<char>(0x21 + cell), '\x1B', '(', 'B'};
        char out[16];
        char* inp = in;
        char* outp = out;
        std::size_t inleft = sizeof in, outleft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inp, &inleft, &outp, &outleft) != static_cast<std::size_t>(-1) && inleft == 0 &&
            outleft < sizeof out)
          set.set(static_cast<std::size_t>(row * 94 + cell));
      }
    }
    iconv_close(cd);
    return set;
  }();
  return cells;
}

// One character of a line bound for ISO-2022-JP: an ASCII byte, or the two
// bytes of a JIS X 0208 character.
struct JisUnit {
  bool kanji;
  char a, b;
};

std::optional<std::vector<JisUnit>> jis_units(std::string_view text) {
  std::vector<JisUnit> units;
  units.reserve(text.size());
  const auto& cells = jis0208_cells();
  for (std::size_t i = 0; i < text.size();) {
    auto c = static_cast<unsigned char>(text[i]);
    std::size_t len = cp932_char_length(text, i);
    if (len == 1) {
      if (c >= 0x80 || c == 0x1B || c == 0x0E || c == 0x0F || c == '\r' || c == '\n' || c == '\0') return std::nullopt;
      units.push_back({false, static_cast<char>(c), 0});
    } else {
      auto t = static_cast<unsigned char>(text[i + 1]);
      if (c >= 0xF0) return std::nullopt;  // user-defined and IBM extension rows
      unsigned row = (c <= 0x9F ? c - 0x81 : c - 0xC1) * 2;
      unsigned j1, j2;
      if (t >= 0x9F) {
        j1 = row + 0x22;
        j2 = t - 0x7E;
      } else {
        j1 = row + 0x21;
        j2 = t - 0x1F - (t >= 0x80 ? 1 : 0);
      }
      if (j1 < 0x21 || j1 > 0x7E || j2 < 0x21 || j2 > 0x7E) return std::nullopt;
      if (!cells.test((j1 - 0x21) * 94 + (j2 - 0x21))) return std::nullopt;
      units.push_back({true, static_cast<char>(j1), static_cast<char>(j2)});
    }
    i += len;
  }
  return units;
}

constexpr char kToKanji[] = "\x1B$B";
constexpr char kToAscii[] = "\x1B(B";

// Bytes `units` take as one ISO-2022-JP run that starts and ends in ASCII.
std::string jis_bytes(const std::vector<JisUnit>& units, std::size_t from, std::size_t to) {
  std::string out;
  bool kanji = false;
  for (std::size_t i = from; i < to; ++i) {
    const JisUnit& u = units[i];
    if (u.kanji != kanji) {
      out += u.kanji ? kToKanji : kToAscii;
      kanji = u.kanji;
    }
    out += u.a;
    if (u.kanji) out += u.b;
  }
  if (kanji) out += kToAscii;
  return out;
}

std::size_t utf8_char_length(std::string_view s, std::size_t i) {
  auto c = static_cast<unsigned char>(s[i]);
  std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  return std::min(len, s.size() - i);
}

// Raw bytes that fit one encoded word with `room` characters, Base64 being
// 4 characters for every 3 bytes.
std::size_t word_capacity(std::size_t room, std::size_t overhead) {
  room = std::min(room, kMaxEncodedWord);
  std::size_t chars = room > overhead + 4 ? room - overhead : 4;
  return chars / 4 * 3;
}

// Joins encoded words (or plain words) into a folded header value.
std::string fold(const std::vector<std::string>& words) {
  std::string out;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i) out += "\r\n ";
    out += words[i];
  }
  return out;
}

std::string encoded_word(std::string_view charset, std::string_view raw) {
  std::string w = "=?";
  w += charset;
  w += "?B?";
  w += base64_encode(raw);
  w += "?=";
  return w;
}

// Printable ASCII words separated by single spaces, each short enough to be
// folded onto its own line, and nothing a reader would take for an encoded
// word: such a subject can go as it stands.
std::optional<std::string> plain_subject(std::string_view text, std::size_t first_room) {
  if (text.empty()) return std::string();
  if (text.front() == ' ' || text.back() == ' ' || text.find("  ") != std::string_view::npos ||
      text.find("=?") != std::string_view::npos)
    return std::nullopt;
  for (char ch : text)
    if (ch < 0x20 || ch > 0x7E) return std::nullopt;
  std::string out;
  std::size_t line = 0, room = first_room;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = std::min(text.find(' ', pos), text.size());
    std::string_view word = text.substr(pos, end - pos);
    if (word.size() + 1 > kFoldAt) return std::nullopt;
    if (line == 0 && out.empty()) {
      out += word;
      line = word.size();
      if (line > room) return std::nullopt;
    } else if (line + 1 + word.size() <= room) {
      out += ' ';
      out += word;
      line += 1 + word.size();
    } else {
      out += "\r\n ";
      out += word;
      line = 1 + word.size();
      room = kFoldAt;
    }
    pos = end + 1;
  }
  return out;
}

}  // namespace

std::size_t cp932_char_length(std::string_view text, std::size_t i) {
  if (i + 1 < text.size() && is_lead(static_cast<unsigned char>(text[i])) &&
      is_trail(static_cast<unsigned char>(text[i + 1])))
    return 2;
  return 1;
}

std::string_view cp932_prefix(std::string_view text, std::size_t max_bytes) {
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t len = cp932_char_length(text, i);
    if (i + len > max_bytes) break;
    i += len;
  }
  return text.substr(0, i);
}

std::optional<std::string> to_iso2022jp(std::string_view cp932_line) {
  auto units = jis_units(cp932_line);
  if (!units) return std::nullopt;
  return jis_bytes(*units, 0, units->size());
}

std::string_view pictogram_emoji(unsigned code) {
  auto it = std::lower_bound(std::begin(kEmoji), std::end(kEmoji), code,
                             [](const EmojiEntry& e, unsigned c) { return e.code < c; });
  if (it == std::end(kEmoji) || it->code != code) return {};
  return it->utf8;
}

std::string cp932_to_utf8(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size() * 3 / 2);
  std::size_t run = 0;  // start of the text not yet converted
  auto flush = [&](std::size_t end) {
    if (end > run) out += from_cp932(cp932.substr(run, end - run)).toUtf8().toStdString();
  };
  for (std::size_t i = 0; i < cp932.size();) {
    std::size_t len = cp932_char_length(cp932, i);
    if (len == 2 && (static_cast<unsigned char>(cp932[i]) & 0xFE) == 0xF8) {
      unsigned code = static_cast<unsigned char>(cp932[i]) << 8 | static_cast<unsigned char>(cp932[i + 1]);
      if (std::string_view emoji = pictogram_emoji(code); !emoji.empty()) {
        flush(i);
        out += emoji;
        run = i + 2;
      }
    }
    i += len;
  }
  flush(cp932.size());
  return out;
}

std::string base64_encode(std::string_view bytes, std::size_t line_length) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4 + (line_length ? bytes.size() / line_length * 2 : 0) + 4);
  std::size_t column = 0;
  auto put = [&](char c) {
    if (line_length && column == line_length) {
      out += "\r\n";
      column = 0;
    }
    out += c;
    ++column;
  };
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16 | static_cast<unsigned char>(bytes[i + 1]) << 8 |
                      static_cast<unsigned char>(bytes[i + 2]);
    put(kAlphabet[v >> 18]);
    put(kAlphabet[(v >> 12) & 63]);
    put(kAlphabet[(v >> 6) & 63]);
    put(kAlphabet[v & 63]);
  }
  if (std::size_t rest = bytes.size() - i) {
    std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    put(kAlphabet[v >> 18]);
    put(kAlphabet[(v >> 12) & 63]);
    put(rest == 2 ? kAlphabet[(v >> 6) & 63] : '=');
    put('=');
  }
  return out;
}

std::string encode_subject(std::string_view cp932, std::size_t first_room) {
  if (auto plain = plain_subject(cp932, first_room)) return *plain;

  std::vector<std::string> words;
  if (auto units = jis_units(cp932)) {
    static constexpr std::string_view kCharset = "ISO-2022-JP";
    const std::size_t overhead = kCharset.size() + 7;  // "=?" "?B?" "?="
    std::size_t start = 0, room = first_room;
    while (start < units->size()) {
      std::size_t cap = word_capacity(room, overhead);
      std::size_t end = start + 1;  // at least one character per word
      while (end < units->size() && jis_bytes(*units, start, end + 1).size() <= cap) ++end;
      words.push_back(encoded_word(kCharset, jis_bytes(*units, start, end)));
      start = end;
      room = kFoldAt - 1;
    }
  } else {
    static constexpr std::string_view kCharset = "UTF-8";
    const std::size_t overhead = kCharset.size() + 7;
    std::string utf8 = cp932_to_utf8(cp932);
    std::size_t start = 0, room = first_room;
    while (start < utf8.size()) {
      std::size_t cap = word_capacity(room, overhead);
      std::size_t end = start + utf8_char_length(utf8, start);
      while (end < utf8.size() && end + utf8_char_length(utf8, end) - start <= cap) end += utf8_char_length(utf8, end);
      words.push_back(encoded_word(kCharset, std::string_view(utf8).substr(start, end - start)));
      start = end;
      room = kFoldAt - 1;
    }
  }
  return fold(words);
}

EncodedBody encode_body(std::string_view cp932) {
  const std::string text = to_crlf(cp932);

  std::string jis;
  bool fits = true;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    auto line = to_iso2022jp(std::string_view(text).substr(pos, end - pos));
    if (!line || line->size() > kMaxLine) {
      fits = false;
      break;
    }
    jis += *line;
    jis += "\r\n";
    pos = end + 2;
  }
  if (fits) return {"ISO-2022-JP", "7bit", std::move(jis)};

  std::string b64 = base64_encode(cp932_to_utf8(text), 76);
  if (!b64.empty()) b64 += "\r\n";
  return {"UTF-8", "base64", std::move(b64)};
}

}  // namespace zarvel
