// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

class TUserInterface;

enum class TIniLocation { loWinDir, loProgDir, loUser, loDefUser };

// ErrorCode of a read that found no such key.
inline constexpr int IniKeyMissing = -1;
// ErrorCode when a read-only file could not be made writable, or a write failed.
inline constexpr int IniWriteProtected = 5;
// What the underlying reader returns for a missing key; a stored value of exactly
// this text therefore also reads as missing.
inline constexpr std::string_view IniErrorSentinel = "INIERROR";
// The system-wide folder that stands in for the Windows directory.
inline constexpr std::string_view SystemIniFolder = "/etc/";

// Reads and edits one section of a real ini file, typically another program's.
// Edits keep every other line of the file and replace the file atomically.
class TTheIniFile {
public:
  explicit TTheIniFile(TUserInterface& userInterface);

  const std::string& IniFileName() const { return FIniFileName; }
  void SetIniFileName(std::string iniFileName); // closes an open file first
  const std::string& Section() const { return FSection; }
  void SetSection(std::string section) { FSection = std::move(section); }
  TIniLocation IniLocation() const { return FIniLocation; }
  void SetIniLocation(TIniLocation location) { FIniLocation = location; }
  const std::string& DefFilePath() const { return FDefFilePath; }
  void SetDefFilePath(std::string path); // a trailing "/" is added
  int ErrorCode() const { return FErrorCode; }
  bool Open() const { return FOpen; }
  // Opening resolves the path from IniLocation, makes a read-only file writable
  // and checks that the folder takes a new file.
  void SetOpen(bool open);
  // The resolved path while open.
  const std::string& FilePath() const { return FFilePath; }

  std::string ReadString(std::string_view key, std::string_view defaultValue);
  void WriteString(std::string_view key, std::string_view value);

private:
  std::string ResolvePath() const;
  bool Usable();

  TUserInterface& FUserInterface;
  std::string FIniFileName;
  std::string FSection;
  TIniLocation FIniLocation = TIniLocation::loWinDir;
  std::string FDefFilePath;
  int FErrorCode = 0;
  bool FOpen = false;
  std::string FFilePath;
};
