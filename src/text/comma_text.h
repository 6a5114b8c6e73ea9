// Splitting one line of zarvel.csv or send.txt into fields.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "text/cp932.h"

namespace zarvel {

// Reads the fields of one line one at a time, byte by byte:
// - bytes 0x01-0x20 around fields and after commas are skipped;
// - a field that starts with a double quote runs to the next double quote
//   not followed by another one ("" inside stands for "), or to the end of
//   the line when none closes it; reading goes on after the closing quote;
// - any other field is the run of bytes up to a comma or a byte 0x00-0x20;
// - two commas in a row give an empty field, and so do a leading comma and
//   a comma that ends the line;
// - an empty line or a line of blanks gives no field.
// CP932 lead and trail bytes are never below 0x40, so a double-byte
// character never ends a field. A NUL byte ends the line, except inside a
// double-quoted field, where it is kept so that any byte can be written in
// quotes and read back.
class CommaFieldReader {
 public:
  explicit CommaFieldReader(std::string_view line);
  // The next field into `field`; false when the line has no more.
  bool next(Bytes& field);

 private:
  void skip_blanks();
  std::string_view line_;
  std::size_t pos_ = 0;
  bool pending_empty_ = false;  // a comma ended the line: one empty field
};

// All the fields of one line (see CommaFieldReader).
std::vector<Bytes> split_comma_text(std::string_view line);

}  // namespace zarvel
