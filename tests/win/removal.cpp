#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainRemoval.h"
#include "framework/Application.h"
#include "removal_answer.h"
#include "scan_tree.h"

using namespace tarvo;
using namespace tarvo::test;

namespace {

using TLines = std::vector<std::string>;

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Empties the prefix's trash, which belongs to the tests, before and after.
struct TTrashCleaner {
  TTrashCleaner() { Empty(); }
  ~TTrashCleaner() { Empty(); }
  static void Empty() {
    const char* root = std::getenv("TARVO_WINE_ROOT");
    if (root)
      RunUnix(std::string("rm -rf '") + root + "/home/.local/share/Trash/files/'* '" + root +
              "/home/.local/share/Trash/info/'*");
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
  TPlantedTree onC('c', "removal-yes-c");
  tree.Folder("sub");
  tree.Plant("VQ32W.DLL", "VQ32W.DLL");
  tree.Plant("VARNOKE32.DLL", "sub\\VARNOKE32.DLL");
  onC.Plant("HOSKEN32.DLL", "HOSKEN32.DLL");
  std::vector<std::string> misplaced{tree.Win("sub\\VARNOKE32.DLL"), "", tree.Win("VQ32W.DLL"),
                                     onC.Win("HOSKEN32.DLL")};
  TDialogAnswerer answerer(TAnswer::Yes);
  TOffer offer;
  offer.Run(misplaced);

  // Two drives, one Recycle Bin each; an empty entry names nothing removed.
  EXPECT_EQ(offer.lines, (TLines{"Removed Files:", tree.Win("sub\\VARNOKE32.DLL"),
                                 tree.Win("VQ32W.DLL"), onC.Win("HOSKEN32.DLL")}));
  EXPECT_TRUE(misplaced.empty());
  EXPECT_EQ(answerer.NukeWarnings(), 0);
  const std::string trash = DriveUnixRoot('d') + "/../../home/.local/share/Trash/files/";
  EXPECT_EQ(RunUnix("test -f '" + trash + "VQ32W.DLL' && test -f '" + trash +
                    "VARNOKE32.DLL' && test -f '" + trash + "HOSKEN32.DLL'"),
            0);
}

// The shell stops at the first file it cannot recycle, after moving the ones
// before it; whether it then deletes that file for good is put to the user.
// Either way, and whatever the shell returns, the report lists exactly the
// files that were there before and are gone after, and the list is emptied.
TEST(Removal, PartlyFailedRemovalReportsExactlyWhatWent) {
  TTrashCleaner cleaner;
  for (TAnswer deleteForGood : {TAnswer::No, TAnswer::Yes}) {
    TPlantedTree tree('d', "removal-part");
    tree.Folder("a");
    tree.Sh("ln -s a '" + tree.Nix("b") + "'");
    for (const char* name : {"a\\VQ32W.DLL", "locked.dll", "after.dll"})
      tree.Plant("VQ32W.DLL", name);
    // Held open without sharing: neither the trash nor a deletion can take it.
    TUniqueFile held(CreateFileA(tree.Win("locked.dll").c_str(), GENERIC_READ, 0, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    // One file under two names, a file deleted since the scan, a locked one.
    std::vector<std::string> misplaced{tree.Win("a\\VQ32W.DLL"), tree.Win("b\\VQ32W.DLL"),
                                       tree.Win("deleted.dll"), tree.Win("locked.dll"),
                                       tree.Win("after.dll")};
    TDialogAnswerer answerer(TAnswer::Yes, deleteForGood);
    TOffer offer;
    offer.Run(misplaced);

    EXPECT_EQ(offer.lines,
              (TLines{"Removed Files:", tree.Win("a\\VQ32W.DLL"), tree.Win("b\\VQ32W.DLL")}));
    EXPECT_TRUE(misplaced.empty());
    EXPECT_GE(answerer.NukeWarnings(), 1);
    EXPECT_TRUE(Exists(tree.Win("locked.dll")));
    // What the shell never reached stays where it was.
    EXPECT_TRUE(Exists(tree.Win("after.dll")));
  }
}

TEST(Removal, NothingGoneNothingReported) {
  TPlantedTree tree('d', "removal-gone");
  tree.Plant("VQ32W.DLL", "present.dll");
  for (TAnswer deleteForGood : {TAnswer::No, TAnswer::Yes}) {
    // Deleted between the scan and the Yes, ahead of a file that is there.
    std::vector<std::string> misplaced{tree.Win("VQ32W.DLL"), tree.Win("present.dll")};
    TDialogAnswerer answerer(TAnswer::Yes, deleteForGood);
    TOffer offer;
    offer.Run(misplaced);
    EXPECT_EQ(answerer.Shown(), 1);
    EXPECT_TRUE(offer.lines.empty()) << offer.lines.front();
    EXPECT_TRUE(misplaced.empty());
    if (deleteForGood == TAnswer::No) {
      EXPECT_TRUE(Exists(tree.Win("present.dll")));
    }
  }
}

// "?" and "*" are the shell's wildcards: such a path, which no file has, is
// never handed over, and the files it would match stay.
TEST(Removal, WildcardPathsAreNeverHandedToTheShell) {
  TTrashCleaner cleaner;
  TPlantedTree tree('d', "removal-wild");
  tree.Folder("system32");
  tree.Plant("VQ32W.DLL", "system32\\VQ32W.DLL");
  tree.Plant("VARNOKE32.DLL", "VARNOKE32.DLL");
  std::vector<std::string> misplaced{tree.Win("??????32\\VQ32W.DLL"), tree.Win("VARNOKE32.DLL"),
                                     tree.Win("system32\\*.DLL")};
  TDialogAnswerer answerer(TAnswer::Yes);
  TOffer offer;
  offer.Run(misplaced);
  EXPECT_EQ(offer.lines, (TLines{"Removed Files:", tree.Win("VARNOKE32.DLL")}));
  EXPECT_TRUE(Exists(tree.Win("system32\\VQ32W.DLL")));
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
