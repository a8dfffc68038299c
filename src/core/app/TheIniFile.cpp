// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TheIniFile.h"

#include "app/UserInterface.h"
#include "common/IniText.h"
#include "platform/AtomicFile.h"
#include "platform/ProgramFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::string_view MissingFileNameMessage = "Bitte Dateiname angeben.";

std::string WithSeparator(std::string path) {
  if (!path.empty() && path.back() != '/')
    path += '/';
  return path;
}

// The file's text; empty when it cannot be read (it may have been removed meanwhile).
std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

} // namespace

TTheIniFile::TTheIniFile(TUserInterface& userInterface) : FUserInterface(userInterface) {}

void TTheIniFile::SetIniFileName(std::string iniFileName) {
  SetOpen(false);
  FIniFileName = std::move(iniFileName);
}

void TTheIniFile::SetDefFilePath(std::string path) {
  FDefFilePath = WithSeparator(std::move(path));
}

std::string TTheIniFile::ResolvePath() const {
  switch (FIniLocation) {
  case TIniLocation::loWinDir:
    return std::string(SystemIniFolder) + FIniFileName;
  case TIniLocation::loProgDir:
    return WithSeparator(ProgramFolder()) + FIniFileName;
  case TIniLocation::loUser:
    return FIniFileName;
  case TIniLocation::loDefUser:
    return FDefFilePath + FIniFileName;
  }
  return FIniFileName;
}

void TTheIniFile::SetOpen(bool open) {
  FOpen = false;
  FFilePath.clear();
  if (!open)
    return;
  FErrorCode = 0;
  const std::string path = ResolvePath();
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) {
    // The read-only attribute is the owner's write bit here.
    if ((info.st_mode & S_IWUSR) == 0 &&
        chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) != 0) {
      FErrorCode = IniWriteProtected;
      FUserInterface.ShowMessageBox("Kann Schreibschutz von " + path + " nicht entfernen!", "",
                                    TMsgKind::Error, TMsgButtons::OK);
      return;
    }
  } else {
    // Try whether the folder takes the file, without leaving one behind.
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (descriptor < 0) {
      FErrorCode = errno;
      return;
    }
    close(descriptor);
    unlink(path.c_str());
  }
  FFilePath = path;
  FOpen = true;
}

bool TTheIniFile::Usable() {
  if (FOpen && !FSection.empty() && !FIniFileName.empty())
    return true;
  // Only a caller that forgot to set them gets here.
  FUserInterface.ShowMessageBox(MissingFileNameMessage, "", TMsgKind::Error, TMsgButtons::OK);
  return false;
}

std::string TTheIniFile::ReadString(std::string_view key, std::string_view defaultValue) {
  FErrorCode = 0;
  if (!Usable()) {
    FErrorCode = IniKeyMissing;
    return std::string(defaultValue);
  }
  const std::string value =
      TIniText(ReadWholeFile(FFilePath)).ReadString(FSection, key, IniErrorSentinel);
  if (value == IniErrorSentinel) {
    FErrorCode = IniKeyMissing;
    return std::string(defaultValue);
  }
  return value;
}

void TTheIniFile::WriteString(std::string_view key, std::string_view value) {
  FErrorCode = 0;
  if (!Usable()) {
    FErrorCode = IniWriteProtected;
    return;
  }
  TIniText text(ReadWholeFile(FFilePath));
  if (!text.WriteString(FSection, key, value)) {
    FErrorCode = EINVAL;
    return;
  }
  FErrorCode = WriteFileAtomically(FFilePath, text.Text());
}
