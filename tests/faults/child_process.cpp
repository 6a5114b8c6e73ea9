#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace zarvel::test {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> environment_with(const std::vector<std::string>& changes) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) env.emplace_back(*e);
  for (const std::string& change : changes) {
    const std::string name = change.substr(0, change.find('='));
    std::erase_if(env, [&](const std::string& e) { return e.compare(0, name.size() + 1, name + "=") == 0; });
    if (change.find('=') != std::string::npos) env.push_back(change);
  }
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Forks and executes; the child's output goes to `output_fd` when it is one.
pid_t spawn(std::vector<std::string> argv, const std::vector<std::string>& env_changes, int output_fd) {
  std::vector<std::string> env = environment_with(env_changes);
  std::vector<char*> args = pointers(argv);
  std::vector<char*> envp = pointers(env);
  const pid_t pid = fork();
  if (pid == 0) {
    // Only async-signal-safe calls from here on.
    if (output_fd >= 0) {
      dup2(output_fd, 1);
      dup2(output_fd, 2);
    }
    execvpe(args[0], args.data(), envp.data());
    _exit(127);
  }
  return pid;
}

bool catches_sigterm(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigCgt:", 0) != 0) continue;
    const unsigned long long mask = std::strtoull(line.c_str() + 7, nullptr, 16);
    return (mask >> (SIGTERM - 1)) & 1;
  }
  return false;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env)
    : pid_(spawn(argv, env, -1)) {}

ChildProcess::~ChildProcess() {
  if (running()) {
    ::kill(pid_, SIGKILL);
    int st = 0;
    ::waitpid(pid_, &st, 0);
  }
}

bool ChildProcess::poll() {
  if (pid_ <= 0) return false;
  if (status_) return true;
  int st = 0;
  if (::waitpid(pid_, &st, WNOHANG) == pid_) status_ = st;
  return status_.has_value();
}

bool ChildProcess::wait_until_ready(std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (Clock::now() < end) {
    if (poll()) return false;
    if (catches_sigterm(pid_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

void ChildProcess::signal(int sig) const {
  if (pid_ > 0 && !status_) ::kill(pid_, sig);
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (!poll()) {
    if (Clock::now() >= end) {
      ::kill(pid_, SIGKILL);
      int st = 0;
      ::waitpid(pid_, &st, 0);
      status_ = st;
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status_;
}

std::string describe_status(const std::optional<int>& status) {
  if (!status) return "still running after the time limit";
  std::ostringstream s;
  if (WIFEXITED(*status))
    s << "exit code " << WEXITSTATUS(*status);
  else if (WIFSIGNALED(*status))
    s << "killed by signal " << WTERMSIG(*status);
  else
    s << "status " << *status;
  return s.str();
}

std::optional<int> run_to_end(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                              std::string* output, std::chrono::milliseconds limit) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  const pid_t pid = spawn(argv, env, fds[1]);
  ::close(fds[1]);
  const auto end = Clock::now() + limit;
  std::string out;
  bool timed_out = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
    if (left <= 0) {
      timed_out = true;
      break;
    }
    pollfd p{fds[0], POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
    char buf[4096];
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  if (timed_out) ::kill(pid, SIGKILL);
  int st = 0;
  ::waitpid(pid, &st, 0);
  if (output) *output = out;
  if (timed_out) return std::nullopt;
  return st;
}

}  // namespace zarvel::test
