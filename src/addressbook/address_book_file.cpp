#include "addressbook/address_book_file.h"

#include "text/comma_text.h"

namespace zarvel {

namespace {

// True when the field, written bare, reads back as itself: it has no comma
// and no byte 0x00-0x20 (both end a bare field) and does not start with a
// double quote (which would start a quoted one). The empty field qualifies:
// "a," and ",b" read back an empty field.
bool plain_is_exact(std::string_view field) {
  if (!field.empty() && field.front() == '"') return false;
  for (char c : field) {
    if (c == ',' || static_cast<unsigned char>(c) <= 0x20) return false;
  }
  return true;
}

void append_field(Bytes& out, std::string_view raw) {
  Bytes field = one_line_field(raw);
  if (plain_is_exact(field)) {
    out += field;
    return;
  }
  out += '"';
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

Bytes one_line_field(std::string_view field) {
  Bytes out;
  out.reserve(field.size());
  for (char c : field) {
    if (c != '\r' && c != '\n') out += c;
  }
  return out;
}

AddressBookParse parse_address_book(std::string_view file_bytes) {
  AddressBookParse result;
  std::size_t pos = 0;
  Bytes name, address;
  while (pos < file_bytes.size()) {
    std::size_t lf = file_bytes.find('\n', pos);
    std::size_t end = lf == std::string_view::npos ? file_bytes.size() : lf;
    std::string_view line = file_bytes.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = lf == std::string_view::npos ? file_bytes.size() : lf + 1;

    CommaFieldReader reader(line);
    if (!reader.next(name) || !reader.next(address)) {
      result.malformed = true;
      break;
    }
    result.entries.push_back({std::move(name), std::move(address)});
  }
  return result;
}

Bytes format_address_book(const std::vector<Recipient>& entries) {
  Bytes out;
  for (const Recipient& r : entries) {
    append_field(out, r.name);
    out += ',';
    append_field(out, r.address);
    out += "\r\n";
  }
  return out;
}

}  // namespace zarvel
