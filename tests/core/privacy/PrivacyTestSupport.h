// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sstream>
#include <string>
#include <sys/stat.h>

// Small files and databases for the cleaner's tests.
namespace privacy_test {

inline void WriteFile(const std::filesystem::path& path, const std::string& content,
                      mode_t mode = 0644) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
  chmod(path.c_str(), mode);
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

inline mode_t ModeOf(const std::filesystem::path& path) {
  struct stat status {};
  lstat(path.c_str(), &status);
  return status.st_mode & 07777;
}

// A database with one of the browsers' real schemas (tests/core/privacy/schemas)
// plus the rows of sql.
inline void MakeDatabase(const std::filesystem::path& file, const std::string& schema,
                         const std::string& sql) {
  std::filesystem::create_directories(file.parent_path());
  std::ifstream in(std::filesystem::path(QUORVANE_BROWSER_SCHEMAS) / (schema + ".sql"));
  std::ostringstream text;
  text << in.rdbuf();
  sqlite3* database = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &database), SQLITE_OK);
  char* error = nullptr;
  const int code = sqlite3_exec(database, (text.str() + sql).c_str(), nullptr, nullptr, &error);
  const std::string message = error != nullptr ? error : "";
  sqlite3_free(error);
  sqlite3_close(database);
  ASSERT_EQ(code, SQLITE_OK) << message;
}

// The rows of a query, each row's columns joined by "|".
inline std::vector<std::string> Rows(const std::filesystem::path& file, const std::string& sql) {
  sqlite3* database = nullptr;
  std::vector<std::string> rows;
  if (sqlite3_open(file.c_str(), &database) != SQLITE_OK) {
    sqlite3_close(database);
    return rows;
  }
  sqlite3_exec(
      database, sql.c_str(),
      [](void* out, int count, char** values, char**) {
        std::string row;
        for (int i = 0; i < count; ++i)
          row += (i > 0 ? "|" : "") + std::string(values[i] != nullptr ? values[i] : "NULL");
        static_cast<std::vector<std::string>*>(out)->push_back(row);
        return 0;
      },
      &rows, nullptr);
  sqlite3_close(database);
  return rows;
}

} // namespace privacy_test
