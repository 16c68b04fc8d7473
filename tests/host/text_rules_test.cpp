#include "framework/TextRules.h"

#include <gtest/gtest.h>

#include "shift_jis.h"

namespace tarvo {
namespace {

// What the title asks of its lower-casing: the C locale's, ASCII letters only.
void LowerAscii(char* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    if (text[i] >= 'A' && text[i] <= 'Z') text[i] = static_cast<char>(text[i] - 'A' + 'a');
}

std::string Title(const std::string& path, TLeadBytePredicate isLeadByte = nullptr) {
  return ApplicationTitleFromPath(path, LowerAscii, isLeadByte);
}

TEST(TextRules, TitleIsTheFileNameWithoutFolderAndExtensionFirstLetterKept) {
  EXPECT_EQ(Title("C:\\Program Files\\Tools\\TARVO.EXE"), "Tarvo");
  EXPECT_EQ(Title("C:\\tools\\tarvo.exe"), "tarvo");
  EXPECT_EQ(Title("D:TARVO.EXE"), "Tarvo");
  EXPECT_EQ(Title("TARVO"), "Tarvo");
  // Only the last extension goes; a dotted folder name is not an extension.
  EXPECT_EQ(Title("C:\\OLD.TOOLS\\TARVO.OLD.EXE"), "Tarvo.old");
  EXPECT_EQ(Title("C:\\OLD.TOOLS\\TARVO"), "Tarvo");
  EXPECT_EQ(Title(""), "");
}

TEST(TextRules, TitleSplitsAtRealDelimitersAndKeepsADoubleByteFirstCharacterWhole) {
  using test::ShiftJisLeadByte;
  // "\x83\x41" and "\x83\x5C" are single characters: their second bytes are
  // no "A" to lower-case and no folder separator.
  EXPECT_EQ(Title("C:\\T\\\x83\x41RVO.EXE", ShiftJisLeadByte), "\x83\x41rvo");
  EXPECT_EQ(Title("C:\\\x83\x5CTOOL.EXE", ShiftJisLeadByte), "\x83\x5Ctool");
  EXPECT_EQ(Title("C:\\T\\\x83", ShiftJisLeadByte), "\x83");
}

TEST(TextRules, FullStopOnlyAfterACharacterThatSortsAfterTheStop) {
  EXPECT_EQ(ErrorBoxText("Cannot create file C:\\T\\Tarvo.log"),
            "Cannot create file C:\\T\\Tarvo.log.");
  // "'" (0x27), "," and "." itself sort before or at "."; "/" sorts after it.
  EXPECT_EQ(ErrorBoxText("Failed to get data for 'v'"), "Failed to get data for 'v'");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText("a,"), "a,");
  EXPECT_EQ(ErrorBoxText("a/"), "a/.");
  EXPECT_EQ(ErrorBoxText("OLE error 80004005"), "OLE error 80004005.");
  EXPECT_EQ(ErrorBoxText("caf\xE9"), "caf\xE9.");
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(TextRules, DateAloneOnlyAtExactMidnight) {
  EXPECT_EQ(DateTimeLine("12/10/2026", "12:00:00 AM", 0, 0, 0), "12/10/2026");
  EXPECT_EQ(DateTimeLine("12/10/2026", "12:00:01 AM", 0, 0, 1), "12/10/2026 12:00:01 AM");
  EXPECT_EQ(DateTimeLine("12/10/2026", "12:01:00 AM", 0, 1, 0), "12/10/2026 12:01:00 AM");
  EXPECT_EQ(DateTimeLine("10.12.2026", "12:00:00", 12, 0, 0), "10.12.2026 12:00:00");
}

}  // namespace
}  // namespace tarvo
