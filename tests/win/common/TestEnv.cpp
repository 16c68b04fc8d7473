#include "TestEnv.h"

#include <cstdlib>
#include <stdexcept>

namespace tarvo::test {

std::string UnixPathFromEnv(const char* variable) {
  const char* value = std::getenv(variable);
  if (!value || !*value) throw std::runtime_error(std::string("not set: ") + variable);
  std::string path = "\\\\?\\unix";
  for (const char* p = value; *p; ++p) path += (*p == '/') ? '\\' : *p;
  return path;
}

std::string FixturePath(const std::string& name) {
  return UnixPathFromEnv("TARVO_FIXTURE_DIR") + "\\" + name;
}

}  // namespace tarvo::test
