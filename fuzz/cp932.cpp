// The CP932 codec: any bytes decode without fault into text that is stable
// through CP932 (encoding it and decoding again gives the same text, and the
// bytes it encodes to encode the same after another trip); any UTF-16 reads
// after a trip as normalize_for_cp932 says; the byte length with CR LF line
// ends is what the encoder gives; and the line-end helpers agree.
#include "text/cp932.h"

#include <QString>
#include <cstdint>

#include "fuzz_support.h"

using zarvel::Bytes;

namespace {

std::string_view utf16_bytes(const QString& s) {
  return {reinterpret_cast<const char*>(s.utf16()), static_cast<std::size_t>(s.size()) * 2};
}

#define FUZZ_CHECK_SAME_TEXT(got, want) FUZZ_CHECK_EQ(utf16_bytes(got), utf16_bytes(want))

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // As CP932 bytes, as in every file.
  const QString text = zarvel::from_cp932(bytes);
  FUZZ_CHECK(static_cast<std::size_t>(text.size()) <= size);
  const Bytes encoded = zarvel::to_cp932(text);
  FUZZ_CHECK_SAME_TEXT(zarvel::from_cp932(encoded), text);
  FUZZ_CHECK_EQ(zarvel::to_cp932(zarvel::from_cp932(encoded)), encoded);
  QString same = text;
  FUZZ_CHECK(!zarvel::normalize_for_cp932(same));
  FUZZ_CHECK(zarvel::cp932_length(text) == zarvel::to_cp932_crlf(text).size());

  // As UTF-16, as in a text field (lone surrogates included).
  const QString field(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));
  QString normalized = field;
  const bool changed = zarvel::normalize_for_cp932(normalized);
  const QString trip = zarvel::from_cp932(zarvel::to_cp932(field));
  FUZZ_CHECK_SAME_TEXT(trip, normalized);
  FUZZ_CHECK(changed == (trip != field));
  FUZZ_CHECK(zarvel::cp932_length(field) == zarvel::to_cp932_crlf(field).size());
  // Character by character, as the fields fix what is typed, the same.
  QString fixed_text;
  for (qsizetype i = 0; i < field.size();) {
    int units = 0;
    const char16_t fixed = zarvel::cp932_fix_at(field, i, &units);
    FUZZ_CHECK(units == 1 || units == 2);
    if (fixed)
      fixed_text += QChar(fixed);
    else
      fixed_text += field.mid(i, units);
    i += units;
  }
  FUZZ_CHECK_SAME_TEXT(fixed_text, normalized);

  // Line ends.
  const Bytes crlf = zarvel::to_crlf(bytes);
  FUZZ_CHECK_EQ(zarvel::to_crlf(crlf), crlf);
  FUZZ_CHECK_EQ(zarvel::crlf_to_lf(crlf), zarvel::crlf_to_lf(bytes));
  FUZZ_CHECK_EQ(zarvel::to_crlf(zarvel::crlf_to_lf(bytes)), crlf);
  FUZZ_CHECK(zarvel::from_cp932_crlf(crlf) == zarvel::from_cp932(zarvel::crlf_to_lf(bytes)));
  return 0;
}
