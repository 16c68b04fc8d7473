#pragma once
// One owner for one Win32 resource. Every handle kind is a line over this
// template: its close function and its invalid value. Copy is deleted, move
// hands the resource over; closing keeps the caller's last-error value.

#include <windows.h>

#include <type_traits>
#include <utility>

namespace tarvo {

template <typename T, typename Traits>
class TUniqueResource {
public:
  TUniqueResource() noexcept = default;
  explicit TUniqueResource(T value) noexcept : value_(value) {}
  ~TUniqueResource() { reset(); }

  TUniqueResource(const TUniqueResource&) = delete;
  TUniqueResource& operator=(const TUniqueResource&) = delete;
  TUniqueResource(TUniqueResource&& other) noexcept : value_(other.release()) {}
  TUniqueResource& operator=(TUniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  T get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }

  T release() noexcept { return std::exchange(value_, Traits::Invalid()); }

  void reset(T value = Traits::Invalid()) noexcept {
    T old = std::exchange(value_, value);
    if (old != Traits::Invalid()) {
      DWORD lastError = GetLastError();
      Traits::Close(old);
      SetLastError(lastError);
    }
  }

  // For out-parameters: releases what is held before handing out the address.
  T* put() noexcept {
    reset();
    return &value_;
  }

private:
  T value_ = Traits::Invalid();
};

// The traits of a handle kind whose invalid value is null: its close function.
template <typename H, auto CloseFunction>
struct TNullTraits {
  static H Invalid() noexcept { return nullptr; }
  static void Close(H value) noexcept { CloseFunction(value); }
};

// File handles alone are invalid as INVALID_HANDLE_VALUE.
struct TFileHandleTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { CloseHandle(h); }
};

using TUniqueHKey = TUniqueResource<HKEY, TNullTraits<HKEY, &RegCloseKey>>;
using TUniqueFile = TUniqueResource<HANDLE, TFileHandleTraits>;
using TUniqueHandle = TUniqueResource<HANDLE, TNullTraits<HANDLE, &CloseHandle>>;
using TUniqueModule = TUniqueResource<HMODULE, TNullTraits<HMODULE, &FreeLibrary>>;
using TUniqueWindow = TUniqueResource<HWND, TNullTraits<HWND, &DestroyWindow>>;
using TUniqueIcon = TUniqueResource<HICON, TNullTraits<HICON, &DestroyIcon>>;
// Fonts, bitmaps, brushes and pens: each its own type, so that none is cast
// back from an untyped object.
using TUniqueFont = TUniqueResource<HFONT, TNullTraits<HFONT, &DeleteObject>>;
using TUniqueBitmap = TUniqueResource<HBITMAP, TNullTraits<HBITMAP, &DeleteObject>>;
using TUniqueBrush = TUniqueResource<HBRUSH, TNullTraits<HBRUSH, &DeleteObject>>;
using TUniquePen = TUniqueResource<HPEN, TNullTraits<HPEN, &DeleteObject>>;
// A device context made with CreateCompatibleDC.
using TUniqueMemoryDC = TUniqueResource<HDC, TNullTraits<HDC, &DeleteDC>>;
// Memory the system allocated for the caller with LocalAlloc (FormatMessageA
// with FORMAT_MESSAGE_ALLOCATE_BUFFER, for one).
template <typename T>
using TUniqueLocalMemory = TUniqueResource<T*, TNullTraits<T*, &LocalFree>>;

static_assert(!std::is_copy_constructible_v<TUniqueHKey>);
static_assert(!std::is_copy_assignable_v<TUniqueHKey>);
static_assert(std::is_nothrow_move_constructible_v<TUniqueHKey>);
static_assert(std::is_nothrow_move_assignable_v<TUniqueFile>);
static_assert(!std::is_copy_constructible_v<TUniqueFont>);
static_assert(std::is_nothrow_move_constructible_v<TUniqueBitmap>);

}  // namespace tarvo
