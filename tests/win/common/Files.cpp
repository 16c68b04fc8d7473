#include "Files.h"

#include <windows.h>

#include "platform/UniqueResource.h"

namespace tarvo::test {

void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = folder + "\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

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
