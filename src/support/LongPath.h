#pragma once
// File-system calls on paths of any length and any characters. The ANSI
// calls stop at MAX_PATH characters and cannot name a file whose name the
// code page does not hold; these go through the wide calls, in the extended
// form that has no length limit, and fall back to the ANSI calls on systems
// without them.

#include <windows.h>

#include <string>

namespace tarvo {

// The ANSI text as wide text (CP_ACP); empty when it does not convert.
std::wstring AnsiToWide(const std::string& text);

// Wide text as ANSI text. Characters the code page lacks become "?", never a
// look-alike: a best-fit "L" for "\u0141" or "/" for "\u2215" would name
// another file.
std::string WideToAnsi(const std::wstring& text);
std::string WideToAnsi(const wchar_t* text, size_t count);

// True when the text holds "?" or "*": no file name does, so such a path is
// a lossy conversion and, to the shell's file operations, a wildcard. Safe
// in double-byte code pages, whose second bytes start at 0x40.
bool HasWildcard(const std::string& path);

// The \\?\ form of a full path (\\?\UNC\ for a share); other text unchanged.
std::wstring ExtendedPath(const std::wstring& path);

// The attributes of the file or folder at `path`; INVALID_FILE_ATTRIBUTES
// when there is none.
DWORD PathAttributes(const std::wstring& path);
DWORD PathAttributes(const std::string& path);

// A handle to the file or folder at `path` that allows nothing but queries,
// for its identity; INVALID_HANDLE_VALUE when it cannot be opened.
HANDLE OpenForQuery(const std::wstring& path);

// A form of `path` that the ANSI calls can open: its short form, which holds
// only characters of the code page and fits in MAX_PATH where the file
// system keeps short names. Empty when there is no such form.
std::string ReachableAnsiPath(const std::wstring& path);

}  // namespace tarvo
