// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

class TTCPConnection;

// Moves bytes both ways between two connections the moment they arrive, until
// either side closes; what is under way is delivered before it returns. A read
// error counts as a close; a write error is raised. Returns the bytes moved in
// both directions together.
std::uint64_t RelayTunnel(TTCPConnection& first, TTCPConnection& second);
