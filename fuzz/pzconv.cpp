// The stored-password conversions: DecodeBase64 and JisToSjis take any bytes
// without fault; EncodeBase64 then DecodeBase64 gives back any text without
// zero bytes (and agrees with the mail encoder); a password comes back from
// its stored form; and JisToSjis undoes the ISO-2022-JP of any line within
// JIS X 0208.
#include "app/pzconv.h"

#include <cstdint>

#include "fuzz_support.h"
#include "mail/mime.h"

using zarvel::Bytes;

namespace {

bool is_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF); }
bool is_trail(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes input(reinterpret_cast<const char*>(data), size);
  const TPzConv conv;

  const Bytes decoded = conv.DecodeBase64(input);
  FUZZ_CHECK(decoded.size() <= input.size() / 4 * 3);
  conv.JisToSjis(input);
  zarvel::decode_password(input);

  const Bytes text = zarvel::fuzz::without(input, std::string_view("\0", 1));
  const Bytes encoded = conv.EncodeBase64(text);
  FUZZ_CHECK_EQ(encoded, zarvel::base64_encode(text));
  FUZZ_CHECK_EQ(conv.DecodeBase64(encoded), text);
  // A password cannot hold ESC, the only byte JisToSjis acts on.
  const Bytes password = zarvel::fuzz::without(text, "\x1B");
  FUZZ_CHECK_EQ(zarvel::decode_password(zarvel::encode_password(password)), password);

  for (std::string_view line : zarvel::fuzz::split(input, '\n')) {
    if (auto jis = zarvel::to_iso2022jp(line)) FUZZ_CHECK_EQ(conv.JisToSjis(*jis), line);
  }

  // Any JIS X 0208 code gives a Shift-JIS lead and trail byte.
  if (size >= 2) {
    const auto j1 = static_cast<unsigned char>(input[0]);
    const auto j2 = static_cast<unsigned char>(input[1]);
    const Bytes sjis = conv.JisCharToSjis(j1, j2);
    if (j1 < 0x21 || j1 > 0x7E) {
      FUZZ_CHECK(sjis.empty());
    } else if (j2 >= 0x21 && j2 <= 0x7E) {
      FUZZ_CHECK(sjis.size() == 2);
      FUZZ_CHECK(is_lead(static_cast<unsigned char>(sjis[0])) && is_trail(static_cast<unsigned char>(sjis[1])));
    }
  }
  return 0;
}
