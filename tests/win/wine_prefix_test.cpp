#include <windows.h>

#include <gtest/gtest.h>

// The test binaries run from C:\tarvo-bin inside the throwaway prefix, which
// has no Z: drive: the scan and the log see only the prefix's own drives.
TEST(WineEnvironment, RunsInsideThePrefixWithoutZDrive) {
  char path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
  EXPECT_EQ(0, _strnicmp(path, "C:\\tarvo-bin\\", 13)) << path;
  EXPECT_EQ(DRIVE_NO_ROOT_DIR, GetDriveTypeA("Z:\\"));
}

TEST(WineEnvironment, FixtureDrivesHaveTheirTypes) {
  EXPECT_EQ(DRIVE_FIXED, GetDriveTypeA("C:\\"));
  EXPECT_EQ(DRIVE_FIXED, GetDriveTypeA("D:\\"));
  EXPECT_EQ(DRIVE_CDROM, GetDriveTypeA("E:\\"));
  EXPECT_EQ(DRIVE_REMOVABLE, GetDriveTypeA("F:\\"));
  EXPECT_EQ(DRIVE_REMOTE, GetDriveTypeA("N:\\"));
  EXPECT_EQ(DRIVE_RAMDISK, GetDriveTypeA("R:\\"));
}
