#pragma once
// Functions that not every system the program runs on exports are looked up
// at run time: a static import of one would keep the program from starting
// where it is missing.

#include <windows.h>

namespace tarvo {

// The function `name` of `module` as a pointer of type F; null when the
// module is null or does not export it.
template <typename F>
F ModuleFunction(HMODULE module, const char* name) {
  return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                : nullptr;
}

}  // namespace tarvo
