// lt_uninstall.exe, the uninstaller the setup installs and registers: the Win32 edge around the
// uninstall engine. It reads its options, asks (unless silent), lets the engine remove the
// installation it lies in, reports, and hands the removal of its own file to a copy of itself
// in the temporary folder, which waits for this process to end.
//
//   lt_uninstall.exe [/silent] [/purge]
//
// Exit status: 0 removed, 1 something could not be removed (listed in the log), 2 refused
// because the viewer runs, 3 the user answered No.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "install/install_log.h"
#include "model/product.h"
#include "model/system_probes.h"
#include "payload_entries.h"
#include "platform/text_limits.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"
#include "uninstall/uninstall_resources.h"
#include "uninstall/uninstaller.h"

namespace {

using namespace lanternix;

constexpr int kUninstallCancelled = 3;
constexpr std::wstring_view kLogName = L"Lanternix_Uninstall.log";
// Options only the temporary copy gets: the file to remove and the process to wait for.
constexpr std::wstring_view kRemoveOption = L"/remove=";
constexpr std::wstring_view kWaitOption = L"/wait=";
constexpr DWORD kWaitForOriginalMs = 60'000;

struct Options {
  bool silent = false;
  bool purge = false;
  std::wstring removeFile;
  DWORD waitForProcess = 0;
};

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

Options ReadOptions() {
  Options options;
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; arguments && i < count; ++i) {
    const std::wstring_view argument = arguments[i];
    if (EqualsIgnoringCase(argument, L"/silent"))
      options.silent = true;
    else if (EqualsIgnoringCase(argument, L"/purge"))
      options.purge = true;
    else if (StartsWithIgnoringCase(argument, kRemoveOption))
      options.removeFile = argument.substr(kRemoveOption.size());
    else if (StartsWithIgnoringCase(argument, kWaitOption))
      options.waitForProcess =
          static_cast<DWORD>(std::wcstoul(arguments[i] + kWaitOption.size(), nullptr, 10));
  }
  LocalFree(arguments);
  return options;
}

std::wstring OwnPath() {
  std::wstring path(kLongTextChars, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length < path.size() ? length : 0);
  return path;
}

std::wstring Text(Platform& platform, unsigned id) {
  return platform.resources.String(id, kLongTextChars);
}

// ---------------------------------------------------------------- the temporary copy

// Runs from the temporary folder: once the uninstaller has ended, its file and the then empty
// installation folder go; the copy itself goes at the next restart.
int RemoveOriginal(const Options& options) {
  if (options.waitForProcess != 0) {
    if (const win32::UniqueKernelHandle process{OpenProcess(SYNCHRONIZE, FALSE, options.waitForProcess)})
      WaitForSingleObject(process.Get(), kWaitForOriginalMs);
  }
  // The loader may hold the image a moment after the process has ended.
  for (int attempt = 0; attempt < 50 && !DeleteFileW(options.removeFile.c_str()) &&
                        GetFileAttributesW(options.removeFile.c_str()) != INVALID_FILE_ATTRIBUTES;
       ++attempt)
    Sleep(100);
  std::wstring folder = FolderOfPath(options.removeFile);
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  RemoveDirectoryW(folder.c_str());
  const std::wstring self = OwnPath();
  MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return 0;
}

bool StartRemovalCopy(Platform& platform, const std::wstring& ownPath) {
  const std::wstring copy =
      platform.files.TempFolder() + L"lt_uninstall-" + DecimalText(GetCurrentProcessId()) + L".exe";
  if (!CopyFileW(ownPath.c_str(), copy.c_str(), FALSE)) return false;
  std::wstring commandLine = L"\"" + copy + L"\" " + std::wstring(kRemoveOption) + L"\"" + ownPath + L"\" " +
                             std::wstring(kWaitOption) + DecimalText(GetCurrentProcessId());
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // Started from the temporary folder, so its current folder does not hold the installation's.
  const std::wstring temp = platform.files.TempFolder();
  if (!CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, temp.c_str(),
                      &startup, &process)) {
    DeleteFileW(copy.c_str());
    return false;
  }
  const win32::UniqueKernelHandle thread{process.hThread}, child{process.hProcess};
  return true;
}

