#pragma once
// Text rules of the application object that need no platform: the title,
// the error box's text, the first line of a run.

#include <cstddef>
#include <string>

#include "support/LeadByte.h"

namespace tarvo {

// Lower-cases `length` bytes of text in place, whole characters at a time.
using TLowerCaseBuffer = void (*)(char* text, std::size_t length);

// The executable's file name without folder and extension, its first
// character unchanged and the rest lower-cased by `lowerCase` ("C:\\X\\TARVO.EXE"
// gives "Tarvo"); folders and extension are split off only at real
// delimiters, and a double-byte first character is kept whole, when
// `isLeadByte` is given.
std::string ApplicationTitleFromPath(const std::string& exePath, TLowerCaseBuffer lowerCase,
                                     TLeadBytePredicate isLeadByte = nullptr);

// The error box shows the message with a full stop appended when its last
// character sorts after "." (so "...'name'" stays as it is).
std::string ErrorBoxText(const std::string& message);

// The date alone at exactly midnight, else date, one blank and time.
std::string DateTimeLine(const std::string& date, const std::string& time, int hour, int minute,
                         int second);

}  // namespace tarvo
