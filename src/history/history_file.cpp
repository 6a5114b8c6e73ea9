#include "history/history_file.h"

#include <algorithm>
#include <memory>
#include <utility>

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

void append_header(Bytes& out, std::string_view name, std::string_view subject, std::string_view time) {
  auto has_lf = [](std::string_view s) { return s.find('\n') != std::string_view::npos; };
  if (has_lf(name) || has_lf(subject) || has_lf(time)) {
    out += kEscape;
    out += kHeader;
    append_hex(out, name);
    out += ',';
    append_hex(out, subject);
    out += ',';
    append_hex(out, time);
  } else {
    out += "~!,";
    append_quoted(out, name);
    out += ',';
    append_quoted(out, subject);
    out += ',';
    append_quoted(out, time);
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

namespace {

// Reads the file's records as places: in the file itself for the header
// fields' and bodies' bytes that stand there as they are, else in `extra`,
// which is put after the file (an offset past the file's end is in it).
struct HistoryReader {
  struct Span {
    std::size_t offset = 0, length = 0;
  };
  struct Record {
    Span name, subject, time, body;
  };

  explicit HistoryReader(std::string_view file_bytes) : file(file_bytes) {}
  void read();

  std::string_view file;
  std::vector<Record> records;  // in file order
  Bytes extra;
  bool malformed = false;

 private:
  Span stash(std::string_view bytes) {
    const Span s{file.size() + extra.size(), bytes.size()};
    extra.append(bytes);
    return s;
  }
  Span& body() { return records.back().body; }
  // The open body goes on in `extra`: it is the last thing there, so it can
  // grow in place.
  void body_to_extra() {
    if (body_in_extra) return;
    const Span in_file = body();
    body() = {file.size() + extra.size(), in_file.length};
    extra.append(file.substr(in_file.offset, in_file.length));
    body_in_extra = true;
  }
  void begin_record(std::string_view name, std::string_view subject, std::string_view time) {
    close_record();
    records.push_back({stash(name), stash(subject), stash(time), {}});
    open = true;
    body_in_extra = false;
    last_break = 0;
  }
  void close_record() {
    if (!open) return;
    Span& b = body();
    const std::size_t dropped = std::min(last_break, b.length);
    b.length -= dropped;
    if (body_in_extra) extra.resize(extra.size() - dropped);
    open = false;
  }
  // Plain body lines from `begin` to `end` (after an LF), each ended by
  // CR LF: a body made only of such lines stays a place in the file.
  void add_verbatim_lines(std::size_t begin, std::size_t end) {
    if (!open) return;  // lines after an end marker belong to no record
    Span& b = body();
    if (!body_in_extra && b.length == 0) {
      b = {begin, end - begin};
    } else if (!body_in_extra && b.offset + b.length == begin) {
      b.length += end - begin;
    } else {
      body_to_extra();
      extra.append(file.substr(begin, end - begin));
      body().length += end - begin;
    }
    last_break = 2;
  }
  void add_body_line(std::string_view line, std::string_view line_break) {
    if (!open) return;
    body_to_extra();
    extra.append(line);
    extra.append(line_break);
    body().length += line.size() + line_break.size();
    last_break = line_break.size();
  }

  // A record begun and not yet closed, whether its body has left the file,
  // and the length of the line break last added to it (the one an end
  // marker drops).
  bool open = false;
  bool body_in_extra = false;
  std::size_t last_break = 0;
};

void HistoryReader::read() {
  Bytes scratch;
  std::vector<Bytes> fields;
  std::size_t pos = 0;
  while (pos < file.size()) {
    if (open) {  // most lines: a run of plain body lines
      std::size_t end = pos;
      while (end < file.size()) {
        const std::size_t next = plain_crlf_line_end(file, end);
        if (next == std::string_view::npos) break;
        end = next;
      }
      if (end != pos) {
        add_verbatim_lines(pos, end);
        pos = end;
        continue;
      }
    }
    std::size_t lf = file.find('\n', pos);
    std::size_t end = lf == std::string_view::npos ? file.size() : lf;
    const std::size_t begin = pos;
    std::string_view line = file.substr(pos, end - pos);
    const bool crlf = lf != std::string_view::npos && !line.empty() && line.back() == '\r';
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    pos = lf == std::string_view::npos ? file.size() : lf + 1;

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
          malformed = true;
          break;
        }
        begin_record(entry.name, entry.subject, entry.time);
        continue;
      }
      // Any other line starting with 0xFF is an ordinary body line.
    }

    LineKind kind = classify(line, scratch, &fields);
    if (kind == LineKind::Body) {
      if (crlf)
        add_verbatim_lines(begin, pos);
      else
        add_body_line(line, "\r\n");
      continue;
    }
    if (kind == LineKind::EndMarker) {
      if (records.empty()) {  // no record begun
        malformed = true;
        break;
      }
      close_record();
      continue;
    }
    if (fields.size() < 3) {
      malformed = true;
      break;
    }
    begin_record(fields[0], fields[1], fields[2]);
  }
  close_record();
}

