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

struct THKeyTraits {
  static HKEY Invalid() noexcept { return nullptr; }
  static void Close(HKEY key) noexcept { RegCloseKey(key); }
};
using TUniqueHKey = TUniqueResource<HKEY, THKeyTraits>;

struct TFileHandleTraits {
  static HANDLE Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
using TUniqueFile = TUniqueResource<HANDLE, TFileHandleTraits>;

struct TKernelHandleTraits {
  static HANDLE Invalid() noexcept { return nullptr; }
  static void Close(HANDLE h) noexcept { CloseHandle(h); }
};
using TUniqueHandle = TUniqueResource<HANDLE, TKernelHandleTraits>;

struct TModuleTraits {
  static HMODULE Invalid() noexcept { return nullptr; }
  static void Close(HMODULE m) noexcept { FreeLibrary(m); }
};
using TUniqueModule = TUniqueResource<HMODULE, TModuleTraits>;

// Fonts, bitmaps, brushes and pens: each its own type, so that none is cast
// back from an untyped object.
template <typename H>
struct TGdiObjectTraits {
  static H Invalid() noexcept { return nullptr; }
  static void Close(H object) noexcept { DeleteObject(object); }
};
using TUniqueFont = TUniqueResource<HFONT, TGdiObjectTraits<HFONT>>;
using TUniqueBitmap = TUniqueResource<HBITMAP, TGdiObjectTraits<HBITMAP>>;
using TUniqueBrush = TUniqueResource<HBRUSH, TGdiObjectTraits<HBRUSH>>;
using TUniquePen = TUniqueResource<HPEN, TGdiObjectTraits<HPEN>>;

// A device context made with CreateCompatibleDC.
struct TMemoryDCTraits {
  static HDC Invalid() noexcept { return nullptr; }
  static void Close(HDC dc) noexcept { DeleteDC(dc); }
};
using TUniqueMemoryDC = TUniqueResource<HDC, TMemoryDCTraits>;

// Memory the system allocated for the caller with LocalAlloc (FormatMessageA
// with FORMAT_MESSAGE_ALLOCATE_BUFFER, for one).
template <typename T>
struct TLocalMemoryTraits {
  static T* Invalid() noexcept { return nullptr; }
  static void Close(T* memory) noexcept { LocalFree(memory); }
};
template <typename T>
using TUniqueLocalMemory = TUniqueResource<T*, TLocalMemoryTraits<T>>;

struct TIconTraits {
  static HICON Invalid() noexcept { return nullptr; }
  static void Close(HICON i) noexcept { DestroyIcon(i); }
};
using TUniqueIcon = TUniqueResource<HICON, TIconTraits>;

struct TWindowTraits {
  static HWND Invalid() noexcept { return nullptr; }
  static void Close(HWND w) noexcept { DestroyWindow(w); }
};
using TUniqueWindow = TUniqueResource<HWND, TWindowTraits>;

static_assert(!std::is_copy_constructible_v<TUniqueHKey>);
static_assert(!std::is_copy_assignable_v<TUniqueHKey>);
static_assert(std::is_nothrow_move_constructible_v<TUniqueHKey>);
static_assert(std::is_nothrow_move_assignable_v<TUniqueFile>);
static_assert(!std::is_copy_constructible_v<TUniqueFont>);
static_assert(std::is_nothrow_move_constructible_v<TUniqueBitmap>);

}  // namespace tarvo
