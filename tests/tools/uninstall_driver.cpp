// Starts the uninstaller as the shell would (an .lnk or the exe, through ShellExecuteEx) and
// answers its confirmation as a user would, printing what it sees as "name=value" lines (UTF-8).
//   uninstall-driver <link or exe> <yes|no> [purge]
// Prints the confirmation's folder line, whether the settings box was enabled, the outcome
// message when one comes, and the uninstaller's exit status last.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

constexpr wchar_t kCaption[] = L"Lanternix Uninstall";
constexpr int kFolderLine = 1001;
constexpr int kPurgeBox = 1002;
constexpr DWORD kPollMs = 50;
constexpr DWORD kTimeoutMs = 30000;

void Print(const char* name, const std::wstring& value) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, value.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, value.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  std::printf("%s=%s\n", name, utf8.c_str());
  std::fflush(stdout);
}

std::wstring ItemText(HWND window, int id) {
  wchar_t text[1024] = {};
  GetDlgItemTextW(window, id, text, 1024);
  return text;
}

// The uninstaller's dialog with the caption: the confirmation when it has the settings box,
// else the outcome message box.
HWND WaitForDialog(bool confirmation, HANDLE process) {
  for (DWORD waited = 0; waited < kTimeoutMs; waited += kPollMs) {
    for (HWND window = FindWindowW(L"#32770", kCaption); window;
         window = FindWindowExW(nullptr, window, L"#32770", kCaption))
      if ((GetDlgItem(window, kPurgeBox) != nullptr) == confirmation) return window;
    if (!process)
      Sleep(kPollMs);
    else if (WaitForSingleObject(process, kPollMs) == WAIT_OBJECT_0)
      return nullptr;
  }
  return nullptr;
}

// The message box's text: its static control, whatever id the system gave it.
std::wstring MessageText(HWND box) {
  std::wstring text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[32] = {};
    GetClassNameW(child, name, 32);
    wchar_t content[2048] = {};
    GetWindowTextW(child, content, 2048);
    if (std::wstring(name) == L"Static" && content[0]) text = content;
  }
  return text;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: uninstall-driver <link or exe> <yes|no> [purge]\n", stderr);
    return 2;
  }
  const bool yes = std::wstring(argv[2]) == L"yes";
  const bool purge = argc > 3 && std::wstring(argv[3]) == L"purge";
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"open";
  info.lpFile = argv[1];
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) {
    Print("error", L"not started");
    return 1;
  }
  const HWND confirmation = WaitForDialog(true, info.hProcess);
  // The shell may start a link's target without handing out its process; the dialog tells it.
  if (!info.hProcess && confirmation) {
    DWORD id = 0;
    GetWindowThreadProcessId(confirmation, &id);
    info.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id);
  }
  if (confirmation && info.hProcess) {
    Print("folder", ItemText(confirmation, kFolderLine));
    Print("settings_box", IsWindowEnabled(GetDlgItem(confirmation, kPurgeBox)) ? L"enabled" : L"disabled");
    if (purge) SendDlgItemMessageW(confirmation, kPurgeBox, BM_SETCHECK, BST_CHECKED, 0);
    PostMessageW(confirmation, WM_COMMAND, yes ? IDYES : IDNO, 0);
    if (yes) {
      // The confirmation loses its controls one by one while it goes; only then comes the box.
      for (DWORD waited = 0; IsWindow(confirmation) && waited < kTimeoutMs; waited += kPollMs) Sleep(kPollMs);
      if (const HWND box = WaitForDialog(false, info.hProcess)) {
        Print("message", MessageText(box));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
      }
    }
  } else {
    Print("error", L"no confirmation");
    return 1;
  }
  WaitForSingleObject(info.hProcess, kTimeoutMs);
  DWORD status = 0;
  GetExitCodeProcess(info.hProcess, &status);
  CloseHandle(info.hProcess);
  Print("uninstall_exit", std::to_wstring(status));
  return 0;
}
