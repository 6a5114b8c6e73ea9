// zarvel.ini: any file reads without fault and is written back byte for
// byte; a write changes the line of its own key only (or adds at most a
// blank line, a section and the entry), every other key reads as before, and
// the value written reads back, also after the file is saved and loaded.
#include <cstdint>
#include <optional>

#include "app/profile.h"
#include "fuzz_support.h"

using zarvel::Bytes;
using zarvel::IniFile;

namespace {

struct Key {
  std::string_view section;
  std::string_view key;
};

// Names the program uses, and double-byte ones whose trail bytes look like
// ASCII letters, brackets and backslashes.
constexpr Key kKeys[] = {
    {"Server", "smtp_server"},
    {"Server", "smtp_port"},
    {"Server", "mail_address"},
    {"Server", "pop_password"},
    {"Server", "smtp_check0"},
    {"Server", "smtp_Password"},
    {"Options", "send_max"},
    {"Options", "signature"},
    {"Window", "left"},
    {"Window", "esplit"},
    {"\x90\xDD\x92\xE8", "\x83\x41"},
    {"\x90\xDD\x92\xE8", "\x83\x61"},
    {"\x95\x5C\x8E\xA6", "\x83\x5B\x83\x5D"},
};
constexpr std::size_t kKeyCount = std::size(kKeys);

// Every key's value, or nullopt when it has no entry (no value holds LF).
std::vector<std::optional<Bytes>> snapshot(const IniFile& ini) {
  std::vector<std::optional<Bytes>> values;
  for (const Key& k : kKeys) {
    Bytes v = ini.read_string(k.section, k.key, "\n");
    if (v == "\n")
      values.push_back(std::nullopt);
    else
      values.push_back(std::move(v));
  }
  return values;
}

// Line texts as the reader splits them (CR LF, LF or a lone CR).
std::vector<std::string_view> lines_of(std::string_view bytes) {
  std::vector<std::string_view> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = bytes.size();
    lines.push_back(bytes.substr(pos, end - pos));
    if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ++end;
    pos = end + 1;
  }
  return lines;
}

// Whether `before` is `after` with at most `extra` lines added and, when
// `changed` is allowed, one line changed.
bool only_touched(std::string_view before, std::string_view after, std::size_t extra, bool changed) {
  auto old_lines = lines_of(before);
  auto new_lines = lines_of(after);
  if (new_lines.size() < old_lines.size() || new_lines.size() - old_lines.size() > extra) return false;
  std::size_t i = 0, skipped = 0;
  for (std::string_view line : new_lines) {
    if (i < old_lines.size() && line == old_lines[i]) {
      ++i;
    } else if (changed && new_lines.size() == old_lines.size() && skipped == 0) {
      ++i;
      ++skipped;
    } else {
      ++skipped;
    }
  }
  return i == old_lines.size();
}

// A value the file holds as it is: one line, no blanks or quotes around it
// (those the reader drops), not longer than a read gives back.
bool kept_exactly(std::string_view v) {
  if (v.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return false;
  if (!v.empty() && (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' || v.back() == '\t')) return false;
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) return false;
  return v.size() <= IniFile::kMaxValue;
}

bool is_ascii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

void check_write(IniFile& ini, const Key& k, const Bytes& value) {
  const Bytes before = ini.bytes();
  const auto values = snapshot(ini);
  const bool existed = ini.contains(k.section, k.key);
  ini.write_string(k.section, k.key, value);
  FUZZ_CHECK(ini.contains(k.section, k.key));
  const Bytes got = ini.read_string(k.section, k.key, "\x01none");
  if (kept_exactly(value)) {
    FUZZ_CHECK_EQ(got, value);
  } else {
    FUZZ_CHECK(got.find_first_of(std::string_view("\r\n\0", 3)) == Bytes::npos);
    FUZZ_CHECK(got.size() <= IniFile::kMaxValue);
  }
  // A write touches only the line of its own key.
  FUZZ_CHECK(only_touched(before, ini.bytes(), existed ? 0 : 3, existed));
  const auto after = snapshot(ini);
  for (std::size_t i = 0; i < kKeyCount; ++i) {
    if (&kKeys[i] == &k) continue;
    FUZZ_CHECK(after[i] == values[i]);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  IniFile ini(QStringLiteral("/nonexistent/zarvel.ini"));
  ini.parse(file);
  FUZZ_CHECK_EQ(ini.bytes(), file);

  for (const Key& k : kKeys) {
    const Bytes value = ini.read_string(k.section, k.key, {});
    FUZZ_CHECK(value.size() <= IniFile::kMaxValue);
    FUZZ_CHECK(ini.read_int(k.section, k.key, 7) == IniFile::parse_int(value).value_or(7));
    ini.read_bool(k.section, k.key, false);
    // ASCII names match regardless of case (double-byte ones exactly).
    if (is_ascii(k.section) && is_ascii(k.key))
      FUZZ_CHECK_EQ(ini.read_string(upper(k.section), upper(k.key), {}), value);
  }

  // Writes: a value taken from the file itself, an integer and a flag; each
  // checked, then again in place.
  const Key& first = kKeys[size % kKeyCount];
  const Key& second = kKeys[(size / 3 + 1) % kKeyCount];
  const Bytes value(file.substr(file.size() / 2));
  check_write(ini, first, value);
  check_write(ini, first, Bytes(file.substr(0, file.size() / 2)));

  const std::optional<int> n = IniFile::parse_int(file.substr(0, std::min<std::size_t>(file.size(), 11)));
  const int number = n.value_or(static_cast<int>(size) - 1000);
  const std::size_t lines_before = lines_of(ini.bytes()).size();
  ini.write_int(second.section, second.key, number);
  FUZZ_CHECK(ini.read_int(second.section, second.key, ~number) == number);
  ini.write_bool(second.section, second.key, number % 2 != 0);
  FUZZ_CHECK(ini.read_bool(second.section, second.key, number % 2 == 0) == (number % 2 != 0));
  FUZZ_CHECK(lines_of(ini.bytes()).size() <= lines_before + 3);

  // Saved and loaded: the same bytes and the same values.
  IniFile reloaded(QStringLiteral("/nonexistent/zarvel.ini"));
  reloaded.parse(ini.bytes());
  FUZZ_CHECK_EQ(reloaded.bytes(), ini.bytes());
  FUZZ_CHECK(snapshot(reloaded) == snapshot(ini));
  return 0;
}
