// SPDX-License-Identifier: GPL-3.0-or-later
// The Opera row: section "Proxy" of ~/.opera/opera6.ini.
#include "browsers/BrowserBackup.h"
#include "browsers/BrowserFiles.h"
#include "browsers/BrowserSetup.h"
#include "browsers/BrowserTexts.h"
#include "common/IniText.h"

#include <array>

namespace {

constexpr std::string_view Section = "Proxy";
constexpr std::string_view AutoKey = "Use Automatic Proxy Configuration";
constexpr std::string_view UseHttpKey = "Use HTTP";
constexpr std::string_view HttpServerKey = "HTTP Server";
constexpr std::string_view UseHttpsKey = "Use HTTPS";
constexpr std::string_view HttpsServerKey = "HTTPS Server";
constexpr std::array<std::string_view, 5> Keys = {AutoKey, UseHttpKey, HttpServerKey, UseHttpsKey,
                                                  HttpsServerKey};
// A value TIniText cannot hold, marking a missing key.
constexpr std::string_view MissingKey = "\n";

} // namespace

std::optional<std::filesystem::path> TBrowserSetup::OperaIni(bool report) {
  const auto folder = FHost.Home / ".opera";
  std::error_code error;
  if (FHost.Home.empty() || !std::filesystem::is_directory(folder, error)) {
    if (report)
      Show(BrowserTexts::NoOperaFolder, TBrowserMessageKind::Error);
    return std::nullopt;
  }
  const auto file = folder / "opera6.ini";
  if (!std::filesystem::is_regular_file(file, error)) {
    if (report)
      Show(BrowserTexts::NoOperaIni, TBrowserMessageKind::Error);
    return std::nullopt;
  }
  return file;
}

bool TBrowserSetup::InstallOperaProxy(int port) {
  if (FHost.BrowserRunning && FHost.BrowserRunning(TBrowserFamily::Opera))
    Show(BrowserTexts::CloseOpera, TBrowserMessageKind::Information);
  const auto file = OperaIni(true);
  if (!file)
    return false;
  const auto content = ReadTextFile(*file);
  if (!content)
    return true;
  TIniText ini(*content);
  TBrowserBackup backup(FHost.Registry, "Opera");
  for (const std::string_view key : Keys) {
    const std::string value = ini.ReadString(Section, key, MissingKey);
    backup.Record(key, value == MissingKey ? std::nullopt : std::optional<std::string>(value));
  }
  const std::string server = "localhost:" + std::to_string(port);
  ini.WriteString(Section, AutoKey, "0");
  ini.WriteString(Section, UseHttpKey, "1");
  ini.WriteString(Section, HttpServerKey, server);
  ini.WriteString(Section, UseHttpsKey, "1");
  ini.WriteString(Section, HttpsServerKey, server);
  SaveTextFile(*file, ini.Text());
  return true;
}

bool TBrowserSetup::RemoveOperaProxy(bool silent) {
  // Shown in silent mode too: a running Opera writes its own values back.
  if (FHost.BrowserRunning && FHost.BrowserRunning(TBrowserFamily::Opera))
    Show(BrowserTexts::CloseOpera, TBrowserMessageKind::Information);
  const auto file = OperaIni(!silent);
  if (!file)
    return silent;
  const auto content = ReadTextFile(*file);
  if (!content)
    return true;
  TIniText ini(*content);
  TBrowserBackup backup(FHost.Registry, "Opera");
  if (ini.ReadString(Section, HttpServerKey, {}).starts_with("localhost:")) {
    bool restored = false;
    for (const std::string_view key : Keys) {
      const auto recorded = backup.Recorded(key);
      if (!recorded)
        continue;
      restored = true;
      if (*recorded) {
        ini.WriteString(Section, key, **recorded);
      } else {
        ini.DeleteKey(Section, key);
      }
    }
    if (!restored) {
      // "Use HTTPS" stays as it was.
      ini.WriteString(Section, UseHttpKey, "0");
      ini.WriteString(Section, AutoKey, "0");
      ini.WriteString(Section, HttpServerKey, "");
      ini.WriteString(Section, HttpsServerKey, "");
    }
    SaveTextFile(*file, ini.Text());
  }
  for (const std::string_view key : Keys)
    backup.Forget(key);
  return true;
}

bool TBrowserSetup::IsOperaProxyInstalled(int port) {
  const auto file = OperaIni(false);
  if (!file)
    return false;
  const auto content = ReadTextFile(*file);
  if (!content)
    return false;
  const TIniText ini(*content);
  return ini.ReadString(Section, UseHttpKey, "0") == "1" &&
         ini.ReadString(Section, HttpServerKey, {}) == "localhost:" + std::to_string(port);
}
