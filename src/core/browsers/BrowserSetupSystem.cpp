// SPDX-License-Identifier: GPL-3.0-or-later
// The system row: the "Internet Settings" values of the LAN and of each dial-up
// entry, GNOME's proxy setting and KDE's kioslaverc.
#include "browsers/BrowserBackup.h"
#include "browsers/BrowserFiles.h"
#include "browsers/BrowserSetup.h"
#include "browsers/BrowserTexts.h"
#include "browsers/DesktopProxy.h"
#include "common/IniText.h"
#include "platform/Registry.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::string_view InternetSettingsKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr std::string_view ProxyServerValue = "ProxyServer";
constexpr std::string_view ProxyEnableValue = "ProxyEnable";
constexpr std::string_view ProxyOverrideValue = "ProxyOverride";
constexpr std::array<std::string_view, 3> ConnectionValues = {ProxyServerValue, ProxyEnableValue,
                                                              ProxyOverrideValue};
// Hosts reached directly: the local machine, as the desktop's own default list has it.
constexpr std::string_view BypassList = "localhost;127.0.0.0/8;::1;<local>";
constexpr std::string_view OurServerPrefix = "http=localhost:";

// GNOME keys in the order they are written; the mode goes last so that a desktop
// never sees "manual" with half the hosts.
constexpr std::array<std::string_view, 6> DesktopKeys = {"http/host",  "http/port",    "https/host",
                                                         "https/port", "ignore-hosts", "mode"};

constexpr std::string_view KdeSection = "Proxy Settings";
constexpr std::array<std::string_view, 3> KdeKeys = {"ProxyType", "httpProxy", "httpsProxy"};
// A value TIniText cannot hold, marking a missing key.
constexpr std::string_view MissingKey = "\n";

std::string ConnectionPath(const std::string& entry) {
  std::string path(InternetSettingsKey);
  if (!entry.empty())
    path += "\\Connections\\" + entry;
  return path;
}

std::string ConnectionItem(const std::string& entry, std::string_view value) {
  return (entry.empty() ? std::string("LAN") : "Connections\\" + entry) + "\\" + std::string(value);
}

// A registry value as backup text: "s:" and the text, or "d:" and the number.
std::optional<std::string> ValueAsText(TRegistry& registry, const TRegKey& key,
                                       std::string_view name) {
  TRegValue value;
  if (registry.QueryValue(key, name, value) != TRegResult::Ok)
    return std::nullopt;
  if (value.Type == TRegValueType::DWord)
    return "d:" + std::to_string(ValueDWord(value));
  return "s:" + ValueText(value);
}

void SetValueFromText(TRegistry& registry, const TRegKey& key, std::string_view name,
                      const std::string& text) {
  if (text.starts_with("d:")) {
    registry.SetValue(key, name,
                      MakeDWordValue(static_cast<std::uint32_t>(std::stoul(text.substr(2)))));
  } else {
    registry.SetValue(key, name, MakeStringValue(text.substr(2)));
  }
}

bool PointsAtLocalhost(const std::string& proxyServer) {
  const auto parts = ProxyParts(proxyServer);
  return std::any_of(parts.begin(), parts.end(),
                     [](const std::string& part) { return part.starts_with(OurServerPrefix); });
}

std::string Quoted(std::string_view text) {
  return "'" + std::string(text) + "'";
}

} // namespace

bool TBrowserSetup::InstallIEProxy(int port) {
  const std::string proxy = ProxyString(port);
  ApplyConnection({}, proxy);
  if (FHost.PhonebookEntries) {
    for (const std::string& entry : FHost.PhonebookEntries())
      ApplyConnection(entry, proxy);
  }
  InstallKdeProxy(port);
  return InstallDesktopProxy(port);
}

bool TBrowserSetup::RemoveIEProxy(bool) {
  RestoreConnection({});
  for (const std::string& entry : ConnectionEntries())
    RestoreConnection(entry);
  RemoveKdeProxy();
  RemoveDesktopProxy();
  return true;
}

