// SPDX-License-Identifier: GPL-3.0-or-later
#include "TempFolder.h"
#include "pool/ProxyFileUnit.h"

#include <fstream>
#include <gtest/gtest.h>

namespace {

std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

class ProxyFile : public testing::Test {
protected:
  TTempFolder Folder;
  std::filesystem::path File = Folder / "proxies.dat";
};

TEST_F(ProxyFile, MissingFileGivesEmptyList) {
  TProxyFileClass list(File, false);
  EXPECT_TRUE(list.List().empty());
  EXPECT_FALSE(list.Modified());
}

TEST_F(ProxyFile, SavedListLoadsWithEveryField) {
  {
    TProxyFileClass list(File, false);
    list.AddProxyLines("10.0.0.1:3128\nhost.example\n10.0.0.3:80");
    list.List()[1]->Enabled = false;
    list.List()[2]->ResponseTime = 0;
    list.List()[2]->FailureLevel = 2;
    ASSERT_TRUE(list.SaveToFile());
  }
  EXPECT_EQ(ReadBytes(File).substr(0, 4), std::string("\x00\x01\x00\x00", 4));
  TProxyFileClass loaded(File, false);
  ASSERT_EQ(loaded.List().size(), 3U);
  EXPECT_EQ(*loaded.List()[0], (TQuorvaneServerListEntry{true, "10.0.0.1", 3128, 1, 1, false}));
  EXPECT_EQ(*loaded.List()[1],
            (TQuorvaneServerListEntry{false, "host.example", 8080, 1, 1, false}));
  EXPECT_EQ(*loaded.List()[2], (TQuorvaneServerListEntry{true, "10.0.0.3", 80, 0, 2, false}));
}

TEST_F(ProxyFile, AdminModePurgeRewritesTheFile) {
  {
    TProxyFileClass list(File, false);
    list.AddProxyLines("a:1\nb:2");
    list.List()[0]->FailureLevel = 3;
    ASSERT_TRUE(list.SaveToFile());
  }
  EXPECT_EQ(TProxyFileClass(File, false).List().size(), 2U);
  TProxyFileClass admin(File, true);
  ASSERT_EQ(admin.List().size(), 1U);
  EXPECT_EQ(admin.List()[0]->Host, "b");
  EXPECT_EQ(TProxyFileClass(File, false).List().size(), 1U);
}

TEST_F(ProxyFile, FailedSaveKeepsOldFileAndStaysModified) {
  WriteBytes(File, std::string("\x00\x01\x00\x00", 4));
  TProxyFileClass list(Folder / "missing-folder" / "proxies.dat", false);
  list.AddProxyLine("10.0.0.1:80");
  list.SetModified(true);
  EXPECT_FALSE(list.SaveToFile());
  EXPECT_TRUE(list.Modified());
}

TEST_F(ProxyFile, DestructorSavesModifiedList) {
  {
    TProxyFileClass list(File, false);
    list.AddProxyLine("10.0.0.1:80");
    list.SetModified(true);
  }
  EXPECT_EQ(TProxyFileClass(File, false).List().size(), 1U);
}

TEST_F(ProxyFile, HostsCompareCaseSensitivelyAndKeepTheirPort) {
  TProxyFileClass list(File, false);
  EXPECT_TRUE(list.AddProxyLine("Proxy.example:3128"));
  EXPECT_FALSE(list.AddProxyLine("Proxy.example:8000"));
  EXPECT_TRUE(list.AddProxyLine("proxy.example:8000"));
  ASSERT_EQ(list.List().size(), 2U);
  EXPECT_EQ(list.List()[0]->Port, 3128);
  EXPECT_FALSE(list.ProxyExists(""));
}

TEST_F(ProxyFile, ModifiedTrueFiresEveryTime) {
  TProxyFileClass list(File, false);
  int changes = 0;
  list.OnChange = [&changes] { ++changes; };
  list.SetModified(true);
  list.SetModified(true);
  list.SetModified(false);
  EXPECT_EQ(changes, 2);
}

TEST_F(ProxyFile, ImportAddsNewLinesAndSavesThem) {
  WriteBytes(Folder / "in.txt", "# list\n10.0.0.1:3128\n10.0.0.1:9\n10.0.0.2\n");
  {
    TProxyFileClass list(File, false);
    EXPECT_EQ(list.ImportFromFile(Folder / "in.txt"), 2);
    EXPECT_FALSE(list.Modified());
  }
  EXPECT_EQ(TProxyFileClass(File, false).ExportText(), "10.0.0.1:3128\n10.0.0.2:8080\n");
}

TEST_F(ProxyFile, ImportReadErrorAddsNothing) {
  TProxyFileClass list(File, false);
  EXPECT_EQ(list.ImportFromFile(Folder / "absent.txt"), std::nullopt);
  EXPECT_TRUE(list.List().empty());
}

TEST_F(ProxyFile, ExportedFileImportsAgain) {
  TProxyFileClass list(File, false);
  list.AddProxyLines("10.0.0.1:3128\nb.example:80");
  ASSERT_EQ(list.ExportToFile(Folder / "out.txt"), 0);
  TProxyFileClass other(Folder / "other.dat", false);
  EXPECT_EQ(other.ImportFromFile(Folder / "out.txt"), 2);
  EXPECT_EQ(other.ExportText(), list.ExportText());
}

TEST_F(ProxyFile, DeleteRemovesOnlyTheGivenEntry) {
  TProxyFileClass list(File, false);
  list.AddProxyLines("a:1\nb:2\nc:3");
  const TProxyEntryPtr b = list.List()[1];
  list.DeleteEntry(b);
  EXPECT_FALSE(list.Contains(b));
  list.DeleteProxy("c");
  list.DeleteProxy("zzz");
  EXPECT_EQ(list.ExportText(), "a:1\n");
}

TEST_F(ProxyFile, SortedListIsFastestFirst) {
  TProxyFileClass list(File, false);
  list.AddProxyLines("a\nb\nc");
  list.List()[0]->ResponseTime = 300;
  list.List()[1]->ResponseTime = 65535;
  list.List()[2]->ResponseTime = 0;
  const auto sorted = list.GetSortedList();
  EXPECT_EQ(sorted[0]->Host, "c");
  EXPECT_EQ(sorted[1]->Host, "a");
  EXPECT_EQ(sorted[2]->Host, "b");
}

} // namespace
