// zarvel.csv: the address book, one "name,address" line per entry.
#pragma once

#include <string_view>
#include <vector>

#include "text/cp932.h"

namespace zarvel {

struct Recipient {
  Bytes name;
  Bytes address;
  bool operator==(const Recipient&) const = default;
};

struct AddressBookParse {
  std::vector<Recipient> entries;  // in file order
  bool malformed = false;          // a line gave fewer than two fields
};

// Reads the book. A line ends at LF (or at the end of the file), with or
// without CR before that end; each line is split by the comma-text rule,
// field 1 is the name, field 2 the address, further fields are dropped.
// A line with fewer than two fields (an empty line, a line of blanks, a name
// without comma) stops the reading: the entries before it are kept and
// `malformed` is set.
AddressBookParse parse_address_book(std::string_view file_bytes);

// Writes the book, one line "name,address" + CR LF per entry; no entry
// gives zero bytes. A field is written as it stands when it reads back
// unchanged that way (every ordinary name and address), otherwise in double
// quotes with inner quotes doubled, which the reader undoes: commas, quotes,
// spaces, tabs and leading or trailing blanks all come back as typed.
// CR and LF cannot be kept inside a line and are dropped (the editing
// dialog already keeps them out).
Bytes format_address_book(const std::vector<Recipient>& entries);

// A field as it will be stored: without CR and LF.
Bytes one_line_field(std::string_view field);

}  // namespace zarvel
