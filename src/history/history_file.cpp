#include "history/history_file.h"

#include <algorithm>

#include "text/comma_text.h"

namespace zarvel {

namespace {

constexpr char kEscape = '\xFF';
constexpr char kBodyCrLf = '=';
constexpr char kBodyLf = '-';
constexpr char kHeader = 'H';
constexpr std::string_view kIdeographicSpace = "\x81\x40";  // "　"
constexpr std::string_view kEndMarkerField = "~!!\x81\x40";

enum class LineKind { Header, EndMarker, Body };

// Sorts a plain line the way the file has always been read. For a header,
// `fields` receives the fields after "~!" (at most three). `scratch` is
// reused between calls to spare an allocation per line.
LineKind classify(std::string_view line, Bytes& scratch, std::vector<Bytes>* fields) {
  // Most lines are plainly body lines: the first field can only be "~!" or
  // "~!!　" when it starts, after blanks, with "~" or a double quote.
  std::size_t i = 0;
  while (i < line.size() && line[i] != '\0' && static_cast<unsigned char>(line[i]) <= 0x20) ++i;
  if (i == line.size() || (line[i] != '~' && line[i] != '"')) return LineKind::Body;
  // A quoted first field is one of those only when its text starts with "~".
  if (line[i] == '"' && (i + 1 == line.size() || line[i + 1] != '~')) return LineKind::Body;

  scratch.assign(line);
  scratch += kIdeographicSpace;
  CommaFieldReader reader(scratch);
  Bytes first;
  if (!reader.next(first)) return LineKind::Body;  // only after a NUL
  if (first == kEndMarkerField) return LineKind::EndMarker;
  if (first != "~!") return LineKind::Body;
  if (fields) {
    fields->clear();
    Bytes field;
    while (fields->size() < 3 && reader.next(field)) fields->push_back(field);
  }
  return LineKind::Header;
}

// Where the line at `pos` ends (after its LF) when it is plainly a body
// line that ends with CR LF: not escaped, and after blanks neither "~" nor
// a double quote and "~", so that classify() calls it a body line. npos
// when the line needs the full look.
std::size_t plain_crlf_line_end(std::string_view bytes, std::size_t pos) {
  if (bytes[pos] == kEscape) return std::string_view::npos;
  std::size_t i = pos;
  while (i < bytes.size() && bytes[i] != '\0' && bytes[i] != '\n' && static_cast<unsigned char>(bytes[i]) <= 0x20) ++i;
  if (i < bytes.size() && (bytes[i] == '~' || (bytes[i] == '"' && i + 1 < bytes.size() && bytes[i + 1] == '~')))
    return std::string_view::npos;
  const std::size_t lf = bytes.find('\n', i);
  if (lf == std::string_view::npos || lf == pos || bytes[lf - 1] != '\r') return std::string_view::npos;
  return lf + 1;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void append_hex(Bytes& out, std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (char c : bytes) {
    auto u = static_cast<unsigned char>(c);
    out += kDigits[u >> 4];
    out += kDigits[u & 0x0F];
  }
}

bool decode_hex(std::string_view hex, Bytes& out) {
  if (hex.size() % 2 != 0) return false;
  out.clear();
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    int hi = hex_value(hex[i]);
    int lo = hex_value(hex[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
  }
  return true;
}

// "n,s,t" with each field in hex.
bool decode_hex_header(std::string_view rest, HistoryEntry& entry) {
  Bytes* targets[] = {&entry.name, &entry.subject, &entry.time};
  for (int i = 0; i < 3; ++i) {
    std::size_t comma = i < 2 ? rest.find(',') : rest.size();
    if (comma == std::string_view::npos) return false;
    if (!decode_hex(rest.substr(0, comma), *targets[i])) return false;
    rest.remove_prefix(i < 2 ? comma + 1 : comma);
  }
  return true;
}

void append_quoted(Bytes& out, std::string_view field) {
  out += '"';
  std::size_t pos = 0;
  while (true) {
    std::size_t quote = field.find('"', pos);
    if (quote == std::string_view::npos) {
      out.append(field.substr(pos));
      break;
    }
    out.append(field.substr(pos, quote + 1 - pos));
    out += '"';
    pos = quote + 1;
  }
  out += '"';
}

void append_header(Bytes& out, const HistoryEntry& e) {
  auto has_lf = [](std::string_view s) { return s.find('\n') != std::string_view::npos; };
  if (has_lf(e.name) || has_lf(e.subject) || has_lf(e.time)) {
    out += kEscape;
    out += kHeader;
    append_hex(out, e.name);
    out += ',';
    append_hex(out, e.subject);
    out += ',';
    append_hex(out, e.time);
  } else {
    out += "~!,";
    append_quoted(out, e.name);
    out += ',';
    append_quoted(out, e.subject);
    out += ',';
    append_quoted(out, e.time);
  }
  out += "\r\n";
}

void append_body_line(Bytes& out, std::string_view line, bool lone_lf, Bytes& scratch) {
  bool escape =
      lone_lf || (!line.empty() && line.front() == kEscape) || classify(line, scratch, nullptr) != LineKind::Body;
  if (escape) {
    out += kEscape;
    out += lone_lf ? kBodyLf : kBodyCrLf;
  }
  out.append(line);
  out += "\r\n";
}

void append_body(Bytes& out, std::string_view body, Bytes& scratch) {
  std::size_t pos = 0;
  while (true) {
    std::size_t lf = body.find('\n', pos);
    if (lf == std::string_view::npos) {
      // The last line; the CR LF after it is the one the reader drops.
      append_body_line(out, body.substr(pos), false, scratch);
      return;
    }
    std::string_view line = body.substr(pos, lf - pos);
    bool crlf = !line.empty() && line.back() == '\r';
    if (crlf) line.remove_suffix(1);
    append_body_line(out, line, !crlf, scratch);
    pos = lf + 1;
  }
}

// Separator between the first two fields of a Qt date or time format, or
// `fallback` when the format has none that could stand on its own.
QString separator_of(const QString& format, QStringView field_letters, const QString& fallback) {
  qsizetype i = 0;
  while (i < format.size() && !field_letters.contains(format[i])) ++i;
  if (i == format.size()) return fallback;
  QChar letter = format[i];
  while (i < format.size() && format[i] == letter) ++i;
  QString sep;
  while (i < format.size() && !field_letters.contains(format[i])) sep += format[i++];
  sep = sep.trimmed();
  if (sep.isEmpty() || sep.contains(QLatin1Char('\''))) return fallback;
  for (QChar c : sep) {
    if (c.isLetterOrNumber()) return fallback;
  }
  return sep;
}

QString two_digits(int n) { return QStringLiteral("%1").arg(n % 100, 2, 10, QLatin1Char('0')); }

}  // namespace

HistoryParse parse_history(std::string_view file_bytes) {
  HistoryParse result;
  // In file order until the end.
  std::vector<HistoryEntry>& entries = result.entries;
  // A record begun and not yet closed, and the length of the line break
  // last added to its body (the one an end marker drops).
  bool open = false;
  std::size_t last_break = 0;
  Bytes scratch;
  std::vector<Bytes> fields;
  // Body lines that end with CR LF in the file are in the body exactly as
  // in the file: a run of them is appended in one piece when it ends, so
  // that each body is allocated once at its size rather than grown line by
  // line (a full history has some 100,000 lines).
  std::size_t run_begin = 0, run_end = 0;

  auto flush_run = [&] {
    if (run_end == run_begin) return;
    entries.back().body.append(file_bytes.substr(run_begin, run_end - run_begin));
    last_break = 2;
    run_begin = run_end = 0;
  };
  auto close_record = [&] {
    if (!open) return;
    flush_run();
    Bytes& body = entries.back().body;
    body.resize(body.size() - std::min(last_break, body.size()));
    open = false;
  };
  auto add_body_line = [&](std::string_view line, std::string_view line_break) {
    if (!open) return;  // lines after an end marker belong to no record
    flush_run();
    Bytes& body = entries.back().body;
    body.append(line);
    body.append(line_break);
    last_break = line_break.size();
  };
  // Plain body lines from `begin` to `end` (after an LF), each ended by
  // CR LF.
  auto add_verbatim_line = [&](std::size_t begin, std::size_t end) {
    if (!open) return;
    if (run_end != begin) {
      flush_run();
      run_begin = begin;
    }
    run_end = end;
  };
  auto begin_record = [&](HistoryEntry&& entry) {
    close_record();
    entries.push_back(std::move(entry));
    open = true;
    last_break = 0;
  };

  std::size_t pos = 0;
  while (pos < file_bytes.size()) {
    if (open) {  // most lines: a run of plain body lines
      std::size_t end = pos;
      while (end < file_bytes.size()) {
        const std::size_t next = plain_crlf_line_end(file_bytes, end);
        if (next == std::string_view::npos) break;
        end = next;
      }
      if (end != pos) {
        add_verbatim_line(pos, end);
        pos = end;
        continue;
      }
    }
    std::size_t lf = file_bytes.find('\n', pos);
    std::size_t end = lf == std::string_view::npos ? file_bytes.size() : lf;
    const std::size_t begin = pos;
    std::string_view line = file_bytes.substr(pos, end - pos);
    const bool crlf = lf != std::string_view::npos && !line.empty() && line.back() == '\r';
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = lf == std::string_view::npos ? file_bytes.size() : lf + 1;

    if (line.size() >= 2 && line[0] == kEscape) {
      std::string_view rest = line.substr(2);
      if (line[1] == kBodyCrLf) {
        add_body_line(rest, "\r\n");
        continue;
      }
      if (line[1] == kBodyLf) {
        add_body_line(rest, "\n");
        continue;
      }
      if (line[1] == kHeader) {
        HistoryEntry entry;
        if (!decode_hex_header(rest, entry)) {
          result.malformed = true;
          break;
        }
        begin_record(std::move(entry));
        continue;
      }
      // Any other line starting with 0xFF is an ordinary body line.
    }

    LineKind kind = classify(line, scratch, &fields);
    if (kind == LineKind::Body) {
      if (crlf)
        add_verbatim_line(begin, pos);
      else
        add_body_line(line, "\r\n");
      continue;
    }
    if (kind == LineKind::EndMarker) {
      if (entries.empty()) {  // no record begun
        result.malformed = true;
        break;
      }
      close_record();
      continue;
    }
    if (fields.size() < 3) {
      result.malformed = true;
      break;
    }
    begin_record({std::move(fields[0]), std::move(fields[1]), std::move(fields[2]), {}});
  }
  close_record();
  std::reverse(entries.begin(), entries.end());
  return result;
}

Bytes format_history(const std::vector<HistoryEntry>& newest_first) {
  std::size_t size = 0;
  for (const HistoryEntry& e : newest_first) {
    size += e.name.size() + e.subject.size() + e.time.size() + e.body.size() + 32;
  }
  Bytes out;
  out.reserve(size + size / 16);
  Bytes scratch;
  for (auto it = newest_first.rbegin(); it != newest_first.rend(); ++it) {
    append_header(out, *it);
    append_body(out, it->body, scratch);
    out += "~!!\r\n";
  }
  return out;
}

void apply_history_limit(std::vector<HistoryEntry>& newest_first, int limit) {
  std::size_t keep = limit > 0 ? static_cast<std::size_t>(limit) : 0;
  if (newest_first.size() > keep) newest_first.resize(keep);
}

bool add_history_entry(std::vector<HistoryEntry>& newest_first, HistoryEntry entry, int limit) {
  if (limit <= 0) return false;
  newest_first.insert(newest_first.begin(), std::move(entry));
  apply_history_limit(newest_first, limit);
  return true;
}

Bytes no_subject() { return "\x96\xB3\x91\xE8"; }

Bytes history_subject(std::string_view subject) { return subject.empty() ? no_subject() : Bytes(subject); }

Bytes format_send_time(const QDateTime& time, const QLocale& locale) {
  const QString date_sep = separator_of(locale.dateFormat(QLocale::ShortFormat), u"dMy", QStringLiteral("/"));
  const QString time_sep = separator_of(locale.timeFormat(QLocale::ShortFormat), u"hHms", QStringLiteral(":"));
  const QDate d = time.date();
  const QTime t = time.time();
  QString text = two_digits(d.year()) + date_sep + two_digits(d.month()) + date_sep + two_digits(d.day()) +
                 QLatin1Char('(') + locale.dayName(d.dayOfWeek(), QLocale::ShortFormat) + QStringLiteral(") ") +
                 two_digits(t.hour()) + time_sep + two_digits(t.minute()) + time_sep + two_digits(t.second());
  return to_cp932(text);
}

}  // namespace zarvel
