// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/Snapshot.h"
#include "net/CommandDispatcher.h"
#include "net/ConnectionHandler.h"
#include "net/TCPServer.h"
#include "net/URI.h"
#include "proxy/FilterRules.h"
#include "proxy/HeaderList.h"
#include "proxy/PostData.h"
#include "proxy/ProxyStatistics.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class TTCPClient;
struct TPageSite;

// Which clients may use the proxy; stored as 0, 1, 2.
enum class TAuthType { atAll = 0, atThisPC = 1, atThisIP = 2 };

// Where requests leave: through the upstream proxy Host:Port, or directly when Host is
// empty. Tunnel: CONNECT goes through the upstream too. Refuse: with no upstream,
// requests are refused instead of going direct.
struct TUpstreamRoute {
  std::string Host;
  int Port = 8080;
  bool Tunnel = false;
  bool Refuse = false;
};

// The local HTTP proxy: one request per browser connection, GET, POST and HEAD (and
// PUT, DELETE, OPTIONS and PATCH as POST) forwarded directly or through one upstream
// proxy, CONNECT tunnelled.
//
// Properties may be changed by one thread while connections run; each request
// reads a property when it reaches the step that uses it. Events run on the
// connection's thread and are set before the server is first enabled.
//
// The road of a request: the TCP server accepts the connection and calls Execute on
// its thread; Execute applies the access rule and lets the command dispatcher read
// the request line, which calls CommandGet, CommandPost, CommandHead or
// CommandConnect; these forward to the upstream and relay the answer.
class THTTPProxyServer final : private TConnectionHandler {
public:
  // Read time-out on the upstream connection of GET, POST and HEAD.
  static constexpr std::chrono::milliseconds UpstreamReadTimeout{120000};
  // A browser that sends no complete line for this long is disconnected.
  static constexpr std::chrono::milliseconds BrowserIdleTimeout{120000};

  THTTPProxyServer();
  THTTPProxyServer(const THTTPProxyServer&) = delete;
  THTTPProxyServer& operator=(const THTTPProxyServer&) = delete;

  // Where to listen; none means every local address, IPv6 and IPv4, on Port. Read when the
  // server starts listening.
  std::vector<TTCPServer::TBinding> Bindings;

  bool Enabled() const { return FEnabled.load(); }
  // Raises ESocketError when listening fails; Enabled then reads true although nothing listens.
  void SetEnabled(bool value);
  int Port() const { return FPort.load(); }
  // Rebinds an active server; when that fails, BindErrorMsg goes to OnBindError
  // and the server stays inactive.
  void SetPort(int value);
  // The port the server listens on (the kernel's choice when Port is 0); 0 while inactive.
  std::uint16_t ListeningPort() const { return FTCPServer.BoundPort(); }
  // Listening; false after a failed start although Enabled reads true.
  bool Active() const { return FTCPServer.Active(); }
  std::size_t ActiveConnections() const { return FTCPServer.ConnectionCount(); }
  // Connection threads alive, serving or waiting for a connection.
  std::size_t ThreadCount() const { return FTCPServer.ThreadCount(); }
  // Closes the upstream connection linked to a browser connection, if any.
  void DisconnectRemote(TContext& context);

  std::string BindErrorMsg() const { return *FBindErrorMsg.Get(); }
  void SetBindErrorMsg(std::string value) { FBindErrorMsg.Set(std::move(value)); }
  TAuthType ProxyAuthType() const { return FProxyAuthType.load(); }
  void SetProxyAuthType(TAuthType value) { FProxyAuthType = value; }
  std::string ProxyAuthIP() const { return *FProxyAuthIP.Get(); }
  void SetProxyAuthIP(std::string value) { FProxyAuthIP.Set(std::move(value)); }
  int DefaultTransferBlockSize() const { return FDefaultTransferBlockSize.load(); }
  void SetDefaultTransferBlockSize(int value) { FDefaultTransferBlockSize = value; }
  std::string ServerName() const { return *FServerName.Get(); }
  void SetServerName(std::string value) { FServerName.Set(std::move(value)); }
  bool BlockActiveX() const { return FBlockActiveX.load(); }
  void SetBlockActiveX(bool value) { FBlockActiveX = value; }
  bool BlockFlash() const { return FBlockFlash.load(); }
  void SetBlockFlash(bool value) { FBlockFlash = value; }
  bool BlockExeFiles() const { return FBlockExeFiles.load(); }
  void SetBlockExeFiles(bool value) { FBlockExeFiles = value; }
  bool BlockJavaScript() const { return FBlockJavaScript.load(); }
  void SetBlockJavaScript(bool value) { FBlockJavaScript = value; }
  std::vector<std::string> BlockedURLS() const { return FBlockList.Get()->Blocked; }
  // Takes entries "term&&!exception&&!exception"; fills AllowedURLS alongside.
  void SetBlockedURLS(const std::vector<std::string>& entries);
  std::vector<std::string> AllowedURLS() const { return FBlockList.Get()->Allowed; }
  std::string AnonymousProxy() const { return FUpstream.Get()->Host; }
  int AnonymousProxyPort() const { return FUpstream.Get()->Port; }
  // Host and port change together, so a request never pairs one proxy's host with another's port.
  void SetAnonymousProxy(std::string host, int port) { FUpstream.Set({std::move(host), port}); }
  TUpstreamRoute UpstreamRoute() const { return *FUpstream.Get(); }
  void SetUpstreamRoute(TUpstreamRoute route) { FUpstream.Set(std::move(route)); }
  std::string AnonymousProxyUserName() const { return *FAnonymousProxyUserName.Get(); }
  void SetAnonymousProxyUserName(std::string value) {
    FAnonymousProxyUserName.Set(std::move(value));
  }
  std::string AnonymousProxyPassword() const { return *FAnonymousProxyPassword.Get(); }
  void SetAnonymousProxyPassword(std::string value) {
    FAnonymousProxyPassword.Set(std::move(value));
  }
  std::string ProxyUserName() const { return FCredentials.Get()->UserName; }
  std::string ProxyPassword() const { return FCredentials.Get()->Password; }
  void SetProxyCredentials(std::string userName, std::string password) {
    FCredentials.Set({std::move(userName), std::move(password)});
  }
  std::string Via() const { return *FVia.Get(); }
  void SetVia(std::string value) { FVia.Set(std::move(value)); }

