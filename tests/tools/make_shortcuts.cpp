// Runs the setup's shortcut step on its own.
//   make-shortcuts <installFolder> <startMenuGroup> <desktop> <thumbnails> <allUsers>
// Prints the four shell folders the links go to, one "name=path" line each.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "install/shortcuts.h"
#include "platform/win32/win32_platform.h"

namespace {

int Flag(const wchar_t* text) { return static_cast<int>(std::wcstol(text, nullptr, 10)); }

void PrintFolder(lanternix::Platform& platform, const char* name, int csidl) {
  std::wprintf(L"%hs=%ls\n", name, lanternix::GetSpecialFolderPath(platform, csidl).c_str());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 6) return 2;
  lanternix::win32::Win32Platform win32;
  lanternix::Platform& platform = win32.Get();
  lanternix::CreateShortcuts(platform, argv[1], Flag(argv[2]), Flag(argv[3]), Flag(argv[4]), Flag(argv[5]));
  PrintFolder(platform, "desktop", lanternix::kCsidlDesktop);
  PrintFolder(platform, "programs", lanternix::kCsidlPrograms);
  PrintFolder(platform, "common_desktop", lanternix::kCsidlCommonDesktopDirectory);
  PrintFolder(platform, "common_programs", lanternix::kCsidlCommonPrograms);
  return 0;
}
