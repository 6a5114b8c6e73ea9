// zarvel.csv: the address book, one "name,address" line per entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "text/cp932.h"

namespace zarvel {

struct Recipient {
  Bytes name;
  Bytes address;
  bool operator==(const Recipient&) const = default;
};

struct AddressBookLoad;

// The entries of a book in one buffer: a loaded file's own bytes, with the
// fields that had to be unquoted, added or changed after them; each entry
// is the place of its two fields. Loading 10,000 entries is then one scan
// of the file, and a copy is two blocks.
class RecipientList {
 public:
  RecipientList() = default;
  explicit RecipientList(const std::vector<Recipient>& entries);

  std::size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }
  std::string_view name(std::size_t i) const { return field(entries_[i].name); }
  std::string_view address(std::size_t i) const { return field(entries_[i].address); }
  Recipient at(std::size_t i) const { return {Bytes(name(i)), Bytes(address(i))}; }
  std::vector<Recipient> to_vector() const;

  void push_back(std::string_view name, std::string_view address);
  void insert(std::size_t i, std::string_view name, std::string_view address);
  void erase(std::size_t i);
  void replace(std::size_t i, std::string_view name, std::string_view address);
  void swap(std::size_t a, std::size_t b);
  void append(const RecipientList& other);

 private:
  friend struct AddressBookReader;
  friend AddressBookLoad read_address_book(Bytes file_bytes);
  // 32-bit places keep an entry at 16 bytes: a book of a million entries
  // takes little more than its file. A buffer is never 4 GiB.
  struct Span {
    std::uint32_t offset = 0, length = 0;
    Span() = default;
    Span(std::size_t o, std::size_t l) : offset(static_cast<std::uint32_t>(o)), length(static_cast<std::uint32_t>(l)) {}
  };
  struct Entry {
    Span name, address;
  };
  std::string_view field(Span s) const { return std::string_view(bytes_).substr(s.offset, s.length); }
  Span add(std::string_view field);
  // Drops the bytes no entry uses, when they are most of the buffer.
  void trim();

  Bytes bytes_;
  std::vector<Entry> entries_;
};

struct AddressBookLoad {
  RecipientList entries;   // in file order
  bool malformed = false;  // a line gave fewer than two fields
};

// Reads the book. A line ends at LF (or at the end of the file), with or
// without CR before that end; each line is split by the comma-text rule,
// field 1 is the name, field 2 the address, further fields are dropped.
// A line with fewer than two fields (an empty line, a line of blanks, a name
// without comma) stops the reading: the entries before it are kept and
// `malformed` is set. The file's bytes become the list's buffer. A file of
// 4 GiB or more is malformed from its first line.
AddressBookLoad read_address_book(Bytes file_bytes);

// The same, as separate entries.
struct AddressBookParse {
  std::vector<Recipient> entries;
  bool malformed = false;
};
AddressBookParse parse_address_book(std::string_view file_bytes);

// Writes the book, one line "name,address" + CR LF per entry; no entry
// gives zero bytes. A field is written as it stands when it reads back
// unchanged that way (every ordinary name and address), otherwise in double
// quotes with inner quotes doubled, which the reader undoes: commas, quotes,
// spaces, tabs and leading or trailing blanks all come back as typed.
// CR and LF cannot be kept inside a line and are dropped (the editing
// dialog already keeps them out).
Bytes format_address_book(const RecipientList& entries);
Bytes format_address_book(const std::vector<Recipient>& entries);

// A field as it will be stored: without CR and LF.
Bytes one_line_field(std::string_view field);

}  // namespace zarvel
