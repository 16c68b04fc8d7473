// The program never writes the registry and never takes the version service
// from its own folder: its import tables (ordinary and delay-load) name no
// registry-writing function and nothing from version.dll.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "TestEnv.h"

namespace {

using TImports = std::map<std::string, std::set<std::string>>;  // dll (lower case) -> names

class TPeImage {
public:
  explicit TPeImage(std::vector<char> bytes) : bytes_(std::move(bytes)) {
    const auto& dos = At<IMAGE_DOS_HEADER>(0);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE) throw std::runtime_error("no MZ header");
    const DWORD nt = static_cast<DWORD>(dos.e_lfanew);
    if (At<DWORD>(nt) != IMAGE_NT_SIGNATURE) throw std::runtime_error("no PE signature");
    const auto& file = At<IMAGE_FILE_HEADER>(nt + 4);
    const DWORD optional = nt + 4 + sizeof(IMAGE_FILE_HEADER);
    magic_ = At<WORD>(optional);
    const IMAGE_DATA_DIRECTORY* dirs;
    if (magic_ == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
      const auto& h = At<IMAGE_OPTIONAL_HEADER64>(optional);
      imageBase_ = h.ImageBase;
      dirs = h.DataDirectory;
    } else if (magic_ == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
      const auto& h = At<IMAGE_OPTIONAL_HEADER32>(optional);
      imageBase_ = h.ImageBase;
      dirs = h.DataDirectory;
    } else {
      throw std::runtime_error("unknown optional header");
    }
    importDir_ = dirs[IMAGE_DIRECTORY_ENTRY_IMPORT];
    delayDir_ = dirs[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT];
    const DWORD sections = optional + file.SizeOfOptionalHeader;
    for (WORD i = 0; i < file.NumberOfSections; ++i) {
      sections_.push_back(At<IMAGE_SECTION_HEADER>(sections + i * sizeof(IMAGE_SECTION_HEADER)));
    }
  }

  bool Is64() const { return magic_ == IMAGE_NT_OPTIONAL_HDR64_MAGIC; }

  TImports Imports() const {
    TImports imports;
    if (importDir_.VirtualAddress) {
      for (DWORD at = Offset(importDir_.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto& d = At<IMAGE_IMPORT_DESCRIPTOR>(at);
        if (d.Name == 0) break;
        AddThunks(imports[Lower(String(d.Name))],
                  d.OriginalFirstThunk ? d.OriginalFirstThunk : d.FirstThunk);
      }
    }
    if (delayDir_.VirtualAddress) {
      for (DWORD at = Offset(delayDir_.VirtualAddress);; at += sizeof(IMAGE_DELAYLOAD_DESCRIPTOR)) {
        const auto& d = At<IMAGE_DELAYLOAD_DESCRIPTOR>(at);
        if (d.DllNameRVA == 0) break;
        // Old linkers wrote addresses instead of RVAs.
        const bool rvas = d.Attributes.RvaBased;
        const DWORD name = rvas ? d.DllNameRVA : static_cast<DWORD>(d.DllNameRVA - imageBase_);
        const DWORD table =
            rvas ? d.ImportNameTableRVA : static_cast<DWORD>(d.ImportNameTableRVA - imageBase_);
        AddThunks(imports[Lower(String(name))], table);
      }
    }
    return imports;
  }

private:
  template <typename T>
  const T& At(DWORD offset) const {
    if (offset > bytes_.size() || bytes_.size() - offset < sizeof(T)) {
      throw std::runtime_error("image truncated");
    }
    return *reinterpret_cast<const T*>(bytes_.data() + offset);
  }

  DWORD Offset(DWORD rva) const {
    for (const auto& s : sections_) {
      const DWORD size = std::max(s.Misc.VirtualSize, s.SizeOfRawData);
      if (rva >= s.VirtualAddress && rva < s.VirtualAddress + size) {
        return rva - s.VirtualAddress + s.PointerToRawData;
      }
    }
    throw std::runtime_error("address outside every section");
  }

  std::string String(DWORD rva) const {
    const DWORD at = Offset(rva);
    const char* begin = bytes_.data() + at;
    const void* end = std::memchr(begin, '\0', bytes_.size() - at);
    if (!end) throw std::runtime_error("unterminated name");
    return std::string(begin, static_cast<const char*>(end));
  }

  void AddThunks(std::set<std::string>& names, DWORD thunks) const {
    for (DWORD at = Offset(thunks);; at += Is64() ? 8 : 4) {
      const unsigned long long thunk = Is64() ? At<unsigned long long>(at) : At<DWORD>(at);
      if (thunk == 0) break;
      const unsigned long long ordinalFlag = Is64() ? IMAGE_ORDINAL_FLAG64 : IMAGE_ORDINAL_FLAG32;
      if (thunk & ordinalFlag) {
        names.insert("#" + std::to_string(thunk & 0xFFFF));
      } else {
        names.insert(String(static_cast<DWORD>(thunk) + 2));  // after the hint
      }
    }
  }

  static std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  }

