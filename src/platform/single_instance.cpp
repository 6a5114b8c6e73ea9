#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace zarvel {
namespace {

// A folder of this user's own that nobody else may write.
bool is_private_folder(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 022) == 0;
}

std::string env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// Locks `fd` for good, or says that another process has it. The descriptor
// stays open on purpose: the lock lives as long as we do.
bool lock_for_life(int fd) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  const bool held_elsewhere = errno == EWOULDBLOCK;
  ::close(fd);
  return !held_elsewhere;
}

}  // namespace

bool acquire_single_instance(const std::string& name) {
  std::vector<std::string> folders;
  if (!env("XDG_RUNTIME_DIR").empty()) folders.push_back(env("XDG_RUNTIME_DIR"));
  const std::string own = "/zarvel-" + std::to_string(::getuid());
  if (!env("TMPDIR").empty()) folders.push_back(env("TMPDIR") + own);
  folders.push_back("/tmp" + own);
  for (const std::string& folder : folders) {
    if (folder.ends_with(own)) ::mkdir(folder.c_str(), 0700);  // or it is there already
    if (!is_private_folder(folder)) continue;
    const int fd = ::open((folder + "/" + name + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) continue;
    return lock_for_life(fd);
  }
  return true;  // nowhere safe to keep it: the data folder's lock still holds
}

bool acquire_data_folder_lock(const std::string& folder) {
  const std::string path = folder + "zarvel.lock";
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd >= 0) {
    // Other users sharing the folder must be able to open it to find it
    // locked.
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_uid == ::getuid() && (st.st_mode & 0444) != 0444)
      ::fchmod(fd, (st.st_mode & 07777) | 0444);
  } else {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);  // flock needs no write access
  }
  if (fd < 0) return true;
  return lock_for_life(fd);
}

}  // namespace zarvel
