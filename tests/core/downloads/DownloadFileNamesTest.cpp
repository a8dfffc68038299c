// SPDX-License-Identifier: GPL-3.0-or-later
#include "downloads/DownloadFileNames.h"

#include "TempFolder.h"
#include "downloads/DownloadManagerKeys.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

TEST(FileNameFromURL, TakesTheLastSegmentWithoutTheQuery) {
  const std::pair<std::string, std::string> cases[] = {
      {"http://h/dir/setup.exe", "setup.exe"},
      {"http://h/get/file.zip?id=3&x=/y", "y"},
      {"http://h/get/file.zip?id=3", "file.zip"},
      {"http://h/dir/", ""},
      {"ftp://h/pub/..", ".."},
      {"plain", "plain"},
  };
  for (const auto& [url, name] : cases)
    EXPECT_EQ(FileNameFromURL(url), name) << url;
}

TEST(FileNameRules, NoNameDotsAndSlashesAreNotUsable) {
  for (const std::string& bad :
       std::vector<std::string>{"", ".", "..", "a/b", std::string("a\0b", 3)})
    EXPECT_FALSE(IsUsableFileName(bad)) << bad;
  for (const std::string good : {"a.zip", "..a", "x..", ".hidden"})
    EXPECT_TRUE(IsUsableFileName(good)) << good;
}

TEST(FileNameRules, CreationIsExclusiveAndFollowsTheUmask) {
  TTempFolder folder;
  const auto path = folder / "new.zip";
  std::string error;
  const mode_t old = umask(022);
  EXPECT_EQ(CreateFileExclusively(path, error), TCreateResult::Created);
  umask(old);
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);

  std::ofstream(path) << "kept";
  EXPECT_EQ(CreateFileExclusively(path, error), TCreateResult::Exists);
  EXPECT_EQ(std::filesystem::file_size(path), 4u) << "an existing file is never truncated";
  EXPECT_EQ(CreateFileExclusively(folder / "missing" / "x", error), TCreateResult::Failed);
  EXPECT_FALSE(error.empty());
}

TEST(ProtocolOfURL, TheSchemeDecides) {
  const std::pair<std::string, TDownloadProtocol> cases[] = {
      {"http://h/a", TDownloadProtocol::HTTP},
      {"HTTPS://h/a", TDownloadProtocol::HTTP},
      {"ftp://h/a", TDownloadProtocol::FTP},
      {"file:///etc/passwd", TDownloadProtocol::Unsupported},
      {"gopher://h/a", TDownloadProtocol::Unsupported},
      {"h/http://x", TDownloadProtocol::Unsupported},
      {"", TDownloadProtocol::Unsupported},
  };
  for (const auto& [url, protocol] : cases)
    EXPECT_EQ(ProtocolOfURL(url), protocol) << url;
}

TEST(ExtensionIsListed, ComparesTheLastExtensionWithoutCase) {
  const std::string list(DownloadManagerKeys::DefaultFileExtensions);
  EXPECT_TRUE(ExtensionIsListed("http://h/setup.exe", list));
  EXPECT_TRUE(ExtensionIsListed("http://h/a.tar.GZ?x=1", list));
  EXPECT_FALSE(ExtensionIsListed("http://h/page.html", list));
  EXPECT_FALSE(ExtensionIsListed("http://h/noextension", list));
  EXPECT_FALSE(ExtensionIsListed("http://h/a.exe", ""));
}

} // namespace
