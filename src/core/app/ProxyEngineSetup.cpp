// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ProxyEngineSetup.h"

#include "app/MainTexts.h"
#include "common/ProductInfo.h"
#include "proxy/HTTPProxyServer.h"

void ConfigureProxyEngine(THTTPProxyServer& server) {
  server.SetProxyAuthType(TAuthType::atThisPC);
  server.SetDefaultTransferBlockSize(ProxyEngineSetup::DefaultTransferBlockSize);
  server.SetAnonymousProxy({}, ProxyEngineSetup::AnonymousProxyDefaultPort);
  server.SetProxyCredentials({}, {});
  server.SetServerName(std::string(ProductInfo::ProgramNameAndVersion));
  server.SetBindErrorMsg(MainTexts::BindError());
  server.SetVia(MainTexts::Via());
}
