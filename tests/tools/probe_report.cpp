// Prints what the system probes see on the machine it runs on, one "name=value" line each, in
// UTF-8, for the end-to-end tests to compare.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/system_probes.h"
#include "platform/win32/win32_platform.h"

namespace {

void PrintLine(const char* name, const std::wstring& value) {
  std::string utf8(static_cast<std::size_t>(WideCharToMultiByte(CP_UTF8, 0, value.c_str(), -1, nullptr, 0,
                                                                nullptr, nullptr)),
                   '\0');
  WideCharToMultiByte(CP_UTF8, 0, value.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()), nullptr,
                      nullptr);
  std::printf("%s=%s\n", name, utf8.c_str());
}

}  // namespace

int wmain() {
  lanternix::win32::Win32Platform win32;
  lanternix::Platform& platform = win32.Get();
  PrintLine("os_class", std::to_wstring(lanternix::QueryOsVersionClass(platform.system)));
  PrintLine("default_folder", lanternix::GetDefaultInstallFolder(platform.registry));
  PrintLine("existing_folder", lanternix::FindExistingInstallFolder(platform.registry).value_or(L"<none>"));
  return 0;
}
