// SPDX-License-Identifier: GPL-3.0-or-later
// The main window remembers where it stood: written when it hides to the tray,
// never while minimized or maximized, and applied by the next window unless that
// would leave it off every screen.
#include "StoredPlacement.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <functional>
#include <ostream>

// Readable rectangles in failure messages.
void PrintTo(const QRect& rect, std::ostream* out) {
  *out << rect.x() << "," << rect.y() << " " << rect.width() << "x" << rect.height();
}

namespace {

using TValues = TStoredPlacement::TValues;

TValues ValuesOf(const QRect& rect, int monitor) {
  TWindowPlacement placement;
  placement.Left = rect.left();
  placement.Top = rect.top();
  placement.Width = rect.width();
  placement.Height = rect.height();
  placement.Monitor = monitor;
  return TStoredPlacement::Of(placement);
}

// Where the window stands and how large it is inside: what a placement keeps.
QRect PlacementOf(const QWidget& window) {
  return QRect(window.pos(), window.size());
}

bool OnSomeScreen(const QWidget& window) {
  const QList<QScreen*> screens = QGuiApplication::screens();
  return std::any_of(screens.begin(), screens.end(), [&window](const QScreen* screen) {
    return screen->availableGeometry().intersects(window.frameGeometry());
  });
}

class WindowPlacement : public WindowTestBase {
protected:
  void SetUp() override {
    // Only a test shows the window; the start leaves it in the tray.
    Store([](TRegistrySettings& s) { s.FirstStart = false; });
    ASSERT_EQ(QGuiApplication::screens().size(), 2)
        << "these tests run on two offscreen screens, as tests/ui/CMakeLists.txt sets up";
  }

  // The program started into the tray, with its window then shown from there.
  TMainWindow& ShowFromTray() {
    TMainWindow& window = Start(true);
    window.ShowAtStart();
    window.TrayRestore->trigger();
    return window;
  }

  // Ends the program as "Beenden" does: shutdown, then the window goes.
  void Quit() {
    Main.reset();
    Window.reset();
  }

  TStoredPlacement Stored{Home.RegistryFolder()};
};

TEST_F(WindowPlacement, HidingToTheTrayKeepsThePlacementForTheNextWindow) {
  const struct {
    const char* Name;
    QRect Rect;
    int Monitor;
  } cases[] = {
      {"on the primary screen", QRect(20, 70, 860, 480), 0},
      {"mostly on the second screen", QRect(700, 40, 860, 420), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TMainWindow& window = ShowFromTray();
    window.move(c.Rect.topLeft());
    window.resize(c.Rect.size());
    ASSERT_EQ(PlacementOf(window), c.Rect) << "the window cannot take this size";
    window.TrayMinimize->trigger();
    ASSERT_FALSE(window.isVisible());
    EXPECT_EQ(Stored.Values(), ValuesOf(c.Rect, c.Monitor));
    Quit();

    TMainWindow& next = Start(true);
    EXPECT_FALSE(next.isVisible());
    EXPECT_EQ(PlacementOf(next), c.Rect) << "placed before it is first shown";
    next.ShowAtStart();
    next.TrayRestore->trigger();
    EXPECT_EQ(PlacementOf(next), c.Rect);
    Quit();
  }
}

TEST_F(WindowPlacement, NothingIsWrittenWhileMinimizedOrMaximized) {
  const struct {
    const char* Name;
    std::function<void(TMainWindow&)> Act;
  } cases[] = {
      // Minimizing hides the window to the tray.
      {"minimized", [](TMainWindow& window) { window.showMinimized(); }},
      {"maximized, then closed to the tray",
       [](TMainWindow& window) {
         window.showMaximized();
         window.close();
       }},
  };
  const QRect before(40, 30, 860, 480);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Stored.Store(ValuesOf(before, 0));
    TMainWindow& window = ShowFromTray();
    ASSERT_EQ(PlacementOf(window), before);
    window.move(200, 100);
    c.Act(window);
    ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.isVisible(); }));
    EXPECT_EQ(Stored.Values(), ValuesOf(before, 0)) << "written on hiding";
    Quit();
    EXPECT_EQ(Stored.Values(), ValuesOf(before, 0)) << "written at shutdown";
  }
}

TEST_F(WindowPlacement, AStoredMaximizedWindowOpensMaximizedAndStaysSoThroughTheTray) {
  TValues values = ValuesOf(QRect(20, 70, 860, 480), 0);
  values["ShowCmd"] = "1";
  Stored.Store(values);
  TMainWindow& window = ShowFromTray();
  EXPECT_TRUE(window.isMaximized());
  window.close();
  ASSERT_FALSE(window.isVisible());
  window.TrayRestore->trigger();
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.isMaximized());
  EXPECT_EQ(window.normalGeometry().size(), QSize(860, 480));
}

TEST_F(WindowPlacement, ABrokenOrUnreachablePlacementIsIgnored) {
  const QRect defaults = TMainWindow(true).geometry();
  const struct {
    const char* Name;
    TValues Changes;
  } cases[] = {
      {"below and right of both screens", {{"Left", "1500"}, {"Top", "900"}}},
      {"right of the second screen, where a third stood", {{"Left", "1460"}, {"Top", "40"}}},
      {"with a negative width", {{"Width", "-860"}}},
      {"with a top that is no number", {{"Top", "oben"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TValues values = ValuesOf(QRect(20, 70, 860, 480), 0);
    for (const auto& [name, text] : c.Changes)
      values[name] = text;
    Stored.Store(values);

    TMainWindow& window = Start(true);
    EXPECT_EQ(window.geometry(), defaults);
    window.ShowAtStart();
    window.TrayRestore->trigger();
    EXPECT_TRUE(OnSomeScreen(window));
    Quit();
  }
}

} // namespace
