#include "compose/signature_file.h"

namespace zarvel {

Bytes format_signature(std::string_view text) {
  Bytes out = to_crlf(text);
  if (!out.empty() && !out.ends_with("\r\n")) out += "\r\n";
  return out;
}

Bytes parse_signature(std::string_view file_bytes) { return to_crlf(file_bytes); }

}  // namespace zarvel
