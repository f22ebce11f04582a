// Runs the setup's extraction step on its own: prepares the destination folder, unpacks the
// payload embedded in this program and prints "result=N" and the current folder afterwards.
//   extract-payload <destination> [keepExistingIconLibrary]
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "install/folder_creation.h"
#include "install/payload_extractor.h"
#include "platform/win32/win32_platform.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  lanternix::win32::Win32Platform win32;
  std::wstring folder = argv[1];
  const int keep = argc > 2 ? static_cast<int>(std::wcstol(argv[2], nullptr, 10)) : 0;
  if (!lanternix::CreateDirectoryTree(win32.Get().files, folder)) {
    std::printf("result=folder\n");
    return 1;
  }
  const int result = lanternix::ExtractPayload(win32.Get(), folder, keep);
  std::printf("result=%d\n", result);
  std::wprintf(L"current=%ls\n", win32.Get().files.CurrentFolder().c_str());
  return result == 0 ? 0 : 1;
}
