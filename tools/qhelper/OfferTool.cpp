// SPDX-License-Identifier: GPL-3.0-or-later
// qhelper-offer URL [--message N] [--answer-size N] [--as-browser]
// Sends the add-on's 540-byte offer to the running program, prints the answer bytes in
// hex and exits 0 when the download was taken (byte 4 of the answer is 1).
#include "downloads/DownloadManagerKeys.h"
#include "downloads/DownloadManagerUnit.h"
#include "downloads/DownloadRecordCodec.h"
#include "platform/MessageQueue.h"
#include "platform/Registry.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* Usage =
    "usage: qhelper-offer URL [--message N] [--answer-size N] [--as-browser]\n"
    "  --message N       message number in bytes 4..7 (default 1049)\n"
    "  --answer-size N   size of the answer buffer (default 8)\n"
    "  --as-browser      offer only as the add-on would: download manager enabled, the\n"
    "                    file's extension listed, the URL not yet in Files2Download\n"
    "exit: 0 taken, 1 not taken or not offered, 2 usage, 3 no program listening\n";
// The add-on waits as long as the program's save dialog may take.
constexpr std::chrono::minutes AnswerTimeout{10};

std::optional<std::uint32_t> Number(const std::string& text) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  return static_cast<std::uint32_t>(std::stoul(text));
}

// Why the add-on would not offer url, or nothing when it would.
std::optional<std::string> ReasonNotToOffer(const std::string& url) {
  TRegistry registry(TRegistryLocations::FromEnvironment());
  if (!DownloadManagerEnabledValue(registry))
    return "the download manager is not enabled";
  if (!ExtensionIsListed(url, LoadFileExtensions(registry)))
    return "the file's extension is not on the list";
  if (IsPendingURL(registry, url))
    return "the URL was handed over already";
  return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
  std::string url;
  std::uint32_t message = OfferMessageNumber;
  std::uint32_t answerSize = OfferAnswerSize;
  bool asBrowser = false;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if ((argument == "--message" || argument == "--answer-size") && i + 1 < argc) {
      const std::optional<std::uint32_t> value = Number(argv[++i]);
      if (!value || (argument == "--answer-size" && *value > MaxQueueAnswerSize)) {
        std::cerr << "qhelper-offer: bad value for " << argument << "\n" << Usage;
        return 2;
      }
      (argument == "--message" ? message : answerSize) = *value;
    } else if (argument == "--as-browser") {
      asBrowser = true;
    } else if (url.empty() && !argument.starts_with("--")) {
      url = argument;
    } else {
      std::cerr << "qhelper-offer: unexpected argument: " << argument << "\n" << Usage;
      return 2;
    }
  }
  if (url.empty()) {
    std::cerr << Usage;
    return 2;
  }
  if (asBrowser) {
    if (const std::optional<std::string> reason = ReasonNotToOffer(url)) {
      std::cerr << "qhelper-offer: not offered: " << *reason << "\n";
      return 1;
    }
  }
  std::vector<std::uint8_t> answer;
  try {
    answer = SendQueueMessage(DownloadManagerQueueName, EncodeDownloadOffer(url, message),
                              answerSize, AnswerTimeout);
  } catch (const TMessageQueueNoReceiver& error) {
    std::cerr << "qhelper-offer: " << error.what() << "\n";
    return 3;
  } catch (const TMessageQueueError& error) {
    std::cerr << "qhelper-offer: " << error.what() << "\n";
    return 1;
  }
  for (std::size_t i = 0; i < answer.size(); ++i)
    std::printf(i == 0 ? "%02x" : " %02x", answer[i]);
  std::printf("\n");
  return answer.size() > OfferAcceptedByte && answer[OfferAcceptedByte] == 1 ? 0 : 1;
}
