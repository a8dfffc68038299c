// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AsciiText.h"
#include "proxy/HTTPProxyServer.h"

#include <cstring>

namespace {

constexpr std::string_view ScriptStart = "<script";
constexpr std::string_view ScriptEnd = "</script";

// Removes every complete script element (from "<script" through the one character
// after "</script") in one pass; returns whether a script start occurred at all and
// how many elements went. An unclosed start and everything after it stay.
struct TScriptRemoval {
  bool Found = false;
  std::int64_t Removed = 0;
};

TScriptRemoval RemoveScripts(std::string& text) {
  TScriptRemoval result;
  const std::size_t size = text.size();
  std::size_t write = 0;
  std::size_t read = 0;
  for (;;) {
    const std::size_t start = FindLowered(text, ScriptStart, read);
    if (start == std::string::npos) {
      break;
    }
    result.Found = true;
    const std::size_t end = FindLowered(text, ScriptEnd, start + ScriptStart.size());
    if (end == std::string::npos) {
      break;
    }
    std::memmove(text.data() + write, text.data() + read, start - read);
    write += start - read;
    read = std::min(size, end + ScriptEnd.size() + 1);
    ++result.Removed;
    // Joining the text around a removed element may form a new "<script"; the few
    // bytes before the cut are read again together with what follows.
    const std::size_t back = std::min(write, ScriptStart.size() - 1);
    std::memmove(text.data() + read - back, text.data() + write - back, back);
    write -= back;
    read -= back;
  }
  std::memmove(text.data() + write, text.data() + read, size - read);
  text.resize(write + size - read);
  return result;
}

} // namespace

void THTTPProxyServer::SetBlockedURLS(const std::vector<std::string>& entries) {
  FBlockList.Set(MakeBlockList(entries));
}

bool THTTPProxyServer::URLAllowed(std::string_view uri) const {
  return ::URLAllowed(*FBlockList.Get(), uri);
}

void THTTPProxyServer::FilterHTMLDocument(const std::string& document, std::string& body) {
  if (OnHTTPDocument) {
    OnHTTPDocument(*this, document, body);
  }
  if (!BlockJavaScript() || body.empty() || body.size() >= MaxFilteredDocument) {
    return;
  }
  const TScriptRemoval removal = RemoveScripts(body);
  if (removal.Found) {
    TProxyStatistics increments;
    increments.BlockedJavaScript = removal.Removed;
    Report(increments);
  }
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
