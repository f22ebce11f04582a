// Starts a program with an exact command line, which a Unix shell and Wine's own argument
// quoting can't pass through unchanged, and returns its exit status.
//   launch <working folder> <file holding the UTF-8 command line>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 250;
  std::ifstream in(argv[2], std::ios::binary);
  const std::string utf8((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::wstring commandLine(static_cast<std::size_t>(
                               MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0)),
                           L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), commandLine.data(),
                      static_cast<int>(commandLine.size()));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // Seen once under Wine in a freshly copied prefix: the start failed although the same start
  // passed everywhere else. The error is printed, and a few more tries tell such a passing fault
  // from a real one.
  bool started = false;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, argv[1], &startup,
                             &process) != 0;
    if (!started) {
      std::printf("launch: CreateProcessW failed with error %lu\n", GetLastError());
      Sleep(500);
    }
  }
  if (!started) return 251;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 252;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(exitCode);
}
