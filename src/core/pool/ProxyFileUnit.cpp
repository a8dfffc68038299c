// SPDX-License-Identifier: GPL-3.0-or-later
#include "pool/ProxyFileUnit.h"

#include "platform/AtomicFile.h"
#include "pool/ProxyFileFormat.h"
#include "pool/ProxyLine.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    return std::nullopt;
  }
  return bytes;
}

} // namespace

TProxyFileClass::TProxyFileClass(std::filesystem::path file, bool adminMode)
    : FFile(std::move(file)), FAdminMode(adminMode) {
  LoadFromFile();
}

TProxyFileClass::~TProxyFileClass() {
  if (FModified) {
    SaveToFile();
  }
  ClearList();
}

void TProxyFileClass::ClearList() {
  FList.clear();
}

void TProxyFileClass::LoadFromFile() {
  ClearList();
  const std::optional<std::string> bytes = ReadWholeFile(FFile);
  if (!bytes) {
    return;
  }
  TProxyFileContents contents = ParseProxyFile(*bytes, FAdminMode);
  for (TQuorvaneServerListEntry& entry : contents.Entries) {
    FList.push_back(std::make_shared<TQuorvaneServerListEntry>(std::move(entry)));
  }
  FModified = false;
  if (contents.Purged) {
    SaveToFile();
  }
}

bool TProxyFileClass::SaveToFile() {
  if (WriteFileAtomically(FFile, SerializeProxyFile(FList)) != 0) {
    return false;
  }
  FModified = false;
  return true;
}

bool TProxyFileClass::ProxyExists(std::string_view host) const {
  return !host.empty() && std::any_of(FList.begin(), FList.end(),
                                      [host](const TProxyEntryPtr& e) { return e->Host == host; });
}

TProxyEntryPtr TProxyFileClass::AddProxy(std::string host, std::string_view portText,
                                         std::uint16_t responseTime) {
  auto entry = std::make_shared<TQuorvaneServerListEntry>();
  entry->Host = std::move(host);
  entry->Port = ProxyPortOf(portText);
  entry->ResponseTime = responseTime;
  FList.push_back(entry);
  return entry;
}

void TProxyFileClass::DeleteProxy(std::string_view host) {
  const auto found = std::find_if(FList.begin(), FList.end(),
                                  [host](const TProxyEntryPtr& e) { return e->Host == host; });
  if (found != FList.end()) {
    FList.erase(found);
  }
}

void TProxyFileClass::DeleteEntry(const TProxyEntryPtr& entry) {
  const auto found = std::find(FList.begin(), FList.end(), entry);
  if (found != FList.end()) {
    FList.erase(found);
  }
}

bool TProxyFileClass::Contains(const TProxyEntryPtr& entry) const {
  return entry && std::find(FList.begin(), FList.end(), entry) != FList.end();
}

std::vector<TProxyEntryPtr> TProxyFileClass::GetSortedList() const {
  std::vector<TProxyEntryPtr> sorted = FList;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const TProxyEntryPtr& a, const TProxyEntryPtr& b) {
                     return a->ResponseTime < b->ResponseTime;
                   });
  return sorted;
}

bool TProxyFileClass::AddProxyLine(std::string_view line) {
  const std::optional<TProxyLine> parsed = ParseProxyLine(line);
  if (!parsed || ProxyExists(parsed->Host)) {
    return false;
  }
  AddProxy(parsed->Host, parsed->PortText, 1);
  return true;
}

int TProxyFileClass::AddProxyLines(std::string_view text) {
  int added = 0;
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    added += AddProxyLine(text.substr(at, end - at)) ? 1 : 0;
    at = end + 1;
  }
  return added;
}

std::optional<int> TProxyFileClass::ImportFromFile(const std::filesystem::path& file) {
  const std::optional<std::string> text = ReadWholeFile(file);
  if (!text) {
    return std::nullopt;
  }
  const int added = AddProxyLines(*text);
  if (added > 0) {
    SaveToFile();
  }
  return added;
}

std::string TProxyFileClass::ExportText() const {
  std::string text;
  for (const TProxyEntryPtr& entry : FList) {
    text += entry->Host + ":" + std::to_string(entry->Port) + "\n";
  }
  return text;
}

int TProxyFileClass::ExportToFile(const std::filesystem::path& file) const {
  return WriteFileAtomically(file, ExportText());
}

void TProxyFileClass::SetModified(bool value) {
  FModified = value;
  if (value && OnChange) {
    OnChange();
  }
}
