#include <gtest/gtest.h>

#include "app/OsLineRules.h"

namespace tarvo {
namespace {

constexpr std::uint32_t k9x = 1;
constexpr std::uint32_t kNT = 2;
constexpr std::uint8_t kWorkstation = 1;
constexpr std::uint8_t kDomainController = 2;
constexpr std::uint8_t kServer = 3;

std::string NT(std::uint32_t major, std::uint32_t minor, std::uint8_t product, std::uint16_t suite,
               const std::string& csd = "", std::uint32_t build = 0, bool extended = true) {
  return FormatOSVersionLine(extended, major, minor, build, kNT, csd, suite, product);
}

TEST(OSVersionLine, XPHomeAndProfessionalFromThePersonalBit) {
  EXPECT_EQ("Windows XP Home Edition Version 5.1 Service Pack 2 (Build 2600)",
            NT(5, 1, kWorkstation, 0x0300, "Service Pack 2", 2600));
  EXPECT_EQ("Windows XP Professional Version 5.1 Service Pack 2 (Build 2600)",
            NT(5, 1, kWorkstation, 0x0100, "Service Pack 2", 2600));
  EXPECT_EQ("Windows XP Professional Version 5.1  (Build 2600)",
            NT(5, 1, kWorkstation, 0x0100, "", 2600));
}

TEST(OSVersionLine, Server2003EditionsTestBitsButWebEditionTheWholeMask) {
  EXPECT_EQ("Windows Server 2003 Datacenter Edition  Version 5.2  (Build 3790)",
            NT(5, 2, kServer, 0x0082, "", 3790));
  EXPECT_EQ("Windows Server 2003 Enterprise Edition  Version 5.2  (Build 3790)",
            NT(5, 2, kServer, 0x0402, "", 3790));
  EXPECT_EQ("Windows Server 2003 Web Edition Version 5.2  (Build 3790)",
            NT(5, 2, kServer, 0x0400, "", 3790));
  EXPECT_EQ("Windows Server 2003 Standard Edition Version 5.2  (Build 3790)",
            NT(5, 2, kServer, 0x0410, "", 3790));
  EXPECT_EQ("Windows Server 2003 Standard Edition Version 5.2  (Build 3790)",
            NT(5, 2, kServer, 0, "", 3790));
  // A workstation record with the server's version numbers.
  EXPECT_EQ("Windows Server 2003 Professional Version 5.2  (Build 3790)",
            NT(5, 2, kWorkstation, 0, "", 3790));
}

TEST(OSVersionLine, Windows2000ServersAndDomainController) {
  EXPECT_EQ("Windows 2000 Advanced Server Version 5.0  (Build 2195)",
            NT(5, 0, kServer, 0x0002, "", 2195));
  EXPECT_EQ("Windows 2000 Datacenter Server Version 5.0  (Build 2195)",
            NT(5, 0, kServer, 0x0082, "", 2195));
  EXPECT_EQ("Windows 2000 Server Version 5.0  (Build 2195)", NT(5, 0, kServer, 0, "", 2195));
  EXPECT_EQ("Windows 2000 Version 5.0  (Build 2195)",
            NT(5, 0, kDomainController, 0x0002, "", 2195));
  // A server of a version without server editions gets none.
  EXPECT_EQ("Windows XP Version 5.1  (Build 2600)", NT(5, 1, kServer, 0x0082, "", 2600));
}

TEST(OSVersionLine, NT4EditionNeedsTheExtendedRecord) {
  EXPECT_EQ("Windows NT Workstation 4.0 Version 4.0 Service Pack 6 (Build 1381)",
            NT(4, 0, kWorkstation, 0, "Service Pack 6", 1381));
  EXPECT_EQ("Windows NT Version 4.0 Service Pack 6 (Build 1381)",
            NT(4, 0, kWorkstation, 0x0200, "Service Pack 6", 1381, false));
  // Suite and product type of a failed extended query are never consulted.
  EXPECT_EQ("Windows XP Version 5.1  (Build 2600)", NT(5, 1, kServer, 0x0080, "", 2600, false));
}

TEST(OSVersionLine, UnknownVersionsHaveNoNameButKeepTheirEdition) {
  EXPECT_EQ(" Professional Version 6.0  (Build 6000)", NT(6, 0, kWorkstation, 0, "", 6000));
  EXPECT_EQ(" Version 6.0  (Build 6000)", NT(6, 0, kServer, 0, "", 6000));
  EXPECT_EQ(" Version 5.3  (Build 1)", NT(5, 3, kServer, 0x0080, "", 1));
  // Major 4 "or less" compares unsigned, while %d prints signed.
  EXPECT_EQ("Windows NT Version 3.51  (Build 1057)", NT(3, 51, 0, 0, "", 1057));
  EXPECT_EQ(" Version -1.0  (Build 0)", NT(0xFFFFFFFFu, 0, 0, 0));
}

TEST(OSVersionLine, Windows9xSuffixesFromTheSecondServicePackCharacter) {
  EXPECT_EQ("Windows 95 OSR2 Version 4.0  C (Build 950)",
            FormatOSVersionLine(false, 4, 0, 0x040003B6, k9x, " C", 0, 0));
  EXPECT_EQ("Windows 95 OSR2 Version 4.0  B (Build 1111)",
            FormatOSVersionLine(false, 4, 0, 1111, k9x, " B", 0, 0));
  EXPECT_EQ("Windows 95 Version 4.0  c (Build 950)",
            FormatOSVersionLine(false, 4, 0, 950, k9x, " c", 0, 0));
  EXPECT_EQ("Windows 98 SE Version 4.10  A  (Build 2222)",
            FormatOSVersionLine(false, 4, 10, 0x040A08AE, k9x, " A ", 0, 0));
  EXPECT_EQ("Windows 98 Version 4.10 A (Build 1998)",
            FormatOSVersionLine(false, 4, 10, 1998, k9x, "A", 0, 0));
  EXPECT_EQ("Windows ME Version 4.90  (Build 3000)",
            FormatOSVersionLine(false, 4, 90, 3000, k9x, "", 0, 0));
  EXPECT_EQ(" Version 4.3  (Build 0)", FormatOSVersionLine(false, 4, 3, 0, k9x, "", 0, 0));
  // Neither the extended flag nor the NT fields give a 9x system an edition.
  EXPECT_EQ("Windows 98 Version 4.10  (Build 1998)",
            FormatOSVersionLine(true, 4, 10, 1998, k9x, "", 0x0200, kWorkstation));
}

TEST(OSVersionLine, OtherPlatformsGiveTheVersionPieceAlone) {
  EXPECT_EQ(" Version 5.1 Service Pack 2 (Build 2600)",
            FormatOSVersionLine(true, 5, 1, 2600, 0, "Service Pack 2", 0x0200, kWorkstation));
  EXPECT_EQ(" Version 10.0  (Build 19045)",
            FormatOSVersionLine(true, 10, 0, 19045, 3, "", 0, kWorkstation));
}

TEST(OSVersionLine, BuildIsMaskedAndTextStopsAtNul) {
  EXPECT_EQ("Windows XP Professional Version 5.1  (Build 65535)",
            NT(5, 1, kWorkstation, 0, "", 0xFFFFFFFFu));
  EXPECT_EQ("Windows XP Professional Version 5.1 SP3 (Build 2600)",
            NT(5, 1, kWorkstation, 0, std::string("SP3\0junk", 8), 2600));
  const std::string longText(127, 'x');
  EXPECT_EQ("Windows XP Professional Version 5.1 " + longText + " (Build 2600)",
            NT(5, 1, kWorkstation, 0, longText, 2600));
}

}  // namespace
}  // namespace tarvo
