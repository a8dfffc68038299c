// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HelpFiles.h"

#include <array>
#include <filesystem>

namespace HelpFiles {

namespace {

constexpr int FirstContext = 89;
// In the order of the window's pages.
constexpr std::array<std::string_view, PageCount> PageFiles = {
    "uebertragene-bytes.html", "zuletzt-aufgerufene-seiten.html",
    "downloads.html",          "muell.html",
    "einstellungen.html",      "anonyme-proxy-server.html",
    "browsersicherheit.html",  "seiten-blockieren.html",
    "popupkiller.html",        "downloadmanager.html"};

} // namespace

int HelpContext(int pageIndex) {
  return FirstContext - pageIndex;
}

std::string_view TopicFile(int helpContext) {
  const int page = FirstContext - helpContext;
  if (page < 0 || page >= PageCount)
    return ContentsFile;
  return PageFiles[static_cast<std::size_t>(page)];
}

std::string HelpFolder(const std::string& programFolder) {
  const std::string installed = programFolder + "../share/doc/quorvane/help/";
  std::error_code error;
  if (std::filesystem::is_regular_file(installed + std::string(ContentsFile), error))
    return installed;
  return QUORVANE_HELP_SOURCE_DIR "/";
}

} // namespace HelpFiles
