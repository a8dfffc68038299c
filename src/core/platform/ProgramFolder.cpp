// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ProgramFolder.h"

#include <filesystem>
#include <system_error>

std::string ProgramFile() {
  std::error_code error;
  const auto file = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : file.string();
}

std::string ProgramFolder() {
  const std::string file = ProgramFile();
  // Without /proc the program can only be where it was started from.
  if (file.empty())
    return "./";
  return file.substr(0, file.rfind('/') + 1);
}
