// The PE reader on small images built here byte by byte: both import tables,
// both header forms, and files that end or point where they must not.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "PeFile.h"

namespace tarvo::test {
namespace {

// One section at RVA 0x1000, file offset 0x200, holding whatever the test
// puts there; the headers point into it.
class TImageBuilder {
public:
  explicit TImageBuilder(bool pe32plus) : pe32plus_(pe32plus), bytes_(0x200) {}

  // Places bytes in the section and gives their RVA.
  std::uint32_t Add(const std::vector<unsigned char>& data) {
    const std::uint32_t rva = kSectionRva + static_cast<std::uint32_t>(section_.size());
    section_.insert(section_.end(), data.begin(), data.end());
    while (section_.size() % 8) section_.push_back(0);
    return rva;
  }
  std::uint32_t AddName(const std::string& name) {
    std::vector<unsigned char> data(2, 0);  // hint
    data.insert(data.end(), name.begin(), name.end());
    data.push_back(0);
    return Add(data);
  }
  // A name table of the given hint/name RVAs and ordinal imports, ended by zero.
  std::uint32_t AddThunks(const std::vector<std::uint32_t>& names,
                          const std::vector<std::uint16_t>& ordinals = {}) {
    std::vector<unsigned char> data;
    for (std::uint32_t n : names) PutThunk(data, n);
    for (std::uint16_t o : ordinals) PutThunk(data, o, true);
    PutThunk(data, 0);
    return Add(data);
  }
  std::uint32_t AddImportDescriptors(
      const std::vector<std::pair<std::uint32_t, std::uint32_t>>& d) {
    std::vector<unsigned char> data;
    for (const auto& [name, thunks] : d) {
      Put32(data, thunks);  // lookup table
      Put32(data, 0);
      Put32(data, 0);
      Put32(data, name);
      Put32(data, thunks);  // address table
    }
    data.resize(data.size() + 20, 0);
    return Add(data);
  }
  std::uint32_t AddDelayDescriptors(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& d,
                                    bool rvas) {
    const std::uint32_t bias = rvas ? 0 : kImageBase;
    std::vector<unsigned char> data;
    for (const auto& [name, thunks] : d) {
      Put32(data, rvas ? 1 : 0);
      Put32(data, name + bias);
      Put32(data, 0);
      Put32(data, thunks + bias);  // address table
      Put32(data, thunks + bias);  // name table
      data.resize(data.size() + 12, 0);
    }
    data.resize(data.size() + 32, 0);
    return Add(data);
  }

  std::uint32_t importRva = 0, delayRva = 0;
  std::uint16_t os = 4, subsystemVersion = 4;

  std::vector<unsigned char> Build() const {
    std::vector<unsigned char> image = bytes_;
    image[0] = 'M';
    image[1] = 'Z';
    Set32(image, 0x3C, 0x40);
    Set32(image, 0x40, 0x00004550);
    const std::size_t file = 0x44, opt = file + 20;
    const std::uint16_t optSize = pe32plus_ ? 240 : 224;
    Set16(image, file, pe32plus_ ? 0x8664 : 0x14C);
    Set16(image, file + 2, 1);
    Set16(image, file + 16, optSize);
    Set16(image, opt, pe32plus_ ? 0x20B : 0x10B);
    if (pe32plus_) {
      Set32(image, opt + 24, kImageBase);
    } else {
      Set32(image, opt + 28, kImageBase);
    }
    Set16(image, opt + 40, os);
    Set16(image, opt + 48, subsystemVersion);
    Set16(image, opt + 68, 2);
    const std::size_t dirs = opt + (pe32plus_ ? 112 : 96);
    Set32(image, dirs - 4, 16);
    Set32(image, dirs + 8, importRva);
    Set32(image, dirs + 13 * 8, delayRva);
    const std::size_t s = opt + optSize;
    Set32(image, s + 8, static_cast<std::uint32_t>(section_.size()));
    Set32(image, s + 12, kSectionRva);
    Set32(image, s + 16, static_cast<std::uint32_t>(section_.size()));
    Set32(image, s + 20, 0x200);
    image.insert(image.end(), section_.begin(), section_.end());
    return image;
  }

private:
  static constexpr std::uint32_t kSectionRva = 0x1000, kImageBase = 0x400000;