  // The block check: false when the absolute URI matches a blocked entry and none of its
  // exceptions.
  bool URLAllowed(std::string_view uri) const;
  // Whether address is one of this machine's (the list is read once).
  bool IsLocalIP(const std::string& address);

  // Each block of an HTML body on its way, before script removal; the receiver may
  // change the block.
  std::function<void(THTTPProxyServer&, const std::string& document, std::string& body)>
      OnHTTPDocument;
  std::function<void(THTTPProxyServer&, TURI&, THeaderList&)> OnHTTPHead;
  std::function<void(THTTPProxyServer&, TURI&, THeaderList&)> OnHTTPGet;
  std::function<void(THTTPProxyServer&, const std::string& target)> OnHTTPConnect;
  std::function<void(THTTPProxyServer&, TURI&, THeaderList&, TPostData&)> OnHTTPPost;
  std::function<void(THTTPProxyServer&, THeaderList&)> OnHTTPRemoteHTTPHeader;
  std::function<void(THTTPProxyServer&, const TProxyStatistics&)> OnHTTPStatistics;
  // Connecting to the upstream proxy failed: the route to retry the request once
  // through, or none to answer with the "Host not found" page. On the connection's thread.
  std::function<std::optional<TUpstreamRoute>(const std::string& host, int port)> OnUpstreamFailed;
  // Shows BindErrorMsg when a port change cannot be applied.
  std::function<void(const std::string& message)> OnBindError;
  // A browser connection was accepted, ended, or ended by an error.
  std::function<void(TContext&)> OnConnect;
  std::function<void(TContext&)> OnDisconnect;
  std::function<void(TContext&, const std::exception&)> OnException;

  // The generated pages; each is written in one piece.
  void SendFileNotFound(TTCPConnection& connection, const std::string& message = {});
  void SendAccessDenied(TTCPConnection& connection, const std::string& message = {});
  void SendProxyAuthRequired(TTCPConnection& connection, const std::string& message = {});
  void SendHostNotFound(TTCPConnection& connection, const std::string& details);

private:
  using TUpstream = TUpstreamRoute;
  struct TCredentials {
    std::string UserName;
    std::string Password;
  };

  // Records the request's upstream connection on the browser's context while it
  // lives, so that disabling the server or DisconnectRemote can reach it.
  class TUpstreamRecord {
  public:
    TUpstreamRecord(TContext& context, TTCPConnection& upstream) : FContext(context) {
      FContext.Link(&upstream);
    }
    ~TUpstreamRecord() { FContext.Link(nullptr); }
    TUpstreamRecord(const TUpstreamRecord&) = delete;
    TUpstreamRecord& operator=(const TUpstreamRecord&) = delete;

  private:
    TContext& FContext;
  };

  // TConnectionHandler: runs on each connection's thread.
  void Connected(TContext& context) override;
  void Execute(TContext& context) override;
  void Failed(TContext& context, const std::exception& error) override;
  void Disconnected(TContext& context) override;
  // The access rule; a refused client gets the 401 page and the connection closes.
  bool Admitted(TContext& context);
  // (Re)starts listening on the current port and bindings.
  void Listen();

  void CommandGet(TCommand& command);
  // POST and the other methods whose request may carry a body; method is the word
  // sent on a direct request line.
  void CommandPost(TCommand& command, std::string_view method);
  void CommandHead(TCommand& command);
  void CommandConnect(TCommand& command);

