// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/AsciiText.h"
#include "proxy/HTTPProxyServer.h"

#include <cstring>

namespace {

constexpr std::string_view ExceptionDelimiter = "&&!";
constexpr std::string_view ScriptStart = "<script";
constexpr std::string_view ScriptEnd = "</script";

// A block rule: when its switch is on and its pattern matches, the request is refused
// with the 404 page and its counter goes up by one.
struct TBlockRule {
  bool On;
  std::string_view Pattern;
  std::int64_t TProxyStatistics::*Counter;
};

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
  TBlockList list;
  for (const std::string& entry : entries) {
    const std::size_t delimiter = entry.find(ExceptionDelimiter);
    if (delimiter == std::string::npos) {
      list.Blocked.push_back(entry);
      list.Allowed.emplace_back();
    } else {
      list.Blocked.push_back(entry.substr(0, delimiter));
      list.Allowed.push_back(entry.substr(delimiter + ExceptionDelimiter.size()));
    }
  }
  FBlockList.Set(std::move(list));
}

bool THTTPProxyServer::URLAllowed(std::string_view uri) const {
  const auto list = FBlockList.Get();
  for (std::size_t i = 0; i < list->Blocked.size(); ++i) {
    const std::string& term = list->Blocked[i];
    if (term.empty() || !ContainsText(uri, term)) {
      continue;
    }
    if (list->Allowed[i].empty()) {
      return false;
    }
    for (const std::string& exception : SplitText(list->Allowed[i], ExceptionDelimiter)) {
      if (!exception.empty() && ContainsText(uri, exception)) {
        return true;
      }
    }
    return false;
  }
  return true;
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

void THTTPProxyServer::RefuseBlocked(TTCPConnection& browser,
                                     std::int64_t TProxyStatistics::*counter) {
  TProxyStatistics increments;
  increments.*counter = 1;
  Report(increments);
  SendFileNotFound(browser);
}

bool THTTPProxyServer::ExtensionBlocked(TTCPConnection& browser, const std::string& target) {
  const TBlockRule rules[] = {
      {BlockFlash(), ".swf", &TProxyStatistics::BlockedFlash},
      {BlockActiveX(), ".cab", &TProxyStatistics::BlockedActiveX},
      {BlockActiveX(), ".ocx", &TProxyStatistics::BlockedActiveX},
      {BlockExeFiles(), ".exe", &TProxyStatistics::BlockedExeFiles},
      {BlockJavaScript(), ".js", &TProxyStatistics::BlockedJavaScript},
      {BlockJavaScript(), ".vbs", &TProxyStatistics::BlockedJavaScript},
  };
  for (const TBlockRule& rule : rules) {
    if (rule.On && FindLowered(target, rule.Pattern) != std::string::npos) {
      RefuseBlocked(browser, rule.Counter);
      return true;
    }
  }
  return false;
}

bool THTTPProxyServer::ContentTypeBlocked(TTCPConnection& browser,
                                          const THeaderList& responseHeaders) {
  const TBlockRule rules[] = {
      {BlockJavaScript(), "application/x-javascript", &TProxyStatistics::BlockedJavaScript},
      {BlockJavaScript(), "application/x-vbscript", &TProxyStatistics::BlockedJavaScript},
      {BlockFlash(), "application/x-shockwave-flash", &TProxyStatistics::BlockedFlash},
  };
  const std::string contentType = responseHeaders.Value("Content-Type");
  for (const TBlockRule& rule : rules) {
    if (rule.On && contentType == rule.Pattern) {
      RefuseBlocked(browser, rule.Counter);
      return true;
    }
  }
  return false;
}
