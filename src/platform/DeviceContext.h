#pragma once
// Device contexts borrowed from a window, and objects selected into a device
// context: each given back on every path out. Like the other holders they
// keep the caller's last-error value.

#include <windows.h>

namespace tarvo {

// The window's device context from GetDC, released with ReleaseDC.
class TWindowDC {
public:
  explicit TWindowDC(HWND window) noexcept : window_(window), dc_(GetDC(window)) {}
  ~TWindowDC() {
    if (!dc_) return;
    DWORD lastError = GetLastError();
    ReleaseDC(window_, dc_);
    SetLastError(lastError);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;

  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
  HWND window_;
  HDC dc_;
};

// An object selected into a device context for a scope; the object it
// replaced is selected again at the end. A null context or object selects
// nothing.
class TSelectedObject {
public:
  TSelectedObject(HDC dc, HGDIOBJ object) noexcept
      : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~TSelectedObject() {
    if (!previous_) return;
    DWORD lastError = GetLastError();
    SelectObject(dc_, previous_);
    SetLastError(lastError);
  }
  TSelectedObject(const TSelectedObject&) = delete;
  TSelectedObject& operator=(const TSelectedObject&) = delete;

private:
  HDC dc_;
  HGDIOBJ previous_;
};

}  // namespace tarvo
