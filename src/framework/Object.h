#pragma once
// Root of the program's own classes: an owner destroys what it holds through
// this one virtual destructor; the classes add no virtual operations of their own.

namespace tarvo {

class TObject {
public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
};

}  // namespace tarvo
