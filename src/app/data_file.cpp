#include "app/data_file.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <set>
#include <system_error>

#include "app/file_io.h"

namespace zarvel {
namespace {

// Eight bytes below 0x80 at p.
bool ascii8(const unsigned char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return (w & 0x8080808080808080ull) == 0;
}

// Whether glibc's CP932 decodes every byte: the codec's own loop, which is
// fast in any build. One converter, so one file at a time: files may be
// read ahead on another thread. ASCII is CP932 as it stands, so a file of
// ASCII alone (or none) needs no converter.
bool is_cp932(std::string_view bytes) {
  bytes.remove_prefix(ascii_prefix(bytes));
  if (bytes.empty()) return true;
  static const iconv_t cd = iconv_open("UTF-16LE", "CP932");
  static std::mutex in_use;
  if (cd == reinterpret_cast<iconv_t>(-1)) return true;  // cannot tell
  const std::lock_guard lock(in_use);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char out[65536];
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  while (in_left > 0) {
    char* o = out;
    std::size_t o_left = sizeof out;
    if (iconv(cd, &in, &in_left, &o, &o_left) != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) continue;
    return false;  // a byte that starts no character, or a lead byte at the end
  }
  return true;
}

// Valid UTF-8 with at least one character of three or four bytes: CP932
// text practically never is (its common lead bytes are UTF-8 trail bytes).
bool looks_utf8(std::string_view bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto* end = p + bytes.size();
  bool long_char = false;
  while (p < end) {
    if (end - p >= 8 && ascii8(p)) {
      p += 8;
      continue;
    }
    const unsigned char b = *p;
    int n;
    if (b < 0x80)
      n = 0;
    else if (b >= 0xC2 && b <= 0xDF)
      n = 1;
    else if (b >= 0xE0 && b <= 0xEF)
      n = 2;
    else if (b >= 0xF0 && b <= 0xF4)
      n = 3;
    else
      return false;
    if (end - p <= n) return false;
    for (int i = 1; i <= n; ++i)
      if ((p[i] & 0xC0) != 0x80) return false;
    long_char |= n >= 2;
    p += n + 1;
  }
  return long_char;
}

// The longest line, with lone CR counted as a line end when the kind takes
// it.
std::size_t longest_line(std::string_view bytes, bool lone_cr) {
  std::size_t longest = 0, start = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c != '\n' && !(lone_cr && c == '\r')) continue;
    std::size_t len = i - start;
    if (c == '\n' && len > 0 && bytes[i - 1] == '\r') --len;
    longest = std::max(longest, len);
    start = i + 1;
  }
  return std::max(longest, bytes.size() - start);
}

// Without branches, so that the compiler takes many bytes at a time: a CR
// ends nearly every line of a large history, and a search CR by CR would
// stop on every line.
bool has_lone_cr(std::string_view bytes) {
  if (bytes.empty()) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t last = bytes.size() - 1;  // the last byte has no next one
  unsigned char lone = 0;
  for (std::size_t i = 0; i < last; ++i) lone |= static_cast<unsigned char>((p[i] == '\r') & (p[i + 1] != '\n'));
  return lone != 0 || p[last] == '\r';
}

Bytes lone_cr_to_crlf(std::string_view bytes) {
  Bytes out;
  out.reserve(bytes.size() + bytes.size() / 16);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out += bytes[i];
    if (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n')) out += '\n';
  }
  return out;
}

QString cannot_open_message(const QString& path) { return path + QStringLiteral(" を開けません"); }

std::set<QString>& backed_up() {
  static std::set<QString> paths;
  return paths;
}

QString file_name(const QString& path) { return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1); }

QString size_text(std::size_t bytes) {
  if (bytes % (1024 * 1024) == 0) return QStringLiteral("%1 MB").arg(bytes / (1024 * 1024));
  return QStringLiteral("%1 KB").arg(bytes / 1024);
}

