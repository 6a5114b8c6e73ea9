// send.txt: the send history.
//
// The file holds one record per entry, oldest first:
//
//   ~!,"name","subject","time"      header; a " inside a field is doubled
//   body lines                       the body, each line ended by CR LF
//   ~!!                              end marker
//
// An empty body is one empty line. A reader appends "　" to each line,
// splits it by the comma-text rule and looks at the first field: "~!" is a
// header, "~!!　" an end marker, anything else a body line.
//
// Some bodies cannot be stored that way: a line that would read as a header
// or an end marker ("~!!" or "~!," / "~! " / "~!<tab>" perhaps after
// blanks, "\"~!\"" and the like), and a line break that is a lone LF rather
// than CR LF. Those lines, and only those, are written in an escaped form
// that starts with the byte 0xFF, which CP932 never produces (neither as a
// lead, a trail nor a single byte), so no text typed or pasted into the
// compose fields can contain it:
//
//   0xFF '=' line    the body line `line`, ended by CR LF
//   0xFF '-' line    the body line `line`, ended by a lone LF
//   0xFF 'H' n,s,t   a header whose fields hold LF; each field in hex
//
// A body line that itself starts with 0xFF is escaped too, so every entry,
// whatever its bytes, reads back exactly as it was written. Ordinary
// entries are written byte for byte in the plain form above, and a file in
// the plain form reads as it always did.
#pragma once

#include <QDateTime>
#include <QLocale>
#include <memory>
#include <string_view>
#include <vector>

#include "text/cp932.h"

namespace zarvel {

struct HistoryEntry {
  Bytes name;
  Bytes subject;
  Bytes time;
  Bytes body;  // line breaks CR LF, as handed to the transport
  bool operator==(const HistoryEntry&) const = default;
};

struct HistoryParse {
  std::vector<HistoryEntry> entries;  // newest first (the list's order)
  bool malformed = false;
};

struct HistoryLoad;

// The entries as the history list holds them, newest first: each one's
// fields are views into a block of bytes it shares with others. For a
// loaded file the block is the file's own bytes, in which nearly every body
// stands as it is, so a full history is not copied entry by entry.
class HistoryList {
 public:
  HistoryList() = default;
  explicit HistoryList(const std::vector<HistoryEntry>& newest_first);

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  std::string_view name(std::size_t i) const { return items_[i].name; }
  std::string_view subject(std::size_t i) const { return items_[i].subject; }
  std::string_view time(std::size_t i) const { return items_[i].time; }
  std::string_view body(std::size_t i) const { return items_[i].body; }
  HistoryEntry at(std::size_t i) const;
  std::vector<HistoryEntry> to_vector() const;

  void push_front(const HistoryEntry& entry);
  // Keeps the first `count` entries.
  void truncate(std::size_t count);
  void erase(std::size_t i);

 private:
  friend HistoryLoad read_history(Bytes file_bytes);
  struct Item {
    std::shared_ptr<const void> keep;  // the block the views are in
    std::size_t held;                  // its size
    std::string_view name, subject, time, body;
  };
  static Item own(const HistoryEntry& entry);
  // Copies what is left into one block when most of the bytes held are no
  // longer used (a history cut to its limit).
  void trim();

  std::vector<Item> items_;
};

struct HistoryLoad {
  HistoryList entries;  // newest first
  bool malformed = false;
};

// parse_history, keeping the file's bytes as the entries' block.
HistoryLoad read_history(Bytes file_bytes);

// Reads send.txt. A line ends at LF (or at the end of the file), without the
// one CR right before that end. A record whose end marker never comes (the
// next header or the end of the file comes first) keeps the body lines read
// so far. A header with fewer than four fields, an end marker before any
// record, or a broken escaped header stops the reading: the entries begun
// before it are kept and `malformed` is set. The history limit is not
// applied here (see HistoryList::truncate).
HistoryParse parse_history(std::string_view file_bytes);

// Writes the entries, given newest first, oldest record first; no entry
// gives zero bytes. Linear in the size of the history.
Bytes format_history(const HistoryList& newest_first);

// "無題", the subject recorded for a send without one.
Bytes no_subject();

// The subject as recorded: "無題" when it is empty.
Bytes history_subject(std::string_view subject);

// The send time as recorded, "yy/mm/dd(ddd) hh:mm:ss": two-digit year,
// month and day, the locale's short day name, 24-hour time; the slashes
// and colons are the locale's date and time separators ("/" and ":" when
// its formats give none).
Bytes format_send_time(const QDateTime& time, const QLocale& locale);

}  // namespace zarvel
