// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "browsers/BrowserSetup.h"

class TDesktopProxy;
class TRegistry;
class TUserInterface;

// The browser set-up of this user: folders from HOME and XDG_CONFIG_HOME, the
// dial-up entries from the pppd peers folder, messages through the message box of
// userInterface. Each reference must outlive the host.
TBrowserSetupHost BrowserSetupHostFor(TRegistry& registry, TDesktopProxy& desktop,
                                      TUserInterface& userInterface);

// "/Deinstall" and "/DeinstallProxy": every row removed silently.
void DeinstallBrowserProxies(TUserInterface& userInterface);
