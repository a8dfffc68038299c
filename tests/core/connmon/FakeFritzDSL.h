// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FritzDSL.h"

#include <stdexcept>

// The DSL software as a test scripts it: whether it is installed, its connection
// state, and whether its calls fail.
class TFakeFritzDSL final : public TFritzDSLSoftware {
public:
  struct TScript {
    bool Installed = true;
    int State = 0;
    int LineStatus = 0;
    bool Throwing = false;
    std::string Name = "FRITZ!web DSL";
    int Connects = 0;  // attachments so far
    int Refreshes = 0; // calls made after attaching anew
  };

  std::unique_ptr<TFritzDSLConnection> Connect() override {
    if (FScript.Throwing)
      throw std::runtime_error("software not responding");
    if (!FScript.Installed)
      return nullptr;
    ++FScript.Connects;
    return std::make_unique<TConnection>(FScript);
  }
  TScript& Script() { return FScript; }

private:
  class TConnection final : public TFritzDSLConnection {
  public:
    explicit TConnection(TScript& script) : FScript(script) {}
    int State() override { return Checked().State; }
    int LineStatus() override { return Checked().LineStatus; }
    std::string ConnectionName() override { return Checked().Name; }
    std::chrono::system_clock::time_point ConnectTime() override {
      Checked();
      return std::chrono::system_clock::time_point(std::chrono::seconds(1'700'000'000));
    }
    std::array<std::string, 3> Details() override {
      Checked();
      return {"768 kbit/s", "128 kbit/s", "PPPoE"};
    }
    void Refresh() override { ++Checked().Refreshes; }

  private:
    TScript& Checked() {
      if (FScript.Throwing)
        throw std::runtime_error("software not responding");
      return FScript;
    }
    TScript& FScript;
  };

  TScript FScript;
};
