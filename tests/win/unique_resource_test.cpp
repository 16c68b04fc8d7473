// The holders of src/platform on real handles: closing keeps the caller's
// last error (also when the close itself fails), the out-parameter accessor
// closes what was held, a selection and a COM initialisation end with their
// holders.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "platform/ComRef.h"
#include "platform/DeviceContext.h"
#include "platform/UniqueResource.h"

namespace tarvo {
namespace {

constexpr DWORD kSentinel = 0xdeadbeef;

TEST(UniqueResource, ClosingKeepsTheLastError) {
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key));
  {
    TUniqueHKey held(key);
    SetLastError(kSentinel);
  }
  EXPECT_EQ(kSentinel, GetLastError());

  // A value that is no handle any more: the platform fails the close and
  // says why...
  HANDLE stale = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(nullptr, stale);
  ASSERT_TRUE(CloseHandle(stale));
  SetLastError(0);
  EXPECT_FALSE(CloseHandle(stale));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  // ...and the holder's failing close still leaves the caller's value.
  {
    TUniqueHandle held(stale);
    SetLastError(kSentinel);
  }
  EXPECT_EQ(kSentinel, GetLastError());
}

TEST(UniqueResource, PutClosesWhatWasHeldReleaseAndMoveHandOver) {
  TUniqueHKey key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, key.put()));
  const HKEY first = key.get();
  // Asked before anything else is opened: Wine hands a freed handle value
  // out again at the next open.
  key.put();
  EXPECT_FALSE(key);
  EXPECT_EQ(ERROR_INVALID_HANDLE,
            RegQueryInfoKeyA(first, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr))
      << "the first key stayed open";

  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, key.put()));
  TUniqueHKey other(key.release());
  EXPECT_FALSE(key);
  EXPECT_TRUE(other);
  key = std::move(other);
  EXPECT_TRUE(key);
  EXPECT_FALSE(other);
}

TEST(DeviceContext, SelectionEndsWithItsScopeAndKeepsTheLastError) {
  TUniqueMemoryDC dc(CreateCompatibleDC(nullptr));
  ASSERT_TRUE(dc);
  TUniqueFont font(CreateFontA(-20, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               DEFAULT_PITCH | FF_DONTCARE, "Tahoma"));
  ASSERT_TRUE(font);
  const HGDIOBJ before = GetCurrentObject(dc.get(), OBJ_FONT);
  ASSERT_NE(before, static_cast<HGDIOBJ>(font.get()));
  {
    TSelectedObject selected(dc.get(), font.get());
    EXPECT_EQ(static_cast<HGDIOBJ>(font.get()), GetCurrentObject(dc.get(), OBJ_FONT));
    SetLastError(kSentinel);
  }
  EXPECT_EQ(kSentinel, GetLastError());
  EXPECT_EQ(before, GetCurrentObject(dc.get(), OBJ_FONT));

  // A null object selects nothing and restores nothing.
  {
    TSelectedObject none(dc.get(), nullptr);
    EXPECT_EQ(before, GetCurrentObject(dc.get(), OBJ_FONT));
  }
  EXPECT_EQ(before, GetCurrentObject(dc.get(), OBJ_FONT));

  // The screen's DC, borrowed and given back.
  {
    TWindowDC screen(nullptr);
    EXPECT_TRUE(screen);
    EXPECT_GT(GetDeviceCaps(screen.get(), LOGPIXELSY), 0);
    SetLastError(kSentinel);
  }
  EXPECT_EQ(kSentinel, GetLastError());
}

TEST(ComInitialization, EachInitialisationIsUndoneOnce) {
  {
    TComInitialization com;
    EXPECT_FALSE(com);
    com.reset(SUCCEEDED(CoInitialize(nullptr)));
    EXPECT_TRUE(com);
    // A second initialisation of the thread is counted, and undone by its own holder.
    TComInitialization again;
    const HRESULT nested = CoInitialize(nullptr);
    EXPECT_EQ(S_FALSE, nested);
    again.reset(SUCCEEDED(nested));
  }
  // Both were undone: the thread starts afresh.
  const HRESULT fresh = CoInitialize(nullptr);
  EXPECT_EQ(S_OK, fresh);
  if (SUCCEEDED(fresh)) CoUninitialize();
}

}  // namespace
}  // namespace tarvo
