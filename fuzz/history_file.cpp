// send.txt: any file reads without fault; what was read, written back, reads
// the same and writes the same bytes again; and entries of any bytes at all
// read back exactly as they were written.
#include "history/history_file.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

#include "fuzz_support.h"

using zarvel::Bytes;
using zarvel::HistoryEntry;

namespace {

void check_round_trip(const std::vector<HistoryEntry>& entries) {
  const Bytes file = zarvel::format_history(entries);
  const zarvel::HistoryParse back = zarvel::parse_history(file);
  FUZZ_CHECK(!back.malformed);
  FUZZ_CHECK(back.entries.size() == entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    FUZZ_CHECK_EQ(back.entries[i].name, entries[i].name);
    FUZZ_CHECK_EQ(back.entries[i].subject, entries[i].subject);
    FUZZ_CHECK_EQ(back.entries[i].time, entries[i].time);
    FUZZ_CHECK_EQ(back.entries[i].body, entries[i].body);
  }
  FUZZ_CHECK_EQ(zarvel::format_history(back.entries), file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // The input as a file.
  check_round_trip(zarvel::parse_history(input).entries);

  // The input as entries: any bytes in every field.
  FuzzedDataProvider fdp(data, size);
  std::vector<HistoryEntry> entries;
  while (fdp.remaining_bytes() > 0 && entries.size() < 8) {
    HistoryEntry e;
    e.name = fdp.ConsumeRandomLengthString(64);
    e.subject = fdp.ConsumeRandomLengthString(64);
    e.time = fdp.ConsumeRandomLengthString(32);
    e.body = fdp.ConsumeRandomLengthString(1024);
    entries.push_back(std::move(e));
  }
  check_round_trip(entries);

  // The limit drops the oldest entries and keeps the newest in order.
  const int limit = static_cast<int>(size % 5);
  std::vector<HistoryEntry> limited = entries;
  zarvel::apply_history_limit(limited, limit);
  FUZZ_CHECK(limited.size() == std::min<std::size_t>(entries.size(), static_cast<std::size_t>(limit)));
  FUZZ_CHECK(std::equal(limited.begin(), limited.end(), entries.begin()));
  return 0;
}
