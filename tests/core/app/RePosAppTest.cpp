// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's placement memory: what is stored, what a start applies, and
// when the controller restores and keeps it.
#include "app/RePosApp.h"

#include "MainTestSupport.h"
#include "StoredPlacement.h"
#include "TempFolder.h"

#include <gmock/gmock.h>

namespace {

using ::testing::ElementsAre;
using TValues = TStoredPlacement::TValues;

TWindowPlacement Placement(int left, int top, int width, int height, int monitor = 0) {
  TWindowPlacement placement;
  placement.Left = left;
  placement.Top = top;
  placement.Width = width;
  placement.Height = height;
  placement.Monitor = monitor;
  return placement;
}

class RePosAppTest : public ::testing::Test {
protected:
  TTestHome Home;
  TRegistry Registry{TRegistryLocations::InFolder(Home.RegistryFolder())};
  TFakeUserInterface UserInterface;
  TRecordingView View;
  TRePosApp RePosApp{Registry, UserInterface, View};
  TStoredPlacement Stored{Home.RegistryFolder()};
};

TEST_F(RePosAppTest, SavesEachValueAsTextBelowTheProgramsKey) {
  View.Placement = Placement(-1200, 80, 900, 540, 1);
  RePosApp.Save();
  EXPECT_EQ(Stored.Values(), (TValues{{"ShowCmd", "0"},
                                      {"Top", "80"},
                                      {"Left", "-1200"},
                                      {"Width", "900"},
                                      {"Height", "540"},
                                      {"Monitor", "1"}}));
  EXPECT_TRUE(UserInterface.Messages.empty());
}

TEST_F(RePosAppTest, TheNextStartGetsTheSavedPlacement) {
  View.Placement = Placement(-1200, 80, 900, 540, 1);
  RePosApp.Save();

  TRecordingView next;
  TRePosApp(Registry, UserInterface, next).Restore();
  EXPECT_THAT(next.Placed, ElementsAre(*View.Placement));
}

TEST_F(RePosAppTest, AWindowWithoutPlacementLeavesTheStoredOne) {
  const TValues before = TStoredPlacement::Of(Placement(40, 30, 640, 400));
  Stored.Store(before);
  View.Placement.reset();
  RePosApp.Save();
  EXPECT_EQ(Stored.Values(), before);
}

TEST_F(RePosAppTest, NothingStoredPlacesNothing) {
  RePosApp.Restore();
  EXPECT_TRUE(View.Placed.empty());
}

TEST_F(RePosAppTest, AStoredMaximizedWindowComesBackMaximized) {
  TValues values = TStoredPlacement::Of(Placement(40, 30, 640, 400));
  values["ShowCmd"] = "1";
  Stored.Store(values);
  RePosApp.Restore();
  ASSERT_EQ(View.Placed.size(), 1u);
  EXPECT_EQ(View.Placed[0].ShowCmd, ShowCmdMaximized);
  EXPECT_EQ(View.Placed[0].Width, 640);
}

TEST(RePosApp, AMissingUnreadableOrEmptyPlacementIsIgnored) {
  const struct {
    const char* Name;
    const char* Value;
    const char* Text; // nullptr: the value is missing
  } cases[] = {
      {"no height", "Height", nullptr},
      {"no show command", "ShowCmd", nullptr},
      {"a width that is no number", "Width", "breit"},
      {"a top that is no whole number", "Top", "12.5"},
      {"an empty left", "Left", ""},
      {"a left beyond the number range", "Left", "99999999999"},
      {"a negative width", "Width", "-900"},
      {"no height at all", "Height", "0"},
      {"an unknown show command", "ShowCmd", "3"},
      {"an unknown monitor", "Monitor", "2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempFolder folder;
    TValues values = TStoredPlacement::Of(Placement(40, 30, 640, 400));
    if (c.Text == nullptr)
      values.erase(c.Value);
    else
      values[c.Value] = c.Text;
    TStoredPlacement(folder.Path()).Store(values);

    TRegistry registry(TRegistryLocations::InFolder(folder.Path()));
    TFakeUserInterface userInterface;
    TRecordingView view;
    TRePosApp(registry, userInterface, view).Restore();
    EXPECT_TRUE(view.Placed.empty());
    EXPECT_TRUE(userInterface.Messages.empty());
  }
}

// Notes, whenever the window is shown, how many placements it had been given.
class TShowOrderView : public TRecordingView {
public:
  void RestoreWindow() override {
    PlacedAtShow.push_back(Placed.size());
    TRecordingView::RestoreWindow();
  }
  std::vector<std::size_t> PlacedAtShow;
};

class MainPlacement : public MainTestBase {
protected:
  TShowOrderView OrderView;
};

TEST_F(MainPlacement, StartUpPlacesTheWindowBeforeShowingItAfterTheFirstStart) {
  TStoredPlacement(Home.RegistryFolder()).Store(TStoredPlacement::Of(Placement(40, 30, 640, 400)));
  Registry = std::make_unique<TRegistry>(TRegistryLocations::InFolder(Home.RegistryFolder()));
  Main = std::make_unique<TMain>(*Registry, UserInterface, OrderView, ProgramFolder(),
                                 TStartFlags{}, EphemeralPort(),
                                 TAutoStart(Home.Path() / "autostart", "/opt/quorvane/quorvane"));
  Main->FormCreate();
  EXPECT_THAT(OrderView.Placed, ElementsAre(Placement(40, 30, 640, 400)));
  EXPECT_THAT(OrderView.PlacedAtShow, ElementsAre(1u)) << "placed before it was first shown";
}

TEST_F(MainPlacement, HidingToTheTrayAndShutdownKeepThePlacement) {
  TStoredPlacement stored(Home.RegistryFolder());
  TMain& main = Start();
  View.Placement = Placement(40, 30, 640, 400);
  main.SaveWindowPlacement();
  EXPECT_EQ(stored.Values(), TStoredPlacement::Of(Placement(40, 30, 640, 400)));

  View.Placement = Placement(900, 60, 400, 300, 1);
  main.FormDestroy();
  EXPECT_EQ(stored.Values(), TStoredPlacement::Of(Placement(900, 60, 400, 300, 1)));
}

} // namespace
