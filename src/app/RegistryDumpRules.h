#pragma once
// Text rules of the registry dump: the root prefix, the display name, the
// string and number lines, and the decoding of raw value data.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvo {

enum class TRegistryRoot { CurrentUser, LocalMachine, Other };

// "HKCU\", "HKLM\" or empty.
std::string RootPrefix(TRegistryRoot root);

// The value's name, or "(Default)" for the key's default (unnamed) value.
std::string DisplayName(const std::string& valueName);

// A key path is opened without one leading backslash.
std::string OpenablePath(const std::string& keyPath);

std::string SubkeyPath(const std::string& keyPath, const std::string& subkeyName);

std::string StringLine(TRegistryRoot root, const std::string& keyPath, const std::string& valueName,
                       const std::string& data);

// The number in signed decimal, then ", 0x" and eight upper-case hex digits.
std::string NumberLine(TRegistryRoot root, const std::string& keyPath, const std::string& valueName,
                       std::uint32_t number);

// The bytes up to the first NUL, never beyond `size`: string data stored
// without a terminating NUL ends where the data ends.
std::string TextUpToNul(const char* data, std::size_t size);

// Little-endian number from up to four data bytes; bytes the value does not
// supply count as zero.
std::uint32_t NumberFromBytes(const unsigned char* data, std::size_t size);

// Length of a name buffer for names of at most `longest` characters, the NUL
// included. On NT with double-byte support the registry reports lengths in
// characters, each of which may take two bytes in the ANSI code page.
std::size_t NameBufferLength(std::uint32_t longest, bool doubleByteOnNT);

}  // namespace tarvo
