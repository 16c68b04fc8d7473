#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/ComRef.h"
#include "support/Pidlhelp.h"
#include "support/UniquePidl.h"

#include "ShellEnvironment.h"
#include "StubShellFolder.h"

using namespace tarvo;
using tarvo::test::TShellEnvironment;
using tarvo::test::TStubShellFolder;

namespace {

const auto* const shellEnvironment = ::testing::AddGlobalTestEnvironment(new TShellEnvironment);

// A list with one item per given size; item i is filled with the byte 'A'+i.
TUniquePidl MakeList(std::initializer_list<USHORT> sizes) {
  UINT total = 2;
  for (USHORT size : sizes) total += size;
  TUniquePidl list(CreatePIDL(total));
  BYTE* out = reinterpret_cast<BYTE*>(list.get());
  BYTE fill = 'A';
  for (USHORT size : sizes) {
    std::memset(out, fill++, size);
    std::memcpy(out, &size, 2);
    out += size;
  }
  return list;
}

std::vector<BYTE> BytesOf(LPCITEMIDLIST list, UINT size) {
  const BYTE* p = reinterpret_cast<const BYTE*>(list);
  return std::vector<BYTE>(p, p + size);
}

std::vector<BYTE> BytesOf(LPCITEMIDLIST list) { return BytesOf(list, GetPidlSize(list)); }

}  // namespace

TEST(PidlBytes, SizeCountAndWalk) {
  EXPECT_EQ(0u, GetPidlSize(nullptr));
  EXPECT_EQ(0, PIDLCount(nullptr));
  TUniquePidl empty = MakeList({});
  EXPECT_EQ(2u, GetPidlSize(empty.get()));
  EXPECT_EQ(0, PIDLCount(empty.get()));
  EXPECT_EQ(nullptr, NextPIDL(empty.get()));

  TUniquePidl two = MakeList({20, 14});
  EXPECT_EQ(36u, GetPidlSize(two.get()));
  EXPECT_EQ(2, PIDLCount(two.get()));
  const BYTE* start = reinterpret_cast<const BYTE*>(two.get());
  LPITEMIDLIST second = NextPIDL(two.get());
  EXPECT_EQ(start + 20, reinterpret_cast<const BYTE*>(second));
  LPITEMIDLIST terminator = NextPIDL(second);
  EXPECT_EQ(start + 34, reinterpret_cast<const BYTE*>(terminator));
  EXPECT_EQ(nullptr, NextPIDL(terminator));
}

TEST(PidlBytes, CreateZeroesAndFreeClearsTheVariable) {
  LPITEMIDLIST list = CreatePIDL(64);
  ASSERT_NE(nullptr, list);
  EXPECT_EQ(std::vector<BYTE>(64, 0), BytesOf(list, 64));
  FreePIDL(list);
  EXPECT_EQ(nullptr, list);
  FreePIDL(list);  // an absent variable stays absent
  EXPECT_EQ(nullptr, list);
}

TEST(PidlBytes, ConcatWithAbsentAndEmptyLists) {
  TUniquePidl list = MakeList({6, 9});
  TUniquePidl empty = MakeList({});
  const std::vector<BYTE> expected = BytesOf(list.get());
  for (LPCITEMIDLIST first : std::initializer_list<LPCITEMIDLIST>{nullptr, empty.get()}) {
    TUniquePidl joined(ConcatPIDLs(first, list.get()));
    EXPECT_EQ(expected, BytesOf(joined.get()));
  }
  TUniquePidl withEmpty(ConcatPIDLs(list.get(), empty.get()));
  EXPECT_EQ(expected, BytesOf(withEmpty.get()));
  TUniquePidl withAbsent(ConcatPIDLs(list.get(), nullptr));
  EXPECT_EQ(expected, BytesOf(withAbsent.get()));
  TUniquePidl bothAbsent(ConcatPIDLs(nullptr, nullptr));
  EXPECT_EQ(2u, GetPidlSize(bothAbsent.get()));
}

