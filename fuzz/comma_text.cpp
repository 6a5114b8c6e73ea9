// The comma-text rule on any line: splitting never faults, and any fields at
// all, written in double quotes with inner quotes doubled, split back into
// the same fields.
#include "text/comma_text.h"

#include <cstdint>

#include "fuzz_support.h"

using zarvel::Bytes;

namespace {

Bytes quoted_line(const std::vector<std::string_view>& fields) {
  Bytes line;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i) line += ',';
    line += '"';
    for (char c : fields[i]) {
      if (c == '"') line += '"';
      line += c;
    }
    line += '"';
  }
  return line;
}

void check_quoted_round_trip(const std::vector<std::string_view>& fields) {
  std::vector<Bytes> back = zarvel::split_comma_text(quoted_line(fields));
  FUZZ_CHECK(back.size() == fields.size());
  for (std::size_t i = 0; i < fields.size(); ++i) FUZZ_CHECK_EQ(back[i], fields[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::vector<Bytes> fields = zarvel::split_comma_text(line);
  // What was read, written in quotes, reads the same.
  check_quoted_round_trip(std::vector<std::string_view>(fields.begin(), fields.end()));
  // Any bytes at all (pieces between 0x1F) survive quoting.
  check_quoted_round_trip(zarvel::fuzz::split(line, '\x1F'));
  return 0;
}
