#pragma once
// Lead bytes of Shift-JIS, a double-byte code page whose second bytes may be
// "\" (0x5C) or an upper-case letter (0x41..0x5A).

namespace tarvo::test {

inline bool ShiftJisLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace tarvo::test
