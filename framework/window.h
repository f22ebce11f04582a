// The window object every wizard class derives from. A CWnd either belongs to a dialog the
// property sheet creates (the pages set their handle themselves) or is bound to an existing
// window by subclassing it (the sheet and the custom controls): then WindowProc sees every
// message first and Default passes it on to the window's own procedure.
#pragma once

#include <windows.h>

namespace lanternix::framework {

// Whether the dialog's check box or radio button id is checked; false without a dialog.
inline bool IsButtonChecked(HWND dialog, int id) {
  return dialog && IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

class CWnd {
 public:
  CWnd() = default;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;
  virtual ~CWnd();

  HWND GetSafeHwnd() const { return hwnd_; }
  bool IsBound() const { return hwnd_ != nullptr; }
  DWORD GetStyle() const;
  // Repaints the whole window, erasing its background first.
  void InvalidateAll() const;

  // Binds this object to an existing window: PreSubclassWindow runs, then the window's messages
  // come to WindowProc until the window is destroyed. False when already bound or hwnd is null.
  bool SubclassWindow(HWND hwnd);
  // The object bound to hwnd by SubclassWindow, or null.
  static CWnd* FromBoundHandle(HWND hwnd);

  // A message the parent sends back to the control it came from (the control's colour request,
  // its click notification). True when handled; result is then the answer.
  virtual bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

 protected:
  virtual void PreSubclassWindow() {}
  // The class's message switch; whatever it does not handle goes to Default.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // The window's own procedure (the one in place before SubclassWindow).
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

  // For windows whose procedure this object owns from creation on (the pages' dialogs).
  void AttachHandle(HWND hwnd) { hwnd_ = hwnd; }
  void DetachHandle() { hwnd_ = nullptr; }

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR refData);
  void Unsubclass();

  HWND hwnd_ = nullptr;
  bool subclassed_ = false;
};

}  // namespace lanternix::framework
