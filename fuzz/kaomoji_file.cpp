// kaomoji.txt, the palette's rows: any file reads without fault; the rows
// read, written and read again, are the same and write the same bytes; and
// the editor's text, trimmed as the save button keeps it, keeps its inside.
#include "compose/kaomoji_file.h"

#include <cstdint>

#include "fuzz_support.h"

using zarvel::Bytes;

namespace {

bool is_blank(char c) { return static_cast<unsigned char>(c) <= 0x20; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  const std::vector<Bytes> rows = zarvel::parse_kaomoji(input);
  for (const Bytes& row : rows) FUZZ_CHECK(row.find_first_of("\r\n") == Bytes::npos);
  const Bytes file = zarvel::format_kaomoji(rows);
  FUZZ_CHECK(zarvel::parse_kaomoji(file) == rows);
  FUZZ_CHECK_EQ(zarvel::format_kaomoji(zarvel::parse_kaomoji(file)), file);
  // Files that end every row with CR LF are written back byte for byte.
  if (zarvel::to_crlf(input) == input && (input.empty() || input.ends_with("\r\n"))) FUZZ_CHECK_EQ(file, input);

  // Any rows without line breaks come back as they were.
  std::vector<Bytes> typed;
  if (!input.empty()) {
    for (std::string_view row : zarvel::fuzz::split(input, '\n')) typed.push_back(zarvel::fuzz::without(row, "\r"));
  }
  FUZZ_CHECK(zarvel::parse_kaomoji(zarvel::format_kaomoji(typed)) == typed);

  const Bytes trimmed = zarvel::trim_kaomoji_text(input);
  FUZZ_CHECK(trimmed.empty() || (!is_blank(trimmed.front()) && !is_blank(trimmed.back())));
  const std::size_t at = input.find(trimmed);
  FUZZ_CHECK(at != std::string_view::npos);
  for (std::size_t i = 0; i < at; ++i) FUZZ_CHECK(is_blank(input[i]));
  for (std::size_t i = at + trimmed.size(); i < input.size() && !trimmed.empty(); ++i) FUZZ_CHECK(is_blank(input[i]));
  FUZZ_CHECK_EQ(zarvel::trim_kaomoji_text(trimmed), trimmed);
  return 0;
}
