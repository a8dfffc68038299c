// SPDX-License-Identifier: GPL-3.0-or-later
#include "privacy/DestroyerDesktop.h"

#include "common/AsciiText.h"
#include "platform/AtomicFile.h"
#include "privacy/DestroyerFileWalk.h"

#include <algorithm>

namespace {

constexpr std::string_view EmptyXbelText =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<xbel version=\"1.0\"\n"
    "      xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\"\n"
    "      xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\"\n"
    "></xbel>\n";

std::uint64_t CountOf(std::string_view text, std::string_view word) {
  std::uint64_t count = 0;
  for (std::size_t at = text.find(word); at != std::string_view::npos;
       at = text.find(word, at + word.size())) {
    ++count;
  }
  return count;
}

std::string_view TrimmedLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
    line.remove_suffix(1);
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
    line.remove_prefix(1);
  return line;
}

// "\040" and the like in mountinfo's fields.
std::string Unescaped(std::string_view field) {
  const auto octal = [](char c) { return c >= '0' && c <= '7'; };
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && octal(field[i + 1]) && octal(field[i + 2]) &&
        octal(field[i + 3])) {
      text += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                (field[i + 3] - '0'));
      i += 3;
    } else {
      text += field[i];
    }
  }
  return text;
}

} // namespace

TCleanTally EmptyXbel(const std::filesystem::path& file, bool dryRun) {
  std::string content;
  if (!ReadPlainFile(file, content) || content == EmptyXbelText)
    return {};
  TCleanTally tally{CountOf(content, "<bookmark "), content.size() > EmptyXbelText.size()
                                                        ? content.size() - EmptyXbelText.size()
                                                        : 0};
  if (!dryRun && WriteFileAtomically(file, EmptyXbelText) != 0)
    return {};
  return tally;
}

std::string WithoutIniKeys(std::string_view content, std::string_view section,
                           std::initializer_list<std::string_view> keys, std::size_t& dropped) {
  std::vector<std::string> kept;
  bool inSection = false;
  dropped = 0;
  for (std::string& rawLine : SplitText(content, "\n")) {
    const std::string_view line = TrimmedLine(rawLine);
    if (line.starts_with('[')) {
      inSection = line.size() == section.size() + 2 &&
                  SameTextASCII(line.substr(1, section.size()), section) && line.back() == ']';
    } else if (inSection) {
      const std::size_t equals = line.find('=');
      const std::string_view name =
          TrimmedLine(line.substr(0, equals == std::string_view::npos ? 0 : equals));
      if (equals != std::string_view::npos &&
          std::any_of(keys.begin(), keys.end(),
                      [&](std::string_view key) { return SameTextASCII(key, name); })) {
        ++dropped;
        continue;
      }
    }
    kept.push_back(std::move(rawLine));
  }
  std::string result;
  for (std::size_t i = 0; i < kept.size(); ++i) {
    if (i > 0)
      result += '\n';
    result += kept[i];
  }
  return result;
}

TCleanTally DropIniKeys(const std::filesystem::path& file, std::string_view section,
                        std::initializer_list<std::string_view> keys, bool dryRun) {
  std::string content;
  if (!ReadPlainFile(file, content))
    return {};
  std::size_t dropped = 0;
  const std::string rewritten = WithoutIniKeys(content, section, keys, dropped);
  if (dropped == 0)
    return {};
  if (!dryRun && WriteFileAtomically(file, rewritten) != 0)
    return {};
  return {dropped, content.size() - std::min(content.size(), rewritten.size())};
}

std::vector<std::filesystem::path> MountPoints(std::string_view mountinfo) {
  std::vector<std::filesystem::path> mounts;
  for (const std::string& line : SplitText(mountinfo, "\n")) {
    const std::vector<std::string> fields = SplitText(line, " ");
    if (fields.size() > 4 && !fields[4].empty())
      mounts.emplace_back(Unescaped(fields[4]));
  }
  return mounts;
}

std::vector<std::filesystem::path> TrashFolders(const std::filesystem::path& dataHome, uid_t uid,
                                                const std::vector<std::filesystem::path>& mounts) {
  std::vector<std::filesystem::path> folders{dataHome / "Trash"};
  const std::string user = std::to_string(uid);
  for (const std::filesystem::path& top : mounts) {
    for (const std::filesystem::path& folder : {top / ".Trash" / user, top / (".Trash-" + user)}) {
      if (std::find(folders.begin(), folders.end(), folder) == folders.end())
        folders.push_back(folder);
    }
  }
  return folders;
}

TCleanTally EmptyTrash(const std::vector<std::filesystem::path>& trashFolders, bool dryRun) {
  TCleanTally total;
  for (const std::filesystem::path& trash : trashFolders) {
    // Walked from the trash's own handle: a trash folder that is a link is not one.
    const TFolderHandle handle = OpenFolder(trash);
    if (!handle.Valid())
      continue;
    for (const char* part : {"files", "info", "expunged"}) {
      const TCleanTally tally = RemoveTreeContents(trash / part, dryRun);
      total.Items += tally.Items;
      total.Bytes += tally.Bytes;
    }
  }
  return total;
}

TCleanTally ClearRegistryList(TRegistry& registry, TRootKey root, std::string_view key,
                              std::string_view name, bool dryRun) {
  TRegKey list;
  if (registry.OpenKey(root, std::string(key) + "\\" + std::string(name), list) != TRegResult::Ok)
    return {};
  std::vector<std::string> subKeys;
  std::vector<std::string> values;
  registry.EnumSubKeys(list, subKeys);
  registry.EnumValueNames(list, values);
  TCleanTally tally{subKeys.size() + values.size(), 0};
  for (const std::string& value : values) {
    TRegValue data;
    if (registry.QueryValue(list, value, data) == TRegResult::Ok)
      tally.Bytes += data.Data.size();
  }
  if (dryRun)
    return tally;
  TRegistry::TTransaction transaction(registry, root);
  registry.DeleteTree(list, false);
  for (const std::string& value : values)
    registry.DeleteValue(list, value);
  if (transaction.Commit() != TRegResult::Ok)
    return {};
  return tally;
}
