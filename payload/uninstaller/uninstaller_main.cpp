// lt_uninstall.exe, the uninstaller the setup installs and registers: the Win32 edge around the
// uninstall engine's run. It reads its options and gives the run its confirmation dialog and the
// copy of itself, in a fresh private folder under the temporary folder, that removes its own
// file once this process has ended.
//
//   lt_uninstall.exe [/silent] [/purge]
//
// Exit status: 0 removed, 1 something could not be removed (listed in the log), 2 refused
// because the viewer runs, 3 the user answered No.
#include <windows.h>
#include <objbase.h>
#include <sddl.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "install/installation_record.h"
#include "model/product.h"
#include "model/system_probes.h"
#include "payload_entries.h"
#include "platform/text_limits.h"
#include "platform/win32/dll_search.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"
#include "uninstall/uninstall_resources.h"
#include "uninstall/uninstaller.h"

namespace {

using namespace lanternix;

// Options only the temporary copy gets: the file to remove, the inherited handle of the process
// to wait for, and the folders to remove afterwards (each once empty, in order).
constexpr std::wstring_view kRemoveOption = L"/remove=";
constexpr std::wstring_view kWaitOption = L"/wait=";
// The inherited event the copy sets once it has accepted its order: until then the uninstaller
// stays, so that the copy finds it alive.
constexpr std::wstring_view kReadyOption = L"/ready=";
// How long the uninstaller waits for that; a copy slower than this still does its work.
constexpr DWORD kCopyCheckTimeoutMs = 30000;
constexpr std::wstring_view kFolderOption = L"/folder=";
// The loader may hold the image a moment after the process has ended.
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeleteRetryMs = 100;

struct Options {
  bool silent = false;
  bool purge = false;
  // Any of the copy's options makes this run the copy's, which then has to prove it is one.
  bool copyOptions = false;
  RemovalCopyOrder order;
  HANDLE waitForProcess = nullptr;
  HANDLE ready = nullptr;
};

HANDLE HandleValue(const wchar_t* text) {
  return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::wcstoull(text, nullptr, 10)));
}

std::wstring HandleText(HANDLE handle) {
  return DecimalText(static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(handle)));
}

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
    if (EqualsIgnoringCase(argument, L"/silent")) {
      options.silent = true;
    } else if (EqualsIgnoringCase(argument, L"/purge")) {
      options.purge = true;
    } else if (StartsWithIgnoringCase(argument, kRemoveOption)) {
      options.order.removeFile = argument.substr(kRemoveOption.size());
      options.copyOptions = true;
    } else if (StartsWithIgnoringCase(argument, kFolderOption)) {
      options.order.folders.emplace_back(argument.substr(kFolderOption.size()));
      options.copyOptions = true;
    } else if (StartsWithIgnoringCase(argument, kWaitOption)) {
      options.waitForProcess = HandleValue(arguments[i] + kWaitOption.size());
      options.copyOptions = true;
    } else if (StartsWithIgnoringCase(argument, kReadyOption)) {
      options.ready = HandleValue(arguments[i] + kReadyOption.size());
      options.copyOptions = true;
    }
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

// A quoted command-line argument: a "\" right before the closing quote would escape it.
std::wstring QuotedArgument(std::wstring_view option, std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return L" " + std::wstring(option) + L"\"" + path + L"\"";
}

// ---------------------------------------------------------------- the temporary copy

void DeleteWithRetries(const std::wstring& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  for (int attempt = 0; attempt < kDeleteAttempts && !DeleteFileW(path.c_str()) &&
                        GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
       ++attempt)
    Sleep(kDeleteRetryMs);
}

using QueryFullProcessImageNameFunction = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
using GetModuleFileNameExFunction = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);

// The file of the live process behind an inherited handle; none when the handle names no process
// or one that has ended.
std::optional<std::wstring> LiveProcessFile(Platform& platform, HANDLE process) {
  if (!process || WaitForSingleObject(process, 0) != WAIT_TIMEOUT) return std::nullopt;
  std::wstring path(kLongTextChars, L'\0');
  DWORD size = static_cast<DWORD>(path.size());
  // Looked up, not imported: Windows XP lacks it, and there psapi's older function answers.
  if (const auto query = reinterpret_cast<QueryFullProcessImageNameFunction>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW")))) {
    if (!query(process, 0, path.data(), &size)) return std::nullopt;
  } else {
    // From the system folder only: this process runs elevated from folders others can write to.
    const std::wstring psapiPath = platform.system.SystemFolder() + L"\\psapi.dll";
    const HMODULE psapi = LoadLibraryW(psapiPath.c_str());
    const auto getName = psapi ? reinterpret_cast<GetModuleFileNameExFunction>(
                                     reinterpret_cast<void*>(GetProcAddress(psapi, "GetModuleFileNameExW")))
                               : nullptr;
    size = getName ? getName(process, nullptr, path.data(), size) : 0;
    if (psapi) FreeLibrary(psapi);
    if (size == 0) return std::nullopt;
  }
  path.resize(size);
  return path;
}

