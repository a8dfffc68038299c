// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct TCommandLine;
class TStopSignals;

// --online-update: the controller without a window runs the online update once
// (the update program from the program's folder, its channels, the merge of the
// delivered list, "LastUpdate"), writes each proxy added as "host:port" on standard
// output, and ends: 0 when the update program ran, 1 when it could not.
int RunOnlineUpdate(int argc, char** argv, const TCommandLine& options, TStopSignals& stopSignals);
