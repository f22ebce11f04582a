// A static text control of a dialog, bound to its object through dialog data exchange.
#pragma once

#include <windows.h>

#include "framework/window.h"

namespace lanternix::framework {

class CStatic : public CWnd {};

// What a page's DoDataExchange works on: the page's dialog.
struct CDataExchange {
  HWND dialog = nullptr;
};

// Binds control to the dialog's control controlId the first time; once bound, a repeated
// exchange changes nothing.
inline void DDX_Control(const CDataExchange& dx, int controlId, CWnd& control) {
  if (!control.IsBound()) control.SubclassWindow(GetDlgItem(dx.dialog, controlId));
}

}  // namespace lanternix::framework
