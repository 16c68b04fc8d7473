#pragma once
// The version text of one file, as the module scan reports it: made for a
// path, asked, destroyed.

#include <memory>
#include <string>

#include "support/FileVersion.h"

namespace tarvo {

class TVersionInfo {
public:
  explicit TVersionInfo(const std::string& fileName);
  ~TVersionInfo();
  TVersionInfo(const TVersionInfo&) = delete;
  TVersionInfo& operator=(const TVersionInfo&) = delete;

  // "a.b.c.d" of the file version; 0.0.0.0 when the file has no usable one.
  std::string GetVersionString() const;

  const std::string& FileName() const { return fileName_; }

private:
  std::string fileName_;
  std::unique_ptr<TFileVersion> fileVersion_;
};

}  // namespace tarvo
