// SPDX-License-Identifier: GPL-3.0-or-later
#include "proxy/HTTPProxyServer.h"

void THTTPProxyServer::SetBlockedURLS(const std::vector<std::string>& entries) {
  FBlockList.Set(MakeBlockList(entries));
}

bool THTTPProxyServer::URLAllowed(std::string_view uri) const {
  return ::URLAllowed(*FBlockList.Get(), uri);
}

TFilterSwitches THTTPProxyServer::Switches() const {
  return {BlockActiveX(), BlockFlash(), BlockExeFiles(), BlockJavaScript()};
}

void THTTPProxyServer::RefuseBlocked(TTCPConnection& browser, TProxyCounter counter) {
  TProxyStatistics increments;
  increments.*counter = 1;
  Report(increments);
  SendFileNotFound(browser);
}

bool THTTPProxyServer::ExtensionBlocked(TTCPConnection& browser, const std::string& target) {
  const TProxyCounter counter = BlockedExtension(Switches(), target);
  if (counter) {
    RefuseBlocked(browser, counter);
  }
  return counter != nullptr;
}

bool THTTPProxyServer::ContentTypeBlocked(TTCPConnection& browser,
                                          const THeaderList& responseHeaders) {
  const TProxyCounter counter =
      BlockedContentType(Switches(), responseHeaders.Value("Content-Type"));
  if (counter) {
    RefuseBlocked(browser, counter);
  }
  return counter != nullptr;
}
