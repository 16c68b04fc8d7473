// In a process of its own: the shell looks at the trash once per process.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/RemovalOffer.h"
#include "DialogAnswerer.h"
#include "PlantedTree.h"

using namespace tarvo;
using namespace tarvo::test;

namespace {

// The prefix's trash replaced by a plain file, so nothing can be put there.
class TTrashBlocked {
public:
  TTrashBlocked()
      : trash_(std::string(std::getenv("TARVO_WINE_ROOT")) + "/home/.local/share/Trash") {
    RunUnix("rm -rf '" + trash_ + ".aside'; if [ -e '" + trash_ + "' ]; then mv '" + trash_ +
            "' '" + trash_ + ".aside'; fi; : > '" + trash_ + "'");
  }
  ~TTrashBlocked() {
    RunUnix("rm -f '" + trash_ + "'; if [ -e '" + trash_ + ".aside' ]; then mv '" + trash_ +
            ".aside' '" + trash_ + "'; fi");
  }

private:
  std::string trash_;
};

TEST(RemovalWithoutTrash, NothingIsDeletedAndTheListIsKept) {
  TTrashBlocked blocked;
  TPlantedTree tree('d', "removal-notrash");
  tree.Plant("VQ32W.DLL", "VQ32W.DLL");
  std::vector<std::string> misplaced{tree.Win("VQ32W.DLL")};
  std::vector<std::string> lines;
  {
    TDialogAnswerer answerer(TAnswer::Yes);
    OfferRemovalOf(misplaced, nullptr, [&](const std::string& line) { lines.push_back(line); });
    EXPECT_EQ(answerer.Shown(), 1);
  }
  EXPECT_TRUE(GetFileAttributesA(tree.Win("VQ32W.DLL").c_str()) != INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(lines, std::vector<std::string>{"Misplaced DLLs not removed"});
  EXPECT_EQ(misplaced.size(), 1u);
}

}  // namespace
