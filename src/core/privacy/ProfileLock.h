// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <filesystem>
#include <vector>

// Whether a browser still holds a profile: it writes its cookies and session while
// its last window closes and releases the lock only when it has finished.

// Firefox holds a record lock on ".parentlock"; its "lock" link names the process
// and may outlive it.
bool IsMozillaProfileLocked(const std::filesystem::path& profile);
// Chromium's "SingletonLock" link in the user data folder names host and process.
bool IsChromiumProfileLocked(const std::filesystem::path& userData);

// Waits, at most timeout, until no profile of the browser family is held; true
// when none is held any more.
bool WaitForMozillaProfilesReleased(const std::vector<std::filesystem::path>& profiles,
                                    std::chrono::milliseconds timeout);
bool WaitForChromiumReleased(const std::filesystem::path& userData,
                             std::chrono::milliseconds timeout);
