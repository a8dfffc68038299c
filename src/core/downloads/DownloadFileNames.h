// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <string>

// The name a URL proposes: the text after the last "/", cut at the first "?".
std::string FileNameFromURL(const std::string& url);
// False for "", "." and "..", and for anything holding "/" or a zero byte.
bool IsUsableFileName(const std::string& name);

enum class TCreateResult { Created, Exists, Failed };
// Creates an empty file that did not exist before (mode 0666 less the umask); never
// opens or truncates an existing one. errorText gets the system's message on Failed.
TCreateResult CreateFileExclusively(const std::filesystem::path& path, std::string& errorText);

// The scheme decides how a URL is fetched; anything else is refused up front.
enum class TDownloadProtocol { HTTP, FTP, Unsupported };
// http:// and https:// (any case) take the HTTP path, ftp:// the FTP path.
TDownloadProtocol ProtocolOfURL(const std::string& url);
