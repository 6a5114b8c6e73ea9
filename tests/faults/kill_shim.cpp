// Preloaded into the program under test (LD_PRELOAD): counts the steps of
// every file save in one folder and kills the process with SIGKILL at the
// Nth, as a power cut or an impatient session end would.
//
// The steps counted: write, fsync and close on a file opened for writing
// in the folder, and rename of a file out of the folder. A write chosen for
// the kill first writes half its bytes, so the kill also lands in the
// middle of a write.
//
//   ZARVEL_KILL_DIR    the folder
//   ZARVEL_KILL_AT     N (none or 0: count only)
//   ZARVEL_KILL_COUNT  a file that receives the number of steps at a normal
//                      exit
//
// Built without sanitizers: it sits between the sanitizer runtime's
// interceptors and the C library.
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

char watched[PATH_MAX];  // the folder's real path with a final "/"
char given[PATH_MAX];    // as named, with a final "/"
long kill_at = 0;
long steps = 0;

template <class F>
F next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void with_slash(char* out, const char* path) {
  const size_t n = strlen(path);
  if (n + 2 > PATH_MAX) return;
  memcpy(out, path, n);
  out[n] = '/';
  out[n + 1] = '\0';
}

bool in_folder(const char* path) {
  if (!path) return false;
  const char* folders[] = {watched, given};
  for (const char* f : folders)
    if (*f && strncmp(path, f, strlen(f)) == 0) return true;
  return false;
}

// An open file of the folder that the program may write.
bool watched_for_writing(int fd) {
  if (!*watched) return false;
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || (flags & O_ACCMODE) == O_RDONLY) return false;
  char link[64];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  char path[PATH_MAX];
  const ssize_t n = readlink(link, path, sizeof path - 1);
  if (n <= 0) return false;
  path[n] = '\0';
  return in_folder(path);
}

// True when this step is the one to die at.
bool step() {
  const long n = __atomic_add_fetch(&steps, 1, __ATOMIC_SEQ_CST);
  return kill_at > 0 && n == kill_at;
}

void die() {
  kill(getpid(), SIGKILL);
  for (;;) pause();
}

__attribute__((constructor)) void start() {
  if (const char* dir = getenv("ZARVEL_KILL_DIR")) {
    with_slash(given, dir);
    char real[PATH_MAX];
    if (realpath(dir, real)) with_slash(watched, real);
  }
  if (const char* at = getenv("ZARVEL_KILL_AT")) kill_at = strtol(at, nullptr, 10);
}

__attribute__((destructor)) void finish() {
  const char* out = getenv("ZARVEL_KILL_COUNT");
  if (!out) return;
  if (FILE* f = fopen(out, "w")) {
    fprintf(f, "%ld\n", steps);
    fclose(f);
  }
}

}  // namespace

extern "C" {

ssize_t write(int fd, const void* buf, size_t count) {
  static auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
  if (watched_for_writing(fd) && step()) {
    if (count > 1) real(fd, buf, count / 2);
    die();
  }
  return real(fd, buf, count);
}

int fsync(int fd) {
  static auto real = next<int (*)(int)>("fsync");
  if (watched_for_writing(fd) && step()) die();
  return real(fd);
}

int close(int fd) {
  static auto real = next<int (*)(int)>("close");
  if (watched_for_writing(fd) && step()) die();
  return real(fd);
}

int rename(const char* from, const char* to) {
  static auto real = next<int (*)(const char*, const char*)>("rename");
  if (in_folder(from) && step()) die();
  return real(from, to);
}

}  // extern "C"
