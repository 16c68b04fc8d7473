#pragma once
// Files and folders a test makes and reads back through the Windows calls.

#include <string>

namespace tarvo::test {

// A text of this process's ANSI code page in UTF-16.
std::wstring Wide(const std::string& text);

// Removes a folder with everything in it, names outside this process's code
// page included; what cannot go is left.
void RemoveTree(const std::string& folder);

// The bytes of a whole file (opened sharing reading and writing), or an
// empty text with `ok` false.
std::string ReadFileBytes(const std::string& path, bool* ok = nullptr);

}  // namespace tarvo::test
