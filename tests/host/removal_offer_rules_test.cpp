#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/RemovalOfferRules.h"

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

}  // namespace
}  // namespace tarvo
