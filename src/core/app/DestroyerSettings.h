// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/SettingsValues.h"
#include "privacy/DestroyerOptions.h"

#include <string_view>
#include <vector>

// The cleaner's options as the settings hold them.
TDestroyerOptions DestroyerOptionsOf(const TSettingsValues& values);
// The names of the cleaner options that are on, in the order of the key table
// ("AutoKill" and the hidden AOL boxes, which clean nothing, left out).
std::vector<std::string_view> EnabledDestroyerOptions(const TSettingsValues& values);
// Copies every flag of the key "Destroyer" from one settings copy to another.
void CopyDestroyerFlags(const TSettingsValues& from, TSettingsValues& to);
