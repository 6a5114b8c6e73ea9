#include "compose/kaomoji_file.h"

#include <iterator>

namespace zarvel {

std::vector<Bytes> parse_kaomoji(std::string_view bytes) {
  std::vector<Bytes> rows;
  std::size_t start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char c = bytes[i];
    if (c != '\r' && c != '\n') continue;
    rows.emplace_back(bytes.substr(start, i - start));
    if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) rows.emplace_back(bytes.substr(start));
  return rows;
}

Bytes format_kaomoji(const std::vector<Bytes>& rows) {
  Bytes out;
  for (const Bytes& row : rows) {
    out += row;
    out += "\r\n";
  }
  return out;
}

Bytes trim_kaomoji_text(std::string_view text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 0x20; };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return Bytes(text.substr(begin, end - begin));
}

QStringList builtin_kaomoji_texts() {
  // Written as UTF-8 and encoded when saved: the half-width katakana in rows
  // 11, 14 and 20 are one byte each in CP932.
  static const char16_t* const kRows[] = {u"(^-^)",  u"(^0^)v",  u"(^^)",   u"(^^;",   u"^^;",    u"(*^^*)",
                                          u"(^o^)v", u"(^.^;",   u"(^.^)",  u"(^^*)",  u"(^･^)",  u"(;_;)",
                                          u"m(__)m", u"§^｡^§",   u"§^_^§",  u"$^_^$",  u"(T_T)",  u"(T.T)",
                                          u"(^^)/~", u"(^Q^)/ﾞ", u"(^-^)V", u"(^_-)v", u"＼(^^)/"};
  QStringList rows;
  rows.reserve(std::size(kRows));
  for (const char16_t* row : kRows) rows.push_back(QString::fromUtf16(row));
  return rows;
}

std::vector<Bytes> builtin_kaomoji() {
  std::vector<Bytes> rows;
  for (const QString& row : builtin_kaomoji_texts()) rows.push_back(to_cp932(row));
  return rows;
}

}  // namespace zarvel
