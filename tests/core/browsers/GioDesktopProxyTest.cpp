// SPDX-License-Identifier: GPL-3.0-or-later
// GNOME's proxy setting through GIO, on the key-file back-end in a temporary home
// (GSETTINGS_BACKEND=keyfile is set for this program by CTest).
#include "TempFolder.h"
#include "browsers/DesktopProxy.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

TEST(GioDesktopProxy, WritesReadsBackAndReturnsKeysToTheirDefaults) {
  TTempFolder folder;
  TScopedEnvironment environment;
  // Before GIO first looks at the environment.
  environment.Set("XDG_CONFIG_HOME", folder.Path().string());
  environment.Set("GSETTINGS_BACKEND", "keyfile");
  const auto desktop = CreateDesktopProxy();
  ASSERT_TRUE(desktop->Available()) << "gsettings-desktop-schemas is missing";

  EXPECT_FALSE(desktop->UserValue("mode"));
  EXPECT_EQ(desktop->Value("mode"), "'none'");
  ASSERT_TRUE(desktop->Write("http/port", "3128"));
  ASSERT_TRUE(desktop->Write("mode", "'manual'"));
  EXPECT_EQ(desktop->UserValue("mode"), "'manual'");
  EXPECT_EQ(desktop->Value("http/port"), "3128");
  std::ifstream keyfile(folder.Path() / "glib-2.0" / "settings" / "keyfile");
  const std::string stored((std::istreambuf_iterator<char>(keyfile)),
                           std::istreambuf_iterator<char>());
  EXPECT_NE(stored.find("mode='manual'"), std::string::npos) << stored;

  EXPECT_FALSE(desktop->Write("http/port", "'not a number'"));
  EXPECT_FALSE(desktop->Write("no-such-key", "1"));
  EXPECT_EQ(desktop->Value("http/port"), "3128");

  ASSERT_TRUE(desktop->Write("mode", std::nullopt));
  EXPECT_FALSE(desktop->UserValue("mode"));
}

} // namespace
