#include "support/LongPath.h"

#include <vector>

namespace tarvo {

namespace {

// The wide calls exist on 9x only as stubs that fail this way.
bool WideCallMissing() { return GetLastError() == ERROR_CALL_NOT_IMPLEMENTED; }

}  // namespace

std::wstring AnsiToWide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = static_cast<int>(text.size());
  int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(size), L'\0');
  size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, &wide[0], size);
  wide.resize(size > 0 ? static_cast<size_t>(size) : 0);
  return wide;
}

std::string WideToAnsi(const std::wstring& text) { return WideToAnsi(text.data(), text.size()); }

std::string WideToAnsi(const wchar_t* text, size_t count) {
  if (count == 0) return std::string();
  const int length = static_cast<int>(count);
  // Most texts are names that fit a small buffer: one conversion, no
  // measuring pass. Systems before 2000 reject the flag; their conversion
  // is the only one.
  char buffer[1024];
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  int size = WideCharToMultiByte(CP_ACP, flags, text, length, buffer, sizeof buffer, nullptr, nullptr);
  if (size <= 0 && GetLastError() == ERROR_INVALID_FLAGS) {
    flags = 0;
    size = WideCharToMultiByte(CP_ACP, flags, text, length, buffer, sizeof buffer, nullptr, nullptr);
  }
  if (size > 0) return std::string(buffer, static_cast<size_t>(size));
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::string();
  size = WideCharToMultiByte(CP_ACP, flags, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string ansi(static_cast<size_t>(size), '\0');
  size = WideCharToMultiByte(CP_ACP, flags, text, length, &ansi[0], size, nullptr, nullptr);
  ansi.resize(size > 0 ? static_cast<size_t>(size) : 0);
  return ansi;
}

bool HasWildcard(const std::string& path) { return path.find_first_of("?*") != std::string::npos; }

std::wstring ExtendedPath(const std::wstring& path) {
  if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
  if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') return L"\\\\?\\" + path;
  if (path.size() > 2 && path[0] == L'\\' && path[1] == L'\\')
    return L"\\\\?\\UNC\\" + path.substr(2);
  return path;
}

DWORD PathAttributes(const std::wstring& path) {
  if (path.empty()) return INVALID_FILE_ATTRIBUTES;
  DWORD attributes = GetFileAttributesW(ExtendedPath(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES && WideCallMissing())
    attributes = GetFileAttributesA(WideToAnsi(path).c_str());
  return attributes;
}

DWORD PathAttributes(const std::string& path) {
  if (path.empty() || HasWildcard(path)) return INVALID_FILE_ATTRIBUTES;
  // Paths well inside the ANSI calls' limit need no detour.
  if (path.size() < MAX_PATH - 12) return GetFileAttributesA(path.c_str());
  return PathAttributes(AnsiToWide(path));
}

HANDLE OpenForQuery(const std::wstring& path) {
  if (path.empty()) return INVALID_HANDLE_VALUE;
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE handle = CreateFileW(ExtendedPath(path).c_str(), 0, share, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE && WideCallMissing())
    handle = CreateFileA(WideToAnsi(path).c_str(), 0, share, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  return handle;
}

std::string ReachableAnsiPath(const std::wstring& path) {
  if (path.empty()) return std::string();
  const std::wstring extended = ExtendedPath(path);
  std::string result;
  DWORD size = GetShortPathNameW(extended.c_str(), nullptr, 0);
  if (size > 0) {
    std::vector<wchar_t> buffer(size + 1);
    DWORD length = GetShortPathNameW(extended.c_str(), buffer.data(), size + 1);
    if (length > 0 && length <= size) {
      std::wstring shortPath(buffer.data(), length);
      if (shortPath.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        shortPath = L"\\\\" + shortPath.substr(8);
      else if (shortPath.compare(0, 4, L"\\\\?\\") == 0)
        shortPath = shortPath.substr(4);
      result = WideToAnsi(shortPath);
    }
  } else if (WideCallMissing()) {
    // Without the wide calls every name the shell gave was ANSI to begin with.
    result = WideToAnsi(path);
  }
  if (result.size() >= MAX_PATH || HasWildcard(result)) return std::string();
  return result;
}

}  // namespace tarvo
