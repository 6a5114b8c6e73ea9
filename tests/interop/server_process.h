// Real servers for the interop tests: started on 127.0.0.1, stopped (with
// every process they started) when the object goes, also when a test fails.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace zarvel::test {

// Runs a program to its end; true when it exited with 0.
bool run_program(const std::vector<std::string>& argv, const std::string& log_path);

class ServerProcess {
 public:
  // Starts argv[0] with its own process group, standard error into
  // `log_path`. When `port_line` the program must print "PORT <n>" first.
  ServerProcess(const std::vector<std::string>& argv, const std::string& log_path, bool port_line);
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  bool started() const { return port_ > 0 || (pid_ > 0 && !port_line_); }
  int port() const { return port_; }
  // Waits until something accepts connections on 127.0.0.1:port.
  bool wait_listening(int port, int timeout_ms);
  void stop();

 private:
  pid_t pid_ = -1;
  int stdin_fd_ = -1;
  int port_ = 0;
  bool port_line_;
};

// A TCP port on 127.0.0.1 nobody listens on right now.
int free_port();

// Test certificates made with the openssl command: a CA and a server
// certificate for "localhost" and 127.0.0.1 signed by it.
struct TestCertificates {
  std::string ca;
  std::string cert;
  std::string key;
  std::string other_ca;  // a CA that signed nothing here
};
bool make_certificates(const std::string& folder, TestCertificates& out);

// The folder of the server scripts.
std::string interop_dir();

}  // namespace zarvel::test