// ---------------------------------------------------------------- the confirmation

struct Confirmation {
  std::wstring folder;
  std::vector<std::wstring> settings;
  std::wstring noSettings;
  bool purge = false;
};

INT_PTR CALLBACK ConfirmProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      const auto* confirmation = reinterpret_cast<const Confirmation*>(lParam);
      SetDlgItemTextW(dialog, IDC_CONFIRM_FOLDER, confirmation->folder.c_str());
      std::wstring list;
      for (const std::wstring& file : confirmation->settings) list += file + L"\r\n";
      SetDlgItemTextW(dialog, IDC_SETTINGS_FILES,
                      list.empty() ? confirmation->noSettings.c_str() : list.c_str());
      EnableWindow(GetDlgItem(dialog, IDC_PURGE_SETTINGS), !confirmation->settings.empty());
      CheckDlgButton(dialog, IDC_PURGE_SETTINGS, confirmation->purge ? BST_CHECKED : BST_UNCHECKED);
      SetFocus(GetDlgItem(dialog, IDNO));
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == IDYES || LOWORD(wParam) == IDNO || LOWORD(wParam) == IDCANCEL) {
        auto* confirmation = reinterpret_cast<Confirmation*>(GetWindowLongPtrW(dialog, DWLP_USER));
        confirmation->purge = IsDlgButtonChecked(dialog, IDC_PURGE_SETTINGS) == BST_CHECKED;
        EndDialog(dialog, LOWORD(wParam) == IDYES ? IDYES : IDNO);
        return TRUE;
      }
      return FALSE;
    default: return FALSE;
  }
}

// ---------------------------------------------------------------- the uninstallation

int Run(Platform& platform, const Options& options) {
  const std::wstring ownPath = OwnPath();
  const std::wstring installFolder = FolderOfPath(ownPath);
  const std::wstring caption = Text(platform, IDS_UNINSTALL_CAPTION);
  const std::wstring logPath = platform.files.TempFolder() + std::wstring(kLogName);

  if (platform.system.TopLevelWindowExists(kViewerWindowClass)) {
    const std::wstring message = Text(platform, IDS_UNINSTALL_VIEWER_RUNNING);
    if (options.silent)
      AppendLogEntry(platform, logPath, message);
    else
      platform.messages.Show(message, caption, kMbIconExclamation);
    return kUninstallRefused;
  }

  bool purge = options.purge;
  if (!options.silent) {
    Confirmation confirmation{installFolder, SettingsToKeep(platform, installFolder),
                              Text(platform, IDS_UNINSTALL_NO_SETTINGS), purge};
    if (DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_UNINSTALL_CONFIRM), nullptr,
                        ConfirmProc, reinterpret_cast<LPARAM>(&confirmation)) != IDYES)
      return kUninstallCancelled;
    purge = confirmation.purge;
  }

  UninstallRequest request;
  request.installFolder = installFolder;
  request.payloadEntries = kPayloadEntries;
  request.purgeSettings = purge;
  request.leaveUninstaller = true;
  const UninstallOutcome outcome = Uninstall(platform, request);
  if (outcome.status == kUninstallRefused) return outcome.status;

  LogLeftOver(platform, logPath, outcome);
  // With something left the uninstaller stays too, so that it can be run again.
  if (outcome.leftOver.empty()) StartRemovalCopy(platform, ownPath);

  if (!options.silent) {
    if (outcome.leftOver.empty()) {
      platform.messages.Show(Text(platform, IDS_UNINSTALL_REMOVED), caption, MB_ICONINFORMATION);
    } else {
      std::wstring message = Text(platform, IDS_UNINSTALL_INCOMPLETE) + L"\n\n";
      for (const std::wstring& item : outcome.leftOver) message += item + L"\n";
      message += L"\n" + Text(platform, IDS_UNINSTALL_LOG_NOTE) + L"\n" + logPath;
      platform.messages.Show(message, caption, kMbIconExclamation);
    }
  }
  return outcome.status;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  const Options options = ReadOptions();
  if (!options.removeFile.empty()) return RemoveOriginal(options);
  win32::Win32Platform platform;
  return Run(platform.Get(), options);
}
