// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// The dotted IPv4 text of the first address of every network interface, as the
// system reports them, followed by "127.0.0.1".
std::vector<std::string> GetLocalIPList();
