// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// This machine's addresses as the access rule compares them: the dotted IPv4 text of
// the first address of every network interface, as the system reports them, then
// "127.0.0.1"; then the IPv6 text of every address of every interface but loopback
// ones, then "::1". Loopback stands for this machine by 127.0.0.1 and ::1 alone, as
// only its first IPv4 address counts.
std::vector<std::string> GetLocalIPList();
