#include "framework/window.h"

#include <commctrl.h>

namespace lanternix::framework {

namespace {
constexpr UINT_PTR kSubclassId = 0x4C58;  // any value; identifies this framework's subclass
// Names the bound object on its window. GetWindowSubclass would do, but older comctl32
// versions export it by ordinal only.
constexpr wchar_t kBoundObjectProperty[] = L"Lanternix.CWnd";
}  // namespace

CWnd::~CWnd() {
  Unsubclass();
}

DWORD CWnd::GetStyle() const {
  return hwnd_ ? static_cast<DWORD>(GetWindowLongW(hwnd_, GWL_STYLE)) : 0;
}

void CWnd::InvalidateAll() const {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

bool CWnd::SubclassWindow(HWND hwnd) {
  if (hwnd_ || !hwnd) return false;
  hwnd_ = hwnd;
  PreSubclassWindow();
  subclassed_ =
      SetWindowSubclass(hwnd, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
  if (!subclassed_) {
    hwnd_ = nullptr;
    return false;
  }
  SetPropW(hwnd, kBoundObjectProperty, this);
  return true;
}

CWnd* CWnd::FromBoundHandle(HWND hwnd) {
  return hwnd ? static_cast<CWnd*>(GetPropW(hwnd, kBoundObjectProperty)) : nullptr;
}

bool CWnd::OnReflectedMessage(UINT, WPARAM, LPARAM, LRESULT&) {
  return false;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return Default(message, wParam, lParam);
}

LRESULT CWnd::Default(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefSubclassProc(hwnd_, message, wParam, lParam);
}

void CWnd::Unsubclass() {
  if (subclassed_ && hwnd_) {
    RemovePropW(hwnd_, kBoundObjectProperty);
    RemoveWindowSubclass(hwnd_, SubclassProc, kSubclassId);
  }
  subclassed_ = false;
  hwnd_ = nullptr;
}

LRESULT CALLBACK CWnd::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR refData) {
  auto* window = reinterpret_cast<CWnd*>(refData);
  if (message == WM_NCDESTROY) {
    // The last message the window gets: the object lets go so it never touches a dead handle.
    window->Unsubclass();
    return DefSubclassProc(hwnd, message, wParam, lParam);
  }
  return window->WindowProc(message, wParam, lParam);
}

}  // namespace lanternix::framework
