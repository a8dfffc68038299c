// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ShellFolders.h"

#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>

namespace {

std::string XdgDataHome() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != '\0')
    return data;
  const char* home = std::getenv("HOME");
  return (std::filesystem::path(home != nullptr ? home : "") / ".local" / "share").string();
}

std::string XdgDocuments() {
  return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
}

} // namespace

std::string ShellFolder(TRegistry& registry, std::string_view name) {
  TRegKey key;
  if (registry.CreateKey(TRootKey::CurrentUser, ShellFoldersKey, "", key) != TRegResult::Ok)
    return {};
  TRegValue value;
  if (registry.QueryValue(key, name, value) == TRegResult::Ok)
    return ValueText(value);
  std::string folder;
  if (name == ShellFolderAppData) {
    folder = XdgDataHome();
  } else if (name == ShellFolderPersonal) {
    folder = XdgDocuments();
  } else {
    return {};
  }
  registry.SetValue(key, name, MakeStringValue(folder));
  return folder;
}
