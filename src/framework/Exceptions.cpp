#include "framework/Exceptions.h"

#include <cstdio>

namespace tarvo {

EFCreateError EFCreateError::ForFile(const std::string& path) {
  return EFCreateError("Cannot create file " + path);
}

std::string EOleError::FallbackText(std::int32_t code) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "OLE error %.8x", static_cast<unsigned>(code));
  return buf;
}

ERegistryException ERegistryException::FailedToGetData(const std::string& valueName) {
  return ERegistryException("Failed to get data for '" + valueName + "'");
}

ERegistryException ERegistryException::InvalidDataType(const std::string& valueName) {
  return ERegistryException("Invalid data type for '" + valueName + "'");
}

}  // namespace tarvo
