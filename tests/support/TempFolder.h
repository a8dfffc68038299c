// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

// A fresh folder below the system's temporary folder, removed with everything in it.
class TTempFolder {
public:
  TTempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quorvane-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
      throw std::runtime_error("mkdtemp failed");
    FPath = pattern;
  }
  ~TTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;

  const std::filesystem::path& Path() const { return FPath; }
  std::filesystem::path operator/(const std::string& name) const { return FPath / name; }

private:
  std::filesystem::path FPath;
};

// Sets environment variables for its lifetime and restores the old values.
class TScopedEnvironment {
public:
  TScopedEnvironment() = default;
  ~TScopedEnvironment() {
    for (const auto& [name, old] : FSaved) {
      if (old) {
        setenv(name.c_str(), old->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }
  TScopedEnvironment(const TScopedEnvironment&) = delete;
  TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

  void Set(const std::string& name, const std::string& value) {
    Remember(name);
    setenv(name.c_str(), value.c_str(), 1);
  }
  void Unset(const std::string& name) {
    Remember(name);
    unsetenv(name.c_str());
  }

private:
  void Remember(const std::string& name) {
    if (FSaved.count(name) != 0)
      return;
    const char* old = std::getenv(name.c_str());
    FSaved[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
  }

  std::map<std::string, std::optional<std::string>> FSaved;
};

// A home of its own: HOME and the XDG folders point below the temporary folder,
// and the registry hives live in its "registry" folder.
class TTestHome {
public:
  TTestHome() {
    FEnvironment.Set("HOME", (FFolder / "home").string());
    FEnvironment.Set("XDG_CONFIG_HOME", (FFolder / "home" / ".config").string());
    FEnvironment.Set("XDG_DATA_HOME", (FFolder / "home" / ".local" / "share").string());
    FEnvironment.Set("XDG_CACHE_HOME", (FFolder / "home" / ".cache").string());
    FEnvironment.Set("QUORVANE_REGISTRY_DIR", RegistryFolder().string());
    // The program's sockets (single instance, the add-on's queue) stay in the test too.
    FEnvironment.Set("XDG_RUNTIME_DIR", (FFolder / "runtime").string());
    std::filesystem::create_directories(FFolder / "home");
    std::filesystem::create_directories(FFolder / "runtime");
  }
  const std::filesystem::path& Path() const { return FFolder.Path(); }
  std::filesystem::path RegistryFolder() const { return FFolder / "registry"; }
  TScopedEnvironment& Environment() { return FEnvironment; }

private:
  TTempFolder FFolder;
  TScopedEnvironment FEnvironment;
};
