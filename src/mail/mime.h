// Encodings a Japanese plain-text message needs on the wire: ISO-2022-JP for
// text within JIS X 0208, UTF-8 (with i-mode pictograms as emoji) for the
// rest, Base64 and RFC 2047 encoded words.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "text/cp932.h"

namespace zarvel {

// Length of the CP932 character starting at text[i]: 2 for a lead byte
// followed by a valid trail byte, else 1.
std::size_t cp932_char_length(std::string_view text, std::size_t i);

// The longest prefix of `text` of at most `max_bytes` bytes that does not
// split a double-byte character.
std::string_view cp932_prefix(std::string_view text, std::size_t max_bytes);

// One line (no CR or LF) as ISO-2022-JP: starts and ends in ASCII, uses only
// ESC ( B and ESC $ B. nullopt when the line holds anything else: half-width
// katakana, NEC or IBM extension characters, user-defined codes
// (pictograms), bytes that start no character, or ESC, SO and SI, which
// would change the meaning of the stream.
std::optional<std::string> to_iso2022jp(std::string_view cp932_line);

// CP932 to UTF-8. docomo pictogram codes become their Unicode emoji (with
// U+FE0F where the emoji has a variation sequence); bytes that start no
// character become 〓.
std::string cp932_to_utf8(std::string_view cp932);

// The emoji for one docomo pictogram code (e.g. 0xF89F), or empty.
std::string_view pictogram_emoji(unsigned code);

// Plain Base64 (RFC 4648 alphabet, padded); with line_length > 0, lines of
// that many characters separated by CR LF.
std::string base64_encode(std::string_view bytes, std::size_t line_length = 0);

// A Subject header's value: printable ASCII that needs no encoding goes as
// it stands (folded between words); text within JIS X 0208 as ISO-2022-JP
// B-encoded words, anything else as UTF-8 B-encoded words. Every encoded
// word is at most 75 characters and every ISO-2022-JP one ends in ASCII.
// Words after the first go on continuation lines (CR LF SP). `first_room`
// is how many characters the first line has left after the field name.
// The text must hold no CR, LF or NUL.
std::string encode_subject(std::string_view cp932, std::size_t first_room);

// A message body ready for the wire, with its MIME labels.
struct EncodedBody {
  std::string charset;   // "ISO-2022-JP" or "UTF-8"
  std::string encoding;  // "7bit" or "base64"
  std::string text;      // lines end in CR LF, none longer than 998 bytes
};

// Every CR, LF or CR LF of the body becomes CR LF. A body within JIS X 0208
// whose lines fit 998 bytes goes as ISO-2022-JP, 7bit, ending with a line
// break; anything else as UTF-8 in Base64, so no text is lost or changed.
EncodedBody encode_body(std::string_view cp932);

}  // namespace zarvel