bool TBrowserSetup::IsIEProxyInstalled(int port) {
  TRegKey key;
  TRegValue value;
  std::string server;
  std::uint32_t enable = 0;
  if (FHost.Registry.OpenKey(TRootKey::CurrentUser, InternetSettingsKey, key) != TRegResult::Ok)
    return false;
  if (FHost.Registry.QueryValue(key, ProxyServerValue, value) == TRegResult::Ok)
    server = ValueText(value);
  if (FHost.Registry.QueryValue(key, ProxyEnableValue, value) == TRegResult::Ok &&
      value.Type == TRegValueType::DWord) {
    enable = ValueDWord(value);
  }
  // One part must name exactly this port: "http=localhost:80" is no match for 8080.
  const std::string wanted = std::string(OurServerPrefix) + std::to_string(port);
  const auto parts = ProxyParts(server);
  const bool named = std::find(parts.begin(), parts.end(), wanted) != parts.end();
  return named && enable == 1 && DesktopProxyInstalled(port);
}

void TBrowserSetup::ApplyConnection(const std::string& entry, const std::string& proxy) {
  TRegistry& registry = FHost.Registry;
  TRegKey key;
  if (registry.CreateKey(TRootKey::CurrentUser, ConnectionPath(entry), "", key) != TRegResult::Ok)
    return;
  TBrowserBackup backup(registry, "InternetSettings");
  for (const std::string_view name : ConnectionValues)
    backup.Record(ConnectionItem(entry, name), ValueAsText(registry, key, name));
  registry.SetValue(key, ProxyServerValue, MakeStringValue(proxy));
  registry.SetValue(key, ProxyEnableValue, MakeDWordValue(proxy.empty() ? 0 : 1));
  registry.SetValue(key, ProxyOverrideValue, MakeStringValue(BypassList));
}

void TBrowserSetup::RestoreConnection(const std::string& entry) {
  TRegistry& registry = FHost.Registry;
  TBrowserBackup backup(registry, "InternetSettings");
  TRegKey key;
  if (registry.OpenKey(TRootKey::CurrentUser, ConnectionPath(entry), key) != TRegResult::Ok)
    return;
  const auto server = ValueAsText(registry, key, ProxyServerValue);
  // A proxy the user set since is left alone, and so is its record.
  if (server && PointsAtLocalhost(server->substr(2))) {
    bool restored = false;
    for (const std::string_view name : ConnectionValues) {
      const auto recorded = backup.Recorded(ConnectionItem(entry, name));
      if (!recorded)
        continue;
      restored = true;
      if (*recorded) {
        SetValueFromText(registry, key, name, **recorded);
      } else {
        registry.DeleteValue(key, name);
      }
    }
    if (!restored) {
      registry.SetValue(key, ProxyServerValue, MakeStringValue({}));
      registry.SetValue(key, ProxyEnableValue, MakeDWordValue(0));
    }
  }
  for (const std::string_view name : ConnectionValues)
    backup.Forget(ConnectionItem(entry, name));
}

std::vector<std::string> TBrowserSetup::ConnectionEntries() {
  std::vector<std::string> entries;
  if (FHost.PhonebookEntries)
    entries = FHost.PhonebookEntries();
  // Entries that got the proxy when they first connected may have left the phonebook.
  TRegKey key;
  std::vector<std::string> stored;
  if (FHost.Registry.OpenKey(TRootKey::CurrentUser, ConnectionPath({}) + "\\Connections", key) ==
          TRegResult::Ok &&
      FHost.Registry.EnumSubKeys(key, stored) == TRegResult::Ok) {
    for (std::string& name : stored) {
      if (std::find(entries.begin(), entries.end(), name) == entries.end())
        entries.push_back(std::move(name));
    }
  }
  return entries;
}

bool TBrowserSetup::DialUpConnected(const std::string& entry, int port,
                                    const std::vector<std::string>& knownEntries) {
  if (entry.empty() || !IsIEProxyInstalled(port) ||
      std::find(knownEntries.begin(), knownEntries.end(), entry) != knownEntries.end()) {
    return false;
  }
  ApplyConnection(entry, ProxyString(port));
  return true;
}

