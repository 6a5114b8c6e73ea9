#include "app/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <string>

namespace zarvel {
namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int f = fd_;
    fd_ = -1;
    return f;
  }

 private:
  int fd_;
};

mode_t current_umask() {
  mode_t m = ::umask(0);
  ::umask(m);
  return m;
}

}  // namespace

QString cannot_write_message(const QString& path) { return path + QStringLiteral(" に書き込めません"); }

bool file_exists(const QString& path) {
  struct stat st;
  return ::stat(QFile::encodeName(path).constData(), &st) == 0;
}

std::int64_t file_size(const QString& path) {
  struct stat st;
  if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

std::optional<Bytes> read_file(const QString& path) {
  const QByteArray name = QFile::encodeName(path);
  Fd fd(::open(name.constData(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) {
    if (errno == ENOENT) return std::nullopt;
    throw AppError(path + QStringLiteral(" を開けません"));
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0 || S_ISDIR(st.st_mode)) throw AppError(path + QStringLiteral(" を開けません"));
  Bytes out;
  if (st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw AppError(path + QStringLiteral(" を開けません"));
    }
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

void write_file_atomic(const QString& path, std::string_view bytes, bool owner_only) {
  const QByteArray name = QFile::encodeName(path);
  const std::string target(name.constData(), static_cast<std::size_t>(name.size()));
  auto fail = [&]() { throw AppError(cannot_write_message(path)); };

  // The mode is the replaced file's own, never a symlink's target's, and
  // always lets its owner read and write it; an owner-only file is 0600
  // whatever it was.
  struct stat old;
  const bool exists = ::lstat(target.c_str(), &old) == 0;
  if (exists && S_ISDIR(old.st_mode)) fail();
  mode_t mode = 0666 & ~current_umask();
  if (owner_only)
    mode = 0600;
  else if (exists && S_ISREG(old.st_mode))
    mode = (old.st_mode & 07777) | 0600;

  std::string tmp = target + ".tmpXXXXXX";
  Fd fd(::mkostemp(tmp.data(), O_CLOEXEC));
  if (fd.get() < 0) fail();
  auto discard = [&]() {
    ::unlink(tmp.c_str());
    fail();
  };
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd.get(), p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      discard();
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (::fchmod(fd.get(), mode) != 0 || ::fsync(fd.get()) != 0) discard();
  if (::close(fd.release()) != 0) discard();
  if (::rename(tmp.c_str(), target.c_str()) != 0) discard();
}

void remove_stale_temp_files(const QString& folder, std::initializer_list<std::string_view> names) {
  const QByteArray dir_name = QFile::encodeName(folder);
  DIR* dir = ::opendir(dir_name.constData());
  if (!dir) return;
  // mkostemp's six characters.
  auto is_temp_suffix = [](std::string_view s) {
    if (s.size() != 6) return false;
    for (char c : s)
      if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return true;
  };
  while (const dirent* e = ::readdir(dir)) {
    const std::string_view entry(e->d_name);
    for (std::string_view name : names) {
      if (entry.size() != name.size() + 10 || entry.substr(0, name.size()) != name ||
          entry.substr(name.size(), 4) != ".tmp" || !is_temp_suffix(entry.substr(name.size() + 4)))
        continue;
      struct stat st;
      if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
        ::unlinkat(::dirfd(dir), e->d_name, 0);
      break;
    }
  }
  ::closedir(dir);
}

}  // namespace zarvel
