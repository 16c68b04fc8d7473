#include "Files.h"

#include <windows.h>

#include "platform/UniqueResource.h"

namespace tarvo::test {

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(
      static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                              &wide[0], static_cast<int>(wide.size()))));
  return wide;
}

namespace {

// Wide, so that names outside this process's code page go too.
void RemoveTreeW(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = data.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring path = folder + L"\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTreeW(path);
      } else {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

void RemoveTree(const std::string& folder) { RemoveTreeW(Wide(folder)); }

std::string ReadFileBytes(const std::string& path, bool* ok) {
  if (ok) *ok = false;
  TUniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return {};
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  if (ok) *ok = true;
  return bytes;
}

}  // namespace tarvo::test
