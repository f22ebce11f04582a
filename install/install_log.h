// The install log of silent runs: whatever a silent run would have shown goes to
// "Lanternix_Install.log" in the current folder, one entry per report.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace lanternix {

inline constexpr std::wstring_view kInstallLogName = L"Lanternix_Install.log";

// Appends one entry, "<short date> - <HH:MM:SS>: <message>" and a line of 48 hyphens, in UTF-8
// with CR LF for every line feed (those inside the message too), and closes the file again, so
// the entry is on disk when the call returns. A log that can't be opened is silently skipped:
// the installation never depends on it.
void WriteInstallLog(Platform& platform, std::wstring_view message);

// The same entry appended to the log file at path; the uninstaller keeps its log this way.
void AppendLogEntry(Platform& platform, std::wstring_view path, std::wstring_view message);

}  // namespace lanternix
