// The settings file zarvel.ini, read and written with the rules of Windows'
// private profile files, on CP932 bytes.
#pragma once

#include <QString>
#include <optional>
#include <string_view>
#include <vector>

#include "app/data_file.h"
#include "text/cp932.h"

namespace zarvel {

// One object per occasion: construct, load(), read or write keys, save().
// Lines the program does not understand are kept byte for byte, and a write
// touches only the line of its own key.
class IniFile {
 public:
  // At most this many bytes of a value are read back.
  static constexpr std::size_t kMaxValue = 2047;

  explicit IniFile(QString path);

  // Reads the file; a missing file reads as an empty one. Throws AppError
  // when the file exists but cannot be read.
  void load();
  // Replaces the content by these bytes, as if they had been read.
  void parse(std::string_view bytes);
  // Whether the file existed at load(), and how it loaded.
  bool existed() const { return existed_; }
  FileState state() const { return state_; }
  FormProblem problem() const { return problem_; }
  const QString& path() const { return path_; }

  // Section and key names match regardless of ASCII case. Blanks around the
  // value and one pair of surrounding quotes are dropped; the value is cut to
  // kMaxValue bytes (one less rather than split a double-byte character).
  Bytes read_string(std::string_view section, std::string_view key, const Bytes& def) const;
  // Decimal, or hexadecimal after "0x"/"0X"/"$"; anything that is not a
  // 32-bit whole number gives `def`.
  int read_int(std::string_view section, std::string_view key, int def) const;
  // Read as an integer: non-zero is true.
  bool read_bool(std::string_view section, std::string_view key, bool def) const;
  // Whether the key has an entry (so a default is not mistaken for a stored value).
  bool contains(std::string_view section, std::string_view key) const { return find(section, key).has_value(); }

  // Replaces the first entry of the key where it stands, or adds it after the
  // last entry of its section, or adds the section at the end. CR, LF and NUL
  // become blanks so that no text can add lines of its own.
  void write_string(std::string_view section, std::string_view key, const Bytes& value);
  void write_int(std::string_view section, std::string_view key, int value);
  void write_bool(std::string_view section, std::string_view key, bool value);

  // Writes the whole file atomically, unless it would come out as it was
  // read; either way it is readable by its owner only afterwards. A file
  // that did not load whole is kept as "zarvel.ini.bak" first. Throws
  // AppError "<path> に書き込めません".
  void save() const;
  // What save() would write.
  Bytes bytes() const;

  // The integer a profile value stands for, if it is one.
  static std::optional<int> parse_int(std::string_view value);

 private:
  struct Line {
    Bytes text;  // without its line end
    Bytes eol;   // "\r\n", "\n", "\r" or "" for a last line without one
  };
  struct Found {
    std::size_t line;
    std::size_t value_pos;  // offset of the value in the line (after '=')
  };

  std::optional<Found> find(std::string_view section, std::string_view key) const;

  QString path_;
  bool existed_ = false;
  FileState state_ = FileState::Missing;
  FormProblem problem_ = FormProblem::None;
  Bytes original_;  // the file as read
  std::vector<Line> lines_;
};

}  // namespace zarvel
