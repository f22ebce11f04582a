// Scoped GDI objects. Owning types (CFont, CBrush) delete their object; CFontHandle never does,
// so a declaration shows who frees a font. The device-context types give back what they took.
#pragma once

#include <windows.h>

namespace lanternix::framework {

// A font someone else owns: a control's current font or a stock font.
class CFontHandle {
 public:
  CFontHandle() = default;
  explicit CFontHandle(HFONT font) : font_(font) {}
  HFONT Get() const { return font_; }
  explicit operator bool() const { return font_ != nullptr; }
  // The font's description; false when there is no font or GDI cannot read it.
  bool GetLogFont(LOGFONTW& logFont) const {
    return font_ && GetObjectW(font_, sizeof logFont, &logFont) == sizeof logFont;
  }

 private:
  HFONT font_ = nullptr;
};

class CFont {
 public:
  CFont() = default;
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;
  ~CFont() { Reset(); }

  // Takes ownership of font, deleting the font held before.
  void Attach(HFONT font) {
    Reset();
    font_ = font;
  }
  bool CreateFromLogFont(const LOGFONTW& logFont) {
    Attach(CreateFontIndirectW(&logFont));
    return font_ != nullptr;
  }
  void Reset() {
    if (font_) DeleteObject(font_);
    font_ = nullptr;
  }
  HFONT Get() const { return font_; }
  CFontHandle Handle() const { return CFontHandle(font_); }
  explicit operator bool() const { return font_ != nullptr; }

 private:
  HFONT font_ = nullptr;
};

class CBrush {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF colour) : brush_(CreateSolidBrush(colour)) {}
  CBrush(const CBrush&) = delete;
  CBrush& operator=(const CBrush&) = delete;
  ~CBrush() { Reset(); }

  void Reset() {
    if (brush_) DeleteObject(brush_);
    brush_ = nullptr;
  }
  HBRUSH Get() const { return brush_; }

 private:
  HBRUSH brush_ = nullptr;
};

// BeginPaint / EndPaint around one WM_PAINT.
class CPaintDC {
 public:
  explicit CPaintDC(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;
  ~CPaintDC() { EndPaint(window_, &paint_); }
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// GetDC / ReleaseDC; a null window gives the screen's device context.
class CClientDC {
 public:
  explicit CClientDC(HWND window) : window_(window), dc_(GetDC(window)) {}
  CClientDC(const CClientDC&) = delete;
  CClientDC& operator=(const CClientDC&) = delete;
  ~CClientDC() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC Get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// SaveDC / RestoreDC: colours, modes and selected objects go back to what they were, so no
// object of ours stays selected into a device context when it is deleted.
class CSavedDC {
 public:
  explicit CSavedDC(HDC dc) : dc_(dc), saved_(dc ? SaveDC(dc) : 0) {}
  CSavedDC(const CSavedDC&) = delete;
  CSavedDC& operator=(const CSavedDC&) = delete;
  ~CSavedDC() {
    if (saved_) RestoreDC(dc_, saved_);
  }

 private:
  HDC dc_;
  int saved_;
};

}  // namespace lanternix::framework
