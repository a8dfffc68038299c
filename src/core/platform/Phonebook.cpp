// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Phonebook.h"

#include "common/AsciiText.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>

namespace {

constexpr std::string_view DefaultPeersFolder = "/etc/ppp/peers";
// Peer files are a few lines; anything larger is not one.
constexpr std::uintmax_t MaxPeerFileBytes = 64 * 1024;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Splits text into words the way pppd's option reader and the shell do for the
// simple cases a connect line uses: blanks separate, '...' and "..." group, a
// backslash takes the next character literally, '#' outside a word starts a comment
// that runs to the end of the line.
std::vector<std::string> SplitWords(std::string_view text) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < text.size()) {
    if (IsBlank(text[i])) {
      ++i;
      continue;
    }
    if (text[i] == '#') {
      while (i < text.size() && text[i] != '\n')
        ++i;
      continue;
    }
    std::string word;
    while (i < text.size() && !IsBlank(text[i])) {
      const char c = text[i];
      if (c == '\'' || c == '"') {
        const std::size_t close = text.find(c, i + 1);
        const std::size_t end = close == std::string_view::npos ? text.size() : close;
        word.append(text.substr(i + 1, end - i - 1));
        i = close == std::string_view::npos ? end : end + 1;
      } else if (c == '\\' && i + 1 < text.size()) {
        word.push_back(text[i + 1]);
        i += 2;
      } else {
        word.push_back(c);
        ++i;
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::string WithoutBlanks(std::string_view text) {
  std::string result;
  std::copy_if(text.begin(), text.end(), std::back_inserter(result),
               [](char c) { return !IsBlank(c); });
  return result;
}

// The number of a connect script: chat's "-T number" (or "-Tnumber").
std::optional<std::string> ChatOptionNumber(const std::vector<std::string>& words) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i] == "-T" && i + 1 < words.size())
      return words[i + 1];
    if (words[i].size() > 2 && words[i].starts_with("-T"))
      return words[i].substr(2);
  }
  return std::nullopt;
}

// The number of a dial command inside the script: "ATDT0301234", "ATD *99#".
std::optional<std::string> DialCommandNumber(const std::vector<std::string>& words) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::size_t at = FindLowered(words[i], "atd");
    if (at == std::string::npos)
      continue;
    std::string number = words[i].substr(at + 3);
    if (!number.empty() &&
        (number[0] == 'T' || number[0] == 't' || number[0] == 'P' || number[0] == 'p'))
      number.erase(0, 1);
    if (number.empty() && i + 1 < words.size())
      number = words[i + 1];
    return number;
  }
  return std::nullopt;
}

std::optional<std::string> ReadSmallFile(const std::filesystem::path& path) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error || size > MaxPeerFileBytes)
    return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in)
    return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return std::move(text).str();
}

} // namespace

std::filesystem::path PppPeersFolder() {
  if (const char* folder = std::getenv("QUORVANE_PPP_PEERS"); folder != nullptr && *folder != '\0')
    return folder;
  return std::filesystem::path(DefaultPeersFolder);
}

std::string PeerTelephoneNumber(std::string_view peerFileText) {
  const std::vector<std::string> options = SplitWords(peerFileText);
  for (std::size_t i = 0; i + 1 < options.size(); ++i) {
    if (options[i] != "connect")
      continue;
    const std::vector<std::string> script = SplitWords(options[i + 1]);
    if (auto number = ChatOptionNumber(script))
      return WithoutBlanks(*number);
    if (auto number = DialCommandNumber(script))
      return WithoutBlanks(*number);
  }
  return {};
}

std::vector<TPhonebookEntry> ReadPhonebook(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with('.') || name.ends_with('~'))
      continue;
    std::error_code typeError;
    if (it->is_regular_file(typeError))
      files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  if (files.size() > MaxPhonebookEntries)
    files.resize(MaxPhonebookEntries);

  std::vector<TPhonebookEntry> entries;
  for (const auto& file : files) {
    TPhonebookEntry entry{file.filename().string(), {}};
    if (auto text = ReadSmallFile(file))
      entry.TelephoneNumber = PeerTelephoneNumber(*text);
    if (entry.TelephoneNumber.empty())
      entry.TelephoneNumber = entry.Name;
    entries.push_back(std::move(entry));
  }
  return entries;
}
