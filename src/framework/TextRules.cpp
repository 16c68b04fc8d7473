// tarvo:portable
#include "framework/TextRules.h"

#include <cctype>

namespace tarvo {

std::string ApplicationTitleFromPath(const std::string& exePath) {
  std::string::size_type start = exePath.find_last_of("\\:");
  std::string name = start == std::string::npos ? exePath : exePath.substr(start + 1);
  std::string::size_type dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  for (std::string::size_type i = 1; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 0x80) name[i] = static_cast<char>(std::tolower(c));
  }
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
