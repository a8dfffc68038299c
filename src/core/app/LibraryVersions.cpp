// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LibraryVersions.h"

#include <QtGlobal>
#include <curl/curl.h>
#include <openssl/crypto.h>
#include <sqlite3.h>

std::vector<TLibraryVersion> LibraryVersions() {
  // OpenSSL names itself ("OpenSSL 3.0.x  1 Jan 2024"); only the number is wanted.
  std::string openssl = OpenSSL_version(OPENSSL_VERSION);
  if (openssl.rfind("OpenSSL ", 0) == 0)
    openssl = openssl.substr(8);
  openssl = openssl.substr(0, openssl.find(' '));
  return {{"Qt", qVersion()},
          {"libcurl", curl_version_info(CURLVERSION_NOW)->version},
          {"OpenSSL", openssl},
          {"SQLite", sqlite3_libversion()}};
}
