#pragma once
// Sole reference to a COM interface; Release() is called here and nowhere
// else in the program. And the thread's COM initialisation, undone once.

#include <windows.h>
#include <objbase.h>
#include <unknwn.h>

#include "platform/UniqueResource.h"

#include <type_traits>
#include <utility>

namespace tarvo {

template <typename I>
class TComRef {
public:
  TComRef() noexcept = default;
  explicit TComRef(I* p) noexcept : p_(p) {}  // takes over one reference
  ~TComRef() { reset(); }

  TComRef(const TComRef&) = delete;
  TComRef& operator=(const TComRef&) = delete;
  TComRef(TComRef&& other) noexcept : p_(other.release()) {}
  TComRef& operator=(TComRef&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = other.release();
    }
    return *this;
  }

  I* get() const noexcept { return p_; }
  I* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  I* release() noexcept { return std::exchange(p_, nullptr); }

  void reset() noexcept {
    if (I* old = std::exchange(p_, nullptr)) old->Release();
  }

  // For out-parameters: releases what is held before handing out the address.
  I** put() noexcept {
    reset();
    return &p_;
  }
  void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

private:
  I* p_ = nullptr;
};

// Holds true while this thread's CoInitialize awaits its CoUninitialize.
// S_FALSE (already initialised on this thread) needs its CoUninitialize as
// well; only a failure does not:
//   com.reset(SUCCEEDED(CoInitialize(nullptr)));
struct TComUninitializeTraits {
  static bool Invalid() noexcept { return false; }
  static void Close(bool) noexcept { CoUninitialize(); }
};
using TComInitialization = TUniqueResource<bool, TComUninitializeTraits>;

static_assert(!std::is_copy_constructible_v<TComRef<IUnknown>>);
static_assert(std::is_nothrow_move_constructible_v<TComRef<IUnknown>>);

}  // namespace tarvo
