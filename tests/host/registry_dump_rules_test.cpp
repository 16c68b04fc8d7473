#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "app/RegistryDumpRules.h"

namespace tarvo {
namespace {

TEST(RegistryLines, NumbersSignedDecimalAndEightUpperHexDigits) {
  const auto line = [](std::uint32_t n) {
    return NumberLine(TRegistryRoot::LocalMachine, "Software\\ZVK", "Count", n);
  };
  EXPECT_EQ("HKLM\\Software\\ZVK\\Count = 10, 0x0000000A", line(10));
  EXPECT_EQ("HKLM\\Software\\ZVK\\Count = 0, 0x00000000", line(0));
  EXPECT_EQ("HKLM\\Software\\ZVK\\Count = 255, 0x000000FF", line(255));
  EXPECT_EQ("HKLM\\Software\\ZVK\\Count = -1, 0xFFFFFFFF", line(0xFFFFFFFFu));
  EXPECT_EQ("HKLM\\Software\\ZVK\\Count = -2147483648, 0x80000000", line(0x80000000u));
  EXPECT_EQ("HKLM\\Software\\ZVK\\Count = 2147483647, 0x7FFFFFFF", line(0x7FFFFFFFu));
}

TEST(RegistryLines, PrefixesDefaultNameAndEmptyData) {
  EXPECT_EQ("HKLM\\Software\\ZVK\\(Default) = abc",
            StringLine(TRegistryRoot::LocalMachine, "Software\\ZVK", "", "abc"));
  EXPECT_EQ("HKCU\\Software\\VB and VBA Program Settings\\Pardex\\Path = ",
            StringLine(TRegistryRoot::CurrentUser, "Software\\VB and VBA Program Settings\\Pardex",
                       "Path", ""));
  EXPECT_EQ("Software\\X\\(Default) = -5, 0xFFFFFFFB",
            NumberLine(TRegistryRoot::Other, "Software\\X", "", 0xFFFFFFFBu));
  // Data passes unchanged, control characters included.
  EXPECT_EQ("HKCU\\K\\v = a\r\nb", StringLine(TRegistryRoot::CurrentUser, "K", "v", "a\r\nb"));
}

TEST(RegistryLines, PathsLoseOneLeadingBackslashAndJoinWithOne) {
  EXPECT_EQ("Software\\ZVK", OpenablePath("\\Software\\ZVK"));
  EXPECT_EQ("Software\\ZVK", OpenablePath("Software\\ZVK"));
  EXPECT_EQ("", OpenablePath(""));
  EXPECT_EQ("Software\\ZVK\\S2\\T", SubkeyPath(SubkeyPath("Software\\ZVK", "S2"), "T"));
}

TEST(RegistryLines, TextStopsAtFirstNulAndNeverReadsPastTheData) {
  const char withNul[] = {'a', 'b', '\0', 'c'};
  EXPECT_EQ("ab", TextUpToNul(withNul, sizeof withNul));
  // No NUL within the data: the text ends with the data. Under ASan a read
  // past the four bytes would fail here.
  const auto unterminated = std::make_unique<char[]>(4);
  std::memcpy(unterminated.get(), "wxyz", 4);
  EXPECT_EQ("wxyz", TextUpToNul(unterminated.get(), 4));
  EXPECT_EQ("", TextUpToNul(unterminated.get(), 0));
  EXPECT_EQ("", TextUpToNul(nullptr, 0));
}

TEST(RegistryLines, ShortNumbersTakeZeroForMissingBytes) {
  const unsigned char bytes[] = {0x34, 0x12, 0xCD, 0xAB};
  EXPECT_EQ(0xABCD1234u, NumberFromBytes(bytes, 4));
  EXPECT_EQ(0x1234u, NumberFromBytes(bytes, 2));
  EXPECT_EQ(0x34u, NumberFromBytes(bytes, 1));
  EXPECT_EQ(0u, NumberFromBytes(bytes, 0));
}

TEST(RegistryLines, NameBuffersHoldTheNulAndDoubleForDoubleByteNT) {
  EXPECT_EQ(1u, NameBufferLength(0, false));
  EXPECT_EQ(16384u, NameBufferLength(16383, false));
  EXPECT_EQ(32767u, NameBufferLength(16383, true));
}

}  // namespace
}  // namespace tarvo
