// SPDX-License-Identifier: GPL-3.0-or-later
// LiveUpd: a stand-in for the separate update program, for tests. Started with
// "OnlineUpdate" it asks the start channel for the run channel, asks for its
// settings (first with a buffer too small, as the real one may), delivers a proxy
// list and reports its end. The environment scripts it:
//   LIVEUPD_PROXIES  a file whose text is delivered as the proxy list (none: no list)
//   LIVEUPD_RESULT   "updated" (default), "restart", "nothing" or "silent" (no report)
//   LIVEUPD_DATE     the update date to report, in days since 30 December 1899
//   LIVEUPD_LOG      a file that receives the settings it was given, one "name=value" a line
//   LIVEUPD_PROBE    when set: after the settings, waits (up to 2 s) for the start
//                    channel to go, and logs "StartChannelGone=1" or "=0"
//   LIVEUPD_JUNK     when set: a 3-byte message and a 31-byte "updated" report first,
//                    which a careful receiver ignores
#include "app/DateTime.h"
#include "app/UpdateChannels.h"
#include "platform/AtomicFile.h"
#include "platform/MessageQueue.h"

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

namespace {

using namespace UpdateChannels;
constexpr std::chrono::milliseconds Timeout{5000};
constexpr std::uint32_t FirstSettingsBuffer = 100;
constexpr std::uint32_t StartAnswerSize = 256;
constexpr char DeliveredName[] = "QuorVane.LST";
constexpr std::uint32_t ReceiptSize = 4;

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::vector<std::uint8_t> Ask(const std::string& channel, const std::vector<std::uint8_t>& message,
                              std::uint32_t answerSize) {
  return SendQueueMessage(channel, message, answerSize, Timeout);
}

std::vector<std::uint8_t> Command(std::int32_t code) {
  std::vector<std::uint8_t> message;
  for (int shift = 0; shift < 32; shift += 8)
    message.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(code) >> shift));
  return message;
}

// The settings, asked first with a buffer that may be too small, as the real
// program may; firstLength receives the length such an answer named (0: it fitted).
TIPCSettings AskSettings(const std::string& runChannel, std::uint32_t& firstLength) {
  std::vector<std::uint8_t> answer = Ask(runChannel, Command(SettingsRequest), FirstSettingsBuffer);
  firstLength = 0;
  if (auto settings = DecodeSettings(answer))
    return *settings;
  firstLength = answer[0] | (answer[1] << 8) | (answer[2] << 16) |
                (static_cast<std::uint32_t>(answer[3]) << 24);
  answer = Ask(runChannel, Command(SettingsRequest), firstLength);
  auto settings = DecodeSettings(answer);
  if (!settings)
    throw std::runtime_error("the settings answer does not decode");
  return *settings;
}

// Whether the start channel stops answering within a bounded wait.
bool StartChannelGone() {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < deadline) {
    try {
      Ask(std::string(StartChannelName), {'?'}, StartAnswerSize);
    } catch (const TMessageQueueError&) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void Log(const TIPCSettings& s, std::uint32_t firstAnswerLength, const std::string& extra) {
  const std::string path = Environment("LIVEUPD_LOG");
  if (path.empty())
    return;
  std::ostringstream text;
  text << "Language=" << s.Language << "\nProgramFolder=" << s.ProgramFolder
       << "\nProductName=" << s.ProductName << "\nDataFolder=" << s.DataFolder
       << "\nProgramFolder2=" << s.ProgramFolder2 << "\nProxyHost=" << s.ProxyHost
       << "\nProxyUser=" << s.ProxyUser << "\nProxyPassword=" << s.ProxyPassword
       << "\nProxyPort=" << s.ProxyPort << "\nProductName2=" << s.ProductName2
       << "\nProductVersion=" << s.ProductVersion << "\nUpdateAddress=" << s.UpdateAddress
       << "\nIgnoreListName=" << s.IgnoreListName << "\nInstalledList=" << s.InstalledList
       << "\nUnattended=" << int(s.Unattended) << "\nProcessId=" << s.ProcessId
       << "\nRunChannel=" << s.RunChannel << "\nFirstAnswerLength=" << firstAnswerLength << "\n"
       << extra;
  WriteFileAtomically(path, text.str());
}

void Deliver(const TIPCSettings& s) {
  const std::string proxies = Environment("LIVEUPD_PROXIES");
  if (proxies.empty())
    return;
  std::ifstream source(proxies, std::ios::binary);
  std::ostringstream text;
  text << source.rdbuf();
  const std::string delivered = s.DataFolder + DeliveredName;
  if (WriteFileAtomically(delivered, text.str()) != 0 ||
      WriteFileAtomically(s.DataFolder + s.InstalledList,
                          s.ProgramFolder + "LiveUpd.dat\r\n" + delivered + "\r\n") != 0) {
    throw std::runtime_error("cannot write into " + s.DataFolder);
  }
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::string(argv[1]) != "OnlineUpdate") {
    std::cerr << "usage: LiveUpd OnlineUpdate\n";
    return 2;
  }
  try {
    const std::vector<std::uint8_t> start =
        Ask(std::string(StartChannelName), {'?'}, StartAnswerSize);
    const std::string runChannel(reinterpret_cast<const char*>(start.data()));
    if (!Environment("LIVEUPD_JUNK").empty()) {
      Ask(runChannel, {0x01, 0x01, 0x00}, 0);
      std::vector<std::uint8_t> cut = EncodeCompletion({true, true, 0, NowDateTime()});
      cut.resize(CompletionRecordSize - 1);
      Ask(runChannel, cut, 0);
    }
    std::uint32_t firstLength = 0;
    const TIPCSettings settings = AskSettings(runChannel, firstLength);
    std::string extra;
    if (!Environment("LIVEUPD_PROBE").empty())
      extra = std::string("StartChannelGone=") + (StartChannelGone() ? "1" : "0") + "\n";
    Log(settings, firstLength, extra);

    const std::string result = Environment("LIVEUPD_RESULT");
    if (result == "silent")
      return 0;
    TCompletion completion;
    completion.Updated = result != "nothing";
    completion.RestartNeeded = result == "restart";
    const std::string date = Environment("LIVEUPD_DATE");
    completion.UpdateDate = date.empty() ? NowDateTime() : std::strtod(date.c_str(), nullptr);
    if (completion.Updated)
      Deliver(settings);
    // An answer buffer, though nothing comes back in it: the answer tells that the
    // report was taken before this program ends.
    Ask(runChannel, EncodeCompletion(completion), ReceiptSize);
  } catch (const std::exception& error) {
    std::cerr << "LiveUpd: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
