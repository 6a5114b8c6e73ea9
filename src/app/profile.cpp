#include "app/profile.h"

#include <sys/stat.h>

#include <QFile>
#include <cstdint>
#include <utility>

#include "app/file_io.h"

namespace zarvel {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

char ascii_lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool is_cp932_lead(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 0x81 && u <= 0x9F) || (u >= 0xE0 && u <= 0xFC);
}

// ASCII letters match either case; the second byte of a double-byte
// character may look like a letter but must match exactly.
bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (is_cp932_lead(a[i]) && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (ascii_lower(a[i]) != ascii_lower(b[i])) {
      return false;
    }
  }
  return true;
}

// Bytes that would end a line (or the C string Windows reads) become blanks,
// so no written text can add lines or keys of its own.
Bytes one_line(std::string_view s) {
  Bytes out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  return out;
}

enum class Kind { Blank, Section, Entry, Other };

struct Parsed {
  Kind kind = Kind::Other;
  std::string_view name;  // section name or key, trimmed
  std::size_t value_pos = 0;
};

Parsed parse_line(std::string_view text) {
  Parsed p;
  std::size_t start = 0;
  while (start < text.size() && is_blank(text[start])) ++start;
  if (start == text.size()) {
    p.kind = Kind::Blank;
    return p;
  }
  const std::string_view rest = text.substr(start);
  if (rest.front() == ';') return p;  // comment
  if (rest.front() == '[') {
    std::size_t close = rest.find(']');
    p.kind = Kind::Section;
    p.name = trim(rest.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    return p;
  }
  std::size_t eq = text.find('=', start);
  if (eq == std::string_view::npos) return p;
  p.kind = Kind::Entry;
  p.name = trim(text.substr(start, eq - start));
  p.value_pos = eq + 1;
  return p;
}

Bytes clean_value(std::string_view raw) {
  std::string_view v = trim(raw);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  if (v.size() > IniFile::kMaxValue) {
    std::size_t end = 0;
    while (end < v.size()) {
      std::size_t step = (is_cp932_lead(v[end]) && end + 1 < v.size()) ? 2 : 1;
      if (end + step > IniFile::kMaxValue) break;
      end += step;
    }
    v = v.substr(0, end);
  }
  return Bytes(v);
}

std::optional<std::uint64_t> parse_digits(std::string_view s, unsigned base, std::uint64_t limit) {
  if (s.empty()) return std::nullopt;
  std::uint64_t n = 0;
  for (char c : s) {
    unsigned d;
    if (c >= '0' && c <= '9')
      d = static_cast<unsigned>(c - '0');
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = static_cast<unsigned>(c - 'a' + 10);
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = static_cast<unsigned>(c - 'A' + 10);
    else
      return std::nullopt;
    n = n * base + d;
    if (n > limit) return std::nullopt;
  }
  return n;
}

}  // namespace

IniFile::IniFile(QString path) : path_(std::move(path)) {}

void IniFile::load() {
  LoadedFile file = load_data_file(path_, kSettingsFile);
  if (file.state == FileState::Unreadable) throw AppError(file.error);
  state_ = file.state;
  problem_ = file.problem;
  existed_ = file.state != FileState::Missing;
  original_ = std::move(file.bytes);
  parse(original_);
}

void IniFile::parse(std::string_view bytes) {
  lines_.clear();
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) {
      lines_.push_back({Bytes(bytes.substr(pos)), Bytes()});
      break;
    }
    std::size_t eol_len = (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1;
    lines_.push_back({Bytes(bytes.substr(pos, end - pos)), Bytes(bytes.substr(end, eol_len))});
    pos = end + eol_len;
  }
}

std::optional<IniFile::Found> IniFile::find(std::string_view section, std::string_view key) const {
  bool inside = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Parsed p = parse_line(lines_[i].text);
    if (p.kind == Kind::Section)
      inside = same_name(p.name, section);
    else if (inside && p.kind == Kind::Entry && same_name(p.name, key))
      return Found{i, p.value_pos};
  }
  return std::nullopt;
}

Bytes IniFile::read_string(std::string_view section, std::string_view key, const Bytes& def) const {
  std::optional<Found> f = find(section, key);
  if (!f) return def;
  return clean_value(std::string_view(lines_[f->line].text).substr(f->value_pos));
}