FileStamp file_stamp(const QString& path) {
  FileStamp s;
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return s;
  const auto ns = [](const timespec& t) {
    return static_cast<unsigned long long>(t.tv_sec) * 1000000000ull + static_cast<unsigned long long>(t.tv_nsec);
  };
  s.exists = true;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.size = static_cast<unsigned long long>(st.st_size);
  s.modified_ns = ns(st.st_mtim);
  s.changed_ns = ns(st.st_ctim);
  return s;
}

}  // namespace

FormProblem form_problem(std::string_view bytes, const DataFileKind& kind) {
  if (kind.max_size && bytes.size() > kind.max_size) return FormProblem::Size;
  if (kind.max_line && longest_line(bytes, kind.lone_cr_line_ends) > kind.max_line) return FormProblem::LongLine;
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return FormProblem::Utf16;
  if (bytes.starts_with("\xEF\xBB\xBF")) return FormProblem::Utf8;
  if (std::memchr(bytes.data(), '\0', bytes.size())) return FormProblem::Nul;
  if (!kind.lone_cr_line_ends && has_lone_cr(bytes)) return FormProblem::LineEnds;
  if (looks_utf8(bytes)) return FormProblem::Utf8;
  if (kind.cp932_only && !is_cp932(bytes)) return FormProblem::NotCp932;
  return FormProblem::None;
}

LoadedFile load_data_file(const QString& path, const DataFileKind& kind) {
  LoadedFile out;
  const QByteArray name = QFile::encodeName(path);
  const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return out;
    out.state = FileState::Unreadable;
    out.error = cannot_open_message(path);
    return out;
  }
  struct stat st {};
  const bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
  ::close(fd);
  if (!ok) {
    out.state = FileState::Unreadable;
    out.error = cannot_open_message(path);
    return out;
  }
  // Not even read: a limit is there so the start stays quick.
  if (kind.max_size && S_ISREG(st.st_mode) && static_cast<std::size_t>(st.st_size) > kind.max_size) {
    out.state = FileState::TooLarge;
    out.problem = FormProblem::Size;
    return out;
  }
  std::optional<Bytes> bytes;
  try {
    bytes = read_file(path);
  } catch (const AppError& e) {
    out.state = FileState::Unreadable;
    out.error = e.message();
    return out;
  }
  if (!bytes) return out;  // gone in between
  out.problem = form_problem(*bytes, kind);
  switch (out.problem) {
    case FormProblem::None:
      out.state = FileState::Whole;
      break;
    case FormProblem::Size:
    case FormProblem::LongLine:
      out.state = FileState::TooLarge;
      return out;
    default:
      out.state = FileState::Foreign;
      break;
  }
  if (out.problem == FormProblem::LineEnds) {
    out.bytes = lone_cr_to_crlf(*bytes);
  } else {
    out.bytes = std::move(*bytes);
  }
  return out;
}

QString load_message(const QString& path, FileState state, FormProblem problem) {
  const QString bak = file_name(path) + QStringLiteral(".bak");
  const QString keep = QStringLiteral("\nファイルはそのまま残し、内容を変えて保存するときは元のファイルを ") + bak +
                       QStringLiteral(" として残します。");
  QString why;
  switch (problem) {
    case FormProblem::Utf16:
      why = QStringLiteral("UTF-16 で書かれているため、正しく読めません。");
      break;
    case FormProblem::Utf8:
      why = QStringLiteral("UTF-8 で書かれているため、正しく読めない文字があります。");
      break;
    case FormProblem::Nul:
      why = QStringLiteral("NUL 文字を含んでいるため、正しく読めない部分があります。");
      break;
    case FormProblem::NotCp932:
      why = QStringLiteral("Shift-JIS (CP932) にない文字コードを含んでいるため、正しく読めない文字があります。");
      break;
    case FormProblem::LineEnds:
      why = QStringLiteral("改行が CR だけの行を含んでいます。");
      break;
    case FormProblem::NoRecord:
      why = QStringLiteral("読み込める内容がありません。");
      break;
    case FormProblem::Size:
      why = QStringLiteral("大きすぎるため読み込みませんでした（") + size_text(kSmallFileLimit) +
            QStringLiteral("まで）。");
      break;
    case FormProblem::LongLine:
      why = QStringLiteral("長すぎる行があるため読み込みませんでした（1 行 ") + size_text(kLineLimit) +
            QStringLiteral("まで）。");
      break;
    case FormProblem::None:
      return {};
  }
  if (state != FileState::Foreign && state != FileState::TooLarge) return {};
  return path + QStringLiteral(" は") + why + keep;
}

