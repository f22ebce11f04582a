// A static text that paints itself in its own colours and font: the installing line of the
// Ready page, red and bold.
#pragma once

#include <windows.h>

#include "framework/gdi.h"
#include "framework/static_control.h"

namespace lanternix::wizard {

class CXColorStatic : public framework::CStatic {
 public:
  CXColorStatic();

  void SetTextColor(COLORREF colour) { m_crText = colour; }
  // The control's own font again, at weight 700 (bold) or 400.
  void SetBold(BOOL bold);
  // Arial of the given height, bold or not as SetBold last said.
  void SetFontHeight(int height);

 protected:
  void PreSubclassWindow() override;
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // The font the control reports (WM_GETFONT), else the stock GUI fonts.
  framework::CFontHandle ControlFont() const;
  void Redraw() const;
  void OnPaint();
  BOOL OnEraseBkgnd(HDC dc);

  framework::CFont m_font;
  COLORREF m_crText;
  COLORREF m_crBk;
  framework::CBrush m_brBk;
  BOOL m_bBold = FALSE;
};

}  // namespace lanternix::wizard
