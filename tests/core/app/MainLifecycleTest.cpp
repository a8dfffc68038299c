// SPDX-License-Identifier: GPL-3.0-or-later
// The controller's start-up, settings changes, port rebinding and shutdown.
#include "LoopbackSockets.h"
#include "MainTestSupport.h"
#include "ScriptedOrigin.h"

#include <QTimer>
#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr const char* BindError =
    "Quorvane konnte den Proxy-Server-Port nicht verwenden, da eine andere Server-Anwendung "
    "diesen Port bereits nutzt bzw. eine Firewall die Nutzung dieses Ports verbietet.\r\n"
    "Prüfen Sie Ihre Firewall-Einstellungen bzw. weisen Sie Quorvane einen anderen "
    "Proxy-Server-Port unter Konfiguration, Registerkarte Quorvane-Einrichtung zu.";

// A port nobody listens on right now.
std::uint16_t FreePort() {
  std::uint16_t port = 0;
  const int listener = loopback::Listen(port);
  ::close(listener);
  return port;
}

bool Accepts(std::uint16_t port) {
  const int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool ok = ::connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(handle);
  return ok;
}

class MainLifecycle : public MainTestBase {};

TEST_F(MainLifecycle, StartsServerLastWithStoredPortBlockingAndAccess) {
  const std::uint16_t port = FreePort();
  Store([&](TRegistrySettings& s) {
    s.ProxyPort = port;
    s.BlockSites = true;
    s.BlockedURLList = {"ads&&!ok.example"};
    s.BlockJS = true;
    s.ProxyAuthType = 2;
    s.ProxyAuthIP = "127.0.";
  });

  TMain& main = Start({});

  const THTTPProxyServer& server = main.ProxyServer();
  EXPECT_TRUE(server.Active());
  EXPECT_EQ(server.ListeningPort(), port);
  EXPECT_THAT(server.BlockedURLS(), ElementsAre("ads"));
  EXPECT_THAT(server.AllowedURLS(), ElementsAre("ok.example"));
  EXPECT_TRUE(server.BlockJavaScript());
  EXPECT_EQ(server.ProxyAuthType(), TAuthType::atThisIP);
  EXPECT_EQ(server.ProxyAuthIP(), "127.0.");
  EXPECT_EQ(server.ServerName(), "Quorvane 1.20");
  EXPECT_EQ(server.Via(), "1.0 Quorvane (1.20 http://www.quorvane.example/)");
  EXPECT_EQ(server.DefaultTransferBlockSize(), 65535);
  EXPECT_THAT(View.StatusTexts,
              ElementsAre("Quorvane Proxy-Server am Port " + std::to_string(port) + " aktiv"));
  EXPECT_TRUE(UserInterface.Messages.empty());
}

TEST_F(MainLifecycle, BlockSitesOffGivesServerEmptyList) {
  Store([](TRegistrySettings& s) {
    s.BlockSites = false;
    s.BlockedURLList = {"ads"};
  });
  EXPECT_TRUE(Start().ProxyServer().BlockedURLS().empty());
}

TEST_F(MainLifecycle, FirstStartShowsWindowOnceAndIsStoredAsDone) {
  Start();
  EXPECT_TRUE(Main->ShowAfterStart());
  EXPECT_EQ(View.Restores, 1);
  EXPECT_FALSE(Stored()->FirstStart);
  Main.reset();

  View = TRecordingView();
  Start();
  EXPECT_FALSE(Main->ShowAfterStart());
  EXPECT_EQ(View.Restores, 0);
}

