// The one boundary between widget text (QString) and the CP932 bytes that
// files, the counter and the transport work on.
#pragma once

#include <QString>
#include <QStringView>
#include <cstddef>
#include <string>
#include <string_view>

namespace zarvel {

// CP932 bytes. Every file, the counter and the transport work on these.
using Bytes = std::string;

// The character shown and stored in place of one CP932 cannot hold.
inline constexpr char16_t kGeta = u'\u3013';  // 〓, CP932 81 AC

// Bytes one UTF-16 unit takes in CP932: 1 or 2, or 0 when CP932 cannot
// hold it (lone surrogates included).
int cp932_unit_length(char16_t unit);

// Length of a text in CP932 bytes with CR LF line ends: every line break
// ("\n", "\r\n", a lone "\r", U+2029) counts 2; what CP932 cannot hold
// counts as the 〓 it becomes (2).
std::size_t cp932_length(QStringView text);

// How many leading bytes are ASCII, which CP932 holds as they stand.
std::size_t ascii_prefix(std::string_view bytes);

// Encodes a text; what CP932 cannot hold becomes 〓. Line breaks are kept
// as they stand.
Bytes to_cp932(QStringView text);

// Decodes CP932 bytes; a byte that starts no valid character becomes 〓.
QString from_cp932(std::string_view bytes);

// The text as it reads after a trip through CP932: characters CP932 cannot
// hold become 〓 (a surrogate pair becomes one 〓), and the few it stores
// under another character's code take that character. Returns false and
// leaves `text` alone when nothing changes. Linear in the text's length.
bool normalize_for_cp932(QString& text);

// Whether the character at text[i] reads otherwise after a trip through
// CP932: returns the character it becomes and sets *units to the UTF-16
// units it spans (2 for a surrogate pair); returns 0 when it stays.
char16_t cp932_fix_at(QStringView text, qsizetype i, int* units);

// At most `max` bytes from the start of `bytes`, never ending inside a
// double-byte character: what a list cell shows of a field of any length.
std::string_view cp932_head(std::string_view bytes, std::size_t max);

// Line-end helpers for byte texts: every lone CR or lone LF becomes CR LF.
Bytes to_crlf(std::string_view bytes);
// Every CR LF, lone CR and lone LF becomes LF (for the widgets).
Bytes crlf_to_lf(std::string_view bytes);

// Widget text (LF line breaks) to file bytes with CR LF, and back.
Bytes to_cp932_crlf(QStringView text);
QString from_cp932_crlf(std::string_view bytes);

}  // namespace zarvel
