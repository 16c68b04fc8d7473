#pragma once
// Double-byte code pages: the second byte of a character may be any byte from
// 0x40 up, "\" (0x5C) included, so text is split only after asking which
// bytes start a character.

#include <cstddef>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace tarvo {

// Tells whether a byte starts a double-byte character in the text's code
// page; null for a single-byte code page.
using TLeadBytePredicate = bool (*)(unsigned char byte);

// Position of the last byte of `text` that is one of `delimiters` and a
// character of its own (not the second byte of a double-byte character);
// npos when there is none.
std::size_t FindLastDelimiter(const std::string& text, const char* delimiters,
                              TLeadBytePredicate isLeadByte);

// The same for the first such byte.
std::size_t FindFirstDelimiter(const std::string& text, const char* delimiters,
                               TLeadBytePredicate isLeadByte);

#ifdef _WIN32
// Lead bytes of the system's ANSI code page. The code page is fixed for the
// life of the process, so its lead bytes are asked for once; path splitting
// asks for every byte of every name.
inline bool IsAnsiLeadByte(unsigned char byte) {
  static const struct TLeadByteTable {
    bool lead[256];
    TLeadByteTable() : lead() {
      for (int b = 0; b < 256; ++b) lead[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
    }
  } table;
  return table.lead[byte];
}

// IsAnsiLeadByte where the ANSI code page has lead bytes; null where it has
// none, so that its text is split with a plain search from the end rather
// than a walk over every byte from the start.
inline TLeadBytePredicate AnsiLeadBytePredicate() {
  static const bool any = [] {
    for (int b = 0; b < 256; ++b)
      if (IsAnsiLeadByte(static_cast<unsigned char>(b))) return true;
    return false;
  }();
  return any ? &IsAnsiLeadByte : nullptr;
}
#endif

}  // namespace tarvo
