// send.txt's bytes for entries a test builds, written as the program writes
// them.
#pragma once

#include <vector>

#include "history/history_file.h"

namespace zarvel::test {

inline Bytes history_bytes(const std::vector<HistoryEntry>& newest_first) {
  return format_history(HistoryList(newest_first));
}

}  // namespace zarvel::test
