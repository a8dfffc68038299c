// SPDX-License-Identifier: GPL-3.0-or-later
#include "downloads/DownloadFileNames.h"

#include "common/AsciiText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

std::string FileNameFromURL(const std::string& url) {
  const std::size_t slash = url.rfind('/');
  std::string name = slash == std::string::npos ? url : url.substr(slash + 1);
  const std::size_t query = name.find('?');
  if (query != std::string::npos)
    name.erase(query);
  return name;
}

bool IsUsableFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

TCreateResult CreateFileExclusively(const std::filesystem::path& path, std::string& errorText) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    if (errno == EEXIST)
      return TCreateResult::Exists;
    errorText = std::strerror(errno);
    return TCreateResult::Failed;
  }
  close(fd);
  return TCreateResult::Created;
}

TDownloadProtocol ProtocolOfURL(const std::string& url) {
  const std::string lower = LowerCaseASCII(url);
  if (lower.starts_with("http://") || lower.starts_with("https://"))
    return TDownloadProtocol::HTTP;
  if (lower.starts_with("ftp://"))
    return TDownloadProtocol::FTP;
  return TDownloadProtocol::Unsupported;
}
