// SPDX-License-Identifier: GPL-3.0-or-later
#include "proxy/HeaderList.h"

#include <gtest/gtest.h>

TEST(HeaderList, LooksUpNamesWithoutRegardToCaseAndTrimsValues) {
  const THeaderList headers({"Host: a.example", "content-LENGTH:  12 ", "X-Empty:"});
  EXPECT_EQ(headers.Value("HOST"), "a.example");
  EXPECT_EQ(headers.Value("Content-Length"), "12");
  EXPECT_EQ(headers.Value("X-Empty"), "");
  EXPECT_EQ(headers.Value("Missing"), "");
  EXPECT_EQ(headers.Value("Hos"), "");
}

TEST(HeaderList, SettingReplacesFirstLineAppendsOrDeletes) {
  THeaderList headers({"Via: old", "Accept: */*", "Via: second"});
  headers.SetValue("via", "new");
  headers.SetValue("User-Agent", "Quorvane 1.20");
  EXPECT_EQ(headers.Lines(), (std::vector<std::string>{"via: new", "Accept: */*", "Via: second",
                                                       "User-Agent: Quorvane 1.20"}));
  headers.SetValue("VIA", "");
  EXPECT_EQ(headers.Lines(),
            (std::vector<std::string>{"Accept: */*", "Via: second", "User-Agent: Quorvane 1.20"}));
  headers.Delete("via");
  EXPECT_EQ(headers.Text(), "Accept: */*\r\nUser-Agent: Quorvane 1.20\r\n");
}

TEST(HeaderList, TextAppendsAfterWhatIsThereAndCountsLinesByName) {
  const THeaderList headers(
      {"Host: a", "content-length: 3", "Content-Lengthy: 4", "Content-Length: 5"});
  std::string out = "GET / HTTP/1.0\r\n";
  headers.AppendText(out);
  EXPECT_EQ(out, "GET / HTTP/1.0\r\nHost: a\r\ncontent-length: 3\r\nContent-Lengthy: 4\r\n"
                 "Content-Length: 5\r\n");
  EXPECT_EQ(headers.TextSize(), headers.Text().size());
  EXPECT_EQ(headers.CountOf("Content-Length"), 2u);
  EXPECT_EQ(headers.CountOf("Transfer-Encoding"), 0u);
  EXPECT_EQ(THeaderList().TextSize(), 0u);
}
