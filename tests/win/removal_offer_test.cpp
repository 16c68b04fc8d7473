#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/RemovalOffer.h"
#include "framework/Application.h"
#include "DialogAnswerer.h"
#include "PlantedTree.h"

using namespace tarvo;
using namespace tarvo::test;

namespace {

using TLines = std::vector<std::string>;

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Empties the prefix's trash of what a test put there.
struct TTrashCleaner {
  ~TTrashCleaner() {
    const char* root = std::getenv("TARVO_WINE_ROOT");
    if (root)
      RunUnix(std::string("rm -rf '") + root + "/home/.local/share/Trash/files/'*removal* '" +
              root + "/home/.local/share/Trash/info/'*removal*");
  }
};

struct TOffer {
  TLines lines;
  void Run(std::vector<std::string>& misplaced) {
    OfferRemovalOf(misplaced, nullptr, [this](const std::string& line) { lines.push_back(line); });
  }
};

TEST(Removal, EmptyListAsksNothing) {
  TDialogAnswerer answerer(TAnswer::No);
  std::vector<std::string> misplaced;
  TOffer offer;
  offer.Run(misplaced);
  Sleep(100);
  EXPECT_EQ(answerer.Shown(), 0);
  EXPECT_TRUE(offer.lines.empty());
}

TEST(Removal, DeclinedOfferKeepsFilesAndListAndAsksAgain) {
  TPlantedTree tree('d', "removal-no");
  tree.Plant("VQ32W.DLL", "VQ32W.DLL");
  std::vector<std::string> misplaced{tree.Win("VQ32W.DLL")};
  for (TAnswer answer : {TAnswer::No, TAnswer::Escape, TAnswer::CloseBox}) {
    TDialogAnswerer answerer(answer);
    TOffer offer;
    offer.Run(misplaced);
    EXPECT_EQ(answerer.Shown(), 1);
    EXPECT_EQ(answerer.Text(),
              "There are ZVK DLLs in incorrect folders. \nRemove to the Recycle Bin?");
    EXPECT_EQ(offer.lines, TLines{"Misplaced DLLs not removed"});
    EXPECT_EQ(misplaced, TLines{tree.Win("VQ32W.DLL")});
    EXPECT_TRUE(Exists(tree.Win("VQ32W.DLL")));
  }
}

TEST(Removal, YesMovesEveryPathToTheTrashAndReportsThem) {
  TTrashCleaner cleaner;
  TPlantedTree tree('d', "removal-yes");
  tree.Folder("sub");
  tree.Plant("VQ32W.DLL", "VQ32W.DLL");
  tree.Plant("VARNOKE32.DLL", "sub\\VARNOKE32.DLL");
  std::vector<std::string> misplaced{tree.Win("sub\\VARNOKE32.DLL"), "", tree.Win("VQ32W.DLL")};
  TDialogAnswerer answerer(TAnswer::Yes);
  TOffer offer;
  offer.Run(misplaced);

  EXPECT_EQ(offer.lines,
            (TLines{"Removed Files:", tree.Win("sub\\VARNOKE32.DLL"), "", tree.Win("VQ32W.DLL")}));
  EXPECT_TRUE(misplaced.empty());
  EXPECT_FALSE(Exists(tree.Win("VQ32W.DLL")));
  EXPECT_FALSE(Exists(tree.Win("sub\\VARNOKE32.DLL")));
  const std::string trash = DriveUnixRoot('d') + "/../../home/.local/share/Trash/files/";
  EXPECT_EQ(RunUnix("test -f '" + trash + "VQ32W.DLL' && test -f '" + trash + "VARNOKE32.DLL'"), 0);
}

TEST(Removal, YesWithVanishedPathReportsNothingAndEmptiesTheList) {
  TPlantedTree tree('d', "removal-gone");
  std::vector<std::string> misplaced{tree.Win("VQ32W.DLL")};
  TDialogAnswerer answerer(TAnswer::Yes);
  TOffer offer;
  offer.Run(misplaced);
  EXPECT_EQ(answerer.Shown(), 1);
  // Wine offers to delete what it cannot recycle, and with that declined
  // calls the operation a success: still nothing may be reported as removed.
  EXPECT_TRUE(offer.lines.empty()) << offer.lines.size();
  EXPECT_TRUE(misplaced.empty());
}

TEST(Removal, ApplicationTerminatingCountsAsNo) {
  TPlantedTree tree('d', "removal-quit");
  tree.Plant("VQ32W.DLL", "VQ32W.DLL");
  std::vector<std::string> misplaced{tree.Win("VQ32W.DLL")};
  Application.NoteQuit();
  TOffer offer;
  offer.Run(misplaced);
  EXPECT_EQ(offer.lines, TLines{"Misplaced DLLs not removed"});
  EXPECT_EQ(misplaced.size(), 1u);
  EXPECT_TRUE(Exists(tree.Win("VQ32W.DLL")));
}

}  // namespace
