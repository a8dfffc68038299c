// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Tools.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <fstream>
#include <glob.h>
#include <signal.h>
#include <sys/stat.h>
#include <thread>

namespace {

constexpr char ThousandsSeparator = '.';
constexpr char TimeSeparator = ':';
constexpr std::chrono::milliseconds ExitPollInterval{50};

std::string TwoDigits(std::int64_t value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}

// A program has ended when its id is gone or only its zombie is left (a
// container's first process may not reap it).
bool ProcessRunning(qint64 pid) {
  if (kill(static_cast<pid_t>(pid), 0) != 0)
    return false;
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(stat, line);
  const std::size_t state = line.rfind(')');
  return state == std::string::npos || state + 2 >= line.size() || line[state + 2] != 'Z';
}

bool StartDetached(const QString& program, const QStringList& arguments, qint64& pid) {
  return QProcess::startDetached(program, arguments, QString(), &pid);
}

} // namespace

std::string FormatThousands(std::int64_t value) {
  const std::string digits = std::to_string(value);
  const std::size_t first = digits[0] == '-' ? 1 : 0;
  std::string result = digits.substr(0, first);
  for (std::size_t i = first; i < digits.size(); ++i) {
    if (i > first && (digits.size() - i) % 3 == 0)
      result += ThousandsSeparator;
    result += digits[i];
  }
  return result;
}

std::string FormatBytes(std::int64_t value) {
  if (value <= 0)
    return "0 Byte";
  if (value <= 999999)
    return FormatThousands(value) + " Byte";
  if (value <= 9999999)
    return FormatThousands(value / 1024) + " KByte";
  return FormatThousands(value / 1048576) + " MByte";
}

std::string FormatDuration(std::int64_t seconds) {
  const std::int64_t hours = seconds / 3600;
  const std::int64_t minutes = seconds % 3600 / 60;
  const std::int64_t rest = seconds % 60;
  if (hours > 0) {
    return TwoDigits(hours) + TimeSeparator + TwoDigits(minutes) + TimeSeparator + TwoDigits(rest) +
           " Std.";
  }
  if (minutes > 0)
    return TwoDigits(minutes) + TimeSeparator + TwoDigits(rest) + " Min.";
  if (rest > 0)
    return TwoDigits(rest) + " Sek.";
  return "0 Sek.";
}

std::string RemoveBlanks(std::string_view text) {
  std::string result;
  for (const char c : text) {
    if (c != ' ')
      result += c;
  }
  return result;
}

std::string BlanksToUnderscores(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c == ' ')
      c = '_';
  }
  return result;
}

std::string UpperCaseGerman(std::string_view text) {
  std::string result(text);
  for (std::size_t i = 0; i < result.size(); ++i) {
    const auto c = static_cast<unsigned char>(result[i]);
    if (c >= 'a' && c <= 'z') {
      result[i] = static_cast<char>(c - 'a' + 'A');
    } else if (c == 0xC3 && i + 1 < result.size()) {
      // ä ö ü are C3 A4, C3 B6, C3 BC; their capitals lie 0x20 lower.
      const auto next = static_cast<unsigned char>(result[i + 1]);
      if (next == 0xA4 || next == 0xB6 || next == 0xBC)
        result[i + 1] = static_cast<char>(next - 0x20);
      ++i;
    }
  }
  return result;
}

std::string JoinStrings(const std::vector<std::string>& parts, std::string_view separator) {
  std::string result;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0)
      result += separator;
    result += parts[i];
  }
  return result;
}

std::string ExceptionListToLines(std::string_view list) {
  return JoinStrings(SplitText(list, ExceptionSeparator), "\r\n");
}

std::string LinesToExceptionList(std::string_view lines) {
  std::vector<std::string> entries;
  for (std::string& line : SplitText(lines, "\n")) {
    std::string entry = RemoveBlanks(line);
    if (!entry.empty() && entry.back() == '\r')
      entry.pop_back();
    if (!entry.empty())
      entries.push_back(std::move(entry));
  }
  return JoinStrings(entries, ExceptionSeparator);
}

bool RunProgram(const std::string& application, const std::string& parameters, bool wait) {
  qint64 pid = 0;
  const QString program = QString::fromStdString(application);
  const QString arguments = QString::fromStdString(parameters);
  const bool started =
      StartDetached(program, QProcess::splitCommand(arguments), pid) ||
      StartDetached(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"), program + QLatin1Char(' ') + arguments}, pid);
  if (!started || !wait)
    return started;
  // The detached program is not our child, so it cannot be waited for directly.
  const auto deadline = std::chrono::steady_clock::now() + RunProgramWaitLimit;
  while (ProcessRunning(pid) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(ExitPollInterval);
  }
  return true;
}

std::int64_t GetFileSize64(const std::string& path) {
  glob_t matches{};
  std::int64_t size = -1;
  if (glob(path.c_str(), GLOB_NOSORT, nullptr, &matches) == 0 && matches.gl_pathc > 0) {
    struct stat info {};
    if (stat(matches.gl_pathv[0], &info) == 0 && !S_ISDIR(info.st_mode))
      size = info.st_size;
  }
  globfree(&matches);
  return size;
}
