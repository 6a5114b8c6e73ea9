#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace zarvel {

bool acquire_single_instance(const std::string& name) {
  std::string path;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (runtime && *runtime && stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) {
    path = std::string(runtime) + "/" + name + ".lock";
  } else {
    const char* tmp = std::getenv("TMPDIR");
    path = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + "-" + std::to_string(getuid()) + ".lock";
  }
  // The descriptor stays open on purpose: the lock lives as long as we do.
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;  // cannot tell: better to start than to refuse
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
  bool held_elsewhere = (errno == EWOULDBLOCK);
  close(fd);
  return !held_elsewhere;
}

}  // namespace zarvel
