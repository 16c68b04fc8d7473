#pragma once
// Text rules of the application object that need no platform: the title,
// the error box's text, the first line of a run.

#include <string>

#include "support/LeadByte.h"

namespace tarvo {

// The executable's file name without folder and extension, its first letter
// unchanged and the rest lower-cased ("C:\\X\\TARVO.EXE" gives "Tarvo"); the
// second bytes of double-byte characters are left alone when `isLeadByte`
// is given.
std::string ApplicationTitleFromPath(const std::string& exePath,
                                     TLeadBytePredicate isLeadByte = nullptr);

// The error box shows the message with a full stop appended when its last
// character sorts after "." (so "...'name'" stays as it is).
std::string ErrorBoxText(const std::string& message);

// The date alone at exactly midnight, else date, one blank and time.
std::string DateTimeLine(const std::string& date, const std::string& time, int hour, int minute,
                         int second);

}  // namespace tarvo
