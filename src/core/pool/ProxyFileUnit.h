// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "pool/ProxyListEntry.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The pool's list of upstream proxies and its file "proxies.dat". Used on the main
// thread only; the checks of TProxyCheckClass work on copies of host and port.
class TProxyFileClass {
public:
  // file is the full path of "proxies.dat"; the list is loaded from it at once.
  TProxyFileClass(std::filesystem::path file, bool adminMode);
  // Saves when modified. Derived classes stop their threads before this runs.
  virtual ~TProxyFileClass();
  TProxyFileClass(const TProxyFileClass&) = delete;
  TProxyFileClass& operator=(const TProxyFileClass&) = delete;

  void ClearList();
  // Replaces the list with the file's records; a missing or unreadable file gives an
  // empty list, a damaged one the records before the damage. In administrator mode
  // entries that failed more than twice are dropped and the file is written again.
  void LoadFromFile();
  // Writes the whole list atomically. On failure the file is unchanged, the list
  // stays modified and false is returned.
  bool SaveToFile();

  // An entry with exactly this host (case-sensitive); the port is not compared.
  bool ProxyExists(std::string_view host) const;
  // Appends an enabled entry; the port text as ProxyPortOf reads it. No duplicate
  // check, no save, FModified unchanged.
  TProxyEntryPtr AddProxy(std::string host, std::string_view portText, std::uint16_t responseTime);
  // Removes the first entry with this host.
  void DeleteProxy(std::string_view host);
  // Removes this very entry, if it is still in the list.
  void DeleteEntry(const TProxyEntryPtr& entry);
  bool Contains(const TProxyEntryPtr& entry) const;
  // All entries, fastest (smallest ResponseTime) first.
  std::vector<TProxyEntryPtr> GetSortedList() const;

  // One line of the text form: adds it unless it is blank, a comment or its host is
  // listed already. True when an entry was added.
  bool AddProxyLine(std::string_view line);
  // Every line of text; the number added.
  int AddProxyLines(std::string_view text);
  // A text file of proxy lines: nothing on a read error, else the number added
  // (saved once when anything was added).
  std::optional<int> ImportFromFile(const std::filesystem::path& file);
  // "host:port", one line each, in list order.
  std::string ExportText() const;
  // Writes ExportText atomically; 0 or the errno of the failure.
  int ExportToFile(const std::filesystem::path& file) const;

  // True fires OnChange, also when the flag was set already.
  void SetModified(bool value);
  bool Modified() const { return FModified; }
  bool AdminMode() const { return FAdminMode; }
  const std::vector<TProxyEntryPtr>& List() const { return FList; }
  const std::filesystem::path& FileName() const { return FFile; }

  std::function<void()> OnChange;

protected:
  std::vector<TProxyEntryPtr> FList;

private:
  std::filesystem::path FFile;
  bool FAdminMode;
  bool FModified = false;
};
