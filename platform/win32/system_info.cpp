#include <string>

#include "platform/text_limits.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

namespace lanternix::win32 {

namespace {

OsVersionRecord ToRecord(const OSVERSIONINFOW& info) {
  return OsVersionRecord{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                         info.dwBuildNumber, info.szCSDVersion};
}

constexpr int kDateChars = 256;

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

}  // namespace

std::optional<OsVersionRecord> Win32SystemInfo::RtlVersion() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll");
  if (!ntdll) return std::nullopt;
  // Looked up at run time: unlike GetVersionExW it is not subject to the compatibility shim
  // that reports Windows 8 to every program without a supportedOS manifest entry.
  const auto rtlGetVersion =
      reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  if (!rtlGetVersion) return std::nullopt;
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (rtlGetVersion(&info) != 0) return std::nullopt;
  return ToRecord(info);
}

OsVersionRecord Win32SystemInfo::VersionEx() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  GetVersionExW(&info);
  return ToRecord(info);
}

std::optional<std::wstring> Win32SystemInfo::Environment(std::wstring_view name) {
  const std::wstring nameText(name);
  SetLastError(ERROR_SUCCESS);
  const DWORD needed = GetEnvironmentVariableW(nameText.c_str(), nullptr, 0);
  if (needed == 0) {
    if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
    return std::wstring();
  }
  std::wstring value(needed, L'\0');
  const DWORD length = GetEnvironmentVariableW(nameText.c_str(), value.data(), needed);
  value.resize(length < needed ? length : 0);
  return value;
}

std::wstring Win32SystemInfo::WindowsFolder() {
  wchar_t buffer[kShortTextChars] = {};
  const UINT length = GetWindowsDirectoryW(buffer, kShortTextChars);
  return length < kShortTextChars ? std::wstring(buffer, length) : std::wstring();
}

std::wstring Win32SystemInfo::SystemFolder() {
  wchar_t buffer[kShortTextChars] = {};
  const UINT length = GetSystemDirectoryW(buffer, kShortTextChars);
  return length < kShortTextChars ? std::wstring(buffer, length) : std::wstring();
}

int Win32SystemInfo::HorizontalDpi() {
  const UniqueCreatedDc screen(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
  if (!screen) return 96;
  return GetDeviceCaps(screen.Get(), LOGPIXELSX);
}

int Win32SystemInfo::FullScreenClientHeight() { return GetSystemMetrics(SM_CYFULLSCREEN); }

bool Win32SystemInfo::TopLevelWindowExists(std::wstring_view className) {
  const std::wstring text(className);
  return FindWindowW(text.c_str(), nullptr) != nullptr;
}

bool Win32SystemInfo::IsElevated() {
  UniqueKernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put())) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size))
    return elevation.TokenIsElevated != 0;
  // Before Vista there is no elevation to ask about: an administrator runs with full rights.
  BYTE administrators[SECURITY_MAX_SID_SIZE] = {};
  DWORD sidSize = sizeof administrators;
  BOOL member = FALSE;
  return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) &&
         CheckTokenMembership(nullptr, administrators, &member) && member;
}

std::wstring Win32SystemInfo::AnsiToWide(std::string_view text) {
  if (text.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

std::string Win32SystemInfo::WideToAnsi(std::wstring_view text) {
  if (text.empty()) return {};
  const int length =
      WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(), length, nullptr,
                      nullptr);
  return ansi;
}

LocalDateTime Win32SystemInfo::LocalNow() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return LocalDateTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::wstring Win32SystemInfo::ShortDate(const LocalDateTime& date) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(date.year);
  time.wMonth = static_cast<WORD>(date.month);
  time.wDay = static_cast<WORD>(date.day);
  time.wHour = static_cast<WORD>(date.hour);
  time.wMinute = static_cast<WORD>(date.minute);
  time.wSecond = static_cast<WORD>(date.second);
  wchar_t buffer[kDateChars] = {};
  const int length = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, buffer, kDateChars);
  // The length counts the terminating zero; 0 is a failure, which leaves the date empty.
  return length > 0 ? std::wstring(buffer, static_cast<std::size_t>(length - 1)) : std::wstring();
}

}  // namespace lanternix::win32
