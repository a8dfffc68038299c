// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainTestSupport.h"
#include "downloads/DownloadManagerUnit.h"

#include <gtest/gtest.h>

namespace {

class MainDownloads : public MainTestBase {};

// Refused at once on loopback.
constexpr const char* ClosedPortURL = "http://127.0.0.1:9/file.zip";

TEST_F(MainDownloads, FollowTheConnectionAndKeepTheirStatesWhileDown) {
  TMain& main = Start();
  TDownloadManagerClass& manager = *main.DownloadManager();
  EXPECT_TRUE(main.Online()) << "a permanent connection is up while the program runs";
  EXPECT_TRUE(manager.Active());
  main.AddDownloadURL(ClosedPortURL);
  ASSERT_EQ(manager.Entries().size(), 1u);

  main.DownloadsDisconnected();
  EXPECT_FALSE(manager.Active());
  EXPECT_FALSE(manager.Entries()[0]->Worker);
  EXPECT_EQ(manager.RunningCount(), 1) << "running again at the next connection";
  main.DownloadsConnected();
  EXPECT_TRUE(manager.Active());
  EXPECT_TRUE(manager.Entries()[0]->Worker);
}

TEST_F(MainDownloads, KnownAndUnsupportedURLsAreRefusedWithAMessage) {
  TMain& main = Start();
  main.AddDownloadURL(ClosedPortURL);
  main.AddDownloadURL(ClosedPortURL);
  main.AddDownloadURL("file:///etc/hostname");
  ASSERT_EQ(UserInterface.Messages.size(), 2u);
  EXPECT_EQ(UserInterface.Messages[0].Text,
            std::string("Die URL \"") + ClosedPortURL + "\" existiert bereits.");
  EXPECT_EQ(UserInterface.Messages[1].Text,
            "Die URL \"file:///etc/hostname\" kann nicht heruntergeladen werden: nur http://, "
            "https:// und ftp:// werden unterstützt.");
  EXPECT_EQ(main.DownloadManager()->Entries().size(), 1u);
}

TEST_F(MainDownloads, TheStatisticsShowTheRunningDownloads) {
  TMain& main = Start();
  main.AddDownloadURL(ClosedPortURL);
  EXPECT_EQ(main.StatisticsTexts().lActiveDownloads, "1");
}

// Page 9's throttle reaches the running manager at start and whenever it is applied,
// for the downloads started afterwards.
TEST_F(MainDownloads, ThrottleSettingsReachTheManagerAtStartAndWhenApplied) {
  Store([](TRegistrySettings& s) {
    s.DMDrossel = true;
    s.DMMaxDownload = 1024;
    s.DMDrosselPercent = 40;
  });
  TMain& main = Start();
  const TDownloadManagerClass& manager = *main.DownloadManager();
  EXPECT_TRUE(manager.Options().DMDrossel);
  EXPECT_EQ(manager.Options().DMMaxDownload, 1024);
  EXPECT_EQ(manager.Options().DMDrosselPercent, 40);

  Apply([](TSettingsValues& s) {
    s.DMDrossel = false;
    s.DMMaxDownload = 4096;
    s.DMDrosselPercent = 75;
    s.DMNoQuorvane = false;
  });
  EXPECT_FALSE(manager.Options().DMDrossel);
  EXPECT_EQ(manager.Options().DMMaxDownload, 4096);
  EXPECT_EQ(manager.Options().DMDrosselPercent, 75);
  EXPECT_FALSE(manager.Options().DMNoQuorvane);
}

} // namespace