std::optional<int> IniFile::parse_int(std::string_view value) {
  bool negative = false;
  if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
    negative = value.front() == '-';
    value.remove_prefix(1);
  }
  // Hexadecimal covers all 32 bits, as Windows programs write colours and flags.
  std::optional<std::uint64_t> hex;
  if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X'))
    hex = parse_digits(value.substr(2), 16, 0xFFFFFFFFu);
  else if (!value.empty() && value[0] == '$')
    hex = parse_digits(value.substr(1), 16, 0xFFFFFFFFu);
  else {
    std::optional<std::uint64_t> n = parse_digits(value, 10, negative ? 2147483648u : 2147483647u);
    if (!n) return std::nullopt;
    return static_cast<int>(negative ? -static_cast<std::int64_t>(*n) : static_cast<std::int64_t>(*n));
  }
  if (!hex) return std::nullopt;
  std::uint32_t u = static_cast<std::uint32_t>(*hex);
  if (negative) u = 0u - u;
  return static_cast<int>(static_cast<std::int32_t>(u));
}

int IniFile::read_int(std::string_view section, std::string_view key, int def) const {
  std::optional<Found> f = find(section, key);
  if (!f) return def;
  return parse_int(clean_value(std::string_view(lines_[f->line].text).substr(f->value_pos))).value_or(def);
}

bool IniFile::read_bool(std::string_view section, std::string_view key, bool def) const {
  std::optional<Found> f = find(section, key);
  if (!f) return def;
  std::optional<int> n = parse_int(clean_value(std::string_view(lines_[f->line].text).substr(f->value_pos)));
  return n ? *n != 0 : def;
}

void IniFile::write_string(std::string_view section_name, std::string_view key_name, const Bytes& value) {
  const Bytes section = one_line(section_name);
  const Bytes key = one_line(key_name);
  const Bytes entry = key + "=" + one_line(value);

  if (std::optional<Found> f = find(section, key)) {
    Line& line = lines_[f->line];
    line.text = line.text.substr(0, f->value_pos) + one_line(value);
    if (line.eol.empty()) line.eol = "\r\n";
    return;
  }

  // The first section of that name: the new entry goes after its last entry,
  // before any blank lines that separate it from the next section.
  std::optional<std::size_t> after;
  bool inside = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    Parsed p = parse_line(lines_[i].text);
    if (p.kind == Kind::Section) {
      if (inside) break;
      if (same_name(p.name, section)) {
        inside = true;
        after = i;
      }
    } else if (inside && p.kind == Kind::Entry) {
      after = i;
    }
  }
  if (after) {
    if (lines_[*after].eol.empty()) lines_[*after].eol = "\r\n";
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(*after + 1), Line{entry, "\r\n"});
    return;
  }

  if (!lines_.empty()) {
    if (lines_.back().eol.empty()) lines_.back().eol = "\r\n";
    if (parse_line(lines_.back().text).kind != Kind::Blank) lines_.push_back({Bytes(), "\r\n"});
  }
  lines_.push_back({"[" + section + "]", "\r\n"});
  lines_.push_back({entry, "\r\n"});
}

void IniFile::write_int(std::string_view section, std::string_view key, int value) {
  write_string(section, key, std::to_string(value));
}

void IniFile::write_bool(std::string_view section, std::string_view key, bool value) {
  write_string(section, key, value ? "1" : "0");
}

Bytes IniFile::bytes() const {
  Bytes out;
  for (const Line& line : lines_) {
    out += line.text;
    out += line.eol;
  }
  return out;
}

void IniFile::save() const {
  const Bytes out = bytes();
  if (existed_ && state_ != FileState::TooLarge && out == original_) {
    // Nothing to write; but the passwords are for the owner's eyes only.
    const QByteArray name = QFile::encodeName(path_);
    struct stat st {};
    if (::lstat(name.constData(), &st) == 0 && S_ISREG(st.st_mode)) {
      if ((st.st_mode & 07777) != 0600 && ::chmod(name.constData(), 0600) != 0)
        throw AppError(cannot_write_message(path_));
      return;
    }
  }
  if (needs_backup(state_)) keep_backup_once(path_, /*owner_only=*/true);
  write_file_atomic(path_, out, /*owner_only=*/true);
}

}  // namespace zarvel