  std::vector<char> bytes_;
  WORD magic_ = 0;
  unsigned long long imageBase_ = 0;
  IMAGE_DATA_DIRECTORY importDir_ = {};
  IMAGE_DATA_DIRECTORY delayDir_ = {};
  std::vector<IMAGE_SECTION_HEADER> sections_;
};

std::vector<char> ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void ExpectSafeImports(const TImports& imports, const std::string& which) {
  EXPECT_EQ(0u, imports.count("version.dll")) << which << " imports version.dll";
  const char* const writers[] = {"RegSetValue", "RegCreateKey", "RegDeleteKey", "RegDeleteValue"};
  for (const auto& dll : imports) {
    for (const auto& name : dll.second) {
      for (const char* w : writers) {
        EXPECT_NE(0, name.compare(0, std::strlen(w), w))
            << which << " imports " << dll.first << "!" << name;
      }
    }
  }
  // Shells before 4.71 lack the Recycle Bin query: imported, it would keep
  // the program from starting there.
  if (imports.count("shell32.dll")) {
    EXPECT_EQ(0u, imports.at("shell32.dll").count("SHQueryRecycleBinA")) << which;
  }
  // The parser did find the program's real imports.
  ASSERT_EQ(1u, imports.count("kernel32.dll")) << which;
  EXPECT_EQ(1u, imports.at("kernel32.dll").count("CreateFileA")) << which;
}

TEST(Imports, ProgramNeverWritesTheRegistryNorImportsTheVersionService) {
  const std::string exe = tarvo::test::UnixPathFromEnv("TARVO_EXE");
  const TImports imports = TPeImage(ReadWhole(exe)).Imports();
  ExpectSafeImports(imports, exe);
  ASSERT_EQ(1u, imports.count("advapi32.dll"));
  EXPECT_EQ(1u, imports.at("advapi32.dll").count("RegOpenKeyExA"));
  EXPECT_EQ(1u, imports.at("advapi32.dll").count("RegQueryValueExA"));
}

// The shipped build is the 32-bit one; it is checked when it has been built.
TEST(Imports, Shipped32BitProgramToo) {
  std::string exe = tarvo::test::UnixPathFromEnv("TARVO_EXE");
  const size_t at = exe.rfind("\\win64\\");
  if (at == std::string::npos) GTEST_SKIP() << "no win64 folder in " << exe;
  exe.replace(at, 7, "\\win32\\");
  if (GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "32-bit build not present: " << exe;
  }
  const TPeImage image(ReadWhole(exe));
  EXPECT_FALSE(image.Is64());
  ExpectSafeImports(image.Imports(), exe);
}

// The check itself: this test program, which writes the registry, is caught.
TEST(Imports, CheckSeesRegistryWriters) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\TarvoImportsProbe", 0, nullptr, 0, KEY_WRITE,
                      nullptr, &key, nullptr) == ERROR_SUCCESS) {
    RegCloseKey(key);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\TarvoImportsProbe");
  }
  char self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
  const TImports imports = TPeImage(ReadWhole(self)).Imports();
  ASSERT_EQ(1u, imports.count("advapi32.dll"));
  EXPECT_EQ(1u, imports.at("advapi32.dll").count("RegCreateKeyExA"));
  EXPECT_EQ(1u, imports.at("advapi32.dll").count("RegDeleteKeyA"));
}

}  // namespace
