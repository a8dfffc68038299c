// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// The browser add-on's class identifier, the same in the add-on and in the
// program's registration check; its class key is HKCR "CLSID\" + this.
inline constexpr std::string_view AddOnClassId = "{6F3B1C2A-8D47-4E95-A0B6-2C9D7E41F508}";
inline constexpr std::string_view AddOnClassKey = "CLSID\\{6F3B1C2A-8D47-4E95-A0B6-2C9D7E41F508}";
// The add-on's file in the program's folder.
inline constexpr std::string_view AddOnFileName = "qhelper.so";
