// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A point in local time as days since 30 December 1899, the fraction being the
// time of day; the form in which dates are stored.
using TDateTime = double;

TDateTime EncodeDateTime(int year, unsigned month, unsigned day, int hour, int minute, int second);
TDateTime NowDateTime();
