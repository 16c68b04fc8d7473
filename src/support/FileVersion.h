#pragma once
// Reads a module file's version-information block once, through the system's
// version service, and gives the four numbers of its file version.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "support/VersionNumbers.h"

namespace tarvo {

class TFileVersion {
public:
  explicit TFileVersion(const std::string& fileName);
  ~TFileVersion();
  TFileVersion(const TFileVersion&) = delete;
  TFileVersion& operator=(const TFileVersion&) = delete;

  // Releases the block; the reader is empty afterwards.
  void FreeInfo();
  // Copies the fixed part; false when the reader is empty or the block has none.
  bool GetFixedInfo(VS_FIXEDFILEINFO& info) const;
  // The file version (never the product version); all 0 without a fixed part.
  void GetVersionNumbers(TVersionNumbers& numbers) const;

  // Language in the high half, code page in the low half; 0 when empty.
  uint32_t TranslationValue() const { return translation_; }
  bool Loaded() const { return block_ != nullptr; }
  size_t BlockSize() const { return blockSize_; }

private:
  // Where the service found a value, if it lies wholly inside the block.
  bool QueryValue(const char* path, const void*& value, UINT& length) const;

  std::unique_ptr<BYTE[]> block_;
  size_t blockSize_ = 0;
  uint32_t translation_ = 0;
};

}  // namespace tarvo
