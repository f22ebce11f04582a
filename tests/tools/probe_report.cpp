// Prints what the system probes see on the machine it runs on, one "name=value" line each, in
// UTF-8, for the end-to-end tests to compare.
//   probe-report                      Windows version class, default and existing install folder
//   probe-report file <path>          version text, publisher and size of a file
//   probe-report window <class> <s>   whether a top-level window of that class appears within s seconds
//   probe-report short <path>         the 8.3 form of an existing path, and its canonical form
//   probe-report acl <path>           the access list stored for a file or folder, as SDDL
#include <windows.h>
#include <sddl.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "model/system_probes.h"
#include "platform/win32/win32_platform.h"

namespace {

void PrintLine(const char* name, const std::wstring& value) {
  std::string utf8(static_cast<std::size_t>(
                       WideCharToMultiByte(CP_UTF8, 0, value.c_str(), -1, nullptr, 0, nullptr, nullptr)),
                   '\0');
  WideCharToMultiByte(CP_UTF8, 0, value.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()), nullptr,
                      nullptr);
  std::printf("%s=%s\n", name, utf8.c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  lanternix::win32::Win32Platform win32;
  lanternix::Platform& platform = win32.Get();
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"file" && argc > 2) {
    std::wstring version = L"<none>", company;
    const bool found = lanternix::QueryFileVersion(platform.versions, argv[2], version, &company);
    PrintLine("version_found", found ? L"1" : L"0");
    PrintLine("version", version);
    PrintLine("company", company);
    PrintLine("size", std::to_wstring(lanternix::QueryFileSize(platform.files, argv[2])));
    return 0;
  }
  if (mode == L"window" && argc > 3) {
    const int tenths = 10 * static_cast<int>(std::wcstol(argv[3], nullptr, 10));
    bool found = false;
    for (int i = 0; i <= tenths && !found; ++i) {
      found = platform.system.TopLevelWindowExists(argv[2]);
      if (!found) Sleep(100);
    }
    PrintLine("window", found ? L"1" : L"0");
    return 0;
  }
  if (mode == L"short" && argc > 2) {
    wchar_t shortPath[MAX_PATH] = {};
    const DWORD length = GetShortPathNameW(argv[2], shortPath, MAX_PATH);
    PrintLine("short", length > 0 && length < MAX_PATH ? shortPath : L"<none>");
    PrintLine("canonical", platform.files.CanonicalPath(shortPath));
    return 0;
  }
  if (mode == L"acl" && argc > 2) {
    DWORD needed = 0;
    GetFileSecurityW(argv[2], DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
    std::string descriptor(needed, '\0');
    wchar_t* text = nullptr;
    const bool read =
        needed > 0 &&
        GetFileSecurityW(argv[2], DACL_SECURITY_INFORMATION, descriptor.data(), needed, &needed) &&
        ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor.data(), SDDL_REVISION_1,
                                                             DACL_SECURITY_INFORMATION, &text, nullptr);
    PrintLine("acl", read && text ? text : L"<none>");
    if (text) LocalFree(text);
    return 0;
  }
  PrintLine("os_class", std::to_wstring(lanternix::QueryOsVersionClass(platform.system)));
  PrintLine("default_folder", lanternix::GetDefaultInstallFolder(platform.registry));
  PrintLine("existing_folder", lanternix::FindExistingInstallFolder(platform.registry).value_or(L"<none>"));
  return 0;
}
