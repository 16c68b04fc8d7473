#include "support/FileVersion.h"

#include <cstring>

#include "support/LongPath.h"
#include "support/VersionApi.h"

namespace tarvo {

namespace {

// The service opens a file by its ANSI name, which Windows stops at MAX_PATH
// characters: a deeper file is opened by its short form where it has one.
std::string OpenableName(const std::string& fileName) {
  if (fileName.size() < MAX_PATH) return fileName;
  std::string shortForm = ReachableAnsiPath(AnsiToWide(fileName));
  return shortForm.empty() ? fileName : shortForm;
}

}  // namespace

TFileVersion::TFileVersion(const std::string& fileName) {
  const TVersionApi& api = VersionApi();
  if (!api.Available()) return;
  const std::string name = OpenableName(fileName);
  DWORD handle = 0;
  DWORD size = api.GetFileVersionInfoSize(name.c_str(), &handle);
  if (size == 0) return;
  block_ = std::make_unique<BYTE[]>(size);
  blockSize_ = size;
  if (!api.GetFileVersionInfo(name.c_str(), handle, size, block_.get())) {
    FreeInfo();
    return;
  }
  const void* value = nullptr;
  UINT length = 0;
  // A block without a usable Translation value is dropped, fixed part or not;
  // a value too short for one entry counts as none.
  if (!QueryValue("\\VarFileInfo\\Translation", value, length) ||
      !TranslationFromValue(value, length, translation_)) {
    FreeInfo();
  }
}

TFileVersion::~TFileVersion() { FreeInfo(); }

void TFileVersion::FreeInfo() {
  block_.reset();
  blockSize_ = 0;
  translation_ = 0;
}

bool TFileVersion::QueryValue(const char* path, const void*& value, UINT& length) const {
  if (!block_) return false;
  void* found = nullptr;
  UINT foundLength = 0;
  // The service parses a block it may not have written itself; an answer
  // pointing outside our block is treated as no answer.
  if (!VersionApi().VerQueryValue(block_.get(), path, &found, &foundLength) || !found) return false;
  const BYTE* begin = block_.get();
  const BYTE* at = static_cast<const BYTE*>(found);
  if (at < begin || at > begin + blockSize_ ||
      foundLength > static_cast<size_t>(begin + blockSize_ - at))
    return false;
  value = found;
  length = foundLength;
  return true;
}

bool TFileVersion::GetFixedInfo(VS_FIXEDFILEINFO& info) const {
  const void* value = nullptr;
  UINT length = 0;
  // A fixed part shorter than the record is taken as no fixed part; its
  // signature is not examined.
  if (!QueryValue("\\", value, length) || length < sizeof(VS_FIXEDFILEINFO)) return false;
  std::memcpy(&info, value, sizeof(VS_FIXEDFILEINFO));
  return true;
}

void TFileVersion::GetVersionNumbers(TVersionNumbers& numbers) const {
  numbers = TVersionNumbers();
  VS_FIXEDFILEINFO info;
  if (GetFixedInfo(info))
    numbers = VersionNumbersFromWords(info.dwFileVersionMS, info.dwFileVersionLS);
}

}  // namespace tarvo
