// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

// The one message box of the program: its kinds, button sets and results.

enum class TMsgKind { Error = 0, Information = 1, Question = 2, Warning = 3, Confirmation = 4 };

enum class TMsgIcon { Exclamation, Information, Question, Stop };

// The button set; callers pass exactly one of these bits.
namespace TMsgButtons {
inline constexpr int AbortRetryIgnore = 1;
inline constexpr int OK = 2;
inline constexpr int OKCancel = 4;
inline constexpr int RetryCancel = 8;
inline constexpr int YesNo = 16;
inline constexpr int YesNoCancel = 32;
// Yes and No with No as the default answer: for questions whose Yes starts
// something that nobody should start unattended.
inline constexpr int YesNoDefaultNo = 64;
} // namespace TMsgButtons

// The standard dialog results.
enum class TModalResult { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

// "Fehler", "Information", "Frage", "Warnung", "Bestätigung".
std::string_view MessageBoxTitle(TMsgKind kind);
TMsgIcon MessageBoxIcon(TMsgKind kind);
// The caption shown: the given one, or the kind's title when it is empty.
std::string MessageBoxCaption(std::string_view caption, TMsgKind kind);
