// A static text of a dialog turned into a web link: link, hover and visited colours, an
// underline always or only while hovering, a hand cursor, sized to its text, and a click that
// opens its address in the browser.
#pragma once

#include <windows.h>

#include <string>

#include "framework/gdi.h"
#include "framework/static_control.h"
#include "platform/win32/handles.h"
#include "wizard/hyperlink_logic.h"

namespace lanternix::wizard {

class CHyperLink : public framework::CStatic {
 public:
  CHyperLink() = default;
  ~CHyperLink() override;

  // Stores the address and, when the control exists, sizes it to its text again; the text
  // itself stays.
  void SetLinkAddress(std::wstring url);
  // kUnderlineWhileHovering, kUnderlineAlways, or anything else for never.
  void SetUnderlineMode(int mode);
  // Kills the hover timer, then destroys the control.
  BOOL DestroyWindow();

  // What a click opens the address through.
  void SetPlatform(Platform& platform) { platform_ = &platform; }

  bool OnReflectedMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 protected:
  void PreSubclassWindow() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  static constexpr UINT_PTR kHoverTimerId = 100;
  static constexpr UINT kHoverPeriodMs = 100;

  void FitToText();
  void LoadHandCursor();
  void SetFont(HFONT font);

  HBRUSH CtlColor(HDC dc);
  BOOL OnSetCursor();
  LRESULT OnMouseMove(WPARAM wParam, LPARAM lParam);
  LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
  void OnLinkClicked();
  BOOL OnEraseBkgnd(HDC dc);

  LinkColours colours_;
  bool overControl_ = false;
  bool visited_ = false;
  int underlineMode_ = kUnderlineWhileHovering;
  bool adjustToFit_ = true;
  std::wstring url_;
  Platform* platform_ = nullptr;
  framework::CFont underlinedFont_;
  framework::CFont standardFont_;
  // The cursor copied from winhlp32.exe is ours to destroy; the system's hand cursor is shared
  // and must not be. linkCursor_ is whichever of the two is in use.
  struct CursorTraits {
    static HCURSOR Invalid() { return nullptr; }
    static void Close(HCURSOR cursor) { DestroyCursor(cursor); }
  };
  win32::UniqueHandle<HCURSOR, CursorTraits> ownedCursor_;
  HCURSOR linkCursor_ = nullptr;
};

}  // namespace lanternix::wizard
