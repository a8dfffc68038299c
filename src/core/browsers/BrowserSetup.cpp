// SPDX-License-Identifier: GPL-3.0-or-later
// TBrowserSetup: the rows and their dispatch.
#include "browsers/BrowserSetup.h"

#include "browsers/BrowserTexts.h"
#include "platform/Registry.h"

std::string_view BrowserRowText(TBrowserRow row) {
  switch (row) {
  case TBrowserRow::InternetExplorer:
    return BrowserTexts::InternetExplorerRow;
  case TBrowserRow::Mozilla:
    return BrowserTexts::MozillaRow;
  case TBrowserRow::Opera:
    return BrowserTexts::OperaRow;
  case TBrowserRow::Chromium:
    return BrowserTexts::ChromiumRow;
  }
  return {};
}

TBrowserSetup::TBrowserSetup(TBrowserSetupHost host) : FHost(std::move(host)) {}

std::string TBrowserSetup::ProxyString(int port) {
  const std::string text = std::to_string(port);
  return "http=localhost:" + text + ";https=localhost:" + text;
}

bool TBrowserSetup::Install(TBrowserRow row, int port) {
  // The records of earlier values go to disk once, not once per value.
  TRegistry::TTransaction transaction(FHost.Registry, TRootKey::CurrentUser);
  const bool done = InstallRow(row, port);
  transaction.Commit();
  return done;
}

bool TBrowserSetup::Remove(TBrowserRow row, bool silent) {
  TRegistry::TTransaction transaction(FHost.Registry, TRootKey::CurrentUser);
  const bool done = RemoveRow(row, silent);
  transaction.Commit();
  return done;
}

bool TBrowserSetup::InstallRow(TBrowserRow row, int port) {
  switch (row) {
  case TBrowserRow::InternetExplorer:
    return InstallIEProxy(port);
  case TBrowserRow::Mozilla:
    return InstallMozillaProxy(port);
  case TBrowserRow::Opera:
    return InstallOperaProxy(port);
  case TBrowserRow::Chromium:
    return InstallChromiumProxy(port);
  }
  return false;
}

bool TBrowserSetup::RemoveRow(TBrowserRow row, bool silent) {
  switch (row) {
  case TBrowserRow::InternetExplorer:
    return RemoveIEProxy(silent);
  case TBrowserRow::Mozilla:
    return RemoveMozillaProxy(silent);
  case TBrowserRow::Opera:
    return RemoveOperaProxy(silent);
  case TBrowserRow::Chromium:
    return RemoveChromiumProxy(silent);
  }
  return false;
}

bool TBrowserSetup::IsInstalled(TBrowserRow row, int port) {
  switch (row) {
  case TBrowserRow::InternetExplorer:
    return IsIEProxyInstalled(port);
  case TBrowserRow::Mozilla:
    return IsMozillaProxyInstalled(port);
  case TBrowserRow::Opera:
    return IsOperaProxyInstalled(port);
  case TBrowserRow::Chromium:
    return IsChromiumProxyInstalled(port);
  }
  return false;
}

bool TBrowserSetup::Present(TBrowserRow row) {
  switch (row) {
  case TBrowserRow::InternetExplorer:
    return true;
  case TBrowserRow::Mozilla:
    return MozillaProfiles(false).has_value();
  case TBrowserRow::Opera:
    return OperaIni(false).has_value();
  case TBrowserRow::Chromium:
    return ChromiumProfiles(false).has_value();
  }
  return false;
}

bool TBrowserSetup::RemoveAllBrowserProxies() {
  for (const TBrowserRow row : BrowserRows)
    Remove(row, true);
  return true;
}

void TBrowserSetup::Show(std::string_view text, TBrowserMessageKind kind) {
  if (FHost.ShowMessage)
    FHost.ShowMessage(text, kind);
}
