// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

// GNOME's proxy setting (schema "org.gnome.system.proxy" and its "http" and
// "https" children). Keys are "mode", "ignore-hosts", "http/host", "http/port",
// "https/host", "https/port"; values are written as GVariant text ("'manual'",
// "8080", "['localhost']").
class TDesktopProxy {
public:
  virtual ~TDesktopProxy() = default;

  // Whether the schema is installed; without it nothing is read or written.
  virtual bool Available() = 0;
  // The value the user set; nullopt while the key holds its default.
  virtual std::optional<std::string> UserValue(std::string_view key) = 0;
  // The value in effect (the user's or the default).
  virtual std::string Value(std::string_view key) = 0;
  // Sets the value, or with nullopt returns the key to its default, then reads it
  // back. False when it did not stick, for a value that is not of the key's type,
  // and whenever the settings live only in this process's memory.
  virtual bool Write(std::string_view key, const std::optional<std::string>& value) = 0;
};

// The desktop's own settings through GIO.
std::unique_ptr<TDesktopProxy> CreateDesktopProxy();
