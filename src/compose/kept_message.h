// close.txt: the subject and body left in the compose view at exit.
#pragma once

#include <optional>
#include <string_view>

#include "text/cp932.h"

namespace zarvel {

struct KeptMessage {
  Bytes subject;
  Bytes body;  // line breaks CR LF
  bool operator==(const KeptMessage&) const = default;
};

// The file's bytes: subject, CR LF, body, nothing after. nullopt when both
// are empty, in which case the file is left as it is. The subject is a
// one-line field; the body's line breaks are expected as CR LF.
std::optional<Bytes> format_kept_message(std::string_view subject, std::string_view body);

// Splits the file for a restore: with every lone CR or lone LF made CR LF,
// the subject is the text before the first line break (the whole file when
// there is none) and the body everything after it.
KeptMessage parse_kept_message(std::string_view file_bytes);

}  // namespace zarvel
