#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Removal.h"
#include "shift_jis.h"

namespace tarvo {
namespace {

using namespace std::string_literals;

TEST(PathBuffer, PathsEachClosedByZeroAndOneMoreAtTheEnd) {
  EXPECT_EQ(BuildPathBuffer({"C:\\A\\VQ32W.DLL", "D:\\B\\x.dll"}),
            "C:\\A\\VQ32W.DLL\0D:\\B\\x.dll\0\0"s);
  EXPECT_EQ(BuildPathBuffer({"C:\\one.dll"}), "C:\\one.dll\0\0"s);
  // Duplicates stay, order stays.
  EXPECT_EQ(BuildPathBuffer({"b", "a", "b"}), "b\0a\0b\0\0"s);
}

TEST(PathBuffer, EmptyAndWildcardEntriesContributeNothing) {
  EXPECT_EQ(BuildPathBuffer({"", "C:\\x.dll", ""}), "C:\\x.dll\0\0"s);
  EXPECT_TRUE(BuildPathBuffer({"", ""}).empty());
  EXPECT_TRUE(BuildPathBuffer({}).empty());
  // What a lossy conversion leaves would be a wildcard to the shell.
  EXPECT_EQ(BuildPathBuffer({"C:\\WINDOWS\\??????32\\VQ32W.DLL", "C:\\x.dll", "C:\\*.dll"}),
            "C:\\x.dll\0\0"s);
  EXPECT_TRUE(BuildPathBuffer({"C:\\?"}).empty());
}

TEST(RemovalTexts, QuestionHasLineFeedAfterFullStopAndSpace) {
  EXPECT_EQ(std::string(RemovalQuestion),
            "There are ZVK DLLs in incorrect folders. \x0aRemove to the Recycle Bin?");
}

TEST(PathRoot, DriveAndShareRoots) {
  EXPECT_EQ(PathRoot("C:\\WINDOWS\\VQ32W.DLL"), "C:\\");
  EXPECT_EQ(PathRoot("d:\\x"), "d:\\");
  EXPECT_EQ(PathRoot("\\\\server\\share\\dir\\f.dll"), "\\\\server\\share\\");
  EXPECT_EQ(PathRoot("\\\\server\\share"), "\\\\server\\share\\");
  EXPECT_EQ(PathRoot("\\\\server"), "");
  EXPECT_EQ(PathRoot("relative\\f.dll"), "");
  EXPECT_EQ(PathRoot("C:f.dll"), "");
}

TEST(PathSplit, NameFolderAndExtension) {
  EXPECT_EQ(ExtractFileName("C:\\A\\VQ32W.DLL"), "VQ32W.DLL");
  EXPECT_EQ(ExtractFilePath("C:\\A\\VQ32W.DLL"), "C:\\A\\");
  EXPECT_EQ(ExtractFileName("C:VQ32W.DLL"), "VQ32W.DLL");
  EXPECT_EQ(ExtractFilePath("C:VQ32W.DLL"), "C:");
  EXPECT_EQ(ExtractFilePath("VQ32W.DLL"), "");
  // Only the last extension counts.
  EXPECT_EQ(ExtractFileExt("C:\\A\\VQ32W.DLL.BAK"), ".BAK");
  EXPECT_EQ(ExtractFileExt("C:\\A\\VQ32W.DL"), ".DL");
  // A dot in a folder name is no extension of the file.
  EXPECT_EQ(ExtractFileExt("C:\\A.DLL\\VQ32W"), "");
  EXPECT_EQ(ExtractFileExt("C:\\A\\"), "");
  EXPECT_EQ(ExtractFileExt(""), "");
}

using test::ShiftJisLeadByte;

TEST(PathSplit, NeverOnTheSecondByteOfADoubleByteCharacter) {
  // "\x95\x5C" is one character whose second byte is the backslash's: the
  // file is not the watched VQ32W.DLL.
  const std::string path = "C:\\D\\\x95\\VQ32W.DLL";
  EXPECT_EQ(ExtractFileName(path, ShiftJisLeadByte), "\x95\\VQ32W.DLL");
  EXPECT_EQ(ExtractFilePath(path, ShiftJisLeadByte), "C:\\D\\");
  EXPECT_EQ(ExtractFileExt(path, ShiftJisLeadByte), ".DLL");
  // A folder whose name ends in such a character is still a folder.
  const std::string inFolder = "C:\\\x95\\\\VQ32W.DLL";
  EXPECT_EQ(ExtractFileName(inFolder, ShiftJisLeadByte), "VQ32W.DLL");
  EXPECT_EQ(ExtractFilePath(inFolder, ShiftJisLeadByte), "C:\\\x95\\\\");
  // An extension whose dot follows a double-byte character, and none at all.
  EXPECT_EQ(ExtractFileExt("C:\\\x95\\.DLL", ShiftJisLeadByte), ".DLL");
  EXPECT_EQ(ExtractFileExt("C:\\A.B\\\x95\\", ShiftJisLeadByte), "");
  // Without a predicate the text is split byte by byte.
  EXPECT_EQ(ExtractFileName(path), "VQ32W.DLL");
}

TEST(PathSplit, TrailingBackslashAndDriveRoots) {
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\WINDOWS\\SYSTEM32\\"), "C:\\WINDOWS\\SYSTEM32");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\"), "C:");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\\\"), "C:\\");
  EXPECT_EQ(ExcludeTrailingBackslash(""), "");
  EXPECT_TRUE(IsDriveRootName("C:\\"));
  EXPECT_TRUE(IsDriveRootName("?:\\"));
  EXPECT_FALSE(IsDriveRootName("C:\\x"));
  EXPECT_FALSE(IsDriveRootName("C:"));
  EXPECT_FALSE(IsDriveRootName("\\\\?\\"));
}

}  // namespace
}  // namespace tarvo
