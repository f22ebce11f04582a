#include "install/install_log.h"

#include <cstdint>

namespace lanternix {

namespace {

constexpr std::string_view kSeparatorLine = "------------------------------------------------\n";

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

bool IsHighSurrogate(std::uint32_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(std::uint32_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// UTF-8 keeps any folder name readable, whatever the user's code page; wchar_t is UTF-16 on
// Windows, so surrogate pairs are joined, and a lone half becomes U+FFFD.
std::string ToUtf8(std::wstring_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = static_cast<std::uint32_t>(text[i]);
    if (IsHighSurrogate(c) && i + 1 < text.size() &&
        IsLowSurrogate(static_cast<std::uint32_t>(text[i + 1]))) {
      c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
      ++i;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c) || c > 0x10FFFF) {
      c = 0xFFFD;
    }
    AppendUtf8(out, c);
  }
  return out;
}

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
  return WithCrLf(ToUtf8(line) + std::string(kSeparatorLine));
}

}  // namespace

void WriteInstallLog(Platform& platform, std::wstring_view message) {
  auto log = platform.files.OpenForAppending(kInstallLogName);
  if (!log) return;
  // The time is read once, so the date and the time of an entry made at midnight agree.
  const LocalDateTime now = platform.system.LocalNow();
  const std::string entry = FormatEntry(now, platform.system.ShortDate(now), message);
  log->Write(entry.data(), entry.size());
  log->Close();
}

}  // namespace lanternix
