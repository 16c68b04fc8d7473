#pragma once
// The version text of one file, as the module scan reports it: made for a
// path, asked, destroyed.

#include <memory>
#include <string>

#include "framework/Object.h"
#include "support/FileVersion.h"

namespace tarvo {

class TVersionInfo : public TObject {
public:
  explicit TVersionInfo(const std::string& fileName);
  ~TVersionInfo() override;

  // "a.b.c.d" of the file version; 0.0.0.0 when the file has no usable one.
  std::string GetVersionString() const;

  const std::string& FileName() const { return fileName_; }

private:
  std::string fileName_;
  std::unique_ptr<TFileVersion> fileVersion_;
};

}  // namespace tarvo
