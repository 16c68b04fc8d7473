#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "TestEnv.h"
#include "support/FileVersion.h"
#include "support/VersionApi.h"
#include "support/VersionInfo.h"

using namespace tarvo;
using tarvo::test::FixturePath;

namespace {

std::string VersionText(const std::string& path) { return TVersionInfo(path).GetVersionString(); }

// The fixed part as GetFixedInfo copies it, into a record followed by marker
// bytes that must survive the copy.
struct TMarkedFixedInfo {
  TMarkedFixedInfo() { std::memset(this, 0xCD, sizeof *this); }
  bool Unmarked() const {
    for (BYTE b : after)
      if (b != 0xCD) return false;
    return true;
  }
  VS_FIXEDFILEINFO info;
  BYTE after[16];
};

}  // namespace

TEST(FileVersion, ShowsTheFileVersionNotTheProductVersion) {
  TFileVersion reader(FixturePath("v5126000.dll"));
  ASSERT_TRUE(reader.Loaded());
  TMarkedFixedInfo fixed;
  ASSERT_TRUE(reader.GetFixedInfo(fixed.info));
  EXPECT_TRUE(fixed.Unmarked());
  EXPECT_EQ(0xFEEF04BDu, fixed.info.dwSignature);
  EXPECT_EQ(0x00060000u, fixed.info.dwProductVersionMS);  // 6.0.2900.5512 is not shown
  TVersionNumbers numbers;
  reader.GetVersionNumbers(numbers);
  EXPECT_EQ(5u, numbers.major);
  EXPECT_EQ(1u, numbers.minor);
  EXPECT_EQ(2600u, numbers.release);
  EXPECT_EQ(0u, numbers.build);
  EXPECT_EQ("5.1.2600.0", VersionText(FixturePath("v5126000.dll")));
}

TEST(FileVersion, TranslationValueHasLanguageHighAndCodePageLow) {
  // The resource stores the entry as the bytes 09 04 E4 04.
  EXPECT_EQ(0x040904E4u, TFileVersion(FixturePath("v5126000.dll")).TranslationValue());
  EXPECT_EQ(0x040904E4u, TFileVersion(FixturePath("raw_valid.dll")).TranslationValue());
}

TEST(FileVersion, BlockHasExactlyTheReportedSize) {
  const std::string path = FixturePath("v5126000.dll");
  DWORD handle = 0;
  const DWORD reported = VersionApi().GetFileVersionInfoSize(path.c_str(), &handle);
  ASSERT_GT(reported, 0u);
  EXPECT_EQ(reported, TFileVersion(path).BlockSize());
}

TEST(FileVersion, VersionTexts) {
  EXPECT_EQ("65535.65535.65535.65535", VersionText(FixturePath("vmax.dll")));
  EXPECT_EQ("1.2.3.4", VersionText(FixturePath("versioned.exe")));
  // The raw control block proves the hand-written blocks are read at all.
  EXPECT_EQ("7.3.11.2", VersionText(FixturePath("raw_valid.dll")));
  TVersionInfo twice(FixturePath("v5126000.dll"));
  EXPECT_EQ(twice.GetVersionString(), twice.GetVersionString());
  EXPECT_EQ(FixturePath("v5126000.dll"), twice.FileName());
}

TEST(FileVersion, FilesWithoutUsableVersionAreEmptyReaders) {
  for (const std::string& path :
       {FixturePath("noversion.dll"), FixturePath("missing.dll"), std::string(),
        FixturePath("notranslation.dll"), FixturePath("short_translation.dll")}) {
    TFileVersion reader(path);
    EXPECT_FALSE(reader.Loaded()) << path;
    EXPECT_EQ(0u, reader.BlockSize()) << path;
    EXPECT_EQ(0u, reader.TranslationValue()) << path;
    TMarkedFixedInfo fixed;
    const VS_FIXEDFILEINFO before = fixed.info;
    EXPECT_FALSE(reader.GetFixedInfo(fixed.info)) << path;
    EXPECT_EQ(0, std::memcmp(&before, &fixed.info, sizeof before)) << path;
    EXPECT_EQ("0.0.0.0", VersionText(path)) << path;
  }
}

TEST(FileVersion, TranslationWithoutWholeFixedPartStaysLoaded) {
  for (const char* name : {"no_fixed.dll", "short_fixed.dll"}) {
    TFileVersion reader(FixturePath(name));
    EXPECT_TRUE(reader.Loaded()) << name;
    EXPECT_EQ(0x040904E4u, reader.TranslationValue()) << name;
    TMarkedFixedInfo fixed;
    EXPECT_FALSE(reader.GetFixedInfo(fixed.info)) << name;
    EXPECT_TRUE(fixed.Unmarked()) << name;
    EXPECT_EQ("0.0.0.0", VersionText(FixturePath(name))) << name;
  }
}

TEST(FileVersion, WrongSignatureIsStillRead) {
  EXPECT_EQ("4.2.1.7", VersionText(FixturePath("wrong_signature.dll")));
}

// Malformed blocks are parsed by the service alone. What it makes of them
// (measured under Wine): a root length past the resource still finds the real
// values in front; a child of length 0 hides the Translation value behind it,
// so the block is dropped; a 16-bit layout is read as such.
TEST(FileVersion, BlocksWithLyingSizesOrOldLayout) {
  TFileVersion tooLong(FixturePath("root_too_long.dll"));
  EXPECT_EQ(0x040904E4u, tooLong.TranslationValue());
  EXPECT_EQ("7.3.11.2", VersionText(FixturePath("root_too_long.dll")));

  TFileVersion zeroChild(FixturePath("child_zero_length.dll"));
  EXPECT_FALSE(zeroChild.Loaded());
  EXPECT_EQ("0.0.0.0", VersionText(FixturePath("child_zero_length.dll")));

  TFileVersion old(FixturePath("looks_16bit.dll"));
  EXPECT_EQ(0x040904E4u, old.TranslationValue());
  EXPECT_EQ("3.1.4.1", VersionText(FixturePath("looks_16bit.dll")));
}

TEST(FileVersion, FreeInfoEmptiesAndRepeats) {
  TFileVersion reader(FixturePath("v5126000.dll"));
  ASSERT_TRUE(reader.Loaded());
  reader.FreeInfo();
  EXPECT_FALSE(reader.Loaded());
  EXPECT_EQ(0u, reader.TranslationValue());
  reader.FreeInfo();
  TVersionNumbers numbers;
  numbers.major = 9;
  reader.GetVersionNumbers(numbers);
  EXPECT_EQ(0u, numbers.major);
}

// The program's own version resource carries the project version, the one
// the release zip is named after, as file and product version.
TEST(FileVersion, ProgramCarriesTheProjectVersion) {
  const char* project = std::getenv("TARVO_VERSION");
  ASSERT_TRUE(project && *project);
  const std::string exe = tarvo::test::UnixPathFromEnv("TARVO_EXE");
  EXPECT_EQ(project, VersionText(exe));
  TFileVersion reader(exe);
  VS_FIXEDFILEINFO info = {};
  ASSERT_TRUE(reader.GetFixedInfo(info));
  EXPECT_EQ(info.dwFileVersionMS, info.dwProductVersionMS);
  EXPECT_EQ(info.dwFileVersionLS, info.dwProductVersionLS);
}
