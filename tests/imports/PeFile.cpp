#include "PeFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <utility>

namespace tarvo::test {
namespace {

constexpr std::uint16_t kPe32 = 0x10B, kPe32Plus = 0x20B;
constexpr std::size_t kMaxEntries = 1 << 16;  // a table this long is a broken file

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

TPeFile TPeFile::Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) throw TPeError("cannot open " + path);
  std::vector<unsigned char> bytes(static_cast<std::size_t>(in.tellg()));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()))) {
    throw TPeError("cannot read " + path);
  }
  return TPeFile(std::move(bytes));
}

TPeFile::TPeFile(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {
  if (U16(0) != 0x5A4D) throw TPeError("no MZ header");
  const std::size_t nt = U32(0x3C);
  if (U32(nt) != 0x00004550) throw TPeError("no PE signature");
  const std::size_t file = nt + 4;
  headers_.machine = U16(file);
  const std::uint16_t sectionCount = U16(file + 2);
  headers_.timeDateStamp = U32(file + 4);
  const std::uint16_t optionalSize = U16(file + 16);
  const std::size_t opt = file + 20;
  const std::uint16_t magic = U16(opt);
  if (magic != kPe32 && magic != kPe32Plus) throw TPeError("unknown optional header");
  headers_.pe32plus = magic == kPe32Plus;
  // The fields up to the subsystem lie at the same offsets in both forms,
  // except the image base.
  imageBase_ = headers_.pe32plus ? U64(opt + 24) : U32(opt + 28);
  headers_.majorOs = U16(opt + 40);
  headers_.minorOs = U16(opt + 42);
  headers_.majorSubsystem = U16(opt + 48);
  headers_.minorSubsystem = U16(opt + 50);
  headers_.subsystem = U16(opt + 68);
  const std::size_t dirs = opt + (headers_.pe32plus ? 112 : 96);
  const std::uint32_t dirCount = U32(dirs - 4);
  if (dirCount > 1) importRva_ = U32(dirs + 1 * 8);
  if (dirCount > 13) delayRva_ = U32(dirs + 13 * 8);
  const std::size_t table = opt + optionalSize;
  for (std::uint16_t i = 0; i < sectionCount; ++i) {
    const std::size_t s = table + i * 40u;
    sections_.push_back({U32(s + 12), U32(s + 8), U32(s + 20), U32(s + 16)});
  }
}

TPeImports TPeFile::Imports() const {
  TPeImports imports;
  if (!importRva_) return imports;
  const std::size_t base = Offset(importRva_);
  for (std::size_t i = 0; i < kMaxEntries; ++i) {
    const std::size_t d = base + i * 20;
    const std::uint32_t lookup = U32(d), name = U32(d + 12), iat = U32(d + 16);
    if (name == 0) return imports;
    AddThunks(imports[Lower(Name(name))], lookup ? lookup : iat);
  }
  throw TPeError("import directory without end");
}

TPeImports TPeFile::DelayImports() const {
  TPeImports imports;
  if (!delayRva_) return imports;
  const std::size_t base = Offset(delayRva_);
  for (std::size_t i = 0; i < kMaxEntries; ++i) {
    const std::size_t d = base + i * 32;
    const std::uint32_t attributes = U32(d), name = U32(d + 4), names = U32(d + 16);
    if (name == 0) return imports;
    // Without the RVA flag, old linkers wrote virtual addresses.
    const std::uint32_t bias = (attributes & 1) ? 0 : static_cast<std::uint32_t>(imageBase_);
    AddThunks(imports[Lower(Name(name - bias))], names - bias);
  }
  throw TPeError("delay-load directory without end");
}

void TPeFile::AddThunks(std::set<std::string>& names, std::uint32_t tableRva) const {
  const std::size_t base = Offset(tableRva);
  const std::size_t width = headers_.pe32plus ? 8 : 4;
  const std::uint64_t ordinalFlag = headers_.pe32plus ? 1ull << 63 : 1ull << 31;
  for (std::size_t i = 0; i < kMaxEntries; ++i) {
    const std::uint64_t thunk = headers_.pe32plus ? U64(base + i * width) : U32(base + i * width);
    if (thunk == 0) return;
    if (thunk & ordinalFlag) {
      names.insert("#" + std::to_string(thunk & 0xFFFF));
    } else {
      names.insert(Name(static_cast<std::uint32_t>(thunk) + 2));  // after the hint
    }
  }
  throw TPeError("name table without end");
}

std::uint16_t TPeFile::U16(std::size_t at) const {
  if (at > bytes_.size() || bytes_.size() - at < 2) throw TPeError("file truncated");
  return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
}

std::uint32_t TPeFile::U32(std::size_t at) const {
  return U16(at) | static_cast<std::uint32_t>(U16(at + 2)) << 16;
}

std::uint64_t TPeFile::U64(std::size_t at) const {
  return U32(at) | static_cast<std::uint64_t>(U32(at + 4)) << 32;
}

std::size_t TPeFile::Offset(std::uint32_t rva) const {
  for (const TSection& s : sections_) {
    const std::uint32_t size = std::max(s.size, s.rawSize);
    if (rva >= s.rva && rva - s.rva < size) {
      if (rva - s.rva >= s.rawSize) throw TPeError("address outside the file's data");
      return static_cast<std::size_t>(rva - s.rva) + s.raw;
    }
  }
  throw TPeError("address outside every section");
}

std::string TPeFile::Name(std::uint32_t rva) const {
  const std::size_t at = Offset(rva);
  if (at >= bytes_.size()) throw TPeError("file truncated");
  const auto begin = bytes_.begin() + static_cast<std::ptrdiff_t>(at);
  const auto end = std::find(begin, bytes_.end(), 0);
  if (end == bytes_.end()) throw TPeError("unterminated name");
  return std::string(begin, end);
}

}  // namespace tarvo::test
