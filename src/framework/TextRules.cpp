// tarvo:portable
#include "framework/TextRules.h"

namespace tarvo {

std::string ApplicationTitleFromPath(const std::string& exePath, TLowerCaseBuffer lowerCase,
                                     TLeadBytePredicate isLeadByte) {
  std::string::size_type start = FindLastDelimiter(exePath, "\\:", isLeadByte);
  std::string name = start == std::string::npos ? exePath : exePath.substr(start + 1);
  std::string::size_type dot = FindLastDelimiter(name, ".", isLeadByte);
  if (dot != std::string::npos) name.erase(dot);
  // The first character stays as it is, a double-byte one included.
  std::string::size_type first =
      isLeadByte && !name.empty() && isLeadByte(static_cast<unsigned char>(name[0])) ? 2 : 1;
  if (first < name.size()) lowerCase(&name[first], name.size() - first);
  return name;
}

std::string ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

std::string DateTimeLine(const std::string& date, const std::string& time, int hour, int minute,
                         int second) {
  if (hour == 0 && minute == 0 && second == 0) return date;
  return date + " " + time;
}

}  // namespace tarvo
