#include "platform/win32/handles.h"

#include <exdisp.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "platform/text_limits.h"
#include "platform/win32/win32_platform.h"

namespace lanternix::win32 {

std::optional<std::wstring> Win32Shell::SpecialFolder(int csidl) {
  LPITEMIDLIST items = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(GetActiveWindow(), csidl, &items)) || !items) return std::nullopt;
  wchar_t buffer[kShortTextChars] = {};
  const bool ok = SHGetPathFromIDListW(items, buffer) != 0;
  CoTaskMemFree(items);
  if (!ok) return std::nullopt;
  return std::wstring(buffer);
}

bool Win32Shell::SaveShellLink(std::wstring_view linkPath, const ShellLink& link) {
  // COM lives for this one link only, so no COM state outlives it.
  ScopedCom com;
  ComPtr<IShellLinkW> shellLink;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              shellLink.PutVoid())))
    return false;
  ComPtr<IPersistFile> file;
  if (FAILED(shellLink->QueryInterface(IID_IPersistFile, file.PutVoid()))) return false;

  if (link.iconPath) shellLink->SetIconLocation(link.iconPath->c_str(), link.iconIndex);
  shellLink->SetPath(link.target.c_str());
  if (link.arguments) shellLink->SetArguments(link.arguments->c_str());
  if (link.description) shellLink->SetDescription(link.description->c_str());
  const std::wstring path(linkPath);
  return SUCCEEDED(file->Save(path.c_str(), TRUE));
}

std::optional<std::wstring> Win32Shell::ShellLinkTarget(std::wstring_view linkPath) {
  ScopedCom com;
  ComPtr<IShellLinkW> shellLink;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              shellLink.PutVoid())))
    return std::nullopt;
  ComPtr<IPersistFile> file;
  if (FAILED(shellLink->QueryInterface(IID_IPersistFile, file.PutVoid()))) return std::nullopt;
  const std::wstring path(linkPath);
  if (FAILED(file->Load(path.c_str(), STGM_READ))) return std::nullopt;
  // The raw path as stored: no search for a moved target, no environment expansion.
  wchar_t target[kShortTextChars] = {};
  if (FAILED(shellLink->GetPath(target, kShortTextChars, nullptr, SLGP_RAWPATH))) return std::nullopt;
  return std::wstring(target);
}

std::intptr_t Win32Shell::OpenDocument(std::wstring_view pathOrUrl, std::wstring_view parameters) {
  const std::wstring file(pathOrUrl), arguments(parameters);
  return reinterpret_cast<std::intptr_t>(
      ShellExecuteW(GetDesktopWindow(), L"open", file.c_str(), arguments.c_str(), nullptr, SW_SHOW));
}

namespace {

// A BSTR for one call, freed with it.
class ScopedBstr {
 public:
  explicit ScopedBstr(std::wstring_view text)
      : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;
  ~ScopedBstr() { SysFreeString(text_); }
  BSTR Get() const { return text_; }
  VARIANT AsVariant() const {
    VARIANT value{};
    value.vt = VT_BSTR;
    value.bstrVal = text_;
    return value;
  }

 private:
  BSTR text_;
};

// The shell object of the desktop's own window, reached the way the shell hands it to scripts:
// the desktop in the shell windows, its browser, the active view, and that view's Application.
bool DesktopShellDispatch(ComPtr<IShellDispatch2>& shell) {
  ComPtr<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                              windows.PutVoid())))
    return false;
  VARIANT desktop{};
  desktop.vt = VT_I4;
  desktop.lVal = CSIDL_DESKTOP;
  VARIANT none{};
  long window = 0;
  ComPtr<IDispatch> found;
  if (windows->FindWindowSW(&desktop, &none, SWC_DESKTOP, &window, SWFO_NEEDDISPATCH,
                            reinterpret_cast<IDispatch**>(found.PutVoid())) != S_OK)
    return false;
  ComPtr<IServiceProvider> services;
  ComPtr<IShellBrowser> browser;
  ComPtr<IShellView> view;
  ComPtr<IDispatch> background;
  ComPtr<IShellFolderViewDual> folderView;
  ComPtr<IDispatch> application;
  return SUCCEEDED(found->QueryInterface(IID_IServiceProvider, services.PutVoid())) &&
         SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.PutVoid())) &&
         SUCCEEDED(browser->QueryActiveShellView(reinterpret_cast<IShellView**>(view.PutVoid()))) &&
         SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.PutVoid())) &&
         SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual, folderView.PutVoid())) &&
         SUCCEEDED(folderView->get_Application(reinterpret_cast<IDispatch**>(application.PutVoid()))) &&
         SUCCEEDED(application->QueryInterface(IID_IShellDispatch2, shell.PutVoid()));
}

}  // namespace

std::intptr_t Win32Shell::OpenAsDesktopUser(std::wstring_view pathOrUrl, std::wstring_view parameters) {
  // The shell runs the request in its own process, so what starts gets the shell's token.
  ScopedCom com;
  ComPtr<IShellDispatch2> shell;
  if (!DesktopShellDispatch(shell)) return 0;
  const ScopedBstr file(pathOrUrl), arguments(parameters), verb(L"open"), folder(L"");
  VARIANT show{};
  show.vt = VT_I4;
  show.lVal = SW_SHOW;
  // S_FALSE: the shell found nothing to open it with.
  return shell->ShellExecute(file.Get(), arguments.AsVariant(), folder.AsVariant(), verb.AsVariant(), show) == S_OK
             ? 33
             : 0;
}

std::intptr_t Win32Shell::RunCommandLine(std::wstring_view commandLine) {
  // As WinExec would, but without its trip through the ANSI code page, which would turn a
  // browser path outside that code page into another path.
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOW;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return 0;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 33;  // WinExec's "above 31" success, and above 32 as ShellExecuteW reports it
}

void Win32Shell::NotifyAssociationsChanged() {
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSHNOWAIT, nullptr, nullptr);
}

void Win32Shell::NotifyIconsChanged() {
  SystemParametersInfoW(SPI_SETICONS, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
}

}  // namespace lanternix::win32
