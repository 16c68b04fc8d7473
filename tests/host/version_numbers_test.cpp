#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "support/VersionNumbers.h"

using namespace tarvo;

TEST(VersionNumbers, SplitsTheTwoWordsIntoFourNumbers) {
  TVersionNumbers n = VersionNumbersFromWords(0x00050001, 0x0A280000);
  EXPECT_EQ(5u, n.major);
  EXPECT_EQ(1u, n.minor);
  EXPECT_EQ(2600u, n.release);
  EXPECT_EQ(0u, n.build);
  EXPECT_EQ("5.1.2600.0", FormatVersionNumbers(n));
  EXPECT_EQ("65535.65535.65535.65535",
            FormatVersionNumbers(VersionNumbersFromWords(0xFFFFFFFF, 0xFFFFFFFF)));
  EXPECT_EQ("0.0.0.0", FormatVersionNumbers(TVersionNumbers()));
  EXPECT_EQ("0.10.0.7", FormatVersionNumbers(VersionNumbersFromWords(0x0000000A, 0x00000007)));
}

TEST(VersionNumbers, TranslationSwapsTheHalvesAndReadsNoFurther) {
  // The value sits at the very end of its buffer, so ASan catches a read past it.
  const unsigned char entry[] = {0x09, 0x04, 0xE4, 0x04};
  auto value = std::make_unique<unsigned char[]>(sizeof entry);
  std::memcpy(value.get(), entry, sizeof entry);
  uint32_t translation = 0xDEADBEEF;
  ASSERT_TRUE(TranslationFromValue(value.get(), sizeof entry, translation));
  EXPECT_EQ(0x040904E4u, translation);

  // Shorter than one entry: no Translation value, and nothing is written.
  translation = 0xDEADBEEF;
  for (size_t length = 0; length < 4; ++length) {
    auto shortValue = std::make_unique<unsigned char[]>(length + 1);
    EXPECT_FALSE(TranslationFromValue(shortValue.get(), length, translation)) << length;
  }
  EXPECT_FALSE(TranslationFromValue(nullptr, 4, translation));
  EXPECT_EQ(0xDEADBEEFu, translation);

  // Only the first of several entries counts.
  const unsigned char two[] = {0x07, 0x04, 0xB0, 0x04, 0x09, 0x04, 0xE4, 0x04};
  ASSERT_TRUE(TranslationFromValue(two, sizeof two, translation));
  EXPECT_EQ(0x040704B0u, translation);
}
