// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DownloadsPage.h"

#include "UiTestSupport.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

TEST(DownloadPercent, UsesTheReportedCountElseTheLocalFile) {
  struct Case {
    const char* Name;
    bool Complete;
    std::int64_t Received;
    std::int64_t LocalSize;
    std::int64_t Total;
    int Percent;
  };
  const Case cases[] = {
      {"complete", true, 0, 0, 0, 100},
      {"reported bytes", false, 250, 900, 1000, 25},
      {"local file when nothing was reported", false, 0, 900, 1000, 90},
      {"size unknown", false, 500, 0, 0, 0},
      {"no local file", false, 0, -1, 1000, 0},
      {"beyond 4 GiB", false, 6'000'000'000, 0, 8'000'000'000, 75},
      {"never above 100", false, 1200, 0, 1000, 100},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DownloadPercent(c.Complete, c.Received, c.LocalSize, c.Total), c.Percent) << c.Name;
}

TEST(DownloadsPage, ARowKeepsItsPlaceAndShowsItsProgressBar) {
  EnsureApplication();
  TDownloadsPage page(QStringLiteral("Downloads über den Downloadmanager"));
  int key = 0;
  page.SetRow(&key, {"http://h/a.zip", "/t/a.zip", "Download läuft", 10, "1 KByte/s", "05 Sek."});
  page.SetRow(&key, {"http://h/a.zip", "/t/a.zip", "Download läuft", 60, "", ""});
  ASSERT_EQ(page.DMLV->topLevelItemCount(), 1);
  QTreeWidgetItem* item = page.DMLV->topLevelItem(0);
  EXPECT_EQ(item->text(TDownloadsPage::StatusColumn), QStringLiteral("Download läuft"));
  EXPECT_EQ(item->text(TDownloadsPage::SpeedColumn), QString());
  auto* bar =
      qobject_cast<QProgressBar*>(page.DMLV->itemWidget(item, TDownloadsPage::ProgressColumn));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->value(), 60);
  EXPECT_FALSE(page.DMContinueBtn->isEnabled());
  EXPECT_FALSE(page.DMPauseBtn->isEnabled());
  EXPECT_FALSE(page.DMDeleteDownloadBtn->isEnabled());
}

} // namespace
