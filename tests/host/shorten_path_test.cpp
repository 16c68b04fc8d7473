#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shift_jis.h"
#include "support/ShortenPath.h"

using namespace tarvo;

namespace {

// Shortens with one pixel per byte and records every text measured, which
// is the sequence of results while the text stays too wide.
struct TTrace {
  std::vector<std::string> measured;
  std::string Shorten(const std::string& path, int maxWidth,
                      TLeadBytePredicate isLeadByte = nullptr) {
    measured.clear();
    return ShortenPath(
        path,
        [this](const std::string& text) {
          measured.push_back(text);
          return static_cast<int>(text.size());
        },
        maxWidth, isLeadByte);
  }
};

using Steps = std::vector<std::string>;

using test::ShiftJisLeadByte;

}  // namespace

TEST(ShortenPath, SuccessiveResultsDownToTheName) {
  TTrace t;
  EXPECT_EQ("SYSTEM32", t.Shorten("C:\\WINDOWS\\SYSTEM32", 0));
  EXPECT_EQ((Steps{"C:\\WINDOWS\\SYSTEM32", "C:\\...\\SYSTEM32", "...\\SYSTEM32"}), t.measured);

  EXPECT_EQ("NAME", t.Shorten("C:\\A\\B\\C\\NAME", -5));
  EXPECT_EQ((Steps{"C:\\A\\B\\C\\NAME", "C:\\...\\B\\C\\NAME", "C:\\...\\C\\NAME", "C:\\...\\NAME",
                   "...\\NAME"}),
            t.measured);

  EXPECT_EQ("NAME", t.Shorten("\\\\SERVER\\SHARE\\DIR\\NAME", 0));
  EXPECT_EQ((Steps{"\\\\SERVER\\SHARE\\DIR\\NAME", "\\...\\SERVER\\SHARE\\DIR\\NAME",
                   "\\...\\SHARE\\DIR\\NAME", "\\...\\DIR\\NAME", "\\...\\NAME", "...\\NAME"}),
            t.measured);

  EXPECT_EQ("", t.Shorten("C:\\", 0));
  EXPECT_EQ((Steps{"C:\\", "C:"}), t.measured);
}

TEST(ShortenPath, StopsAtTheFirstResultThatFits) {
  TTrace t;
  const std::string path = "C:\\AAAA\\B\\C\\NAME";  // 16 bytes
  EXPECT_EQ(path, t.Shorten(path, 16));             // equal width fits
  EXPECT_EQ(1u, t.measured.size());
  EXPECT_EQ("C:\\...\\B\\C\\NAME", t.Shorten(path, 15));
  EXPECT_EQ("C:\\...\\C\\NAME", t.Shorten(path, 14));
  EXPECT_EQ("C:\\...\\NAME", t.Shorten(path, 12));
  EXPECT_EQ("...\\NAME", t.Shorten(path, 8));
  EXPECT_EQ("NAME", t.Shorten(path, 7));
}

TEST(ShortenPath, NameIsNeverCutAndNotMeasuredOnceAlone) {
  TTrace t;
  EXPECT_EQ("AVERYLONGNAME.DLL", t.Shorten("D:\\X\\AVERYLONGNAME.DLL", 3));
  EXPECT_EQ("...\\AVERYLONGNAME.DLL", t.measured.back());
  EXPECT_EQ("BARE", t.Shorten("BARE", 0));
  EXPECT_TRUE(t.measured.empty());
  EXPECT_EQ("", t.Shorten("", -1));
  EXPECT_EQ("", t.Shorten("C:", 0));
  EXPECT_EQ((Steps{"C:"}), t.measured);
  EXPECT_EQ("NAME", t.Shorten("C:NAME", 1));  // a drive-relative path loses its drive
}

TEST(DropFirstFolder, ReplacesOneFolderAtATime) {
  struct Case {
    std::string before, after;
  };
  for (const Case& c :
       {Case{"\\", ""}, Case{"\\WINDOWS\\", "\\...\\"}, Case{"\\...\\", "\\"}, Case{"...\\", ""},
        Case{"A\\B\\", "...\\B\\"}, Case{"\\...\\B\\C\\", "\\...\\C\\"}, Case{"NOSEP:", ""},
        Case{".", ""}, Case{"\\.ab\\c\\", "\\...\\"}, Case{"", ""}}) {
    std::string s = c.before;
    DropFirstFolder(s);
    EXPECT_EQ(c.after, s) << "from " << c.before;
  }
}

TEST(DropFirstFolder, NeverSplitsADoubleByteCharacter) {
  // 0x95 0x5C is one character whose second byte looks like '\'.
  const std::string folder = "\\\x95\x5C\\DIR\\";
  std::string s = folder;
  DropFirstFolder(s, &ShiftJisLeadByte);
  EXPECT_EQ("\\...\\DIR\\", s);

  TTrace t;
  // The last name is that character alone; it stays whole.
  EXPECT_EQ("\x95\x5C", t.Shorten("C:\\DIR\\\x95\x5C", 0, &ShiftJisLeadByte));
  EXPECT_EQ("C:\\...\\\x95\x5C", t.measured[1]);
}
