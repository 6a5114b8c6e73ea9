// What the SMTP and POP3 interop tests share: a temporary folder, the test
// certificates, the servers (stopped in TearDown or when the fixture goes)
// and the transport calls with their error text in UTF-8.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "mail/tls_memory.h"
#include "mail/transport.h"
#include "mail/transport_testing.h"
#include "server_process.h"
#include "support/temp_dir.h"
#include "text/cp932.h"

namespace zarvel::test {

inline const std::string kPython = "/usr/bin/python3";

struct CallResult {
  int result = 0;
  std::string error;  // UTF-8
  double seconds = 0;
};

class InteropFixture : public ::testing::Test {
 protected:
  void TearDown() override {
    servers_.clear();
    transport_set_test_ca_file("");
    transport_set_test_implicit_tls_port(0);
    forget_tls_servers();
  }

  std::string dir() const { return tmp_.path().toStdString(); }

  void make_certs() {
    ASSERT_TRUE(make_certificates(dir(), certs_)) << read_text("openssl.log");
    transport_set_test_ca_file(certs_.ca);
  }

  // Starts a server that prints its port; fails the test if it does not.
  ServerProcess& start(std::vector<std::string> argv, const std::string& log = "server.log") {
    servers_.push_back(std::make_unique<ServerProcess>(argv, dir() + log, true));
    EXPECT_TRUE(servers_.back()->started()) << read_text(log);
    return *servers_.back();
  }

  ServerProcess& start_daemon(std::vector<std::string> argv, const std::string& log) {
    servers_.push_back(std::make_unique<ServerProcess>(argv, dir() + log, false));
    return *servers_.back();
  }

  // strip_proxy.py in front of 127.0.0.1:upstream; returns its port.
  int start_proxy(int upstream) {
    return start({kPython, interop_dir() + "/strip_proxy.py", "--dir", dir(), "--upstream", std::to_string(upstream)},
                 "proxy.log")
        .port();
  }
  // Whether the proxy deletes the server's offer of STARTTLS / STLS from
  // the next connection on.
  void strip_tls(bool on) {
    if (on)
      std::ofstream(dir() + "strip") << "on\n";
    else
      std::remove((dir() + "strip").c_str());
  }
  // What the client sent in clear text on the proxy's connections from
  // `first` on.
  std::string client_bytes(int first) const {
    std::string all;
    for (int i = first; exists("client-" + std::to_string(i) + ".log"); ++i)
      all += read_text("client-" + std::to_string(i) + ".log");
    return all;
  }
  static std::string base64(const std::string& s) { return QByteArray::fromStdString(s).toBase64().toStdString(); }

  std::string read_text(const std::string& name) const { return tmp_.read_if_present(QString::fromStdString(name)); }
  bool exists(const std::string& name) const { return tmp_.exists(QString::fromStdString(name)); }

  std::vector<std::string> read_lines(const std::string& name) const {
    std::vector<std::string> out;
    std::string text = read_text(name), line;
    for (char c : text) {
      if (c == '\n')
        out.push_back(std::move(line)), line.clear();
      else
        line += c;
    }
    if (!line.empty()) out.push_back(line);
    return out;
  }

  // The messages smtp_server.py received, in order.
  std::vector<QJsonObject> messages() const {
    std::vector<QJsonObject> out;
    for (int i = 1; exists("msg-" + std::to_string(i) + ".json"); ++i)
      out.push_back(
          QJsonDocument::fromJson(QByteArray::fromStdString(read_text("msg-" + std::to_string(i) + ".json"))).object());
    return out;
  }
  static std::string str(const QJsonObject& o, const char* key) { return o.value(key).toString().toStdString(); }

  static std::string utf8(const char* cp932) { return from_cp932(cp932).toStdString(); }
  static Bytes cp932(const char* utf8_text) { return to_cp932(QString::fromUtf8(utf8_text)); }

  static CallResult send_mail(const std::string& server, const std::string& to, const std::string& from,
                              const Bytes& subject, const Bytes& body) {
    char error[kTransportErrorSize + 8];
    std::fill(std::begin(error), std::end(error), '\x7F');  // shows an unterminated text
    auto t0 = std::chrono::steady_clock::now();
    CallResult r;
    r.result = TransportSendMail(server.c_str(), to.c_str(), from.c_str(), subject.c_str(), body.c_str(), "", error);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    if (!r.result) {
      EXPECT_NE(std::find(error, error + kTransportErrorSize, '\0'), error + kTransportErrorSize);
      EXPECT_EQ(error[kTransportErrorSize], '\x7F') << "wrote past the 81-byte buffer";
      r.error = utf8(error);
    }
    return r;
  }

  TempDir tmp_;
  TestCertificates certs_;
  std::vector<std::unique_ptr<ServerProcess>> servers_;
};

}  // namespace zarvel::test
