// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

class TUserInterface;

// The autostart entry: a desktop file in the user's autostart folder
// ($XDG_CONFIG_HOME/autostart/quorvane.desktop) whose Exec line starts the program.
class TAutoStart {
public:
  // folder empty: $XDG_CONFIG_HOME/autostart (or ~/.config/autostart); program
  // empty: this process's executable.
  explicit TAutoStart(std::filesystem::path folder = {}, std::string program = {});

  // Present when the file can be read and its Exec value, upper-cased, equals the
  // upper-cased program path.
  bool Exists() const;
  // Each reports a failure in the error box (caption "Quorvane") and returns false.
  bool Add(TUserInterface& userInterface) const;
  bool Remove(TUserInterface& userInterface) const;

  std::filesystem::path EntryPath() const;
  const std::string& Program() const { return FProgram; }

private:
  std::filesystem::path FFolder;
  std::string FProgram;
};
