#include "install/install_log.h"

#include <cstdint>

#include "platform/text_encoding.h"

namespace lanternix {

namespace {

constexpr std::string_view kSeparatorLine = "------------------------------------------------\n";

// What a file opened in text mode stores: CR LF for every line feed.
std::string WithCrLf(std::string_view text) {
  std::string out;
  for (const char ch : text) {
    if (ch == '\n') out.push_back('\r');
    out.push_back(ch);
  }
  return out;
}

void AppendTwoDigits(std::wstring& out, int value) {
  out.push_back(static_cast<wchar_t>(L'0' + value / 10 % 10));
  out.push_back(static_cast<wchar_t>(L'0' + value % 10));
}

// "%s - %s: %s\n" of date, HH:MM:SS and message, then the separator line.
std::string FormatEntry(const LocalDateTime& now, std::wstring_view shortDate, std::wstring_view message) {
  std::wstring line(shortDate);
  line += L" - ";
  AppendTwoDigits(line, now.hour);
  line += L':';
  AppendTwoDigits(line, now.minute);
  line += L':';
  AppendTwoDigits(line, now.second);
  line += L": ";
  line += message;
  line += L'\n';
  return WithCrLf(WideToUtf8(line) + std::string(kSeparatorLine));
}

}  // namespace

void WriteInstallLog(Platform& platform, std::wstring_view message) {
  AppendLogEntry(platform, kInstallLogName, message);
}

void AppendLogEntry(Platform& platform, std::wstring_view path, std::wstring_view message) {
  auto log = platform.files.OpenForAppending(path);
  if (!log) return;
  // The time is read once, so the date and the time of an entry made at midnight agree.
  const LocalDateTime now = platform.system.LocalNow();
  const std::string entry = FormatEntry(now, platform.system.ShortDate(now), message);
  log->Write(entry.data(), entry.size());
  log->Close();
}

}  // namespace lanternix
