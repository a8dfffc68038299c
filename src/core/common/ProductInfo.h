// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// Values the product names itself by; every caption, header and page takes them from here.
namespace ProductInfo {

inline constexpr std::string_view ProgramName = "Quorvane";
inline constexpr std::string_view Version = "1.20";
inline constexpr std::string_view ProgramNameAndVersion = "Quorvane 1.20";
inline constexpr std::string_view HomePage = "http://www.quorvane.example/";
// The system's own web server (proxy test page, address echo, update files);
// QUORVANE_WEB_SERVER replaces it at run time.
inline constexpr std::string_view WebServer = "http://www.quorvane.example";
inline constexpr std::string_view WebServerEnvironmentVariable = "QUORVANE_WEB_SERVER";
// Explains the connect error texts shown on the "Host not found" page.
inline constexpr std::string_view ConnectErrorHelpLink =
    "https://man7.org/linux/man-pages/man3/errno.3.html";

// The maker's registry key and the program's own key below it (per user).
inline constexpr std::string_view MakerKey = "Software\\Torvimsk Software";
inline constexpr std::string_view ProductKey = "Software\\Torvimsk Software\\Quorvane";
// Machine-wide key that records where the program is installed.
inline constexpr std::string_view InstallKey = "Software\\Quorvane";
// Default exceptions of the blocked-URL entry "dialer" and the default domain
// whose cookies pass.
inline constexpr std::string_view DialerExceptionDomains[] = {
    "dialer-protection.example", "dialer-help.example", "dialer-info.example"};
inline constexpr std::string_view AllowedCookieDomain = "quorvane.example";

} // namespace ProductInfo