bool TBrowserSetup::InstallDesktopProxy(int port) {
  TDesktopProxy& desktop = FHost.Desktop;
  if (!desktop.Available())
    return true;
  TBrowserBackup backup(FHost.Registry, "Desktop");
  for (const std::string_view key : DesktopKeys)
    backup.Record(key, desktop.UserValue(key));
  const std::string portText = std::to_string(port);
  const std::array<std::string, 6> values = {Quoted("localhost"),
                                             portText,
                                             Quoted("localhost"),
                                             portText,
                                             "['localhost', '127.0.0.0/8', '::1']",
                                             Quoted("manual")};
  bool saved = true;
  for (std::size_t i = 0; i < DesktopKeys.size() && saved; ++i)
    saved = desktop.Write(DesktopKeys[i], values[i]);
  if (!saved)
    Show(BrowserTexts::DesktopProxyNotSaved, TBrowserMessageKind::Error);
  return saved;
}

void TBrowserSetup::RemoveDesktopProxy() {
  TDesktopProxy& desktop = FHost.Desktop;
  if (!desktop.Available())
    return;
  TBrowserBackup backup(FHost.Registry, "Desktop");
  if (desktop.Value("mode") == Quoted("manual") &&
      desktop.Value("http/host") == Quoted("localhost")) {
    // The mode first: the desktop goes direct before the hosts change under it.
    for (auto key = DesktopKeys.rbegin(); key != DesktopKeys.rend(); ++key) {
      const auto recorded = backup.Recorded(*key);
      if (recorded) {
        desktop.Write(*key, *recorded);
      } else if (*key == "mode") {
        desktop.Write(*key, std::nullopt);
      }
    }
  }
  for (const std::string_view key : DesktopKeys)
    backup.Forget(key);
}

bool TBrowserSetup::DesktopProxyInstalled(int port) {
  TDesktopProxy& desktop = FHost.Desktop;
  if (!desktop.Available())
    return true;
  return desktop.Value("mode") == Quoted("manual") &&
         desktop.Value("http/host") == Quoted("localhost") &&
         desktop.Value("http/port") == std::to_string(port);
}

void TBrowserSetup::InstallKdeProxy(int port) {
  // Only a desktop that already keeps the file uses it.
  const auto path = FHost.ConfigHome / "kioslaverc";
  const auto content = ReadTextFile(path);
  if (FHost.ConfigHome.empty() || !content)
    return;
  TIniText ini(*content);
  TBrowserBackup backup(FHost.Registry, "KDE");
  for (const std::string_view key : KdeKeys) {
    const std::string value = ini.ReadString(KdeSection, key, MissingKey);
    backup.Record(key, value == MissingKey ? std::nullopt : std::optional<std::string>(value));
  }
  const std::string address = "http://localhost:" + std::to_string(port);
  ini.WriteString(KdeSection, "ProxyType", "1");
  ini.WriteString(KdeSection, "httpProxy", address);
  ini.WriteString(KdeSection, "httpsProxy", address);
  SaveTextFile(path, ini.Text());
}

void TBrowserSetup::RemoveKdeProxy() {
  const auto path = FHost.ConfigHome / "kioslaverc";
  const auto content = ReadTextFile(path);
  if (FHost.ConfigHome.empty() || !content)
    return;
  TIniText ini(*content);
  TBrowserBackup backup(FHost.Registry, "KDE");
  if (ini.ReadString(KdeSection, "httpProxy", {}).starts_with("http://localhost:")) {
    bool restored = false;
    for (const std::string_view key : KdeKeys) {
      const auto recorded = backup.Recorded(key);
      if (!recorded)
        continue;
      restored = true;
      if (*recorded) {
        ini.WriteString(KdeSection, key, **recorded);
      } else {
        ini.DeleteKey(KdeSection, key);
      }
    }
    if (!restored)
      ini.WriteString(KdeSection, "ProxyType", "0");
    SaveTextFile(path, ini.Text());
  }
  for (const std::string_view key : KdeKeys)
    backup.Forget(key);
}
