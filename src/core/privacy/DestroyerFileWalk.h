// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "privacy/DestroyerReport.h"

#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>

// Folder walks that stay inside their root: every step is taken relative to an
// open folder handle, a symbolic link is never followed, the walk never leaves the
// root's file system and never enters a folder twice, so a link to the home folder
// inside a profile or a link loop cannot widen or prolong a clean.

// An open folder, closed with the object.
class TFolderHandle {
public:
  TFolderHandle() = default;
  explicit TFolderHandle(int descriptor) : FDescriptor(descriptor) {}
  ~TFolderHandle();
  TFolderHandle(TFolderHandle&& other) noexcept;
  TFolderHandle& operator=(TFolderHandle&& other) noexcept;
  TFolderHandle(const TFolderHandle&) = delete;
  TFolderHandle& operator=(const TFolderHandle&) = delete;

  bool Valid() const { return FDescriptor >= 0; }
  int Get() const { return FDescriptor; }

private:
  int FDescriptor = -1;
};

// The folder at path, when path itself is a folder and not a link to one.
TFolderHandle OpenFolder(const std::filesystem::path& path);
// The sub folder name of parent, when it is a folder and not a link.
TFolderHandle OpenSubFolder(int parent, const std::string& name);

// Calls visit for each entry of the folder (not "." and ".."), with its own
// lstat-like status. A status that cannot be read skips the entry.
void ForEachEntry(
    int folder,
    const std::function<void(const std::string& name, const struct stat& status)>& visit);

// root and every folder below it, each once; visit gets the open folder and its path
// (root joined with the names walked). Names beginning with "." are not entered
// when skipHidden is set.
void WalkFolders(const std::filesystem::path& root, bool skipHidden,
                 const std::function<void(int folder, const std::filesystem::path& path)>& visit);

// ListFolderTree: root and every folder below it whose name does not begin with
// ".", sorted, so that a folder's sub folders follow it.
std::vector<std::filesystem::path> ListFolderTree(const std::filesystem::path& root);

// The plain files directly in the folder deleted (dryRun: counted only); folders,
// links and special files stay.
TCleanTally DeleteFilesInFolder(int folder, bool dryRun);
TCleanTally DeleteFilesInFolder(const std::filesystem::path& folder, bool dryRun);

// Every plain file in folder and in the folders below it deleted; the folders stay.
TCleanTally DeleteFilesInTree(const std::filesystem::path& folder, bool dryRun);

// Everything inside folder removed, whatever its kind (a link is removed, never
// followed); folder itself stays.
TCleanTally RemoveTreeContents(const std::filesystem::path& folder, bool dryRun);

// The whole content of the plain file name in folder (a link is not followed).
bool ReadPlainFileAt(int folder, const std::string& name, std::string& content);
bool ReadPlainFile(const std::filesystem::path& path, std::string& content);

enum class TDeleteResult { Missing, Deleted, Failed };
// Deletes the plain file at path (a link or another kind is left alone and counts
// as failed); with dryRun only counts it.
TDeleteResult DeletePlainFile(const std::filesystem::path& path, bool dryRun, TCleanTally& tally);
