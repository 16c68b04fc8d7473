#pragma once
// Double-byte code pages: the second byte of a character may be any byte from
// 0x40 up, "\" (0x5C) included, so text is split only after asking which
// bytes start a character.

namespace tarvo {

// Tells whether a byte starts a double-byte character in the text's code
// page; null for a single-byte code page.
using TLeadBytePredicate = bool (*)(unsigned char byte);

#ifdef _WIN32
// Lead bytes of the system's ANSI code page.
bool IsAnsiLeadByte(unsigned char byte);
#endif

}  // namespace tarvo
