// signa1.txt and signa2.txt: the two signatures.
#pragma once

#include <string_view>

#include "text/cp932.h"

namespace zarvel {

// The file's bytes for a signature text whose line breaks may be LF (as a
// text field gives them), CR LF or a lone CR: every line, the last one
// included, ends with CR LF. A final line break in the text does not add an
// empty line, so "l1\nl2" and "l1\nl2\n" both give "l1\r\nl2\r\n", and a
// signature read back and saved again stays the same. An empty text gives
// zero bytes.
Bytes format_signature(std::string_view text);

// The signature text of a file whose lines end with CR LF, a lone CR or a
// lone LF, with every line break made CR LF (from_cp932_crlf turns it into
// the field's text). A file written by format_signature comes back with a
// final line break.
Bytes parse_signature(std::string_view file_bytes);

}  // namespace zarvel
