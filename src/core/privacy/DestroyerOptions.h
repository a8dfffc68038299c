// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

// What one run of the trace cleaner is asked to do: the stored cleaner flags, named
// after their registry values. The controller copies them from the settings.
struct TDestroyerOptions {
  bool WinMsgSvc = false;
  bool ClearTempFiles = false;
  bool ClearLastDocs = false;
  bool ClearLastFilesInOpenSaveDlgs = false;
  bool ClearLastNetRes = false;
  bool ClearLastRun = false;
  bool ClearLastSearchedDocs = false;
  bool ClearRecycle = false;
  bool ClearThumbnails = false;
  bool IETemp = false;
  bool IECookies = false;
  bool IEHistory = false;
  bool IEAutoComplete = false;
  bool NSCache = false;
  bool NSCookies = false;
  bool NSHistory = false;
  bool NSAutoComplete = false;
  bool OperaCache = false;
  bool OperaCookies = false;
  bool OperaHistory = false;
  bool OperaAutoComplete = false;
  bool TOnlineCache = false;
  bool TOnlineCookies = false;
  bool TOnlineHistory = false;
  bool ChromiumCache = false;
  bool ChromiumCookies = false;
  bool ChromiumHistory = false;
  bool ChromiumAutoComplete = false;
};

// The browser families a step can be asked for; each step reads its own.
struct TBrowserFlags {
  bool IE = false;
  bool TOnline = false;
  bool Opera = false;
  bool Netscape = false;
  bool Chromium = false;
};

using TCookieKeepList = std::vector<std::string>;
