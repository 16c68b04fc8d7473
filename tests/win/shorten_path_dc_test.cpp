#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/UniqueResource.h"
#include "support/ShortenPath.h"

using namespace tarvo;

namespace {

// A memory device context with a real font selected into it.
class TShortenOnDc : public ::testing::Test {
protected:
  void SetUp() override {
    dc_.reset(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc_);
    SelectHeight(16);
  }
  void TearDown() override {
    if (dc_) SelectObject(dc_.get(), GetStockObject(SYSTEM_FONT));
  }
  void SelectHeight(int height) {
    if (dc_) SelectObject(dc_.get(), GetStockObject(SYSTEM_FONT));
    font_.reset(CreateFontA(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            VARIABLE_PITCH | FF_SWISS, "Tahoma"));
    ASSERT_TRUE(font_);
    ASSERT_NE(nullptr, SelectObject(dc_.get(), font_.get()));
  }
  int Width(const std::string& text) {
    SIZE size = {};
    EXPECT_TRUE(
        GetTextExtentPoint32A(dc_.get(), text.c_str(), static_cast<int>(text.size()), &size));
    return size.cx;
  }

  TUniqueFont font_;
  TUniqueMemoryDC dc_;  // destroyed first, while the font is no longer selected
};

}  // namespace

TEST_F(TShortenOnDc, MeasuresInPixelsOfTheSelectedFont) {
  const std::string path = "C:\\WINDOWS\\SYSTEM32";
  const int full = Width(path);
  const int shortened = Width("C:\\...\\SYSTEM32");
  ASSERT_GT(full, shortened);
  EXPECT_EQ(path, ShortenPath(path, dc_.get(), full));
  EXPECT_EQ("C:\\...\\SYSTEM32", ShortenPath(path, dc_.get(), full - 1));
  EXPECT_EQ("C:\\...\\SYSTEM32", ShortenPath(path, dc_.get(), shortened));
  EXPECT_EQ("...\\SYSTEM32", ShortenPath(path, dc_.get(), shortened - 1));
  EXPECT_EQ("SYSTEM32", ShortenPath(path, dc_.get(), 0));

  // Same number of bytes, different pixels: only the wide one is shortened.
  const int narrowWidth = Width("C:\\iiii\\NAME");
  ASSERT_LT(narrowWidth, Width("C:\\WWWW\\NAME"));
  EXPECT_EQ("C:\\iiii\\NAME", ShortenPath("C:\\iiii\\NAME", dc_.get(), narrowWidth));
  EXPECT_NE("C:\\WWWW\\NAME", ShortenPath("C:\\WWWW\\NAME", dc_.get(), narrowWidth));

  // A larger font on the same surface needs more shortening for the same room.
  SelectHeight(32);
  EXPECT_NE(path, ShortenPath(path, dc_.get(), full));
}