// Runs from its private folder: once the uninstaller has ended, however long its last message
// stayed open, its file, the installation's record beside it and the folders it names go; the
// copy and its folder go at the next restart. A run that is not the uninstaller's own copy gets
// exit status 1 and touches nothing.
int RemoveOriginal(const Options& options) {
  const win32::UniqueKernelHandle process{options.waitForProcess};
  {
    win32::Win32Platform platform;
    const RemovalCopyFacts facts{OwnPath(), LiveProcessFile(platform.Get(), process.Get())};
    if (!AcceptRemovalCopyOrder(platform.Get(), options.order, facts)) return kUninstallIncomplete;
  }
  // Only now, as the order came from the uninstaller itself, is the handle it names its own.
  if (options.ready) {
    const win32::UniqueKernelHandle ready{options.ready};
    SetEvent(ready.Get());
  }
  WaitForSingleObject(process.Get(), INFINITE);
  const std::wstring& removeFile = options.order.removeFile;
  DeleteWithRetries(removeFile);
  // The installation's record goes only after the uninstaller: while that stays, a second run
  // needs to know what the setup kept and created.
  if (GetFileAttributesW(removeFile.c_str()) == INVALID_FILE_ATTRIBUTES)
    DeleteWithRetries(InstallationRecordPath(FolderOfPath(removeFile)));
  for (const std::wstring& folder : options.order.folders) RemoveDirectoryW(folder.c_str());
  const std::wstring self = OwnPath();
  std::wstring ownFolder = FolderOfPath(self);
  while (!ownFolder.empty() && ownFolder.back() == L'\\') ownFolder.pop_back();
  MoveFileExW(self.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  MoveFileExW(ownFolder.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
  return 0;
}

// "D:P(A;OICI;FA;;;<user>)(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)": full access for the running user,
// Administrators and SYSTEM, nothing inherited from the temporary folder.
win32::UniqueLocal PrivateFolderSecurity() {
  win32::UniqueKernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put())) return {};
  DWORD size = 0;
  GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &size);
  std::vector<std::uint8_t> buffer(size);
  if (size == 0 || !GetTokenInformation(token.Get(), TokenUser, buffer.data(), size, &size)) return {};
  LPWSTR sidText = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sidText)) return {};
  const win32::UniqueLocal sidHolder{sidText};
  const std::wstring sddl =
      L"D:P(A;OICI;FA;;;" + std::wstring(sidText) + L")(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                            nullptr))
    return {};
  return win32::UniqueLocal{descriptor};
}

// "lt_uninstall-{GUID}": a name no other process can guess before it exists.
std::wstring UnpredictableFolderName() {
  GUID guid{};
  wchar_t text[64] = {};
  if (FAILED(CoCreateGuid(&guid)) || StringFromGUID2(guid, text, static_cast<int>(std::size(text))) == 0)
    return {};
  return std::wstring(kRemovalCopyFolderPrefix) + text;
}

// ---------------------------------------------------------------- the Win32 edge of the run

class Win32UninstallerHost final : public UninstallerHost {
 public:
  Win32UninstallerHost(Platform& platform, std::wstring ownPath)
      : platform_(platform), ownPath_(std::move(ownPath)) {}
  ~Win32UninstallerHost() override { DiscardCopy(); }
  Win32UninstallerHost(const Win32UninstallerHost&) = delete;
  Win32UninstallerHost& operator=(const Win32UninstallerHost&) = delete;

  Answer Confirm(std::wstring_view installFolder, const std::vector<std::wstring>& settings,
                 bool& purge) override;
  bool PrepareRemovalCopy() override;
  bool StartRemovalCopy(const std::vector<std::wstring>& folders) override;

 private:
  void DiscardCopy() {
    heldCopy_.Reset();
    if (!copyPath_.empty()) DeleteFileW(copyPath_.c_str());
    if (!copyFolder_.empty()) RemoveDirectoryW(copyFolder_.c_str());
    copyPath_.clear();
    copyFolder_.clear();
  }

