#include "wizard/color_static.h"

#include <cwchar>
#include <string>

#include "wizard/control_logic.h"

namespace lanternix::wizard {

namespace {
constexpr wchar_t kArial[] = L"Arial";
}

CXColorStatic::CXColorStatic()
    : m_crText(GetSysColor(COLOR_BTNTEXT)), m_crBk(GetSysColor(COLOR_BTNFACE)), m_brBk(m_crBk) {}

framework::CFontHandle CXColorStatic::ControlFont() const {
  framework::CFontHandle font(reinterpret_cast<HFONT>(SendMessageW(GetSafeHwnd(), WM_GETFONT, 0, 0)));
  if (!font) font = framework::CFontHandle(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  if (!font) font = framework::CFontHandle(static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT)));
  return font;
}

void CXColorStatic::PreSubclassWindow() {
  LOGFONTW logFont{};
  if (ControlFont().GetLogFont(logFont)) m_font.CreateFromLogFont(logFont);
}

void CXColorStatic::SetBold(BOOL bold) {
  m_bBold = bold;
  LOGFONTW logFont{};
  if (!ControlFont().GetLogFont(logFont)) return;
  logFont.lfWeight = FontWeight(m_bBold != FALSE);
  m_font.CreateFromLogFont(logFont);
  Redraw();
}

void CXColorStatic::SetFontHeight(int height) {
  LOGFONTW logFont{};
  wcsncpy(logFont.lfFaceName, kArial, LF_FACESIZE - 1);
  logFont.lfHeight = height;
  logFont.lfQuality = ANTIALIASED_QUALITY;
  logFont.lfWeight = FontWeight(m_bBold != FALSE);
  m_font.CreateFromLogFont(logFont);
  Redraw();
}

void CXColorStatic::Redraw() const {
  if (const HWND window = GetSafeHwnd())
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

LRESULT CXColorStatic::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: OnPaint(); return 0;
    case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    default: return Default(message, wParam, lParam);
  }
}

void CXColorStatic::OnPaint() {
  const HWND window = GetSafeHwnd();
  framework::CPaintDC dc(window);
  framework::CSavedDC saved(dc.Get());
  ::SetTextColor(dc.Get(), m_crText);
  SetBkColor(dc.Get(), m_crBk);
  SetBkMode(dc.Get(), OPAQUE);
  if (m_brBk.Get()) SelectObject(dc.Get(), m_brBk.Get());

  RECT client{};
  GetClientRect(window, &client);
  if (m_font) SelectObject(dc.Get(), m_font.Get());
  const int textLength = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(textLength) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), textLength + 1)));

  DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &client,
            DrawTextFormatForStyle(GetStyle()));
}

BOOL CXColorStatic::OnEraseBkgnd(HDC dc) {
  RECT client{};
  GetClientRect(GetSafeHwnd(), &client);
  if (m_brBk.Get()) FillRect(dc, &client, m_brBk.Get());
  return TRUE;
}

static_assert(kDrawCenter == DT_CENTER && kDrawRight == DT_RIGHT && kDrawVCenter == DT_VCENTER &&
              kDrawSingleLine == DT_SINGLELINE && kDrawWordBreak == DT_WORDBREAK && kDrawLeft == DT_LEFT);
static_assert(kWeightBold == FW_BOLD && kWeightNormal == FW_NORMAL);

}  // namespace lanternix::wizard