TEST_F(MainLifecycle, ShutdownStopsServerBeforeSavingStatistics) {
  TScriptedOrigin origin("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
  TMain& main = Start();
  const std::uint16_t port = main.ProxyServer().ListeningPort();
  loopback::Exchange(port, "GET http://127.0.0.1:" + std::to_string(origin.Port()) +
                               "/a HTTP/1.0\r\n\r\n");

  main.FormDestroy();

  EXPECT_FALSE(Accepts(port));
  const auto stored = Stored();
  EXPECT_EQ(stored->Statistics.GETFiles, 1u);
  EXPECT_GT(stored->Statistics.Bytes, 0);
}

TEST_F(MainLifecycle, PortInUseAtStartReportsOnceAndPortChangeStartsServer) {
  std::uint16_t busy = 0;
  const int occupant = loopback::Listen(busy);
  Store([&](TRegistrySettings& s) { s.ProxyPort = busy; });

  TMain& main = Start({});

  ASSERT_EQ(UserInterface.Messages.size(), 1u);
  EXPECT_EQ(UserInterface.Messages[0].Text, BindError);
  EXPECT_THAT(UserInterface.Messages[0].Text, HasSubstr("Registerkarte Quorvane-Einrichtung zu."));
  EXPECT_EQ(main.StatusText(), "Quorvane Proxy-Server inaktiv");
  EXPECT_FALSE(main.ProxyServer().Active());

  const std::uint16_t free = FreePort();
  Apply([&](TSettingsValues& s) { s.ProxyPort = free; });

  EXPECT_TRUE(main.ProxyServer().Active());
  EXPECT_TRUE(Accepts(free));
  EXPECT_EQ(main.StatusText(), "Quorvane Proxy-Server am Port " + std::to_string(free) + " aktiv");
  EXPECT_EQ(UserInterface.Messages.size(), 1u);
  EXPECT_EQ(Stored()->ProxyPort, free);
  ::close(occupant);
}

TEST_F(MainLifecycle, PortChangeRebindsRunningServer) {
  const std::uint16_t first = FreePort();
  Store([&](TRegistrySettings& s) { s.ProxyPort = first; });
  TMain& main = Start({});
  ASSERT_TRUE(Accepts(first));

  const std::uint16_t second = FreePort();
  Apply([&](TSettingsValues& s) { s.ProxyPort = second; });

  EXPECT_TRUE(Accepts(second));
  EXPECT_FALSE(Accepts(first));
  EXPECT_EQ(main.StatusText(),
            "Quorvane Proxy-Server am Port " + std::to_string(second) + " aktiv");
  EXPECT_TRUE(UserInterface.Messages.empty());
}

TEST_F(MainLifecycle, PortChangeToBusyPortReportsOnceAndOnlyAPortChangeTriesAgain) {
  TMain& main = Start({});
  std::uint16_t busy = 0;
  const int occupant = loopback::Listen(busy);

  Apply([&](TSettingsValues& s) { s.ProxyPort = busy; });

  ASSERT_EQ(UserInterface.Messages.size(), 1u);
  EXPECT_EQ(UserInterface.Messages[0].Text, BindError);
  EXPECT_EQ(main.StatusText(), "Quorvane Proxy-Server inaktiv");
  EXPECT_FALSE(main.ProxyServer().Active());

  // Other changes while the port is taken neither try again nor bring the box back.
  Apply([](TSettingsValues& s) { s.BlockFlash = true; });
  Apply([](TSettingsValues& s) { s.BlockReferer = false; });
  EXPECT_EQ(UserInterface.Messages.size(), 1u);
  EXPECT_EQ(main.StatusText(), "Quorvane Proxy-Server inaktiv");
  EXPECT_TRUE(main.ProxyServer().BlockFlash()) << "the change itself still applies";

  // Changing the port does try again.
  ::close(occupant);
  const std::uint16_t free = FreePort();
  Apply([&](TSettingsValues& s) { s.ProxyPort = free; });
  EXPECT_TRUE(Accepts(free));
  EXPECT_EQ(main.StatusText(), "Quorvane Proxy-Server am Port " + std::to_string(free) + " aktiv");
  EXPECT_EQ(UserInterface.Messages.size(), 1u);
}

TEST_F(MainLifecycle, RunPortHoldsUntilPortSettingChangesAndIsNeverStored) {
  const std::uint16_t stored = FreePort();
  Store([&](TRegistrySettings& s) { s.ProxyPort = stored; });
  TMain& main = Start(EphemeralPort());
  const std::uint16_t runPort = main.ProxyServer().ListeningPort();
  ASSERT_NE(runPort, stored);

  Apply([](TSettingsValues& s) { s.BlockExeFiles = true; });
  EXPECT_EQ(main.ProxyServer().ListeningPort(), runPort);
  EXPECT_TRUE(main.ProxyServer().BlockExeFiles());
  EXPECT_EQ(Stored()->ProxyPort, stored);

  const std::uint16_t chosen = FreePort();
  Apply([&](TSettingsValues& s) { s.ProxyPort = chosen; });
  EXPECT_EQ(main.ProxyServer().ListeningPort(), chosen);
}

TEST_F(MainLifecycle, RunOptionsAddToStoredBlockingWithoutStoringIt) {
  Store([](TRegistrySettings& s) {
    s.BlockSites = true;
    s.BlockedURLList = {"stored"};
  });
  TRunOptions run = EphemeralPort();
  run.BlockedURLs = {"extra"};
  run.BlockFlash = true;
  run.UpstreamHost = "127.0.0.1";
  run.UpstreamPort = 3128;
  TMain& main = Start(run);

  EXPECT_THAT(main.ProxyServer().BlockedURLS(), ElementsAre("stored", "extra"));
  EXPECT_TRUE(main.ProxyServer().BlockFlash());
  EXPECT_THAT(main.StatisticsTexts().lAnonProxy, ::testing::StartsWith("127.0.0.1:3128 - "));
  Apply([](TSettingsValues&) {});
  EXPECT_THAT(Stored()->BlockedURLList, ElementsAre("stored"));
  EXPECT_FALSE(Stored()->BlockFlash);
}

TEST_F(MainLifecycle, TerminateAtStartEndsEventLoop) {
  TStartFlags flags;
  flags.TerminateAtStart = true;
  Start(EphemeralPort(), flags);
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  guard.start(5000);
  EXPECT_EQ(QCoreApplication::exec(), 0) << "the event loop ran until the guard ended it";
  EXPECT_EQ(View.Restores, 0) << "no window when the program ends at start";
}

TEST_F(MainLifecycle, StatisticsTextsFormatCountersAndRunTime) {
  Store([](TRegistrySettings& s) {
    s.Statistics.Bytes = 2500000;
    s.Statistics.POSTFiles = 7;
    s.Statistics.BlockedURLs = 4;
    s.Statistics.TotalBytesInDownloads = 12;
  });
  TMain& main = Start();
  Now += std::chrono::seconds(3725);

  const TStatisticsTexts texts = main.StatisticsTexts();
  EXPECT_EQ(texts.lCurrentIP, "n/a");
  EXPECT_EQ(texts.lBytes, "2.441 KByte");
  EXPECT_EQ(texts.lPOST, "7");
  EXPECT_EQ(texts.lWerbungen, "4");
  EXPECT_EQ(texts.lAnonProxy, "keiner");
  EXPECT_EQ(texts.lProgRuntime, "01:02:05 Std.");
  EXPECT_EQ(texts.lActiveConnections, "0");
  EXPECT_EQ(texts.lTotalBytesInDownloads, "12 Byte");
}

} // namespace
