// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>

enum class TBrowserFamily { Mozilla, Opera, Chromium };

// Whether a process of the family runs for any user: the stand-in for the
// browsers' top-level window classes.
bool BrowserProcessRunning(TBrowserFamily family);

// A Mozilla profile in use: its ".parentlock" is locked by a process, or its "lock"
// link names a process that still runs. A link left behind by a browser that ended
// does not count.
bool MozillaProfileLocked(const std::filesystem::path& profile);
// A Chromium user-data folder in use: its "SingletonLock" link names a process that
// still runs.
bool ChromiumProfileLocked(const std::filesystem::path& userDataFolder);
