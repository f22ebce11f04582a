#include "framework/property_sheet.h"

#include <commctrl.h>

namespace lanternix::framework {

CPropertySheet::CPropertySheet(const wchar_t* caption, UINT startPage)
    : caption_(caption), startPage_(startPage) {}

CPropertyPage* CPropertySheet::GetPage(int index) const {
  return index >= 0 && index < GetPageCount() ? pages_[static_cast<std::size_t>(index)] : nullptr;
}

int CPropertySheet::GetActiveIndex() const {
  const HWND sheet = GetSafeHwnd();
  if (!sheet) return -1;
  return static_cast<int>(PropSheet_HwndToIndex(sheet, PropSheet_GetCurrentPageHwnd(sheet)));
}

INT_PTR CPropertySheet::DoModal() {
  std::vector<HPROPSHEETPAGE> handles;
  for (CPropertyPage* page : pages_) handles.push_back(page->CreatePageHandle());

  // Modeless underneath, with the loop below: the sheet window can then be bound before the
  // user sees it, and the loop ends when comctl32 reports no current page (closed).
  PROPSHEETHEADERW header{};
  header.dwSize = sizeof header;
  header.dwFlags = flags_ | PSH_MODELESS;
  header.hInstance = GetModuleHandleW(nullptr);
  header.pszCaption = caption_.c_str();
  header.nPages = static_cast<UINT>(handles.size());
  header.nStartPage = startPage_;
  header.phpage = handles.data();
  const auto created = PropertySheetW(&header);
  const HWND sheet = reinterpret_cast<HWND>(created);
  if (created <= 0 || !sheet) {
    // Without a sheet nothing took the pages over.
    for (HPROPSHEETPAGE handle : handles)
      if (handle) DestroyPropertySheetPage(handle);
    return -1;
  }

  SubclassWindow(sheet);
  OnInitDialog();
  RunModalLoop();
  const INT_PTR result = static_cast<INT_PTR>(SendMessageW(sheet, PSM_GETRESULT, 0, 0));
  DestroyWindow(sheet);
  return result;
}

void CPropertySheet::RunModalLoop() {
  const HWND sheet = GetSafeHwnd();
  MSG message{};
  while (IsWindow(sheet) && PropSheet_GetCurrentPageHwnd(sheet)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) break;
    if (got == 0) {
      // WM_QUIT belongs to the outermost loop: put it back for whoever runs that.
      PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (!PropSheet_IsDialogMessage(sheet, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

void CPropertySheet::SetTitle(const std::wstring& title) {
  caption_ = title;
  if (const HWND sheet = GetSafeHwnd()) SetWindowTextW(sheet, caption_.c_str());
}

BOOL CPropertySheet::OnCommand(WPARAM, LPARAM) {
  return FALSE;
}

void CPropertySheet::OnSysCommand(UINT_PTR commandId, LPARAM lParam) {
  if ((commandId & 0xFFF0) == SC_CLOSE) {
    // Closing goes to the sheet's own Cancel handling directly, past this object's OnCommand:
    // a close already confirmed by a derived OnSysCommand must not be asked about again.
    Default(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return;
  }
  Default(WM_SYSCOMMAND, commandId, lParam);
}

LRESULT CPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (OnCommand(wParam, lParam)) return 0;
      break;
    case WM_SYSCOMMAND: OnSysCommand(wParam, lParam); return 0;
    case WM_SETTEXT:
      // In wizard mode comctl32 retitles the sheet with each page's caption as the page is
      // shown; pages without a caption would leave the title blank. The sheet keeps its own.
      if (flags_ & PSH_WIZARD) return Default(message, wParam, reinterpret_cast<LPARAM>(caption_.c_str()));
      break;
    default: break;
  }
  return Default(message, wParam, lParam);
}

}  // namespace lanternix::framework
