// The scan's shortcuts for file names against the platform calls they stand
// in for: each must give the platform's answer for every name.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/ModuleScan.h"
#include "support/LongPath.h"
#include "support/PathSplit.h"

using namespace tarvo;

namespace {

bool ShiftJisLeadByte(unsigned char byte) {
  return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

bool CompareEqual(LCID locale, const std::string& a, const std::string& b) {
  return CompareStringA(locale, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()), b.data(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

// Names near the watched ones and far from them: letter-case variants, one
// character changed, added or dropped (plain, punctuation, control, high
// ANSI, double-byte pairs, the soft hyphen), letter pairs that some locales
// sort as one letter, and random plain names.
std::vector<std::string> GeneratedNames(const std::vector<std::string>& watched) {
  std::mt19937 random(20261210);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  std::string alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._";
  std::vector<std::string> odd = {"-",        "'",        " ",        "~",        "$",
                                  "\x01",     "\x1f",     "\x7f",     "\xad",     "\xe9",
                                  "\xc9",     "\xdf",     "\xe6",     "\xff",     "\x82\x60",
                                  "\x81\x5c", "\x83\x41", "\x8a\xbf", "\xa4\xa2", "\x81\x40"};
  std::vector<std::string> pairs = {"cs", "ccs", "cscs", "ll", "l",  "ch", "dz", "dzs", "sz", "ssz",
                                    "aa", "ij",  "ae",   "ss", "ny", "gy", "th", "w",   "v"};
  std::vector<std::string> names;
  for (const std::string& entry : watched) {
    names.push_back(entry);
    for (int round = 0; round < 300; ++round) {
      std::string name = entry;
      for (char& c : name)
        if (pick(2) && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      const int at = pick(static_cast<int>(name.size()) + 1);
      switch (pick(6)) {
        case 0:
          break;
        case 1:
          name.insert(at, odd[pick(static_cast<int>(odd.size()))]);
          break;
        case 2:
          if (at < static_cast<int>(name.size())) name.erase(at, 1);
          break;
        case 3:
          if (at < static_cast<int>(name.size()))
            name[at] = alphabet[pick(static_cast<int>(alphabet.size()))];
          break;
        case 4:
          name.insert(at, pairs[pick(static_cast<int>(pairs.size()))]);
          break;
        default:
          if (at < static_cast<int>(name.size()))
            name.replace(at, 1, odd[pick(static_cast<int>(odd.size()))]);
      }
      names.push_back(name);
    }
  }
  for (int round = 0; round < 3000; ++round) {
    std::string name;
    const int length = 1 + pick(20);
    for (int i = 0; i < length; ++i) name += alphabet[pick(static_cast<int>(alphabet.size()))];
    names.push_back(name + (pick(2) ? ".DLL" : ".EXE"));
  }
  return names;
}

TEST(ScanNames, ListLookupSkipsOnlyComparisonsThatCannotMatch) {
  const TStrings libraries = WatchedLibraryNames(), programs = WatchedProgramNames();
  TStrings watched = libraries;
  watched.insert(watched.end(), programs.begin(), programs.end());
  const std::vector<std::string> names = GeneratedNames(watched);
  ASSERT_GT(names.size(), 7500u);

  // The shortcut against the comparison itself, under the user's locale
  // and under locales whose letters combine or fold differently.
  const LCID locales[] = {LOCALE_USER_DEFAULT,
                          0x0409,
                          0x040E,
                          0x0405,
                          0x040A,
                          0x041F,
                          0x0411,
                          0x041D,
                          0x0406,
                          0x0452,
                          0x042A,
                          0x0804};
  long skipped = 0, equalButDifferent = 0;
  for (const std::string& entry : watched) {
    for (const std::string& name : names) {
      const bool cannot = TextsCannotMatch(entry, name);
      skipped += cannot;
      for (LCID locale : locales) {
        const bool equal = CompareEqual(locale, entry, name);
        if (locale == LOCALE_USER_DEFAULT && equal && entry != name) ++equalButDifferent;
        if (cannot) {
          ASSERT_FALSE(equal) << entry << " / " << name << " under locale " << std::hex << locale;
        }
      }
    }
  }
  // The set holds both kinds: names the shortcut rules out, and names that
  // differ in bytes yet compare equal, which only the comparison finds.
  EXPECT_GT(skipped, 50000);
  EXPECT_GT(equalButDifferent, 500);

  // The lookup as a whole gives the index the plain comparison loop gives.
  for (const TStrings* list : {&libraries, &programs}) {
    for (const std::string& name : names) {
      int expected = -1;
      for (size_t i = 0; i < list->size() && expected < 0; ++i)
        if (CompareEqual(LOCALE_USER_DEFAULT, (*list)[i], name)) expected = static_cast<int>(i);
      ASSERT_EQ(IndexOfText(*list, name), expected) << name;
    }
  }
}

// The file kind and upper-cased name as the scan once computed them: the
// file name split off, upper-cased by the platform, its extension taken.
TWatchedKind ReferenceKind(const std::string& path, std::string& upperName,
                           TLeadBytePredicate isLeadByte) {
  std::string name = ExtractFileName(path, isLeadByte);
  if (!name.empty()) CharUpperBuffA(&name[0], static_cast<DWORD>(name.size()));
  const std::string extension = ExtractFileExt(name, isLeadByte);
  upperName = name;
  if (extension == ".DLL") return TWatchedKind::wkLibrary;
  if (extension == ".EXE") return TWatchedKind::wkProgram;
  return TWatchedKind::wkNone;
}

TEST(ScanNames, FileKindAndUpperCasedNameAgreeWithThePlatformsUpperCasing) {
  std::mt19937 random(7);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  // Pieces a path is built from; "\x95\\" is one Shift-JIS character whose
  // second byte is a backslash, "\x83\x41" one whose second byte is "A".
  const std::vector<std::string> pieces = {
      "a",      "Z",        "q",        "0",        "_",        "-",        " ",    ".",
      ".",      "\\",       "\\",       ":",        "dll",      "DLL",      "dLl",  "exe",
      "EXE",    "ExE",      "vq32w",    "\xe9",     "\xc9",     "\xff",     "\xb5", "\xdf",
      "\x95\\", "\x83\x41", "\x82\x60", "\x81\x5c", "\x8a\x2e", "\xe0\x3a", "\xa0", "\x80"};
  long libraries = 0, programs = 0;
  for (int round = 0; round < 40000; ++round) {
    std::string path = pick(2) ? "C:\\" : "";
    const int count = 1 + pick(12);
    for (int i = 0; i < count; ++i) path += pieces[pick(static_cast<int>(pieces.size()))];
    if (pick(3) == 0) path += pick(2) ? ".dll" : ".Exe";
    for (TLeadBytePredicate isLeadByte : {&IsAnsiLeadByte, &ShiftJisLeadByte}) {
      std::string fast = "untouched", reference;
      const TWatchedKind kind = ClassifyFile(path, fast, isLeadByte);
      ASSERT_EQ(kind, ReferenceKind(path, reference, isLeadByte)) << path;
      if (kind != TWatchedKind::wkNone) {
        ASSERT_EQ(fast, reference) << path;
      }
      libraries += kind == TWatchedKind::wkLibrary;
      programs += kind == TWatchedKind::wkProgram;
    }
  }
  EXPECT_GT(libraries, 1000);
  EXPECT_GT(programs, 1000);
}

}  // namespace

// Parsing names are converted in one pass into a fixed buffer when they fit
// it; a name longer than the buffer must come out whole, not cut at it.
TEST(ScanNames, WideNamesConvertWholeOnBothSidesOfTheShortBuffer) {
  // Western code page: one byte a character, and no "\u0141" in it.
  if (GetACP() != 1252) GTEST_SKIP() << "code page " << GetACP();
  auto reference = [](const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(),
                                      static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                        &out[0], n, nullptr, nullptr);
    return out;
  };
  for (size_t length : {1u, 259u, 1023u, 1024u, 1025u, 4000u}) {
    std::wstring text;
    for (size_t i = 0; text.size() < length; ++i)
      text += i % 7 == 3 ? L'\u0141' : static_cast<wchar_t>(L'a' + i % 26);
    const std::string ansi = WideToAnsi(text.c_str(), text.size());
    EXPECT_EQ(ansi, reference(text)) << length;
    // One byte per character in this code page: nothing cut, no look-alike.
    EXPECT_EQ(ansi.size(), length);
    if (length > 3) {
      EXPECT_EQ(ansi[3], '?');
    }
  }
  EXPECT_EQ(WideToAnsi(L"", 0), "");
}
