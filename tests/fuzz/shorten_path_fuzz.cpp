// Random paths, widths and byte widths for ShortenPath and DropFirstFolder.
// Besides the sanitizers, checks what must hold for any input: a shortened
// result was needed and either fits or is the bare last name, the last name
// is kept whole, and the loop makes progress.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/ShortenPath.h"

namespace {

bool OddLead(unsigned char c) { return c >= 0x81 && (c & 1); }

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  int32_t maxWidth;
  std::memcpy(&maxWidth, data, 4);
  const uint8_t widthSeed = data[4];
  const bool doubleByte = data[5] & 1;
  const std::string path(reinterpret_cast<const char*>(data + 6), size - 6);
  tarvo::TLeadBytePredicate lead = doubleByte ? &OddLead : nullptr;

  size_t calls = 0;
  auto width = [&](const std::string& text) {
    ++calls;
    int total = 0;
    for (unsigned char c : text) total += (c ^ widthSeed) % 9;
    return total;
  };
  const std::string result = tarvo::ShortenPath(path, width, maxWidth, lead);
  const size_t measuredCalls = calls;

  Require(measuredCalls <= path.size() + 3);
  if (result != path) Require(width(path) > maxWidth);
  if (!lead) {
    size_t cut = path.find_last_of("\\:");
    const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    Require(result.size() >= name.size() &&
            result.compare(result.size() - name.size(), name.size(), name) == 0);
    Require(width(result) <= maxWidth || result == name);
  }

  std::string folder = path;
  tarvo::DropFirstFolder(folder, lead);
  Require(folder.size() <= path.size() + 4);
  return 0;
}