TEST(PidlBytes, ConcatKeepsOrderAndTerminates) {
  TUniquePidl a = MakeList({4, 5});
  TUniquePidl b = MakeList({7});
  TUniquePidl joined(ConcatPIDLs(a.get(), b.get()));
  ASSERT_EQ(18u, GetPidlSize(joined.get()));
  std::vector<BYTE> expected = BytesOf(a.get(), 9);
  std::vector<BYTE> tail = BytesOf(b.get());
  expected.insert(expected.end(), tail.begin(), tail.end());
  EXPECT_EQ(expected, BytesOf(joined.get()));
  EXPECT_EQ(3, PIDLCount(joined.get()));
}

TEST(PidlBytes, CopiesAndSplitsOfOneItemList) {
  TUniquePidl one = MakeList({12});
  TUniquePidl parent(CopyParentPIDL(one.get()));
  EXPECT_EQ((std::vector<BYTE>{0, 0}), BytesOf(parent.get(), 2));
  TUniquePidl first(CopyFirstID(one.get()));
  TUniquePidl last(CopyLastID(one.get()));
  EXPECT_TRUE(ComparePIDLs(first.get(), last.get()));
  EXPECT_EQ(BytesOf(one.get()), BytesOf(first.get()));

  TUniquePidl empty = MakeList({});
  for (LPITEMIDLIST made : {CopyFirstID(empty.get()), CopyLastID(empty.get()),
                            CopyParentPIDL(empty.get()), CopyPIDL(empty.get())}) {
    TUniquePidl held(made);
    EXPECT_EQ((std::vector<BYTE>{0, 0}), BytesOf(held.get(), 2));
  }
  EXPECT_EQ(nullptr, CopyPIDL(nullptr));
  EXPECT_EQ(nullptr, CopyLastID(nullptr));
  EXPECT_EQ(nullptr, CopyParentPIDL(nullptr));
  EXPECT_EQ(nullptr, StripLastID(nullptr));
}

TEST(PidlBytes, SplitsOfLongerList) {
  TUniquePidl list = MakeList({5, 8, 11});
  TUniquePidl first(CopyFirstID(list.get()));
  EXPECT_EQ(BytesOf(list.get(), 5), BytesOf(first.get(), 5));
  EXPECT_EQ(7u, GetPidlSize(first.get()));
  TUniquePidl last(CopyLastID(list.get()));
  EXPECT_EQ(13u, GetPidlSize(last.get()));
  const std::vector<BYTE> lastBytes = BytesOf(last.get());
  EXPECT_EQ(std::vector<BYTE>(9, 'C'),
            std::vector<BYTE>(lastBytes.begin() + 2, lastBytes.begin() + 11));
  TUniquePidl parent(CopyParentPIDL(list.get()));
  EXPECT_EQ(15u, GetPidlSize(parent.get()));
  EXPECT_EQ(BytesOf(list.get(), 13), BytesOf(parent.get(), 13));
  EXPECT_EQ(26u, GetPidlSize(list.get()));  // the source is unchanged
}

TEST(PidlBytes, StripLastIdDownToEmpty) {
  TUniquePidl list = MakeList({5, 8, 11});
  const BYTE* start = reinterpret_cast<const BYTE*>(list.get());
  const std::vector<BYTE> before = BytesOf(list.get());
  const int count = PIDLCount(list.get());
  const BYTE* expectedEnds[] = {start + 13, start + 5, start};
  for (int i = 0; i < count; ++i) {
    LPITEMIDLIST end = StripLastID(list.get());
    EXPECT_EQ(expectedEnds[i], reinterpret_cast<const BYTE*>(end)) << "step " << i;
  }
  EXPECT_EQ(0, PIDLCount(list.get()));
  EXPECT_EQ(2u, GetPidlSize(list.get()));
  // Nothing is moved: only the size fields turned into terminators changed.
  std::vector<BYTE> after = BytesOf(list.get(), static_cast<UINT>(before.size()));
  EXPECT_EQ(std::vector<BYTE>(before.begin() + 2, before.begin() + 5),
            std::vector<BYTE>(after.begin() + 2, after.begin() + 5));
  EXPECT_EQ(std::vector<BYTE>(before.begin() + 15, before.end()),
            std::vector<BYTE>(after.begin() + 15, after.end()));
  EXPECT_EQ(list.get(), StripLastID(list.get()));  // an empty list stays as it is
}

