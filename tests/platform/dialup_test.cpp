// The connection check behind the dial-up stand-in, on route tables of the
// test's own.
#include "platform/dialup.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

using namespace zarvel;
using namespace zarvel::test;

namespace {

constexpr const char* kV4Header =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
constexpr const char* kV4Default = "eth0\t00000000\t0102A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n";
constexpr const char* kV4Loopback = "lo\t0000007F\t00000000\t0001\t0\t0\t0\t000000FF\t0\t0\t0\n";
constexpr const char* kV6Global =
    "20010db8000000000000000000000000 40 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 00000100 00000001 00000000 00000001     eth0\n";
constexpr const char* kV6Loopback =
    "00000000000000000000000000000001 80 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 00000000 00000002 00000000 80200001       lo\n"
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";

}  // namespace

TEST(ConnectionCheck, RoutesInEitherTableOrNoTellingMeanConnected) {
  TempDir d;
  const std::string v4 = d.file("route").toStdString(), v6 = d.file("ipv6_route").toStdString();
  const std::string missing = d.file("missing").toStdString();
  const std::string folder = d.path().toStdString();  // opens, cannot be read
  struct Case {
    const char* what;
    std::string ipv4;  // table text; "" with the path below
    std::string ipv6;
    const std::string* ipv4_path;
    const std::string* ipv6_path;
    std::vector<std::string> servers;
    bool connected;
  };
  const std::string h = kV4Header;
  const Case cases[] = {
      {"IPv4 route only", h + kV4Loopback + kV4Default, kV6Loopback, &v4, &v6, {"smtp.example.jp"}, true},
      {"IPv6 route only", h + kV4Loopback, std::string(kV6Loopback) + kV6Global, &v4, &v6, {"smtp.example.jp"}, true},
      {"no route at all", h + kV4Loopback, kV6Loopback, &v4, &v6, {"smtp.example.jp"}, false},
      {"no route, empty tables", h, "", &v4, &v6, {"smtp.example.jp"}, false},
      {"no route, no IPv6 in the kernel", h, "", &v4, &missing, {"smtp.example.jp"}, false},
      {"no route, relay on this machine", h + kV4Loopback, kV6Loopback, &v4, &v6, {"127.0.0.1"}, true},
      {"no route, POP3 and SMTP here", h, "", &v4, &v6, {"localhost", "[::1]"}, true},
      {"no route, one server elsewhere", h, "", &v4, &v6, {"localhost", "pop.example.jp"}, false},
      {"IPv4 table missing", "", kV6Loopback, &missing, &v6, {"smtp.example.jp"}, true},
      {"IPv4 table unreadable", "", kV6Loopback, &folder, &v6, {"smtp.example.jp"}, true},
      {"IPv6 table unreadable", h, "", &v4, &folder, {"smtp.example.jp"}, true},
      {"IPv4 table without its header", "", kV6Loopback, &v4, &v6, {"smtp.example.jp"}, true},
      {"IPv6 table in another form", h, "garbage\n", &v4, &v6, {"smtp.example.jp"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    d.write(QStringLiteral("route"), c.ipv4);
    d.write(QStringLiteral("ipv6_route"), c.ipv6);
    EXPECT_EQ(servers_reachable(c.servers, {c.ipv4_path->c_str(), c.ipv6_path->c_str()}), c.connected);
  }
}

TEST(ConnectionCheck, LoopbackServers) {
  for (const char* host : {"localhost", "LocalHost.", "relay.localhost", "127.0.0.1", "127.1.2.3", "::1", "[::1]",
                           " 127.0.0.1 ", "::ffff:127.0.0.1"})
    EXPECT_TRUE(is_loopback_host(host)) << host;
  for (const char* host : {"", "localhost.example.jp", "127.0.0.1.example.jp", "128.0.0.1", "::2", "notlocalhost",
                           "::ffff:10.0.0.1", "127.0.0"})
    EXPECT_FALSE(is_loopback_host(host)) << host;
}
