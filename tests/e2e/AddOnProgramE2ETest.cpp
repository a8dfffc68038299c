// SPDX-License-Identifier: GPL-3.0-or-later
// The uninstall switches against the add-on stand-in beside the real program.
#include "E2ETest.h"
#include "TempFolder.h"
#include "platform/Registry.h"
#include "privacy/AddOnClassId.h"
#include "privacy/AddOnHelper.h"
#include "privacy/PopupKillerUnit.h"

#include <gtest/gtest.h>

namespace e2e {
namespace {

using e2e::PrintTo;

struct TDeinstallCase {
  const char* Name;
  const char* Switch;
  bool Unregisters;
};

class AddOnDeinstallE2E : public TE2ETest, public ::testing::WithParamInterface<TDeinstallCase> {
protected:
  std::string Enabled(std::string_view root) {
    TRegKey key;
    TRegValue value;
    if (Registry.OpenKey(TRootKey::CurrentUser, std::string(root) + "\\Options", key) !=
            TRegResult::Ok ||
        Registry.QueryValue(key, "Enabled", value) != TRegResult::Ok)
      return "<none>";
    return ValueText(value);
  }

  // HOME, the XDG folders and QUORVANE_REGISTRY_DIR of this process and its children.
  TTestHome Home;
  TRegistry Registry{TRegistryLocations::InFolder(Home.RegistryFolder())};
};

TEST_P(AddOnDeinstallE2E, SwitchesBothFeaturesOffSilentlyAndEnds) {
  const std::string programFolder = QuorvaneBinary().parent_path().string() + "/";
  {
    const TAddOnHelper addOn(Registry, programFolder);
    ASSERT_TRUE(addOn.IsHelperAvailable()) << "qhelper.so beside " << programFolder;
    ASSERT_TRUE(SetPopupKillerEnabled(Registry, addOn, true));
    ASSERT_TRUE(SetDownloadManagerEnabled(Registry, addOn, true));
    ASSERT_TRUE(addOn.IsHelperRegistered());
  }

  TSpawnOptions options;
  options.Argv = {QuorvaneBinary().string(), "--headless", GetParam().Switch};
  options.StdoutPath = Folder / "stdout";
  options.StderrPath = Folder / "stderr";
  TChildProcess& program = Spawn(options);
  const auto exit = program.WaitExit(std::chrono::seconds(10));
  ASSERT_TRUE(exit.has_value()) << "the program must end by itself";
  EXPECT_TRUE(exit->Exited && exit->Code == 0) << exit->Describe();
  EXPECT_EQ(program.ReadStderr(), "");
  EXPECT_EQ(program.ReadStdout(), "") << "the proxy never starts";

  const TAddOnHelper addOn(Registry, programFolder);
  const std::string expected = GetParam().Unregisters ? "0" : "1";
  EXPECT_EQ(Enabled(PopupKillerKey), expected);
  EXPECT_EQ(Enabled(DownloadManagerKey), expected);
  EXPECT_EQ(addOn.IsHelperRegistered(), !GetParam().Unregisters);
}

INSTANTIATE_TEST_SUITE_P(Switches, AddOnDeinstallE2E,
                         ::testing::Values(TDeinstallCase{"DeinstallPK", "/DeinstallPK", true},
                                           TDeinstallCase{"Deinstall", "/Deinstall", true},
                                           TDeinstallCase{"DeinstallProxy", "/DeinstallProxy",
                                                          false}),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
} // namespace e2e
