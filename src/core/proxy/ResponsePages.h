// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

// The pages the proxy answers with instead of an upstream response, built as bytes.

// What every page shows of the server, and the moment it is sent.
struct TPageSite {
  std::string ServerName;
  std::string Via;
  std::uint16_t Port = 0;
  std::string Date; // as HTTPDate gives it
};

// "Tue, 05 Mar 2024 14:07:09 GMT" for the given moment, whatever the locale.
std::string HTTPDate(std::time_t moment);
// Text made safe to stand inside HTML: < > & " ' become entities.
std::string EscapeHTML(std::string_view text);

// An empty message gives each page's default line (none for 407 and Host not found).
std::string FileNotFoundPage(const TPageSite& site, std::string_view message = {});
std::string AccessDeniedPage(const TPageSite& site, std::string_view message = {});
std::string ProxyAuthRequiredPage(const TPageSite& site, std::string_view message = {});
std::string HostNotFoundPage(const TPageSite& site, std::string_view details);
// The details line of "Host not found"; the document is named for GET only.
std::string HostNotFoundDetails(std::string_view host, const std::string* document,
                                std::string_view error);
