#pragma once
// Sole owner of one item ID list made with the shell's allocator: released
// with FreePIDL on every path out, so a caller cannot leak a list.

#include <windows.h>
#include <shlobj.h>

#include <type_traits>

#include "platform/UniqueResource.h"
#include "support/Pidlhelp.h"

namespace tarvo {

struct TPidlTraits {
  static LPITEMIDLIST Invalid() noexcept { return nullptr; }
  static void Close(LPITEMIDLIST list) noexcept { FreePIDL(list); }
};
using TUniquePidl = TUniqueResource<LPITEMIDLIST, TPidlTraits>;

static_assert(!std::is_copy_constructible_v<TUniquePidl>);
static_assert(std::is_nothrow_move_constructible_v<TUniquePidl>);

}  // namespace tarvo