// A loaded file and what had to be copied out of it, shared by its entries.
struct LoadedHistory {
  Bytes file, extra;
};

}  // namespace

HistoryLoad read_history(Bytes file_bytes) {
  HistoryReader reader(file_bytes);
  reader.read();
  auto loaded = std::make_shared<LoadedHistory>();
  loaded->file = std::move(file_bytes);
  loaded->extra = std::move(reader.extra);
  // The two as one block, for the list's accounting of what it holds.
  const std::string_view file(loaded->file), extra(loaded->extra);
  auto view = [&](HistoryReader::Span s) {
    return s.offset < file.size() ? file.substr(s.offset, s.length) : extra.substr(s.offset - file.size(), s.length);
  };
  HistoryLoad result;
  result.malformed = reader.malformed;
  std::vector<HistoryList::Item>& items = result.entries.items_;
  items.reserve(reader.records.size());
  const std::shared_ptr<const void> keep = loaded;
  const std::size_t held = file.size() + extra.size();
  for (auto it = reader.records.rbegin(); it != reader.records.rend(); ++it)
    items.push_back({keep, held, view(it->name), view(it->subject), view(it->time), view(it->body)});
  return result;
}

HistoryParse parse_history(std::string_view file_bytes) {
  HistoryLoad load = read_history(Bytes(file_bytes));
  return {load.entries.to_vector(), load.malformed};
}

HistoryList::HistoryList(const std::vector<HistoryEntry>& newest_first) {
  items_.reserve(newest_first.size());
  for (const HistoryEntry& e : newest_first) items_.push_back(own(e));
}

HistoryList::Item HistoryList::own(const HistoryEntry& e) {
  auto bytes = std::make_shared<Bytes>();
  bytes->reserve(e.name.size() + e.subject.size() + e.time.size() + e.body.size());
  for (const Bytes* field : {&e.name, &e.subject, &e.time, &e.body}) bytes->append(*field);
  const std::string_view all(*bytes);
  const std::size_t n = e.name.size(), s = e.subject.size(), t = e.time.size();
  return {bytes, all.size(), all.substr(0, n), all.substr(n, s), all.substr(n + s, t), all.substr(n + s + t)};
}

HistoryEntry HistoryList::at(std::size_t i) const {
  const Item& item = items_.at(i);
  return {Bytes(item.name), Bytes(item.subject), Bytes(item.time), Bytes(item.body)};
}

std::vector<HistoryEntry> HistoryList::to_vector() const {
  std::vector<HistoryEntry> out;
  out.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) out.push_back(at(i));
  return out;
}

void HistoryList::push_front(const HistoryEntry& entry) { items_.insert(items_.begin(), own(entry)); }

void HistoryList::truncate(std::size_t count) {
  if (count >= size()) return;
  items_.resize(count);
  trim();
}

void HistoryList::erase(std::size_t i) {
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
  trim();
}

void HistoryList::trim() {
  std::size_t used = 0, held = 0;
  std::vector<std::pair<const void*, std::size_t>> blocks;
  blocks.reserve(items_.size());
  for (const Item& item : items_) {
    used += item.name.size() + item.subject.size() + item.time.size() + item.body.size();
    blocks.emplace_back(item.keep.get(), item.held);
  }
  std::sort(blocks.begin(), blocks.end());
  blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
  for (const auto& block : blocks) held += block.second;
  if (held <= 2 * used + 65536) return;
  std::vector<Item> kept;
  kept.reserve(items_.size());
  for (std::size_t i = 0; i < size(); ++i) kept.push_back(own(at(i)));
  items_ = std::move(kept);
}

Bytes format_history(const HistoryList& newest_first) {
  std::size_t size = 0;
  for (std::size_t i = 0; i < newest_first.size(); ++i)
    size += newest_first.name(i).size() + newest_first.subject(i).size() + newest_first.time(i).size() +
            newest_first.body(i).size() + 32;
  Bytes out;
  out.reserve(size + size / 16);
  Bytes scratch;
  for (std::size_t i = newest_first.size(); i-- > 0;) {
    append_header(out, newest_first.name(i), newest_first.subject(i), newest_first.time(i));
    append_body(out, newest_first.body(i), scratch);
    out += "~!!\r\n";
  }
  return out;
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
