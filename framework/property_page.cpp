#include "framework/property_page.h"

#include <commctrl.h>

namespace lanternix::framework {

HPROPSHEETPAGE CPropertyPage::CreatePageHandle() {
  PROPSHEETPAGEW page{};
  page.dwSize = sizeof page;
  page.dwFlags = PSP_DEFAULT;
  page.hInstance = GetModuleHandleW(nullptr);
  page.pszTemplate = MAKEINTRESOURCEW(templateId_);
  page.pfnDlgProc = DialogProc;
  page.lParam = reinterpret_cast<LPARAM>(this);
  return CreatePropertySheetPageW(&page);
}

BOOL CPropertyPage::OnInitDialog() {
  CDataExchange dx{GetSafeHwnd()};
  DoDataExchange(dx);
  return TRUE;
}

BOOL CPropertyPage::OnNotify(WPARAM, LPARAM lParam, LRESULT* result) {
  switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
    case PSN_SETACTIVE: *result = OnSetActive() ? 0 : -1; return TRUE;
    case PSN_WIZNEXT: *result = OnWizardNext(); return TRUE;
    case PSN_WIZBACK: *result = OnWizardBack(); return TRUE;
    default: return FALSE;
  }
}

void CPropertyPage::DoDataExchange(CDataExchange&) {}

BOOL CPropertyPage::OnCommand(WPARAM, LPARAM) {
  return FALSE;
}

INT_PTR CALLBACK CPropertyPage::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  CPropertyPage* page = nullptr;
  if (message == WM_INITDIALOG) {
    // The sheet hands the page its own copy of PROPSHEETPAGEW; lParam still points at us.
    page = reinterpret_cast<CPropertyPage*>(reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam);
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(page));
    page->AttachHandle(dialog);
  } else {
    page = reinterpret_cast<CPropertyPage*>(GetWindowLongPtrW(dialog, DWLP_USER));
  }
  // Messages before WM_INITDIALOG (WM_SETFONT) have no page yet.
  return page ? page->HandleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CPropertyPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnInitDialog();
    case WM_NOTIFY: return HandleNotify(wParam, lParam);
    case WM_COMMAND: return HandleCommand(wParam, lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT: return HandleControlColour(message, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLongPtrW(GetSafeHwnd(), DWLP_USER, 0);
      DetachHandle();
      return FALSE;
    default: return FALSE;
  }
}

INT_PTR CPropertyPage::HandleNotify(WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (!OnNotify(wParam, lParam, &result)) return FALSE;
  // A dialog procedure answers a notification through DWLP_MSGRESULT, not its return value.
  SetWindowLongPtrW(GetSafeHwnd(), DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR CPropertyPage::HandleCommand(WPARAM wParam, LPARAM lParam) {
  LRESULT ignored = 0;
  if (CWnd* control = FromBoundHandle(reinterpret_cast<HWND>(lParam));
      control && control->OnReflectedMessage(WM_COMMAND, wParam, lParam, ignored))
    return TRUE;
  return OnCommand(wParam, lParam);
}

INT_PTR CPropertyPage::HandleControlColour(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT brush = 0;
  if (CWnd* control = FromBoundHandle(reinterpret_cast<HWND>(lParam));
      control && control->OnReflectedMessage(message, wParam, lParam, brush))
    return static_cast<INT_PTR>(brush);
  return FALSE;
}

}  // namespace lanternix::framework
