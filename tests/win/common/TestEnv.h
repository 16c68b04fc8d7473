#pragma once
// Where the Windows-side tests find what the build made for them.

#include <string>

namespace tarvo::test {

// The \\?\unix form of a Unix path taken from an environment variable set by
// CTest (the prefix has no Z: drive, so this is how tests reach the build tree).
std::string UnixPathFromEnv(const char* variable);

// A file of the fixture folder, as a path Windows calls accept.
std::string FixturePath(const std::string& name);

}  // namespace tarvo::test
