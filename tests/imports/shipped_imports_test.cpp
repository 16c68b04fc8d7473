// The shipped Tarvo.exe starts only where every name in its import tables
// resolves and its header versions are ones the loader accepts. Windows
// exports whatever it has, whatever version Wine reports, so no run under
// Wine shows a missing import: this reads the file. Every import must be in
// the baseline (imports.tsv beside this file), each with the oldest Windows
// 9x and NT versions that export it, all of them within the systems the
// program is for; adding an import means checking it and adding it there.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "PeFile.h"

namespace tarvo::test {
namespace {

struct TBaselineEntry {
  std::string dll, name, win9x, nt;
  int line;
};

std::string FromEnv(const char* name) {
  const char* value = std::getenv(name);
  if (!value || !*value) throw std::runtime_error(std::string(name) + " is not set");
  return value;
}

std::vector<TBaselineEntry> ReadBaseline() {
  const std::string path = TARVO_IMPORTS_BASELINE;
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::vector<TBaselineEntry> entries;
  std::string text;
  for (int line = 1; std::getline(in, text); ++line) {
    if (text.empty() || text[0] == '#') continue;
    std::vector<std::string> fields;
    std::stringstream split(text);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    if (fields.size() != 4) {
      ADD_FAILURE() << path << ":" << line << ": expected DLL, name, 9x, NT separated by tabs";
      continue;
    }
    entries.push_back({fields[0], fields[1], fields[2], fields[3], line});
  }
  return entries;
}

// The shipped exe, ordinary and delay-load imports together.
std::set<std::pair<std::string, std::string>> ShippedImports(TPeHeaders* headers = nullptr) {
  const std::string exe = FromEnv("TARVO_SHIPPED_EXE");
  if (!std::ifstream(exe)) {
    throw std::runtime_error(exe + " is missing: build the win32 preset first");
  }
  const TPeFile pe = TPeFile::Load(exe);
  if (headers) *headers = pe.Headers();
  std::set<std::pair<std::string, std::string>> all;
  for (const TPeImports& table : {pe.Imports(), pe.DelayImports()}) {
    for (const auto& [dll, names] : table) {
      for (const std::string& name : names) all.insert({dll, name});
    }
  }
  return all;
}

// The 95 and NT 4.0 loaders refuse an image that asks for a later system.
TEST(ShippedExe, HeaderAsksForNothingAfterWindows95AndNt4) {
  TPeHeaders h;
  ShippedImports(&h);
  EXPECT_EQ(0x14C, h.machine) << "the shipped program is the 32-bit x86 one";
  EXPECT_FALSE(h.pe32plus);
  EXPECT_EQ(2, h.subsystem) << "a GUI program";
  EXPECT_EQ(4, h.majorSubsystem);
  EXPECT_EQ(0, h.minorSubsystem);
  EXPECT_EQ(4, h.majorOs);
  EXPECT_EQ(0, h.minorOs);
}

TEST(ShippedExe, ImportsExactlyTheBaseline) {
  const auto imports = ShippedImports();
  std::set<std::pair<std::string, std::string>> baseline;
  for (const TBaselineEntry& e : ReadBaseline()) baseline.insert({e.dll, e.name});
  for (const auto& import : imports) {
    EXPECT_EQ(1u, baseline.count(import))
        << import.first << "!" << import.second
        << " is not in the baseline: find the oldest Windows 9x and NT versions that export it "
           "and add it";
  }
  for (const auto& entry : baseline) {
    EXPECT_EQ(1u, imports.count(entry)) << entry.first << "!" << entry.second
                                        << " is in the baseline but no longer imported: remove it";
  }
  // The reader did see the program's own calls.
  EXPECT_EQ(1u, imports.count({"kernel32.dll", "CreateFileA"}));
  EXPECT_EQ(1u, imports.count({"advapi32.dll", "RegOpenKeyExA"}));
}

// Systems the program is for: every 9x from 95 (a "redist" DLL is one that
// 95 lacks until installed, a "stub" one that 9x exports but only fails;
// the Windows-side runtime9x test shows the program copes with those) and
// every NT from 4.0.
TEST(ImportsBaseline, EveryEntryIsExportedByEveryTargetSystem) {
  const std::set<std::string> win9x = {"95", "95 stub", "95 redist"};
  const std::set<std::string> nt = {"3.1", "3.5", "3.51", "4.0"};
  std::set<std::pair<std::string, std::string>> seen;
  const auto entries = ReadBaseline();
  ASSERT_FALSE(entries.empty());
  for (const TBaselineEntry& e : entries) {
    EXPECT_EQ(1u, win9x.count(e.win9x))
        << "line " << e.line << ": " << e.name << " needs Windows " << e.win9x;
    EXPECT_EQ(1u, nt.count(e.nt)) << "line " << e.line << ": " << e.name << " needs NT " << e.nt;
    EXPECT_TRUE(seen.insert({e.dll, e.name}).second) << "line " << e.line << ": listed twice";
    for (char c : e.dll) {
      EXPECT_FALSE(c >= 'A' && c <= 'Z') << "line " << e.line << ": DLL names in lower case";
    }
  }
}

}  // namespace
}  // namespace tarvo::test
