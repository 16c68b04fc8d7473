#include "support/VersionInfo.h"

namespace tarvo {

TVersionInfo::TVersionInfo(const std::string& fileName)
    : fileName_(fileName), fileVersion_(std::make_unique<TFileVersion>(fileName_)) {}

TVersionInfo::~TVersionInfo() = default;

std::string TVersionInfo::GetVersionString() const {
  TVersionNumbers numbers;
  fileVersion_->GetVersionNumbers(numbers);
  return FormatVersionNumbers(numbers);
}

}  // namespace tarvo
