// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/WindowPlacement.h"

#include <optional>
#include <string>
#include <vector>

// The texts of the statistics page, one member per label, computed by TMain.
// Labels whose subsystem does not exist yet hold "0" (or "" for lCurrentIP's
// absence of an address query: it then reads "n/a").
struct TStatisticsTexts {
  std::string lCurrentIP;
  std::string lBytes;
  std::string lGET;
  std::string lPOST;
  std::string lHEAD;
  std::string lCookies;
  std::string lActiveX;
  std::string lFlash;
  std::string lExe;
  std::string lScript;
  std::string lWerbungen;
  std::string lAnonProxy;
  std::string lProgRuntime;
  std::string lActiveConnections;
  std::string KilledPopupsLabel;
  std::string lActiveDownloads;
  std::string lTotalDownloads;
  std::string lTotalBytesInDownloads;
};

// The browser add-on's controls: the tray's "Popup Killer" submenu and
// "Downloadmanager aktivieren/deaktivieren", the check boxes of the pages
// "Popupkiller" and "Downloadmanager".
struct TAddOnState {
  bool Available = false;
  bool PopupKillerEnabled = false;
  bool DownloadManagerEnabled = false;
  // False when only the tray items follow (a toggle from the tray menu): the
  // check boxes are brought in line when the window is restored.
  bool SetCheckBoxes = true;
};

// What the controller asks of its window. Every call arrives on the main thread;
// refreshes caused by connection threads are posted there and coalesced by TMain.
class TMainView {
public:
  virtual ~TMainView() = default;

  // Status bar panel 0 ("Quorvane Proxy-Server am Port 8080 aktiv" / "... inaktiv").
  virtual void SetStatusText(const std::string& text) = 0;
  // The labels of page 0.
  virtual void ShowStatistics(const TStatisticsTexts& texts) = 0;
  // The list editor changed the blocked-URL list: here it is, to refill URLLB.
  virtual void BlockedURLsChanged(const std::vector<std::string>& list) = 0;
  // The add-on's controls as they stand; a view without them ignores this.
  virtual void ShowAddOnState(const TAddOnState&) {}
  // Show the window (TrayIconClick): a second instance asked, or the start-up ends
  // with FShowAfterStart.
  virtual void RestoreWindow() = 0;
  // The window's normal placement as it stands; nothing while it is minimized or
  // maximized, or when it was never placed on a screen.
  virtual std::optional<TWindowPlacement> WindowPlacement() const = 0;
  // Places the window, before it is first shown; a placement that would leave the
  // window off every screen is ignored.
  virtual void SetWindowPlacement(const TWindowPlacement& placement) = 0;

  // The proxy pool's list changed: rebuild fills the list view anew, else its rows
  // are refreshed (TMain::ProxyPool has the entries).
  virtual void UpdateProxyList(bool /*rebuild*/) {}
  // The upstream proxy in use ("host:port", empty for none) or the own public
  // address changed.
  virtual void AnonymousProxyChanged(const std::string& /*hostAndPort*/) {}
  virtual void CurrentIPChanged(const std::string& /*address*/) {}
};
