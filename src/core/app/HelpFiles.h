// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

// The German help shipped with the program: one HTML file per page of the window,
// under share/doc/quorvane/help/ of the installed tree.
namespace HelpFiles {

inline constexpr int PageCount = 10;
inline constexpr std::string_view ContentsFile = "index.html";
// The help context of page index (0..9) in the window: 89 down to 80.
int HelpContext(int pageIndex);
// The file of the help context HelpContext(pageIndex); the contents for a context
// without a page of its own.
std::string_view TopicFile(int helpContext);

// The help folder, with a trailing "/": beside the installed program
// (programFolder/../share/doc/quorvane/help/) when it holds the contents file, else
// the folder the build was made from. programFolder ends with "/".
std::string HelpFolder(const std::string& programFolder);

} // namespace HelpFiles
