// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// True when the process runs with administrator rights: its effective user is root.
bool IsUserAdmin();
