// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AutoStrt.h"

#include "app/Tools.h"
#include "app/UserInterface.h"
#include "common/ProductInfo.h"
#include "platform/ProgramFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

constexpr char EntryFileName[] = "quorvane.desktop";
// The code reported when the autostart folder cannot be opened: access denied.
constexpr int AccessDeniedCode = 5;

std::filesystem::path DefaultFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && *config != '\0')
    return std::filesystem::path(config) / "autostart";
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home != nullptr ? home : "") / ".config" / "autostart";
}

// The Exec value: the path, quoted as desktop entries quote arguments when it needs it.
std::string ExecValue(const std::string& program) {
  if (program.find_first_of(" \t\"'\\$`") == std::string::npos)
    return program;
  std::string quoted = "\"";
  for (const char c : program) {
    if (c == '"' || c == '`' || c == '$' || c == '\\')
      quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Message(std::string_view pattern, int code) {
  std::string text(pattern);
  text.replace(text.find("%d"), 2, std::to_string(code));
  text.replace(text.find("%s"), 2, ProductInfo::ProgramName);
  return text;
}

constexpr std::string_view AddFailed = "Wert konnte nicht in die Registrierung eingefügt werden. "
                                       "Fehlercode: %d.\r\n\r\nDas Ändern des "
                                       "Autostarteintrages ist nur als Nutzer mit Admin-Rechten "
                                       "möglich. Unter Windows Vista muss %s als Admin "
                                       "gestartet werden.";
constexpr std::string_view RemoveFailed = "Eintrag konnte nicht aus der Registrierung gelöscht "
                                          "werden. Fehlercode: %d\r\n\r\nDas Ändern des "
                                          "Autostarteintrages ist nur als Nutzer mit Admin-Rechten "
                                          "möglich. Unter Windows Vista muss %s als Admin "
                                          "gestartet werden.";

void Report(TUserInterface& userInterface, std::string_view pattern, int code) {
  userInterface.ShowMessageBox(Message(pattern, code), ProductInfo::ProgramName, TMsgKind::Error,
                               TMsgButtons::OK);
}

} // namespace

TAutoStart::TAutoStart(std::filesystem::path folder, std::string program)
    : FFolder(folder.empty() ? DefaultFolder() : std::move(folder)),
      FProgram(program.empty() ? ProgramFile() : std::move(program)) {}

std::filesystem::path TAutoStart::EntryPath() const {
  return FFolder / EntryFileName;
}

bool TAutoStart::Exists() const {
  std::ifstream file(EntryPath());
  std::string line;
  while (std::getline(file, line)) {
    if (line.rfind("Exec=", 0) == 0) {
      return UpperCaseGerman(line.substr(5)) == UpperCaseGerman(ExecValue(FProgram));
    }
  }
  return false;
}

bool TAutoStart::Add(TUserInterface& userInterface) const {
  std::error_code error;
  std::filesystem::create_directories(FFolder, error);
  if (error || ::access(FFolder.c_str(), W_OK) != 0) {
    Report(userInterface, AddFailed, AccessDeniedCode);
    return false;
  }
  std::ostringstream text;
  text << "[Desktop Entry]\nType=Application\nName=" << ProductInfo::ProgramName
       << "\nExec=" << ExecValue(FProgram)
       << "\nIcon=quorvane\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
  // Written beside the entry and renamed over it, so a reader never sees half a file.
  const std::filesystem::path temporary = EntryPath().string() + ".tmp";
  {
    std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
    file << text.str();
    file.flush();
    if (!file) {
      const int code = errno != 0 ? errno : EIO;
      std::filesystem::remove(temporary, error);
      Report(userInterface, AddFailed, code);
      return false;
    }
  }
  if (std::rename(temporary.c_str(), EntryPath().c_str()) != 0) {
    const int code = errno;
    std::filesystem::remove(temporary, error);
    Report(userInterface, AddFailed, code);
    return false;
  }
  return true;
}

bool TAutoStart::Remove(TUserInterface& userInterface) const {
  if (!Exists())
    return true;
  if (::unlink(EntryPath().c_str()) != 0) {
    Report(userInterface, RemoveFailed, errno);
    return false;
  }
  return true;
}
