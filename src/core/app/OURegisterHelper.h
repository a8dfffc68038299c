// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DateTime.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

class TMessageQueueServer;
class TUserInterface;

// The proxy the update program is to use.
struct TOUProxySettings {
  std::string Host;
  std::int32_t Port = 8080;
  std::string UserName;
  std::string Password;
};

// One run of the separate update program "LiveUpd" from the program's folder: the
// two message channels it talks over, its start, the wait for its end, and what it
// reported. Create it for one run on the main thread and destroy it after.
class TOURegisterHelper {
public:
  // programFolder ends with "/". unattended: nobody is there to answer the update
  // program (told to it in the settings answer).
  TOURegisterHelper(TUserInterface& userInterface, std::string programFolder,
                    bool unattended = false);
  // Removes both channels.
  ~TOURegisterHelper();
  TOURegisterHelper(const TOURegisterHelper&) = delete;
  TOURegisterHelper& operator=(const TOURegisterHelper&) = delete;

  // What the settings answer sends; set before RunUpdateProgram.
  std::string Language;
  TOUProxySettings ProxySettings;
  std::string DataFolder;

  // Creates the channels, starts the program with "OnlineUpdate" and waits for its
  // end while the event loop runs. True when it was started and has ended; errors
  // are reported in the error box and give false.
  bool RunUpdateProgram();

  // What the completion report said; all false and 0 until it came.
  bool RestartNeeded() const;
  bool Updated() const;
  // As reported when plausible, else the time the report arrived.
  TDateTime UpdateDate() const;
  // The run channel's name, set when the channels were created.
  const std::string& RunChannel() const { return FRunChannel; }

private:
  void AnswerStart(std::span<std::uint8_t> answer) const;
  void AnswerRun(std::span<const std::uint8_t> message, std::span<std::uint8_t> answer);
  std::vector<std::uint8_t> SettingsStream() const;
  void ResetResults();

  TUserInterface& FUserInterface;
  std::string FProgramFolder;
  bool FUnattended;
  std::string FRunChannel;
  std::unique_ptr<TMessageQueueServer> FStartChannel;
  std::unique_ptr<TMessageQueueServer> FRunChannelServer;
  // Set by the first settings request on the run channel's thread; the main thread
  // then removes the start channel.
  std::atomic<bool> FSettingsAsked{false};

  mutable std::mutex FResultsLock; // guards the three results below
  bool FRestartNeeded = false;
  bool FUpdated = false;
  TDateTime FUpdateDate = 0;
};
