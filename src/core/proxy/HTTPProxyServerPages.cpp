// SPDX-License-Identifier: GPL-3.0-or-later
#include "proxy/HTTPProxyServer.h"
#include "proxy/ResponsePages.h"

TPageSite THTTPProxyServer::PageSite() const {
  return {ServerName(), Via(), ListeningPort(), HTTPDate(std::time(nullptr))};
}

void THTTPProxyServer::SendFileNotFound(TTCPConnection& connection, const std::string& message) {
  connection.Write(FileNotFoundPage(PageSite(), message));
}

void THTTPProxyServer::SendAccessDenied(TTCPConnection& connection, const std::string& message) {
  connection.Write(AccessDeniedPage(PageSite(), message));
}

void THTTPProxyServer::SendProxyAuthRequired(TTCPConnection& connection,
                                             const std::string& message) {
  connection.Write(ProxyAuthRequiredPage(PageSite(), message));
}

void THTTPProxyServer::SendHostNotFound(TTCPConnection& connection, const std::string& details) {
  connection.Write(HostNotFoundPage(PageSite(), details));
}
