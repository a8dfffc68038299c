// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DateTime.h"

#include <chrono>
#include <ctime>

namespace {
constexpr std::chrono::sys_days Epoch = std::chrono::year{1899} / std::chrono::December / 30;
constexpr double SecondsPerDay = 86400.0;
} // namespace

TDateTime EncodeDateTime(int year, unsigned month, unsigned day, int hour, int minute, int second) {
  const std::chrono::sys_days date =
      std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day};
  return static_cast<double>((date - Epoch).count()) +
         (hour * 3600 + minute * 60 + second) / SecondsPerDay;
}

TDateTime NowDateTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return EncodeDateTime(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                        static_cast<unsigned>(local.tm_mday), local.tm_hour, local.tm_min,
                        local.tm_sec);
}
