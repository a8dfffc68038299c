// SPDX-License-Identifier: GPL-3.0-or-later
#include "proxy/FilterRules.h"

#include "common/AsciiText.h"

namespace {

constexpr std::string_view ExceptionDelimiter = "&&!";

// When its switch is on and its pattern matches, the request is refused and its
// counter goes up by one.
struct TBlockRule {
  bool On;
  std::string_view Pattern;
  TProxyCounter Counter;
};

} // namespace

TBlockList MakeBlockList(const std::vector<std::string>& entries) {
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
  return list;
}

bool URLAllowed(const TBlockList& list, std::string_view uri) {
  for (std::size_t i = 0; i < list.Blocked.size(); ++i) {
    const std::string& term = list.Blocked[i];
    if (term.empty() || !ContainsText(uri, term)) {
      continue;
    }
    if (list.Allowed[i].empty()) {
      return false;
    }
    for (const std::string& exception : SplitText(list.Allowed[i], ExceptionDelimiter)) {
      if (!exception.empty() && ContainsText(uri, exception)) {
        return true;
      }
    }
    return false;
  }
  return true;
}

TProxyCounter BlockedExtension(const TFilterSwitches& switches, std::string_view target) {
  const TBlockRule rules[] = {
      {switches.BlockFlash, ".swf", &TProxyStatistics::BlockedFlash},
      {switches.BlockActiveX, ".cab", &TProxyStatistics::BlockedActiveX},
      {switches.BlockActiveX, ".ocx", &TProxyStatistics::BlockedActiveX},
      {switches.BlockExeFiles, ".exe", &TProxyStatistics::BlockedExeFiles},
      {switches.BlockJavaScript, ".js", &TProxyStatistics::BlockedJavaScript},
      {switches.BlockJavaScript, ".vbs", &TProxyStatistics::BlockedJavaScript},
  };
  for (const TBlockRule& rule : rules) {
    if (rule.On && FindLowered(target, rule.Pattern) != std::string::npos) {
      return rule.Counter;
    }
  }
  return nullptr;
}

TProxyCounter BlockedContentType(const TFilterSwitches& switches, std::string_view contentType) {
  const TBlockRule rules[] = {
      {switches.BlockJavaScript, "application/x-javascript", &TProxyStatistics::BlockedJavaScript},
      {switches.BlockJavaScript, "application/x-vbscript", &TProxyStatistics::BlockedJavaScript},
      {switches.BlockFlash, "application/x-shockwave-flash", &TProxyStatistics::BlockedFlash},
  };
  for (const TBlockRule& rule : rules) {
    if (rule.On && contentType == rule.Pattern) {
      return rule.Counter;
    }
  }
  return nullptr;
}
