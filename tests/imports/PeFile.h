#pragma once
// Reads what the Windows loader checks before a program starts: the machine,
// the versions in the optional header and every imported name, ordinary and
// delay-load. Written against the PE format itself, so it builds and runs
// natively under the sanitizers; every offset is checked against the file.

#include <cstdint>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvo::test {

struct TPeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// DLL name (lower case) -> imported names; an import by ordinal is "#<n>".
using TPeImports = std::map<std::string, std::set<std::string>>;

struct TPeHeaders {
  std::uint16_t machine = 0;
  bool pe32plus = false;
  std::uint16_t subsystem = 0;
  std::uint16_t majorOs = 0, minorOs = 0;
  std::uint16_t majorSubsystem = 0, minorSubsystem = 0;
  std::uint32_t timeDateStamp = 0;
};

class TPeFile {
public:
  explicit TPeFile(std::vector<unsigned char> bytes);
  static TPeFile Load(const std::string& path);

  const TPeHeaders& Headers() const { return headers_; }
  TPeImports Imports() const;
  TPeImports DelayImports() const;

private:
  struct TSection {
    std::uint32_t rva, size, raw, rawSize;
  };

  std::uint16_t U16(std::size_t at) const;
  std::uint32_t U32(std::size_t at) const;
  std::uint64_t U64(std::size_t at) const;
  std::size_t Offset(std::uint32_t rva) const;
  std::string Name(std::uint32_t rva) const;
  void AddThunks(std::set<std::string>& names, std::uint32_t tableRva) const;

  std::vector<unsigned char> bytes_;
  TPeHeaders headers_;
  std::uint64_t imageBase_ = 0;
  std::uint32_t importRva_ = 0, delayRva_ = 0;
  std::vector<TSection> sections_;
};

}  // namespace tarvo::test
