// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>

class TStopSignals;

// --downloads: one line per stored download, URL, file, state and size separated by
// tabs. Returns the exit code.
int RunListDownloads(std::ostream& output);

// --download URL: offers the URL to the running program as the browser add-on does
// (exit 0 when it was taken). Without a running program the URL is fetched into the
// default download folder, a progress line on standard error (exit 0 when complete).
int RunDownloadCommand(int argc, char** argv, const std::string& url, TStopSignals& stopSignals);
