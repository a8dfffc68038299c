// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempFolder.h"
#include "pool/ProxyManagerClassUnit.h"

#include <gtest/gtest.h>

namespace {

class ProxySelection : public testing::Test {
protected:
  // Entries p1, p2, ... with the given response times, in list order.
  void AddProxies(const std::vector<std::uint16_t>& times) {
    for (std::size_t i = 0; i < times.size(); ++i) {
      Pool.AddProxy("p" + std::to_string(i + 1), std::to_string(3000 + i), times[i]);
    }
  }
  // Rotation steps as the controller runs them: the current host is the last pick.
  std::vector<std::string> Steps(int count) {
    std::vector<std::string> picks;
    for (int i = 0; i < count; ++i) {
      Current = Pool.SelectProxy(Current).Host;
      picks.push_back(Current);
    }
    return picks;
  }

  TTempFolder Folder;
  TProxyManager Pool{Folder / "proxies.dat", false, {}};
  std::string Current;
};

TEST_F(ProxySelection, ThreeProxiesSettleOnTheSlowest) {
  AddProxies({300, 100, 200});
  EXPECT_EQ(Steps(5), (std::vector<std::string>{"p2", "p3", "p1", "p1", "p1"}));
}

TEST_F(ProxySelection, SeventhPickForgetsTheHistory) {
  AddProxies({10, 20, 30, 40, 50, 60, 70});
  EXPECT_EQ(Steps(9),
            (std::vector<std::string>{"p1", "p2", "p3", "p4", "p5", "p6", "p7", "p1", "p2"}));
}

TEST_F(ProxySelection, FailedAndDisabledAreNeverPicked) {
  AddProxies({0, 100, 50});
  Pool.List()[2]->Enabled = false;
  EXPECT_EQ(Steps(3), (std::vector<std::string>{"p2", "p2", "p2"}));
}

TEST_F(ProxySelection, NoUsableProxyGivesDirect) {
  AddProxies({0, 0});
  const TProxySelection pick = Pool.SelectProxy("");
  EXPECT_EQ(pick.Host, "");
  EXPECT_EQ(pick.Port, 8080);
  EXPECT_EQ(pick.Entry, nullptr);
  EXPECT_TRUE(Pool.UsedProxies().empty());
}

TEST_F(ProxySelection, NewEntryGoesBeforeMeasuredOnes) {
  AddProxies({100, 200});
  Pool.AddProxy("fresh", "81", 1);
  const TProxySelection pick = Pool.SelectProxy("");
  EXPECT_EQ(pick.Host, "fresh");
  EXPECT_EQ(pick.Port, 81);
}

TEST_F(ProxySelection, OnlyProxyStaysUntilItFails) {
  AddProxies({100});
  EXPECT_EQ(Steps(2), (std::vector<std::string>{"p1", "p1"}));
  Pool.List()[0]->ResponseTime = 0;
  EXPECT_EQ(Steps(1), (std::vector<std::string>{""}));
}

TEST_F(ProxySelection, RepeatsOfTheSamePickDoNotGrowTheHistory) {
  AddProxies({100, 200});
  Steps(6);
  EXPECT_EQ(Pool.UsedProxies().size(), 2U);
}

} // namespace