  static void Put32(std::vector<unsigned char>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
  }
  void PutThunk(std::vector<unsigned char>& v, std::uint32_t x, bool ordinal = false) const {
    if (pe32plus_) {
      Put32(v, x);
      Put32(v, ordinal ? 0x80000000u : 0);
    } else {
      Put32(v, ordinal ? x | 0x80000000u : x);
    }
  }
  static void Set16(std::vector<unsigned char>& v, std::size_t at, std::uint16_t x) {
    v[at] = static_cast<unsigned char>(x);
    v[at + 1] = static_cast<unsigned char>(x >> 8);
  }
  static void Set32(std::vector<unsigned char>& v, std::size_t at, std::uint32_t x) {
    Set16(v, at, static_cast<std::uint16_t>(x));
    Set16(v, at + 2, static_cast<std::uint16_t>(x >> 16));
  }

  bool pe32plus_;
  std::vector<unsigned char> bytes_;
  std::vector<unsigned char> section_;
};

// Two DLLs imported directly, one delay-loaded; names and an ordinal.
TImageBuilder SampleImage(bool pe32plus, bool delayRvas = true) {
  TImageBuilder b(pe32plus);
  const auto kernel = b.Add({'K', 'E', 'R', 'N', 'E', 'L', '3', '2', '.', 'd', 'l', 'l', 0});
  const auto user = b.Add({'u', 's', 'e', 'r', '3', '2', '.', 'd', 'l', 'l', 0});
  const auto shell = b.Add({'S', 'H', 'E', 'L', 'L', '3', '2', '.', 'D', 'L', 'L', 0});
  const auto kernelNames = b.AddThunks({b.AddName("CreateFileA"), b.AddName("GetTickCount64")});
  const auto userNames = b.AddThunks({b.AddName("MessageBoxA")}, {17});
  const auto shellNames = b.AddThunks({b.AddName("SHQueryRecycleBinA")});
  b.importRva = b.AddImportDescriptors({{kernel, kernelNames}, {user, userNames}});
  b.delayRva = b.AddDelayDescriptors({{shell, shellNames}}, delayRvas);
  return b;
}

TEST(PeFile, ReadsBothImportTablesOfBothHeaderForms) {
  for (const bool pe32plus : {false, true}) {
    const TPeFile pe(SampleImage(pe32plus).Build());
    EXPECT_EQ(pe32plus, pe.Headers().pe32plus);
    EXPECT_EQ(pe32plus ? 0x8664 : 0x14C, pe.Headers().machine);
    const TPeImports expected = {{"kernel32.dll", {"CreateFileA", "GetTickCount64"}},
                                 {"user32.dll", {"MessageBoxA", "#17"}}};
    EXPECT_EQ(expected, pe.Imports());
    const TPeImports delayed = {{"shell32.dll", {"SHQueryRecycleBinA"}}};
    EXPECT_EQ(delayed, pe.DelayImports());
  }
}

TEST(PeFile, DelayLoadTableOfOldLinkersHoldsAddressesNotRvas) {
  const TPeFile pe(SampleImage(false, false).Build());
  const TPeImports delayed = {{"shell32.dll", {"SHQueryRecycleBinA"}}};
  EXPECT_EQ(delayed, pe.DelayImports());
}

TEST(PeFile, ReadsTheVersionsTheLoaderChecks) {
  TImageBuilder b = SampleImage(false);
  b.os = 6;
  b.subsystemVersion = 5;
  const TPeHeaders h = TPeFile(b.Build()).Headers();
  EXPECT_EQ(6, h.majorOs);
  EXPECT_EQ(5, h.majorSubsystem);
  EXPECT_EQ(2, h.subsystem);
}

TEST(PeFile, ImageWithoutImportsHasEmptyTables) {
  TImageBuilder b(false);
  b.Add({0});
  const TPeFile pe(b.Build());
  EXPECT_TRUE(pe.Imports().empty());
  EXPECT_TRUE(pe.DelayImports().empty());
}

// A cut file, a table that runs off its section, and a directory pointing
// nowhere are errors, never reads past the buffer (the sanitizers watch).
TEST(PeFile, DamagedImagesAreRejected) {
  const std::vector<unsigned char> good = SampleImage(false).Build();
  for (std::size_t size : {std::size_t{0}, std::size_t{0x30}, std::size_t{0x80}, std::size_t{0x1F0},
                           good.size() - 40}) {
    std::vector<unsigned char> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    EXPECT_THROW(
        {
          const TPeFile pe(cut);
          pe.Imports();
          pe.DelayImports();
        },
        TPeError)
        << size;
  }
  TImageBuilder wild = SampleImage(false);
  wild.importRva = 0x9000;
  EXPECT_THROW(TPeFile(wild.Build()).Imports(), TPeError);

  std::vector<unsigned char> noPe = good;
  noPe[0x40] = 'X';
  EXPECT_THROW(TPeFile{noPe}, TPeError);
}

}  // namespace
}  // namespace tarvo::test
