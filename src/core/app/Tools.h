// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/AsciiText.h"
#include "platform/UserAccount.h"
#include "platform/VersionFlags.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Number and duration formatting in the program's German wording: "." groups
// thousands and ":" separates hours, minutes and seconds, whatever the locale.
std::string FormatThousands(std::int64_t value);
// "999.999 Byte", "976 KByte", "9 MByte"; zero or less is "0 Byte".
std::string FormatBytes(std::int64_t value);
// "05 Sek.", "01:05 Min.", "01:00:00 Std."; zero or less is "0 Sek.".
std::string FormatDuration(std::int64_t seconds);

std::string RemoveBlanks(std::string_view text);
std::string BlanksToUnderscores(std::string_view text);
// UTF-8 text: ASCII letters and ä, ö, ü become capitals; ß and every other
// letter stay as they are.
std::string UpperCaseGerman(std::string_view text);
std::string JoinStrings(const std::vector<std::string>& parts, std::string_view separator);

inline constexpr std::string_view ExceptionSeparator = "&&!";
// "a&&!b" -> "a\r\nb", for showing an exception list one entry a line.
std::string ExceptionListToLines(std::string_view list);
// The reverse for an edited list: the non-empty lines, blanks removed, joined by "&&!".
std::string LinesToExceptionList(std::string_view lines);

// How long RunProgram waits for a program it was asked to wait for.
inline constexpr std::chrono::milliseconds RunProgramWaitLimit{120000};

// Starts application with parameters (split as a command line). When that fails,
// the shell is asked to run "application parameters". With wait, returns once the
// program has ended or after RunProgramWaitLimit. True when a start succeeded.
bool RunProgram(const std::string& application, const std::string& parameters, bool wait);

// Size of the file the path names, the first match when it holds wildcards;
// -1 when nothing matches or the match is a folder.
std::int64_t GetFileSize64(const std::string& path);
