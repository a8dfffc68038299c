// SPDX-License-Identifier: GPL-3.0-or-later
#include "AddOnCommands.h"

#include "platform/ProgramFolder.h"
#include "platform/Registry.h"
#include "privacy/AddOnHelper.h"
#include "privacy/PopupKillerUnit.h"

void DeinstallAddOn() {
  TRegistry registry(TRegistryLocations::FromEnvironment());
  const TAddOnHelper addOn(registry, ProgramFolder());
  SetPopupKillerEnabled(registry, addOn, false);
  SetDownloadManagerEnabled(registry, addOn, false);
}
