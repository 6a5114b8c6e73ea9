// One send through the transport against the curl command line tool sending
// the same message to the same local server (aiosmtpd on 127.0.0.1). Runs
// alternate between the two; prints the median and best of each and the
// ratio of the medians. The time of starting the curl process alone
// ("curl --version") is printed too, since it is part of curl's figure,
// and the time the transport spends building the message.
//   send_bench [runs]
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "interop/server_process.h"
#include "mail/message.h"
#include "mail/transport.h"
#include "text/cp932.h"

extern char** environ;

using namespace zarvel;

namespace {

double ms_of(const std::function<bool()>& f, bool& ok) {
  const auto t0 = std::chrono::steady_clock::now();
  ok = f();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

bool run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct Figures {
  double median, best;
};

Figures figures(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return {v[v.size() / 2], v.front()};
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  QTemporaryDir tmp;
  const std::string dir = tmp.path().toStdString() + "/";
  test::ServerProcess server({"/usr/bin/python3", test::interop_dir() + "/smtp_server.py", "--dir", dir},
                             dir + "server.log", true);
  if (!server.started()) {
    std::fprintf(stderr, "the SMTP server did not start\n");
    return 1;
  }
  const std::string port = std::to_string(server.port());
  const std::string host = "127.0.0.1\t" + port + "\t60";
  const std::string from = "sender@example.jp", to = "friend@example.jp";

  const Bytes subject = to_cp932(u"ベンチマークの件名");
  Bytes body;
  while (body.size() < 2000) body += to_cp932(u"本文の一行です。Hello, world. 0123456789") + "\r\n";
  const std::time_t now = std::time(nullptr);
  const std::string eml = dir + "message.eml";
  std::ofstream(eml, std::ios::binary) << build_message(from, to, subject, body, now, make_message_id(from, now));

  char error[kTransportErrorSize] = {};
  auto transport_send = [&] {
    return TransportSendMail(host.c_str(), ("<" + to + ">").c_str(), ("<" + from + ">").c_str(), subject.c_str(),
                             body.c_str(), "", error) != 0;
  };
  const std::vector<std::string> curl = {"curl",        "-s",        "-S",   "--url",         "smtp://127.0.0.1:" + port,
                                         "--mail-from", from,        "--mail-rcpt", to,       "--upload-file",
                                         eml};
  auto curl_send = [&] { return run(curl); };
  auto curl_start = [] { return run({"curl", "--version"}); };
  auto build_only = [&] {
    return !build_message(from, to, subject, body, now, make_message_id(from, now)).empty();
  };

  bool ok = true;
  for (int i = 0; i < 3; ++i) {  // warm up both, and the server
    ms_of(transport_send, ok);
    if (!ok) {
      std::fprintf(stderr, "transport: %s\n", error);
      return 1;
    }
    ms_of(curl_send, ok);
    if (!ok) {
      std::fprintf(stderr, "curl failed\n");
      return 1;
    }
  }
  std::vector<double> t_transport, t_curl, t_start, t_build;
  for (int i = 0; i < runs; ++i) {
    t_transport.push_back(ms_of(transport_send, ok));
    if (!ok) return 1;
    t_curl.push_back(ms_of(curl_send, ok));
    if (!ok) return 1;
    t_start.push_back(ms_of(curl_start, ok));
    t_build.push_back(ms_of(build_only, ok));
  }
  const int received = static_cast<int>(QDir(tmp.path()).entryList({"msg-*.json"}).size());
  if (received != 2 * (runs + 3)) {
    std::fprintf(stderr, "the server received %d messages, not %d\n", received, 2 * (runs + 3));
    return 1;
  }
  const Figures a = figures(t_transport), b = figures(t_curl), s = figures(t_start), m = figures(t_build);
  std::printf("one send of a %zu-byte message to aiosmtpd on 127.0.0.1, %d runs each\n", body.size(), runs);
  std::printf("  transport (TransportSendMail):  median %7.2f ms  best %7.2f ms\n", a.median, a.best);
  std::printf("  of which building the message: median %7.2f ms  best %7.2f ms\n", m.median, m.best);
  std::printf("  curl command line tool:         median %7.2f ms  best %7.2f ms\n", b.median, b.best);
  std::printf("  of which starting curl alone:   median %7.2f ms  best %7.2f ms\n", s.median, s.best);
  std::printf("  ratio transport / curl (medians):               %.2f\n", a.median / b.median);
  std::printf("  ratio transport / (curl - its start) (medians): %.2f\n", a.median / (b.median - s.median));
  return 0;
}
