// kaomoji.txt: the palette's one-line texts, one per line.
#pragma once

#include <QStringList>
#include <string_view>
#include <vector>

#include "text/cp932.h"

namespace zarvel {

// The rows of a file, or of the palette editor's text: lines end with CR
// LF, a lone CR or a lone LF; an empty line is an empty row; a final line
// break does not make an extra empty row, so an empty text has no row.
std::vector<Bytes> parse_kaomoji(std::string_view bytes);

// The file's bytes: every row followed by CR LF; no row gives zero bytes.
Bytes format_kaomoji(const std::vector<Bytes>& rows);

// The editor's text as the save button keeps it: every byte 0x00-0x20
// (blanks, line breaks, other control characters) removed from the start
// and the end. Inside the text nothing changes, and an ideographic space
// ("　") is not a blank. Byte-wise is safe: CP932 lead and trail bytes
// are never below 0x40.
Bytes trim_kaomoji_text(std::string_view editor_text);

// The 23 rows used while kaomoji.txt does not exist, in CP932, and as the
// list shows them (no conversion needed for a start without the file).
std::vector<Bytes> builtin_kaomoji();
QStringList builtin_kaomoji_texts();

}  // namespace zarvel
