// SPDX-License-Identifier: GPL-3.0-or-later
// On GIO's memory back-end a write reads back within the process and is lost at its
// end: it counts as a failure (GSETTINGS_BACKEND=memory is set for this program).
#include "browsers/DesktopProxy.h"

#include <gtest/gtest.h>

namespace {

TEST(GioDesktopProxy, WritesToTheMemoryBackEndFail) {
  const auto desktop = CreateDesktopProxy();
  ASSERT_TRUE(desktop->Available());

  EXPECT_FALSE(desktop->Write("mode", "'manual'"));
}

} // namespace
