// The operating-system line from the real query, with the version the prefix
// reports set by the test. Wine reads that setting when a process starts, so
// the query runs in a child process (this program, started with a flag) that
// prints what it found.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/OsLine.h"
#include "platform/UniqueResource.h"

#include "ChildProcess.h"

namespace tarvo {
namespace {

const char kChildFlag[] = " --print-os-line";

const bool kIsChild = [] {
  const std::string command = GetCommandLineA();
  if (command.find(kChildFlag) == std::string::npos) return false;
  const TOSVersion v = QueryOSVersion();
  std::printf("%d %u.%u %u %u 0x%04X %u [%s]\n%s\n", v.extendedValid ? 1 : 0, v.majorVersion,
              v.minorVersion, v.buildNumber, v.platformId, v.suiteMask, v.productType,
              v.csdVersion.c_str(), FormatOSVersionLine(v).c_str());
  std::fflush(stdout);
  ExitProcess(0);
}();

// Sets HKCU\Software\Wine "Version" for the test's duration and puts back
// what was there before (or nothing).
class TWineVersion {
public:
  explicit TWineVersion(const std::string& version) {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    key_.put(), nullptr);
    char old[64] = {};
    DWORD size = sizeof old - 1;
    DWORD type = REG_NONE;
    hadOld_ = RegQueryValueExA(key_.get(), "Version", nullptr, &type, reinterpret_cast<BYTE*>(old),
                               &size) == ERROR_SUCCESS &&
              type == REG_SZ;
    old_ = old;
    Set(version);
  }
  ~TWineVersion() {
    if (hadOld_) {
      Set(old_);
    } else {
      RegDeleteValueA(key_.get(), "Version");
    }
  }

private:
  void Set(const std::string& v) {
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key_.get(), "Version", 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(v.c_str()),
                                            static_cast<DWORD>(v.size() + 1)));
  }
  TUniqueHKey key_;
  bool hadOld_ = false;
  std::string old_;
};

// Runs this program with the child flag and returns what it printed.
std::string ChildOutput() {
  test::TChildProcess child(test::OwnCommandLine(kChildFlag), std::string(), true);
  if (!child.Started()) return "no child";
  const std::string out = child.ReadOutput();
  child.Wait(30000);
  return out;
}

struct TCase {
  const char* version;
  const char* fields;  // extended major.minor build platform suite product [csd]
  const char* line;
};

class OSVersionUnderWine : public ::testing::TestWithParam<TCase> {};

TEST_P(OSVersionUnderWine, QueryGivesTheLineOfItsFields) {
  const TCase& c = GetParam();
  TWineVersion version(c.version);
  const std::string out = ChildOutput();
  EXPECT_EQ(std::string(c.fields) + "\r\n" + c.line + "\r\n", out) << c.version;
}

// Why the child: a process keeps the version it started with.
TEST(OSVersionSetting, RunningProcessKeepsItsVersion) {
  const std::string before = FormatOSVersionLine(QueryOSVersion());
  TWineVersion version("win98");
  EXPECT_EQ(before, FormatOSVersionLine(QueryOSVersion()));
  EXPECT_NE(std::string::npos, ChildOutput().find("Windows 98"));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, OSVersionUnderWine,
    // Wine 8 answers the extended query for every version, 9x included, so
    // the basic-record fallback is not reached here.
    ::testing::Values(
        TCase{"winxp", "1 5.1 2600 2 0x0100 1 [Service Pack 3]",
              "Windows XP Professional Version 5.1 Service Pack 3 (Build 2600)"},
        TCase{"win2k", "1 5.0 2195 2 0x0000 1 [Service Pack 4]",
              "Windows 2000 Professional Version 5.0 Service Pack 4 (Build 2195)"},
        TCase{"nt40", "1 4.0 1381 2 0x0000 1 [Service Pack 6a]",
              "Windows NT Workstation 4.0 Version 4.0 Service Pack 6a (Build 1381)"},
        TCase{"win2003", "1 5.2 3790 2 0x0100 3 [Service Pack 2]",
              "Windows Server 2003 Standard Edition Version 5.2 Service Pack 2 (Build 3790)"},
        // 9x build numbers carry major and minor in their high 16 bits.
        TCase{"win98", "1 4.10 67766446 1 0x0000 0 [ A ]",
              "Windows 98 SE Version 4.10  A  (Build 2222)"},
        TCase{"win95", "1 4.0 67109814 1 0x0000 0 []", "Windows 95 Version 4.0  (Build 950)"},
        TCase{"winme", "1 4.90 73010104 1 0x0000 0 [ ]", "Windows ME Version 4.90   (Build 3000)"},
        TCase{"win7", "1 6.1 7601 2 0x0100 3 [Service Pack 1]",
              " Version 6.1 Service Pack 1 (Build 7601)"}),
    [](const ::testing::TestParamInfo<TCase>& info) { return std::string(info.param.version); });

}  // namespace
}  // namespace tarvo
