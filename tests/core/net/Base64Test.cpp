// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/Base64.h"

#include <gtest/gtest.h>

TEST(Base64, EncodesWithStandardAlphabetAndPadding) {
  const std::pair<const char*, const char*> cases[] = {{"", ""},
                                                       {"f", "Zg=="},
                                                       {"fo", "Zm8="},
                                                       {"foo", "Zm9v"},
                                                       {"foob", "Zm9vYg=="},
                                                       {"user:pass", "dXNlcjpwYXNz"},
                                                       {"\xff\xfe", "//4="}};
  for (const auto& [plain, encoded] : cases) {
    EXPECT_EQ(EncodeBase64(plain), encoded) << plain;
  }
}
