// A property sheet over comctl32's, run modally. The pages are added in order and created by
// comctl32 when first shown; the sheet window is bound to this object once it exists, so
// OnInitDialog, OnCommand and OnSysCommand see it from then on.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "framework/property_page.h"
#include "framework/window.h"

namespace lanternix::framework {

class CPropertySheet : public CWnd {
 public:
  // A sheet without a parent window.
  CPropertySheet(const wchar_t* caption, UINT startPage);

  // PROPSHEETHEADER flags, such as PSH_WIZARD.
  void AddFlags(DWORD flags) { flags_ |= flags; }
  // The window title from now on (the caption given at construction until then).
  void SetTitle(const std::wstring& title);
  // Pages are shown in the order they are added; the page must outlive the modal run.
  void AddPage(CPropertyPage& page) { pages_.push_back(&page); }
  void RemoveAllPages() { pages_.clear(); }
  int GetPageCount() const { return static_cast<int>(pages_.size()); }
  CPropertyPage* GetPage(int index) const;
  // Position of the current page, or -1 while the sheet has no window.
  int GetActiveIndex() const;
  // One of the sheet's own buttons (IDCANCEL, ID_WIZBACK, ID_WIZNEXT, ...).
  HWND GetButton(int id) const { return GetDlgItem(GetSafeHwnd(), id); }

  // Creates the sheet and runs its message loop until it closes; the result is comctl32's
  // (PSM_GETRESULT), or -1 when the sheet could not be created.
  INT_PTR DoModal();

 protected:
  // Runs once the sheet window and its first page exist.
  virtual BOOL OnInitDialog() { return TRUE; }
  // WM_COMMAND: TRUE when handled here; FALSE lets the sheet's default handling run (IDCANCEL
  // closes the sheet as cancelled).
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // WM_SYSCOMMAND; the default closes the sheet on SC_CLOSE.
  virtual void OnSysCommand(UINT_PTR commandId, LPARAM lParam);

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void RunModalLoop();

  std::wstring caption_;
  UINT startPage_;
  DWORD flags_ = 0;
  std::vector<CPropertyPage*> pages_;
};

}  // namespace lanternix::framework
