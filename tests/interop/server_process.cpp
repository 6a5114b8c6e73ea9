#include "server_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>

namespace zarvel::test {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> c_argv(const std::vector<std::string>& argv) {
  std::vector<char*> out;
  for (const auto& a : argv) out.push_back(const_cast<char*>(a.c_str()));
  out.push_back(nullptr);
  return out;
}

// fork + exec with stdin from `in_fd` (or /dev/null), stdout to `out_fd`
// (or the log), stderr to the log, in a process group of its own.
pid_t spawn(const std::vector<std::string>& argv, const std::string& log_path, int in_fd, int out_fd, int close_fd1,
            int close_fd2) {
  std::vector<char*> args = c_argv(argv);
  int log_fd = open(log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  int null_fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    dup2(in_fd >= 0 ? in_fd : null_fd, 0);
    dup2(out_fd >= 0 ? out_fd : log_fd, 1);
    dup2(log_fd, 2);
    if (close_fd1 >= 0) close(close_fd1);
    if (close_fd2 >= 0) close(close_fd2);
    execv(args[0], args.data());
    _exit(127);
  }
  if (pid > 0) setpgid(pid, pid);
  if (log_fd >= 0) close(log_fd);
  if (null_fd >= 0) close(null_fd);
  return pid;
}

}  // namespace

bool run_program(const std::vector<std::string>& argv, const std::string& log_path) {
  pid_t pid = spawn(argv, log_path, -1, -1, -1, -1);
  if (pid < 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

ServerProcess::ServerProcess(const std::vector<std::string>& argv, const std::string& log_path, bool port_line)
    : port_line_(port_line) {
  int in_pipe[2], out_pipe[2];
  if (pipe2(in_pipe, O_CLOEXEC) != 0) return;
  if (pipe2(out_pipe, O_CLOEXEC) != 0) {
    close(in_pipe[0]);
    close(in_pipe[1]);
    return;
  }
  pid_ = spawn(argv, log_path, in_pipe[0], port_line ? out_pipe[1] : -1, in_pipe[1], out_pipe[0]);
  close(in_pipe[0]);
  close(out_pipe[1]);
  stdin_fd_ = in_pipe[1];
  if (pid_ < 0 || !port_line) {
    close(out_pipe[0]);
    return;
  }
  // "PORT <n>\n" within 20 s (a loaded machine starts Python slowly).
  std::string line;
  auto deadline = Clock::now() + std::chrono::seconds(20);
  while (line.find('\n') == std::string::npos && Clock::now() < deadline) {
    pollfd p{out_pipe[0], POLLIN, 0};
    int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
    if (poll(&p, 1, std::max(left, 1)) <= 0) continue;
    char buf[256];
    ssize_t n = read(out_pipe[0], buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, static_cast<std::size_t>(n));
  }
  close(out_pipe[0]);
  int port = 0;
  if (std::sscanf(line.c_str(), "PORT %d", &port) == 1) port_ = port;
}

ServerProcess::~ServerProcess() { stop(); }

bool ServerProcess::wait_listening(int port, int timeout_ms) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  while (Clock::now() < deadline) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    if (ok) return true;
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;  // it gave up
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void ServerProcess::stop() {
  if (stdin_fd_ >= 0) {
    close(stdin_fd_);
    stdin_fd_ = -1;
  }
  if (pid_ <= 0) return;
  kill(-pid_, SIGTERM);
  auto deadline = Clock::now() + std::chrono::seconds(5);
  while (Clock::now() < deadline) {
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      kill(-pid_, SIGKILL);  // whatever of the group is left
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(-pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

int free_port() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = 0;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(fd);
  return port;
}

bool make_certificates(const std::string& folder, TestCertificates& out) {
  const std::string openssl = "/usr/bin/openssl";
  const std::string log = folder + "openssl.log";
  out.ca = folder + "ca.crt";
  out.cert = folder + "server.crt";
  out.key = folder + "server.key";
  out.other_ca = folder + "other-ca.crt";
  const std::string ext = folder + "server.ext";
  std::ofstream(ext) << "subjectAltName=DNS:localhost,IP:127.0.0.1\n"
                        "basicConstraints=CA:FALSE\n"
                        "extendedKeyUsage=serverAuth\n";
  auto ca = [&](const std::string& crt, const std::string& key, const std::string& name) {
    return run_program({openssl,
                        "req",
                        "-x509",
                        "-newkey",
                        "ec",
                        "-pkeyopt",
                        "ec_paramgen_curve:prime256v1",
                        "-nodes",
                        "-keyout",
                        key,
                        "-out",
                        crt,
                        "-days",
                        "2",
                        "-subj",
                        "/CN=" + name,
                        "-addext",
                        "basicConstraints=critical,CA:TRUE",
                        "-addext",
                        "keyUsage=critical,keyCertSign,cRLSign"},
                       log);
  };
  return ca(out.ca, folder + "ca.key", "zarvel test CA") &&
         ca(out.other_ca, folder + "other-ca.key", "zarvel other CA") &&
         run_program({openssl, "req", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-keyout",
                      out.key, "-out", folder + "server.csr", "-subj", "/CN=localhost"},
                     log) &&
         run_program({openssl, "x509", "-req", "-in", folder + "server.csr", "-CA", out.ca, "-CAkey", folder + "ca.key",
                      "-CAcreateserial", "-out", out.cert, "-days", "2", "-extfile", ext},
                     log);
}

std::string interop_dir() { return ZARVEL_INTEROP_DIR; }

}  // namespace zarvel::test