bool needs_backup(FileState state) {
  return state == FileState::Malformed || state == FileState::Foreign || state == FileState::TooLarge ||
         state == FileState::Unreadable;
}

void keep_backup(const QString& path, bool owner_only) {
  const QString bak_path = path + QStringLiteral(".bak");
  const QByteArray name = QFile::encodeName(path);
  const QByteArray bak = QFile::encodeName(bak_path);
  auto fail = [&]() { throw AppError(cannot_write_message(bak_path)); };
  struct stat st {};
  if (::lstat(name.constData(), &st) != 0) {
    if (errno == ENOENT) return;
    fail();
  }
  if (S_ISREG(st.st_mode)) {
    // A second name for the file: nothing is copied, and the rename of the
    // new file over `path` leaves it to the backup alone.
    std::string tmp = bak.toStdString() + ".tmpXXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd >= 0) {
      ::close(fd);
      ::unlink(tmp.c_str());
      if (::link(name.constData(), tmp.c_str()) == 0) {
        if (owner_only) ::chmod(tmp.c_str(), 0600);
        if (::rename(tmp.c_str(), bak.constData()) == 0) return;
        ::unlink(tmp.c_str());
        fail();
      }
    }
    // No hard links here: a copy, if the file can be read.
    try {
      if (const std::optional<Bytes> bytes = read_file(path)) {
        write_file_atomic(bak_path, *bytes, owner_only);
        return;
      }
      return;
    } catch (const AppError&) {
    }
  }
  // A folder, or a file that cannot be read: moved aside whole.
  if (::rename(name.constData(), bak.constData()) != 0) fail();
}

void keep_backup_once(const QString& path, bool owner_only) {
  if (backed_up().count(path)) return;
  keep_backup(path, owner_only);
  backed_up().insert(path);
}

void forget_backups() { backed_up().clear(); }

void DataFile::prefetch() {
  constexpr unsigned long long kWorthAThread = 64 * 1024;
  if (prefetched_.valid()) return;
  if (const FileStamp now = file_stamp(path_); !now.exists || now.size < kWorthAThread) return;
  try {
    prefetched_ = std::async(std::launch::async, [path = path_, kind = kind_] {
      PrefetchedFile p;
      p.before = file_stamp(path);
      p.file = load_data_file(path, kind);
      p.after = file_stamp(path);
      return p;
    });
  } catch (const std::system_error&) {
    // No thread to be had: load() reads it.
  }
}

std::optional<LoadedFile> DataFile::take_prefetched() {
  if (!prefetched_.valid()) return std::nullopt;
  PrefetchedFile p = prefetched_.get();
  // Only a file that stood still through the read and since.
  if (p.before != p.after || p.after != file_stamp(path_)) return std::nullopt;
  return std::move(p.file);
}

LoadedFile DataFile::load() {
  std::optional<LoadedFile> ahead = take_prefetched();
  LoadedFile file = ahead ? std::move(*ahead) : load_data_file(path_, kind_);
  state_ = file.state;
  problem_ = file.problem;
  changed_ = false;
  return file;
}

void DataFile::set_state(FileState state, FormProblem problem) {
  state_ = state;
  if (problem != FormProblem::None) problem_ = problem;
}

void DataFile::save(std::string_view bytes) {
  if (needs_backup(state_)) keep_backup_once(path_, kind_.owner_only);
  write_file_atomic(path_, bytes, kind_.owner_only);
  state_ = FileState::Whole;
  problem_ = FormProblem::None;
  changed_ = false;
}

}  // namespace zarvel
