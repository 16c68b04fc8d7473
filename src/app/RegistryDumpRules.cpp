#include "app/RegistryDumpRules.h"

#include <cstdio>
#include <cstring>

namespace tarvo {

std::string RootPrefix(TRegistryRoot root) {
  switch (root) {
    case TRegistryRoot::CurrentUser:
      return "HKCU\\";
    case TRegistryRoot::LocalMachine:
      return "HKLM\\";
    default:
      return "";
  }
}

std::string DisplayName(const std::string& valueName) {
  return valueName.empty() ? "(Default)" : valueName;
}

std::string OpenablePath(const std::string& keyPath) {
  return (!keyPath.empty() && keyPath[0] == '\\') ? keyPath.substr(1) : keyPath;
}

std::string SubkeyPath(const std::string& keyPath, const std::string& subkeyName) {
  return keyPath + "\\" + subkeyName;
}

namespace {

std::string LineHead(TRegistryRoot root, const std::string& keyPath, const std::string& valueName) {
  return RootPrefix(root) + keyPath + "\\" + DisplayName(valueName) + " = ";
}

}  // namespace

std::string StringLine(TRegistryRoot root, const std::string& keyPath, const std::string& valueName,
                       const std::string& data) {
  return LineHead(root, keyPath, valueName) + data;
}

std::string NumberLine(TRegistryRoot root, const std::string& keyPath, const std::string& valueName,
                       std::uint32_t number) {
  char text[32];
  std::snprintf(text, sizeof text, "%ld, 0x%08lX",
                static_cast<long>(static_cast<std::int32_t>(number)),
                static_cast<unsigned long>(number));
  return LineHead(root, keyPath, valueName) + text;
}

std::string TextUpToNul(const char* data, std::size_t size) {
  if (!data) return "";
  const void* nul = std::memchr(data, '\0', size);
  return std::string(data, nul ? static_cast<const char*>(nul) - data : size);
}

std::uint32_t NumberFromBytes(const unsigned char* data, std::size_t size) {
  std::uint32_t number = 0;
  for (std::size_t i = 0; i < 4 && i < size; ++i) {
    number |= static_cast<std::uint32_t>(data[i]) << (8 * i);
  }
  return number;
}

std::size_t NameBufferLength(std::uint32_t longest, bool doubleByteOnNT) {
  std::size_t length = longest;
  if (doubleByteOnNT) length *= 2;
  return length + 1;
}

}  // namespace tarvo
