// send.txt: any file reads without fault; what was read, written back as
// the program writes it, reads the same and writes the same bytes again;
// and entries of any bytes at all read back exactly as they were written.
#include "history/history_file.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

#include "fuzz_support.h"

using zarvel::Bytes;
using zarvel::HistoryEntry;
using zarvel::HistoryList;

namespace {

void check_round_trip(const HistoryList& entries) {
  const Bytes file = zarvel::format_history(entries);
  const zarvel::HistoryLoad back = zarvel::read_history(file);
  FUZZ_CHECK(!back.malformed);
  FUZZ_CHECK(back.entries.size() == entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    FUZZ_CHECK_EQ(back.entries.name(i), entries.name(i));
    FUZZ_CHECK_EQ(back.entries.subject(i), entries.subject(i));
    FUZZ_CHECK_EQ(back.entries.time(i), entries.time(i));
    FUZZ_CHECK_EQ(back.entries.body(i), entries.body(i));
  }
  FUZZ_CHECK_EQ(zarvel::format_history(back.entries), file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  // The input as a file, read as the program reads it.
  const zarvel::HistoryLoad read = zarvel::read_history(Bytes(input));
  check_round_trip(read.entries);

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
  const HistoryList list(entries);
  check_round_trip(list);

  // The limit drops the oldest entries and keeps the newest in order.
  const std::size_t limit = size % 5;
  HistoryList limited = list;
  limited.truncate(limit);
  FUZZ_CHECK(limited.size() == std::min(entries.size(), limit));
  for (std::size_t i = 0; i < limited.size(); ++i) FUZZ_CHECK(limited.at(i) == entries[i]);
  return 0;
}
