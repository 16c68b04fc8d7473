#pragma once
// The errors the program raises and does not absorb. Each carries the text
// the error box shows; none of them is written to the log.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tarvo {

class EError : public std::runtime_error {
public:
  explicit EError(const std::string& message) : std::runtime_error(message) {}
};

// The log file (or any file stream) could not be created.
class EFCreateError : public EError {
public:
  static EFCreateError ForFile(const std::string& path);

private:
  using EError::EError;
};

// A shell or COM call failed; the text is the system's text for the code,
// or "OLE error %.8x" when the system has none.
class EOleError : public EError {
public:
  EOleError(std::int32_t code, const std::string& message) : EError(message), code_(code) {}
  std::int32_t Code() const noexcept { return code_; }
  static std::string FallbackText(std::int32_t code);

private:
  std::int32_t code_;
};

// A registry value could not be read, or changed its type under us.
class ERegistryException : public EError {
public:
  static ERegistryException FailedToGetData(const std::string& valueName);
  static ERegistryException InvalidDataType(const std::string& valueName);

private:
  using EError::EError;
};

}  // namespace tarvo
