#include "compose/kept_message.h"

namespace zarvel {

std::optional<Bytes> format_kept_message(std::string_view subject, std::string_view body) {
  if (subject.empty() && body.empty()) return std::nullopt;
  Bytes out;
  out.reserve(subject.size() + 2 + body.size());
  out.append(subject);
  out += "\r\n";
  out.append(body);
  return out;
}

KeptMessage parse_kept_message(std::string_view file_bytes) {
  Bytes text = to_crlf(file_bytes);
  std::size_t br = text.find("\r\n");
  if (br == Bytes::npos) return {std::move(text), {}};
  return {text.substr(0, br), text.substr(br + 2)};
}

}  // namespace zarvel
