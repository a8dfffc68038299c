// SPDX-License-Identifier: GPL-3.0-or-later
#include "Curl.h"

#include "ChildProcess.h"
#include "Peers.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <stdexcept>

namespace e2e {
namespace {

char Lower(char c) {
  return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

// -D writes every header block of the exchange; the last one belongs to the response
// whose body -o holds.
std::string LastHeaderBlock(const std::string& dump) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = dump.find("\r\n\r\n", start);
    if (end == std::string::npos || end + 4 >= dump.size()) {
      return dump.substr(start);
    }
    start = end + 4;
  }
}

} // namespace

bool ContainsIgnoringCase(std::string_view haystack, std::string_view needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                     [](char x, char y) { return Lower(x) == Lower(y); }) != haystack.end() ||
         needle.empty();
}

std::string TCurlResult::Header(std::string_view name) const {
  std::istringstream lines(Headers);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') {
      line.pop_back();
    }
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos &&
        EqualIgnoringCase(std::string_view(line).substr(0, colon), name)) {
      std::size_t v = colon + 1;
      while (v < line.size() && line[v] == ' ') {
        ++v;
      }
      return line.substr(v);
    }
  }
  return {};
}

bool TCurlResult::HasHeader(std::string_view name) const {
  std::istringstream lines(Headers);
  for (std::string line; std::getline(lines, line);) {
    const std::size_t colon = line.find(':');
    if (colon != std::string::npos &&
        EqualIgnoringCase(std::string_view(line).substr(0, colon), name)) {
      return true;
    }
  }
  return false;
}

std::string TCurlResult::Describe() const {
  return "curl exit code " + std::to_string(ExitCode) + ", status line \"" + StatusLine +
         "\", body " + std::to_string(Body.size()) + " bytes, stderr: " + Stderr;
}

TCurlResult RunCurl(TScratchFolder& folder, const std::vector<std::string>& args,
                    std::chrono::seconds maxTime) {
  const auto body = folder.UniquePath("curl-body");
  const auto headers = folder.UniquePath("curl-headers");
  const auto out = folder.UniquePath("curl-out");
  const auto err = folder.UniquePath("curl-err");
  std::vector<std::string> argv = {FindProgram("curl").string(),
                                   "-sS",
                                   "--max-time",
                                   std::to_string(maxTime.count()),
                                   "-D",
                                   headers.string(),
                                   "-o",
                                   body.string(),
                                   "-w",
                                   "%{http_code}"};
  argv.insert(argv.end(), args.begin(), args.end());

  TChildProcess curl(TSpawnOptions{
      .Argv = argv, .UnsetEnv = ProxyVariables(), .StdoutPath = out, .StderrPath = err});
  TCurlResult result;
  const auto exit = curl.WaitExit(maxTime + std::chrono::seconds(15));
  if (!exit) {
    curl.Stop();
    result.Stderr = "curl did not end within its own --max-time; stopped. " + curl.ReadStderr();
    return result;
  }
  result.ExitCode = exit->Exited ? exit->Code : -1;
  result.Stderr = curl.ReadStderr();
  try {
    result.Status = std::stoi(curl.ReadStdout());
  } catch (const std::exception&) {
    result.Status = 0;
  }
  result.AllHeaders = ReadFileOrEmpty(headers);
  result.Headers = LastHeaderBlock(result.AllHeaders);
  result.StatusLine = result.Headers.substr(0, result.Headers.find("\r\n"));
  result.Body = ReadFileOrEmpty(body);
  return result;
}

TCurlResult RunCurlViaProxy(TScratchFolder& folder, std::uint16_t proxyPort,
                            const std::vector<std::string>& args, std::chrono::seconds maxTime) {
  std::vector<std::string> withProxy = {"-x", "http://127.0.0.1:" + std::to_string(proxyPort)};
  withProxy.insert(withProxy.end(), args.begin(), args.end());
  return RunCurl(folder, withProxy, maxTime);
}

std::vector<std::string> RunParallelCurlViaProxy(TScratchFolder& folder, std::uint16_t proxyPort,
                                                 const std::vector<std::string>& urls,
                                                 const std::vector<std::string>& args, int parallel,
                                                 std::chrono::seconds maxTime) {
  std::vector<std::string> argv = {FindProgram("curl").string(),
                                   "-sS",
                                   "--fail",
                                   "--max-time",
                                   std::to_string(maxTime.count()),
                                   "--parallel",
                                   "--parallel-max",
                                   std::to_string(parallel),
                                   "-x",
                                   "http://127.0.0.1:" + std::to_string(proxyPort)};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::filesystem::path> outputs;
  for (const auto& url : urls) {
    outputs.push_back(folder.UniquePath("parallel-body"));
    argv.insert(argv.end(), {url, "-o", outputs.back().string()});
  }
  const auto err = folder.UniquePath("parallel-err");
  TChildProcess curl(TSpawnOptions{.Argv = argv, .UnsetEnv = ProxyVariables(), .StderrPath = err});
  const auto exit = curl.WaitExit(maxTime + std::chrono::seconds(15));
  if (!exit) {
    curl.Stop();
    throw std::runtime_error("curl --parallel did not end within its own --max-time");
  }
  if (!exit->Exited || exit->Code != 0) {
    throw std::runtime_error("curl --parallel: " + exit->Describe() + ": " + curl.ReadStderr());
  }
  std::vector<std::string> bodies;
  for (const auto& output : outputs) {
    bodies.push_back(ReadFileOrEmpty(output));
  }
  return bodies;
}

} // namespace e2e
