// Runs a real program as a child process: started with extra environment
// variables, waited for until it has set up its handling of the session's
// end, signalled, and waited for with a time limit.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace zarvel::test {

class ChildProcess {
 public:
  // `argv[0]` is the program's path. `env` entries "NAME=value" replace or
  // add to this process's environment; "NAME" alone removes it.
  ChildProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env);
  ~ChildProcess();  // kills it if it still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // True once the program catches SIGTERM, that is once it has loaded its
  // data and waits for events; false if it ended or the time ran out.
  bool wait_until_ready(std::chrono::milliseconds limit = std::chrono::seconds(60));
  void signal(int sig) const;
  // The wait status, or nullopt when the time ran out (it is then killed).
  std::optional<int> wait(std::chrono::milliseconds limit = std::chrono::seconds(60));
  bool running() const { return pid_ > 0 && !status_; }

 private:
  bool poll();
  pid_t pid_ = -1;
  std::optional<int> status_;
};

// "exit code 0", "killed by signal 9", … for failure messages.
std::string describe_status(const std::optional<int>& status);

// Runs a program to its end and returns its wait status (nullopt: it did
// not end in time and was killed).
std::optional<int> run_to_end(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                              std::string* output = nullptr,
                              std::chrono::milliseconds limit = std::chrono::seconds(120));

}  // namespace zarvel::test
