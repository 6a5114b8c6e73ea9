// zarvel.csv: any file reads without fault, and what was read, written back,
// reads the same and writes the same bytes again; any entries at all (every
// byte but CR and LF, which a field cannot keep) come back as typed.
#include <cstdint>

#include "addressbook/address_book_file.h"
#include "fuzz_support.h"

using zarvel::Bytes;
using zarvel::Recipient;

namespace {

std::vector<Recipient> one_line(std::vector<Recipient> entries) {
  for (Recipient& r : entries) {
    r.name = zarvel::one_line_field(r.name);
    r.address = zarvel::one_line_field(r.address);
  }
  return entries;
}

void check_round_trip(const std::vector<Recipient>& entries) {
  const Bytes file = zarvel::format_address_book(entries);
  const zarvel::AddressBookParse back = zarvel::parse_address_book(file);
  FUZZ_CHECK(!back.malformed);
  const std::vector<Recipient> want = one_line(entries);
  FUZZ_CHECK(back.entries.size() == want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    FUZZ_CHECK_EQ(back.entries[i].name, want[i].name);
    FUZZ_CHECK_EQ(back.entries[i].address, want[i].address);
  }
  FUZZ_CHECK_EQ(zarvel::format_address_book(back.entries), file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // The input as a file.
  const zarvel::AddressBookParse read = zarvel::parse_address_book(input);
  for (const Recipient& r : read.entries) FUZZ_CHECK(r.name.find('\n') == Bytes::npos);
  check_round_trip(read.entries);

  // The input as entries as the editing dialog could give them: one per
  // line, name and address split at the first tab.
  std::vector<Recipient> typed;
  if (!input.empty()) {
    for (std::string_view line : zarvel::fuzz::split(input, '\n')) {
      std::size_t tab = line.find('\t');
      if (tab == std::string_view::npos)
        typed.push_back({Bytes(line), Bytes()});
      else
        typed.push_back({Bytes(line.substr(0, tab)), Bytes(line.substr(tab + 1))});
    }
  }
  check_round_trip(typed);
  return 0;
}
