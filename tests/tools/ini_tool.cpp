// Runs the setup's INI and log steps on their own and prints what it did as "name=value" lines
// in UTF-8, reading the INI values back through the system's own private-profile functions.
//   ini-tool ini <destination> <iniFolder or -> <silent>
//       prepares the destination folder, writes the INI settings, converts the INI file
//   ini-tool read <file> <section> <key>
//       prints the value as the system's private-profile functions read it
//   ini-tool log <folder> <message>...
//       makes folder current and writes one log entry per message ("\n" in a message is a line
//       feed); prints the short date of the run
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "install/folder_creation.h"
#include "install/install_log.h"
#include "install/viewer_ini.h"
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

std::wstring ReadBack(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
  wchar_t buffer[260] = {};
  GetPrivateProfileStringW(section, key, L"<none>", buffer, 260, path.c_str());
  return buffer;
}

int WriteIni(lanternix::Platform& platform, const wchar_t* destination, const wchar_t* iniFolderArgument,
             bool silent) {
  std::wstring prepared = destination;
  if (!lanternix::CreateDirectoryTree(platform.files, prepared)) {
    std::printf("result=folder\n");
    return 1;
  }
  std::wstring iniFolder = std::wcscmp(iniFolderArgument, L"-") == 0 ? L"" : iniFolderArgument;
  const lanternix::ViewerIniResult written =
      lanternix::WriteViewerIni(platform, destination, iniFolder, silent);
  const std::wstring& iniPath = written.iniPath;
  const int converted = lanternix::ConvertIniToUnicode(platform, iniPath);
  PrintLine("ini_path", iniPath);
  PrintLine("unwritten", written.unwrittenFile);
  PrintLine("ini_folder", iniFolder);
  PrintLine("convert", std::to_wstring(converted));
  PrintLine("height", std::to_wstring(platform.system.FullScreenClientHeight()));
  PrintLine("dpi", std::to_wstring(platform.system.HorizontalDpi()));
  PrintLine("appdata", platform.system.Environment(L"APPDATA").value_or(L"<none>"));
  PrintLine("dll", ReadBack(iniPath, L"Language", L"DLL"));
  PrintLine("lang", ReadBack(iniPath, L"Language", L"Lang"));
  PrintLine("skin", ReadBack(iniPath, L"Toolbar", L"Skin"));
  PrintLine("size", ReadBack(iniPath, L"Toolbar", L"Size"));
  const std::wstring programFolderIni = prepared + L"l_tern32.ini";
  PrintLine("redirect", ReadBack(programFolderIni, L"Others", L"INI_Folder"));
  PrintLine("program_skin", ReadBack(programFolderIni, L"Toolbar", L"Skin"));
  return 0;
}

int WriteLog(lanternix::Platform& platform, int count, wchar_t** messages) {
  const lanternix::LocalDateTime now = platform.system.LocalNow();
  PrintLine("date", platform.system.ShortDate(now));
  for (int i = 0; i < count; ++i) {
    std::wstring message = messages[i];
    for (auto at = message.find(L"\\n"); at != std::wstring::npos; at = message.find(L"\\n", at + 1))
      message.replace(at, 2, L"\n");
    lanternix::WriteInstallLog(platform, message);
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  lanternix::win32::Win32Platform win32;
  lanternix::Platform& platform = win32.Get();
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"ini" && argc > 4)
    return WriteIni(platform, argv[2], argv[3], std::wcscmp(argv[4], L"1") == 0);
  if (mode == L"read" && argc > 4) {
    PrintLine("value", ReadBack(argv[2], argv[3], argv[4]));
    return 0;
  }
  if (mode == L"log" && argc > 2) {
    if (!platform.files.SetCurrentFolder(argv[2])) return 1;
    return WriteLog(platform, argc - 3, argv + 3);
  }
  return 2;
}
