// SPDX-License-Identifier: GPL-3.0-or-later
// The pure readers and writers of the browsers' files.
#include "browsers/JsonMembers.h"
#include "browsers/PrefsJs.h"
#include "browsers/ProfilesIni.h"
#include "common/IniText.h"

#include <gtest/gtest.h>

namespace {

TEST(PrefsJs, ReadsTheValueOfTheKeysOwnLineOnly) {
  struct Case {
    const char* Name;
    const char* Text;
    const char* Key;
    const char* Value;
  };
  const Case cases[] = {
      {"string value", "user_pref(\"network.proxy.http\", \"localhost\");\n", "network.proxy.http",
       "localhost"},
      {"number value", "user_pref(\"network.proxy.http_port\", 8080);\n", "network.proxy.http_port",
       "8080"},
      {"blanks around", "  user_pref( \"network.proxy.type\" ,  1 );\n", "network.proxy.type", "1"},
      {"longer key is another key", "user_pref(\"network.proxy.http_port\", 8080);\n",
       "network.proxy.http", ""},
      {"key inside another line's value",
       "user_pref(\"x.note\", \"set network.proxy.http to proxy\");\n", "network.proxy.http", ""},
      {"key in a comment", "// user_pref(\"network.proxy.type\", 1);\n", "network.proxy.type", ""},
      {"first line wins",
       "user_pref(\"network.proxy.type\", 5);\r\nuser_pref(\"network.proxy.type\", 1);\r\n",
       "network.proxy.type", "5"},
      {"CR LF endings", "user_pref(\"network.proxy.type\", 1);\r\n", "network.proxy.type", "1"},
      {"no line", "# Mozilla User Preferences\n", "network.proxy.type", ""},
      {"empty file", "", "network.proxy.type", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ReadPref(ParsePrefsJs(c.Text), c.Key), c.Value) << c.Name;
}

TEST(PrefsJs, WritesOnlyWhereTheValueDiffersKeepingEveryOtherByte) {
  struct Case {
    const char* Name;
    const char* Before;
    const char* Key;
    const char* Value;
    bool Changed;
    const char* After;
  };
  const Case cases[] = {
      {"replaced in place",
       "// c\nuser_pref(\"network.proxy.http_port\", 80);\nuser_pref(\"a\", 1);\n",
       "network.proxy.http_port", "8080", true,
       "// c\nuser_pref(\"network.proxy.http_port\", 8080);\nuser_pref(\"a\", 1);\n"},
      {"appended with the file's ending", "user_pref(\"a\", 1);\r\n", "network.proxy.http",
       "localhost", true,
       "user_pref(\"a\", 1);\r\nuser_pref(\"network.proxy.http\", \"localhost\");\r\n"},
      {"same value untouched", "user_pref(\"network.proxy.type\", 1);\n", "network.proxy.type", "1",
       false, "user_pref(\"network.proxy.type\", 1);\n"},
      {"bare false reads as false", "user_pref(\"network.proxy.share_proxy_settings\", false);\n",
       "network.proxy.share_proxy_settings", "false", false,
       "user_pref(\"network.proxy.share_proxy_settings\", false);\n"},
      {"new file gets CR LF", "", "network.proxy.type", "1", true,
       "user_pref(\"network.proxy.type\", 1);\r\n"},
      {"last line without ending", "user_pref(\"a\", 1);", "network.proxy.type", "1", true,
       "user_pref(\"a\", 1);\r\nuser_pref(\"network.proxy.type\", 1);\r\n"},
      {"comment naming the key stays", "// network.proxy.http\n", "network.proxy.http", "localhost",
       true, "// network.proxy.http\nuser_pref(\"network.proxy.http\", \"localhost\");\n"},
  };
  for (const Case& c : cases) {
    TPrefsJs prefs = ParsePrefsJs(c.Before);
    EXPECT_EQ(SetPref(prefs, c.Key, c.Value), c.Changed) << c.Name;
    EXPECT_EQ(PrefsJsText(prefs), c.After) << c.Name;
  }
}

TEST(PrefsJs, LinesQuoteAllButWholeNumbersAndDeleteRemovesOnlyTheKeysLine) {
  EXPECT_EQ(PrefLine("k", "8080"), "user_pref(\"k\", 8080);");
  EXPECT_EQ(PrefLine("k", "false"), "user_pref(\"k\", \"false\");");
  EXPECT_EQ(PrefLine("k", "8080x"), "user_pref(\"k\", \"8080x\");");
  TPrefsJs prefs = ParsePrefsJs("user_pref(\"network.proxy.type_x\", 1);\n"
                                "user_pref(\"network.proxy.type\", 1);\n");
  EXPECT_TRUE(DeletePref(prefs, "network.proxy.type"));
  EXPECT_FALSE(DeletePref(prefs, "network.proxy.type"));
  EXPECT_EQ(PrefsJsText(prefs), "user_pref(\"network.proxy.type_x\", 1);\n");
}

TEST(ProfilesIni, NamesProfilesAsTheBrowserReadsThem) {
  struct Case {
    const char* Name;
    const char* Text;
    std::vector<std::string> Folders;
  };
  const Case cases[] = {
      {"relative and absolute",
       "[General]\nStartWithLastProfile=1\n\n[Profile0]\nName=a\nIsRelative=1\nPath=ab.default\n"
       "\n[Profile1]\nName=b\nIsRelative=0\nPath=/data/b\n",
       {"/root/ab.default", "/data/b"}},
      {"install section is no profile",
       "[Install4F96D1932A9F858E]\nDefault=x.default-esr\nLocked=1\n\n[Profile0]\nName=x\n"
       "IsRelative=1\nPath=x.default-esr\nDefault=1\n",
       {"/root/x.default-esr"}},
      {"gap ends the walk",
       "[Profile0]\nIsRelative=1\nPath=a\n[Profile2]\nIsRelative=1\nPath=c\n",
       {"/root/a"}},
      {"section without Path skipped",
       "[Profile0]\nIsRelative=1\nName=broken\n[Profile1]\nIsRelative=1\nPath=b\n",
       {"/root/b"}},
      {"section without IsRelative ends",
       "[Profile0]\nPath=a\n[Profile1]\nIsRelative=1\nPath=b\n",
       {}},
      {"CR LF, comments and sub folders",
       "; made by hand\r\n[Profile0]\r\nIsRelative=1\r\nPath=Profiles/p.default\r\n",
       {"/root/Profiles/p.default"}},
      {"empty", "", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> folders;
    for (const auto& folder : ProfileFolders(c.Text, "/root"))
      folders.push_back(folder.string());
    EXPECT_EQ(folders, c.Folders) << c.Name;
  }
}

TEST(JsonMembers, EditsOneMemberAndKeepsEveryOtherByte) {
  const std::string proxy = R"({"mode":"fixed_servers","server":"http=localhost:1"})";
  struct Case {
    const char* Name;
    const char* Before;
    const char* After; // SetMember("proxy", proxy)
  };
  const Case cases[] = {
      {"appended after unknown keys", R"({"a":{"b":[1,"x}"]},"z" : true})",
       R"({"a":{"b":[1,"x}"]},"z" : true,"proxy":{"mode":"fixed_servers","server":"http=localhost:1"}})"},
      {"replaced in place", "{ \"proxy\" : {\"mode\":\"system\"} , \"k\":\"\\\"proxy\\\"\" }",
       "{ \"proxy\" : {\"mode\":\"fixed_servers\",\"server\":\"http=localhost:1\"} , "
       "\"k\":\"\\\"proxy\\\"\" }"},
      {"empty object", "{}\n",
       "{\"proxy\":{\"mode\":\"fixed_servers\",\"server\":\"http=localhost:1\"}}\n"},
      {"nested proxy is another key", R"({"x":{"proxy":1}})",
       R"({"x":{"proxy":1},"proxy":{"mode":"fixed_servers","server":"http=localhost:1"}})"},
  };
  for (const Case& c : cases) {
    const auto edited = SetMember(c.Before, "proxy", proxy);
    ASSERT_TRUE(edited) << c.Name;
    EXPECT_EQ(*edited, c.After) << c.Name;
    EXPECT_EQ(MemberText(*edited, "proxy"), proxy) << c.Name;
  }
}

TEST(JsonMembers, RemovesAMemberWithItsCommaAndRefusesWhatIsNoObject) {
  EXPECT_EQ(RemoveMember(R"({"a":1,"proxy":{},"b":2})", "proxy"), R"({"a":1,"b":2})");
  EXPECT_EQ(RemoveMember(R"({"a":1,"proxy":{}})", "proxy"), R"({"a":1})");
  EXPECT_EQ(RemoveMember(R"({"proxy":{}})", "proxy"), "{}");
  EXPECT_EQ(RemoveMember(R"({"a":1})", "proxy"), R"({"a":1})");
  for (const char* bad : {"", "[]", "{\"a\":1", "{\"a\" 1}", "{\"a\":1} x", "{\"a\":\"open}"}) {
    EXPECT_FALSE(SetMember(bad, "proxy", "{}")) << bad;
    EXPECT_FALSE(MemberNames(bad)) << bad;
  }
}

TEST(JsonMembers, ReadsStringsAndNames) {
  const char* localState =
      R"({"profile":{"info_cache":{"Default":{"name":"Person 1"},"Profile 1":{}},"last_used":"Default"}})";
  const auto profile = MemberText(localState, "profile");
  ASSERT_TRUE(profile);
  const auto cache = MemberText(*profile, "info_cache");
  ASSERT_TRUE(cache);
  EXPECT_EQ(MemberNames(*cache), (std::vector<std::string>{"Default", "Profile 1"}));
  EXPECT_EQ(MemberString(*profile, "last_used"), "Default");
  EXPECT_EQ(MemberString(R"({"s":"a\"b\\c\u00e9"})", "s"), "a\"b\\c\xc3\xa9");
  EXPECT_FALSE(MemberString(R"({"s":1})", "s"));
  EXPECT_EQ(JsonQuote("a\"b\\\n"), "\"a\\\"b\\\\\\u000a\"");
}

TEST(IniText, DeletesAKeyWithinItsSectionOnly) {
  TIniText ini("; Opera\r\n[Proxy]\r\nUse HTTP=1\r\n; HTTP Server=x\r\nHTTP Server=localhost:1\r\n"
               "[Other]\r\nHTTP Server=keep\r\n");
  EXPECT_TRUE(ini.DeleteKey("proxy", "http server"));
  EXPECT_FALSE(ini.DeleteKey("Proxy", "HTTP Server"));
  EXPECT_EQ(ini.Text(), "; Opera\r\n[Proxy]\r\nUse HTTP=1\r\n; HTTP Server=x\r\n[Other]\r\n"
                        "HTTP Server=keep\r\n");
}

} // namespace
