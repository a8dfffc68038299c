// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct TCommandLine;

// Whether the command line asks for --install-proxy, --remove-proxy or
// --browser-status, which run without the controller and end.
bool IsBrowserCommand(const TCommandLine& options);
// Runs them silently for the port of --port or the stored "ProxyPort"; problems go to
// standard error. --browser-status prints one line per row: its text, a tab and
// "installiert" or "nicht installiert". Returns 1 when an install or removal
// reported a failure, else 0; "all" leaves out rows whose browser is not here.
int RunBrowserCommand(const TCommandLine& options);
