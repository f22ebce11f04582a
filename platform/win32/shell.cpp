#include "platform/win32/handles.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

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

std::intptr_t Win32Shell::OpenDocument(std::wstring_view pathOrUrl) {
  const std::wstring text(pathOrUrl);
  return reinterpret_cast<std::intptr_t>(
      ShellExecuteW(nullptr, L"open", text.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
}

void Win32Shell::NotifyAssociationsChanged() {
  SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSHNOWAIT, nullptr, nullptr);
}

void Win32Shell::NotifyIconsChanged() {
  SystemParametersInfoW(SPI_SETICONS, 0, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDCHANGE);
}

}  // namespace lanternix::win32
