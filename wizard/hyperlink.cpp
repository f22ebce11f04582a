#include "wizard/hyperlink.h"

#include "platform/text_limits.h"

namespace lanternix::wizard {

namespace {

constexpr WORD kHelpCursorId = 106;

LinkRect ToLinkRect(const RECT& rect) {
  return {rect.left, rect.top, rect.right, rect.bottom};
}

}  // namespace

CHyperLink::~CHyperLink() = default;

void CHyperLink::SetLinkAddress(std::wstring url) {
  url_ = std::move(url);
  FitToText();
}

void CHyperLink::SetUnderlineMode(int mode) {
  if (mode == underlineMode_) return;
  if (IsBound()) {
    SetFont(mode == kUnderlineAlways ? underlinedFont_.Get() : standardFont_.Get());
    InvalidateAll();
  }
  underlineMode_ = mode;
}

BOOL CHyperLink::DestroyWindow() {
  const HWND window = GetSafeHwnd();
  if (!window) return FALSE;
  KillTimer(window, kHoverTimerId);
  return ::DestroyWindow(window);
}

void CHyperLink::PreSubclassWindow() {
  const HWND window = GetSafeHwnd();
  SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(GetStyle() | kStaticNotify));

  const int textLength = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(textLength) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), textLength + 1)));
  if (url_.empty()) url_ = text;
  if (text.empty()) SetWindowTextW(window, url_.c_str());

  framework::CFontHandle font(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  if (!font) font = framework::CFontHandle(static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  if (!font) font = framework::CFontHandle(static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT)));
  LOGFONTW logFont{};
  if (font.GetLogFont(logFont)) {
    standardFont_.CreateFromLogFont(logFont);
    logFont.lfUnderline = TRUE;
    underlinedFont_.CreateFromLogFont(logFont);
  }

  FitToText();
  LoadHandCursor();
  SetUnderlineMode(kUnderlineWhileHovering);
}

void CHyperLink::FitToText() {
  const HWND window = GetSafeHwnd();
  if (!window || !adjustToFit_) return;

  RECT windowRect{}, clientRect{};
  GetWindowRect(window, &windowRect);
  GetClientRect(window, &clientRect);
  ClientToScreen(window, reinterpret_cast<POINT*>(&clientRect.left));
  ClientToScreen(window, reinterpret_cast<POINT*>(&clientRect.right));
  if (const HWND parent = GetParent(window)) {
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&windowRect), 2);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&clientRect), 2);
  }

  const int textLength = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(textLength) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), textLength + 1)));
  SIZE extent{};
  {
    framework::CClientDC dc(window);
    if (!dc) return;
    framework::CSavedDC saved(dc.Get());
    if (underlinedFont_) SelectObject(dc.Get(), underlinedFont_.Get());
    GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
  }

  const LinkRect fitted =
      FitRectToText(ToLinkRect(windowRect), ToLinkRect(clientRect), {extent.cx, extent.cy}, GetStyle());
  SetWindowPos(window, nullptr, fitted.left, fitted.top, fitted.Width(), fitted.Height(), SWP_NOZORDER);
}

void CHyperLink::LoadHandCursor() {
  if (linkCursor_) return;
  wchar_t windowsFolder[kShortTextChars] = {};
  const UINT length = GetWindowsDirectoryW(windowsFolder, kShortTextChars);
  if (length > 0 && length < kShortTextChars) {
    const std::wstring helpViewer = std::wstring(windowsFolder, length) + L"\\winhlp32.exe";
    // Mapped for its resources only: none of its code runs, and it loads whatever its bitness.
    const win32::UniqueLibrary library(LoadLibraryExW(helpViewer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (library) {
      if (const HCURSOR cursor = LoadCursorW(library.Get(), MAKEINTRESOURCEW(kHelpCursorId)))
        ownedCursor_.Reset(CopyCursor(cursor));
    }
  }
  // Recent Windows versions and Wine have no such cursor; the system's own hand serves.
  linkCursor_ = ownedCursor_ ? ownedCursor_.Get() : LoadCursorW(nullptr, IDC_HAND);
}

void CHyperLink::SetFont(HFONT font) {
  if (font) SendMessageW(GetSafeHwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool CHyperLink::OnReflectedMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
  switch (message) {
    case WM_CTLCOLORSTATIC:
      result = reinterpret_cast<LRESULT>(CtlColor(reinterpret_cast<HDC>(wParam)));
      return true;
    case WM_COMMAND:
      if (HIWORD(wParam) != STN_CLICKED) return false;
      OnLinkClicked();
      result = 0;
      return true;
    default: return false;
  }
}

LRESULT CHyperLink::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETCURSOR:
      if (OnSetCursor()) return TRUE;
      break;
    case WM_MOUSEMOVE: return OnMouseMove(wParam, lParam);
    case WM_TIMER: return OnTimer(wParam, lParam);
    case WM_ERASEBKGND: return OnEraseBkgnd(reinterpret_cast<HDC>(wParam));
    default: break;
  }
  return Default(message, wParam, lParam);
}

HBRUSH CHyperLink::CtlColor(HDC dc) {
  SetTextColor(dc, LinkTextColour(colours_, overControl_, visited_));
  SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

BOOL CHyperLink::OnSetCursor() {
  if (!linkCursor_) return FALSE;
  SetCursor(linkCursor_);
  return TRUE;
}

LRESULT CHyperLink::OnMouseMove(WPARAM wParam, LPARAM lParam) {
  if (!overControl_) {
    overControl_ = true;
    if (underlineMode_ == kUnderlineWhileHovering) SetFont(underlinedFont_.Get());
    InvalidateAll();
    SetTimer(GetSafeHwnd(), kHoverTimerId, kHoverPeriodMs, nullptr);
  }
  return Default(WM_MOUSEMOVE, wParam, lParam);
}

LRESULT CHyperLink::OnTimer(WPARAM wParam, LPARAM lParam) {
  const HWND window = GetSafeHwnd();
  const DWORD position = GetMessagePos();
  POINT cursor{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  ScreenToClient(window, &cursor);
  RECT client{};
  GetClientRect(window, &client);
  if (!PtInRect(&client, cursor)) {
    overControl_ = false;
    KillTimer(window, kHoverTimerId);
    if (underlineMode_ != kUnderlineAlways) SetFont(standardFont_.Get());
    client.bottom += 10;
    InvalidateRect(window, &client, TRUE);
  }
  return Default(WM_TIMER, wParam, lParam);
}

void CHyperLink::OnLinkClicked() {
  overControl_ = false;
  visited_ = platform_ && OpenLinkAddress(*platform_, url_) > 32;
  if (!visited_) {
    MessageBeep(MB_ICONEXCLAMATION);
    return;
  }
  InvalidateAll();
}

BOOL CHyperLink::OnEraseBkgnd(HDC dc) {
  RECT client{};
  GetClientRect(GetSafeHwnd(), &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  return TRUE;
}

static_assert(kStaticCenter == SS_CENTER && kStaticRight == SS_RIGHT && kStaticNotify == SS_NOTIFY &&
              kStaticCenterImage == SS_CENTERIMAGE);

}  // namespace lanternix::wizard