  Platform& platform_;
  std::wstring ownPath_;
  std::wstring copyFolder_;
  std::wstring copyPath_;
  // Held without write or delete sharing until the copy runs, so nothing can swap the file the
  // elevated process is about to start.
  win32::UniqueFile heldCopy_;
};

bool Win32UninstallerHost::PrepareRemovalCopy() {
  const std::wstring name = UnpredictableFolderName();
  const win32::UniqueLocal security = PrivateFolderSecurity();
  if (name.empty() || !security) return false;
  SECURITY_ATTRIBUTES attributes{sizeof attributes, security.Get(), FALSE};
  const std::wstring folder = platform_.files.TempFolder() + name;
  // Fails when the name exists: only a folder made here and now is trusted.
  if (!CreateDirectoryW(folder.c_str(), &attributes)) return false;
  copyFolder_ = folder;
  const std::wstring copy = folder + L"\\" + std::wstring(kUninstallerExe);
  if (!CopyFileW(ownPath_.c_str(), copy.c_str(), TRUE)) {
    DiscardCopy();
    return false;
  }
  copyPath_ = copy;
  heldCopy_.Reset(CreateFileW(copy.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!heldCopy_) {
    DiscardCopy();
    return false;
  }
  return true;
}

bool Win32UninstallerHost::StartRemovalCopy(const std::vector<std::wstring>& folders) {
  if (!heldCopy_) return false;
  // The copy inherits a handle to this process to wait on: a process id could be reused.
  win32::UniqueKernelHandle self;
  // Query rights too: the copy proves with this handle that it is ours, by this process's file.
  if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), self.Put(),
                       SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, TRUE, 0))
    return false;
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  const win32::UniqueKernelHandle ready{CreateEventW(&inherited, TRUE, FALSE, nullptr)};
  if (!ready) return false;
  std::wstring commandLine = L"\"" + copyPath_ + L"\"" + QuotedArgument(kRemoveOption, ownPath_) + L" " +
                             std::wstring(kWaitOption) + HandleText(self.Get()) + L" " +
                             std::wstring(kReadyOption) + HandleText(ready.Get());
  for (const std::wstring& folder : folders) commandLine += QuotedArgument(kFolderOption, folder);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  // Started in its own folder, so no current folder holds the installation's. Out of a
  // deployment tool's job where the job allows it, so that the job's end does not kill it.
  bool started = false;
  for (const DWORD flags : {DWORD{CREATE_BREAKAWAY_FROM_JOB}, DWORD{0}}) {
    started = CreateProcessW(copyPath_.c_str(), commandLine.data(), nullptr, nullptr, TRUE, flags, nullptr,
                             copyFolder_.c_str(), &startup, &process) != 0;
    if (started || GetLastError() != ERROR_ACCESS_DENIED) break;
  }
  if (!started) {
    DiscardCopy();
    return false;
  }
  const win32::UniqueKernelHandle thread{process.hThread}, child{process.hProcess};
  // A copy that ends before it accepted its order refused it and removes nothing.
  const HANDLE waits[] = {ready.Get(), child.Get()};
  if (WaitForMultipleObjects(2, waits, FALSE, kCopyCheckTimeoutMs) == WAIT_OBJECT_0 + 1) {
    DiscardCopy();
    return false;
  }
  // From here the copy owns its file and folder.
  heldCopy_.Reset();
  copyPath_.clear();
  copyFolder_.clear();
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

UninstallerHost::Answer Win32UninstallerHost::Confirm(std::wstring_view installFolder,
                                                      const std::vector<std::wstring>& settings,
                                                      bool& purge) {
  Confirmation confirmation{std::wstring(installFolder), settings,
                            platform_.resources.String(IDS_UNINSTALL_NO_SETTINGS, kLongTextChars), purge};
  const INT_PTR answer = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_UNINSTALL_CONFIRM),
                                         nullptr, ConfirmProc, reinterpret_cast<LPARAM>(&confirmation));
  // -1 (or 0 for a bad owner): the dialog never showed, which is no answer at all.
  if (answer <= 0) return Answer::Failed;
  purge = confirmation.purge;
  return answer == IDYES ? Answer::Yes : Answer::No;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // First of all: both this process and its copy run elevated from folders others can write to.
  HardenDllSearch();
  const Options options = ReadOptions();
  if (options.copyOptions) return RemoveOriginal(options);
  win32::Win32Platform platform;
  Win32UninstallerHost host(platform.Get(), OwnPath());
  UninstallerRun run;
  run.silent = options.silent;
  run.purge = options.purge;
  run.uninstallerPath = OwnPath();
  run.payloadEntries = kPayloadEntries;
  return RunUninstaller(platform.Get(), host, run);
}
