// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "browsers/BrowserSetup.h"

#include <functional>
#include <string>
#include <vector>

class TDesktopProxy;
class TRegistry;
class TUserInterface;

// The dial-up phonebook's entry names. The connection monitor supplies the real
// list; until it is wired in, the set-up sees no entries.
using TPhonebookEntries = std::function<std::vector<std::string>()>;

// The browser set-up of this user: folders from HOME and XDG_CONFIG_HOME, messages
// through the message box of userInterface. Each reference must outlive the host.
TBrowserSetupHost BrowserSetupHostFor(TRegistry& registry, TDesktopProxy& desktop,
                                      TUserInterface& userInterface,
                                      TPhonebookEntries phonebook = {});

// "/Deinstall" and "/DeinstallProxy": every row removed silently.
void DeinstallBrowserProxies(TUserInterface& userInterface);
