// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Windows version flags. Linux is none of these versions, so every flag is
// false, as for a version record that cannot be read; code that asks them takes
// its generic path.
struct TVersionFlags {
  bool IsWinNT = false;
  bool IsWinNT5OrLater = false;
  bool IsWinXPStyle = false;
  bool IsWinVistaOrLater = false;
  bool IsWin9x = false;
  bool IsWin95 = false;
  bool IsWin98OrLater = false;
  bool IsWinME = false;
};

inline constexpr TVersionFlags VersionFlags{};