TEST(PidlBytes, Compare) {
  TUniquePidl list = MakeList({6, 9});
  TUniquePidl copy(CopyPIDL(list.get()));
  TUniquePidl empty = MakeList({});
  TUniquePidl otherBytes = MakeList({6, 9});
  reinterpret_cast<BYTE*>(otherBytes.get())[10] = 'Z';
  TUniquePidl longer = MakeList({6, 9, 3});
  EXPECT_TRUE(ComparePIDLs(list.get(), copy.get()));
  EXPECT_TRUE(ComparePIDLs(nullptr, nullptr));
  EXPECT_FALSE(ComparePIDLs(nullptr, empty.get()));
  EXPECT_FALSE(ComparePIDLs(empty.get(), nullptr));
  EXPECT_FALSE(ComparePIDLs(list.get(), otherBytes.get()));
  EXPECT_FALSE(ComparePIDLs(list.get(), longer.get()));
}

namespace {

// An allocator that has no memory, which the real one cannot be made to show.
class TEmptyMalloc : public IMalloc {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  void* STDMETHODCALLTYPE Alloc(SIZE_T) override { return nullptr; }
  void* STDMETHODCALLTYPE Realloc(void*, SIZE_T) override { return nullptr; }
  void STDMETHODCALLTYPE Free(void*) override {}
  SIZE_T STDMETHODCALLTYPE GetSize(void*) override { return 0; }
  int STDMETHODCALLTYPE DidAlloc(void*) override { return 0; }
  void STDMETHODCALLTYPE HeapMinimize() override {}
};

struct TSwapMalloc {
  explicit TSwapMalloc(IMalloc* replacement) : saved(ShellMalloc) { ShellMalloc = replacement; }
  ~TSwapMalloc() { ShellMalloc = saved; }
  IMalloc* saved;
};

}  // namespace

TEST(PidlBytes, NoMemoryGivesAbsentLists) {
  TUniquePidl list = MakeList({6, 9});
  TEmptyMalloc empty;
  TSwapMalloc swap(&empty);
  EXPECT_EQ(nullptr, CreatePIDL(8));
  EXPECT_EQ(nullptr, CopyPIDL(list.get()));
  EXPECT_EQ(nullptr, ConcatPIDLs(list.get(), list.get()));
  EXPECT_EQ(nullptr, CopyFirstID(list.get()));
  EXPECT_EQ(nullptr, CopyLastID(list.get()));
  EXPECT_EQ(nullptr, CopyParentPIDL(list.get()));
}

