// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "proxy/HTTPProxyServer.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An origin server on 127.0.0.1 (or the loopback address given, "::1" for one reached
// over IPv6 only) that records each request it receives (head and body by
// "Content-Length") and answers every one with the same bytes, then closes.
class TScriptedOrigin {
public:
  explicit TScriptedOrigin(std::string response, const char* ip = "127.0.0.1");
  ~TScriptedOrigin();

  std::uint16_t Port() const { return FPort; }
  std::vector<std::string> Requests() const;
  // The first request, waiting briefly for it to arrive.
  std::string FirstRequest() const;

private:
  void Serve();

  std::string FResponse;
  std::uint16_t FPort = 0;
  int FListener = -1;
  std::atomic<bool> FStop{false};
  mutable std::mutex FLock; // guards FRequests
  std::vector<std::string> FRequests;
  std::thread FThread;
};

// A proxy on a free port of 127.0.0.1 that adds up what it reports.
class TProxyUnderTest {
public:
  TProxyUnderTest();
  ~TProxyUnderTest();

  std::uint16_t Port() const { return Server.ListeningPort(); }
  TProxyStatistics Totals() const;
  // Sends raw request bytes and returns everything received until the proxy closes.
  std::string Exchange(const std::string& request, const char* sourceIP = nullptr) const;

  THTTPProxyServer Server;

private:
  mutable std::mutex FLock; // guards FTotals
  TProxyStatistics FTotals;
};

// The body of an HTTP reply: everything after the first empty line.
std::string BodyOf(const std::string& reply);
std::string HeadOf(const std::string& reply);
