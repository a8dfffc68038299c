// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <chrono>
#include <memory>
#include <string>

// The DSL software's connection object, its members by role. Any call may throw
// std::exception when the software misbehaves.
class TFritzDSLConnection {
public:
  virtual ~TFritzDSLConnection() = default;
  // 0 while not connected, 1 while connected.
  virtual int State() = 0;
  // The line's own status; 1 while the line carries the connection.
  virtual int LineStatus() = 0;
  virtual std::string ConnectionName() = 0;
  virtual std::chrono::system_clock::time_point ConnectTime() = 0;
  // Three further texts handed on with a connect report.
  virtual std::array<std::string, 3> Details() = 0;
  // The call made once after attaching anew.
  virtual void Refresh() = 0;
};

// Attaches to the DSL software's connection object.
class TFritzDSLSoftware {
public:
  virtual ~TFritzDSLSoftware() = default;
  // Attaches to a running instance, else starts one; nullptr when the software is
  // missing.
  virtual std::unique_ptr<TFritzDSLConnection> Connect() = 0;
};

// The DSL software of this platform. Linux has none: Connect always answers nullptr.
std::unique_ptr<TFritzDSLSoftware> SystemFritzDSLSoftware();