namespace {

// A folder with one file in the prefix, removed again however the test ends.
class TShellFolderTest : public ::testing::Test {
protected:
  void SetUp() override {
    CreateDirectoryA(folder_.c_str(), nullptr);
    TUniqueFile file(CreateFileA(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << GetLastError();
    ASSERT_EQ(S_OK, SHGetDesktopFolder(desktop_.put()));
  }
  void TearDown() override {
    DeleteFileA(file_.c_str());
    RemoveDirectoryA(folder_.c_str());
  }

  TUniquePidl Parse(const std::string& path) {
    TUniquePidl list;
    EXPECT_TRUE(GetPIDLFromPath(nullptr, desktop_.get(), path, *list.put())) << path;
    return list;
  }

  const std::string folder_ = "C:\\tarvo-pidlhelp";
  const std::string file_ = folder_ + "\\report.txt";
  TComRef<IShellFolder> desktop_;
};

}  // namespace

TEST_F(TShellFolderTest, PathRoundTripAndDisplayNames) {
  TUniquePidl folderList = Parse(folder_);
  LPITEMIDLIST raw = folderList.get();
  EXPECT_EQ(folder_, GetPathFromPIDL(raw));
  TUniquePidl fileList = Parse(file_);
  raw = fileList.get();
  EXPECT_EQ(file_, GetPathFromPIDL(raw));
  EXPECT_EQ(PIDLCount(folderList.get()) + 1, PIDLCount(fileList.get()));

  // Absolute lists are named by the desktop; the last item by its own folder.
  EXPECT_EQ(file_, GetDisplayName(desktop_.get(), fileList.get(), TDisplayNameType::dntForParsing));
  TComRef<IShellFolder> folder;
  ASSERT_EQ(S_OK,
            desktop_->BindToObject(folderList.get(), nullptr, IID_IShellFolder, folder.put_void()));
  TUniquePidl item(CopyLastID(fileList.get()));
  EXPECT_EQ(file_, GetDisplayName(folder.get(), item.get(), TDisplayNameType::dntForParsing));
  std::string inFolder = GetDisplayName(folder.get(), item.get(), TDisplayNameType::dntInFolder);
  EXPECT_TRUE(inFolder == "report.txt" || inFolder == "report") << inFolder;

  // Joining the folder's list with the item's gives back the file's list.
  TUniquePidl joined(ConcatPIDLs(folderList.get(), item.get()));
  EXPECT_TRUE(ComparePIDLs(joined.get(), fileList.get()));
  TUniquePidl parent(CopyParentPIDL(fileList.get()));
  EXPECT_TRUE(ComparePIDLs(parent.get(), folderList.get()));
}

TEST_F(TShellFolderTest, PathsThatCannotBeParsedOrNamed) {
  std::string longPath = "C:\\" + std::string(297, 'x');
  LPITEMIDLIST list = nullptr;
  EXPECT_FALSE(GetPIDLFromPath(nullptr, desktop_.get(), longPath, list));
  EXPECT_EQ(nullptr, list);
  EXPECT_FALSE(GetPIDLFromPath(nullptr, desktop_.get(), folder_ + "\\missing.txt", list));
  FreePIDL(list);

  // My Computer is no file-system object: no path, and no leftover text.
  LPITEMIDLIST drives = nullptr;
  ASSERT_EQ(S_OK, SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives));
  TUniquePidl held(drives);
  EXPECT_EQ("", GetPathFromPIDL(drives));
  EXPECT_NE("", GetDisplayName(desktop_.get(), drives, TDisplayNameType::dntNormal));
}

TEST_F(TShellFolderTest, IconIndicesAreInTheSystemImageList) {
  TUniquePidl fileList = Parse(file_);
  TUniquePidl folderList = Parse(folder_);
  SHFILEINFOA info = {};
  auto imageList = reinterpret_cast<HIMAGELIST>(
      SHGetFileInfoA(reinterpret_cast<LPCSTR>(fileList.get()), 0, &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_PIDL | SHGFI_SMALLICON));
  ASSERT_NE(nullptr, imageList);
  // The system image list grows as icons are asked for, so it is counted last.
  std::vector<int> indices;
  for (LPCITEMIDLIST list :
       std::initializer_list<LPCITEMIDLIST>{fileList.get(), folderList.get()}) {
    int normal = -2, selected = -2;
    GetNormalAndSelectedIcons(list, normal, selected);
    indices.push_back(normal);
    indices.push_back(selected);
    EXPECT_EQ(normal, GetIconIndex(list, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  }
  const int count = ImageList_GetImageCount(imageList);
  for (int index : indices) {
    EXPECT_GE(index, 0);
    EXPECT_LT(index, count);
  }
}

namespace {

// A folder that answers GetDisplayNameOf with a prepared record: the real
// shell gives each STRRET type only under some system versions.
class TNamingFolder : public TStubShellFolder {
public:
  HRESULT result = S_OK;
  STRRET answer = {};
  DWORD flagsAsked = 0xFFFFFFFF;

  HRESULT STDMETHODCALLTYPE GetDisplayNameOf(LPCITEMIDLIST, SHGDNF flags, STRRET* name) override {
    flagsAsked = flags;
    *name = answer;
    return result;
  }
};

// Records which blocks the task allocator frees.
class TFreeSpy : public IMallocSpy {
public:
  std::vector<void*> freed;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IMallocSpy) {
      *out = this;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
  void* STDMETHODCALLTYPE PostAlloc(void* p) override { return p; }
  void* STDMETHODCALLTYPE PreFree(void* p, BOOL) override {
    freed.push_back(p);
    return p;
  }
  void STDMETHODCALLTYPE PostFree(BOOL) override {}
  SIZE_T STDMETHODCALLTYPE PreRealloc(void* p, SIZE_T size, void** out, BOOL) override {
    *out = p;
    return size;
  }
  void* STDMETHODCALLTYPE PostRealloc(void* p, BOOL) override { return p; }
  void* STDMETHODCALLTYPE PreGetSize(void* p, BOOL) override { return p; }
  SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
  void* STDMETHODCALLTYPE PreDidAlloc(void* p, BOOL) override { return p; }
  int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
  void STDMETHODCALLTYPE PreHeapMinimize() override {}
  void STDMETHODCALLTYPE PostHeapMinimize() override {}
};

}  // namespace

TEST(PidlDisplayName, EachStrretTypeAndTheFlagOfEachKind) {
  TNamingFolder folder;
  TUniquePidl item = MakeList({16});
  BYTE* bytes = reinterpret_cast<BYTE*>(item.get());
  std::memcpy(bytes + 6, "in-item", 8);

  folder.answer.uType = STRRET_OFFSET;
  folder.answer.uOffset = 6;
  EXPECT_EQ("in-item", GetDisplayName(&folder, item.get(), TDisplayNameType::dntInFolder));
  EXPECT_EQ(static_cast<DWORD>(SHGDN_INFOLDER), folder.flagsAsked);

  folder.answer.uType = STRRET_CSTR;
  std::strcpy(folder.answer.cStr, "C:\\NINE\\X.DLL");
  EXPECT_EQ("C:\\NINE\\X.DLL",
            GetDisplayName(&folder, item.get(), TDisplayNameType::dntForParsing));
  EXPECT_EQ(static_cast<DWORD>(SHGDN_FORPARSING), folder.flagsAsked);
  std::memset(folder.answer.cStr, 'q', sizeof folder.answer.cStr);  // no zero byte at all
  EXPECT_EQ(std::string(MAX_PATH, 'q'),
            GetDisplayName(&folder, item.get(), TDisplayNameType::dntNormal));
  EXPECT_EQ(static_cast<DWORD>(SHGDN_NORMAL), folder.flagsAsked);

  folder.answer.uType = 7;
  EXPECT_EQ("", GetDisplayName(&folder, item.get(), TDisplayNameType::dntNormal));
  folder.answer.uType = STRRET_CSTR;
  std::strcpy(folder.answer.cStr, "ignored");
  for (HRESULT failure : {E_FAIL, S_FALSE}) {
    folder.result = failure;
    EXPECT_EQ("", GetDisplayName(&folder, item.get(), TDisplayNameType::dntNormal));
  }
}

TEST(PidlDisplayName, WideNameIsConvertedAndReleased) {
  TFreeSpy spy;
  ASSERT_EQ(S_OK, CoRegisterMallocSpy(&spy));
  struct TRevoke {
    ~TRevoke() { CoRevokeMallocSpy(); }
  } revoke;
  TNamingFolder folder;
  const wchar_t text[] = L"C:\\WIDE\\NAME.DLL";
  auto* wide = static_cast<wchar_t*>(CoTaskMemAlloc(sizeof text));
  ASSERT_NE(nullptr, wide);
  std::memcpy(wide, text, sizeof text);
  folder.answer.uType = STRRET_WSTR;
  folder.answer.pOleStr = wide;
  TUniquePidl item = MakeList({4});
  spy.freed.clear();
  EXPECT_EQ("C:\\WIDE\\NAME.DLL",
            GetDisplayName(&folder, item.get(), TDisplayNameType::dntForParsing));
  EXPECT_EQ(1, std::count(spy.freed.begin(), spy.freed.end(), static_cast<void*>(wide)));
}

// 259 characters is the longest path the conversion takes; one more and the
// path is refused before the shell sees it.
TEST(PidlPath, LongestPathThatConverts) {
  const std::string folder = "C:\\tarvo-" + std::string(200, 'd');
  const std::string file = folder + "\\" + std::string(259 - folder.size() - 1, 'f');
  ASSERT_EQ(259u, file.size());
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << GetLastError();
  struct TCleanup {
    std::string folder, file;
    ~TCleanup() {
      DeleteFileA(file.c_str());
      RemoveDirectoryA(folder.c_str());
    }
  } cleanup{folder, file};
  TUniqueFile handle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(handle) << GetLastError();
  handle.reset();

  TComRef<IShellFolder> desktop;
  ASSERT_EQ(S_OK, SHGetDesktopFolder(desktop.put()));
  TUniquePidl list;
  ASSERT_TRUE(GetPIDLFromPath(nullptr, desktop.get(), file, *list.put()));
  LPITEMIDLIST raw = list.get();
  EXPECT_EQ(file, GetPathFromPIDL(raw));

  LPITEMIDLIST untouched = nullptr;
  EXPECT_FALSE(GetPIDLFromPath(nullptr, desktop.get(), file + "x", untouched));
  EXPECT_EQ(nullptr, untouched);
}