  // Writes each line, then the empty line; reports the text's length + 2 when count is set.
  void SendHeaders(TTCPConnection& connection, const THeaderList& headers, bool count);
  // Writes the response header block and passes the body on, through the document
  // filter where it applies; reports the header block (text + 2) when countHeaders is set.
  void TransferBody(TTCPConnection& upstream, TTCPConnection& browser, THeaderList& responseHeaders,
                    bool countHeaders, bool hasBody, const std::string& document);
  // HTML passed on block by block, each block through OnHTTPDocument and, when scripts
  // are blocked, the script filter; length -1 means until the upstream closes.
  void FilterBody(TTCPConnection& upstream, TTCPConnection& browser, THeaderList& responseHeaders,
                  bool countHeaders, std::int64_t length, const std::string& document);
  // The block check on the request target; a blocked page gets the 401 page. Raises
  // EURIError when the target has no protocol or host.
  bool PageAllowed(TTCPConnection& browser, const TURI& uri);
  // Connects; on failure writes the "Host not found" page and raises the error again.
  void ConnectUpstream(TTCPConnection& browser, TTCPClient& upstream, const std::string* document);
  struct TUpstreamChoice {
    std::string Target; // the absolute URI through a proxy, the local target when direct
    bool Direct;
    bool Refused = false; // no upstream and direct requests are refused
  };
  // Points upstream at the upstream proxy when one is set, else at the URI's host
  // (port 80 by default), as it stands when the request reaches this step.
  TUpstreamChoice ChooseUpstream(TTCPClient& upstream, const TURI& uri) const;
  TUpstreamChoice ChooseRoute(TTCPClient& upstream, const TURI& uri,
                              const TUpstreamRoute& route) const;
  // Connects as ConnectUpstream does; when the upstream proxy cannot be reached and
  // OnUpstreamFailed offers another route, points upstream and choice at it and tries
  // once more.
  void ConnectChosen(TTCPConnection& browser, TTCPClient& upstream, const TURI& uri,
                     TUpstreamChoice& choice, const std::string* document);
  // The page for a request refused because no upstream proxy is usable.
  void SendNoUpstream(TTCPConnection& browser);
  // The tunnel's far end through the upstream proxy, failing over as ConnectChosen
  // does; false when the browser has had its answer.
  bool ConnectTunnelUpstream(TTCPConnection& browser, TTCPClient& upstream,
                             const std::string& target);
  // Asks the connected upstream proxy for the tunnel with its own CONNECT; false
  // when it refused (the browser then has its answer).
  bool ConnectThroughUpstream(TTCPConnection& browser, TTCPClient& upstream,
                              const std::string& target);
  // True when the request passes; otherwise the 407 page has been written.
  bool CheckCredentials(TTCPConnection& browser, THeaderList& headers);
  // Sets "Via", makes the upstream close after one response, and drops hop-by-hop lines.
  void PrepareForwardHeaders(THeaderList& headers) const;
  // Extension rules on the target to send; writes the 404 page on a match.
  bool ExtensionBlocked(TTCPConnection& browser, const std::string& target);
  // Content-type rules on the response; writes the 404 page on a match.
  bool ContentTypeBlocked(TTCPConnection& browser, const THeaderList& responseHeaders);
  void RefuseBlocked(TTCPConnection& browser, TProxyCounter counter);
  TFilterSwitches Switches() const;
  void Report(const TProxyStatistics& increments);
  void ReportBytes(std::int64_t bytes);
  // The server's values for a page sent now.
  TPageSite PageSite() const;

  std::atomic<bool> FEnabled{false};
  std::atomic<int> FPort{8080};
  std::mutex FLifecycleLock; // serialises Enabled and Port changes
  std::atomic<TAuthType> FProxyAuthType{TAuthType::atThisPC};
  std::atomic<int> FDefaultTransferBlockSize{32768};
  std::atomic<bool> FBlockActiveX{false};
  std::atomic<bool> FBlockFlash{false};
  std::atomic<bool> FBlockExeFiles{false};
  std::atomic<bool> FBlockJavaScript{false};
  TSnapshot<std::string> FBindErrorMsg{
      "Could not bind socket. Address and port are already in use."};
  TSnapshot<std::string> FProxyAuthIP;
  TSnapshot<std::string> FServerName;
  TSnapshot<TBlockList> FBlockList;
  TSnapshot<TUpstream> FUpstream;
  TSnapshot<std::string> FAnonymousProxyUserName;
  TSnapshot<std::string> FAnonymousProxyPassword;
  TSnapshot<TCredentials> FCredentials;
  TSnapshot<std::string> FVia{"1.0 GenericProxy"};

  std::once_flag FLocalIPListFilled;
  std::vector<std::string> FLocalIPList;

  const TCommandDispatcher FDispatcher;
  // Last, so that it is destroyed first: its destructor ends the connection threads
  // while everything they use still exists.
  TTCPServer FTCPServer{*this};
};
