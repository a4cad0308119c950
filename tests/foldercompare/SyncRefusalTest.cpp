// The guards that keep a synchronisation from starting, as the command line
// and the window show them.
#include <gtest/gtest.h>

#include "foldercompare/FolderCompareDoc.h"
#include "foldercompare/FolderCompareOptions.h"
#include "foldercompare/SyncWizard.h"
#include "request/CompareMethods.h"
#include "support/TestSupport.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {
namespace {

class SyncRefusalTest : public ::testing::Test {
protected:
    // The settings the documents of a test work under.
    CTextComparer textSettings;
    CFolderComparer folderSettings;

    // The refusal of each type, one line per type.
    std::string Refusals(const std::string& left, const std::string& right) {
        CFolderCompareParams request;
        request.sides[0].path = left;
        request.sides[1].path = right;
        request.methods = METHOD_TIME | METHOD_SIZE;
        CFolderCompareDoc doc(folderSettings, textSettings);
        EXPECT_TRUE(doc.Open(request));
        EXPECT_TRUE(doc.PrepareAllLevels());
        std::string text;
        for (int type = 0; type < kSyncTypeCount; ++type)
            text += std::to_string(type) + ": " + SyncRefusal(doc.Context(), doc.RootStatus(), type) + "\n";
        return text;
    }
    test::TempDir dir;
};

TEST_F(SyncRefusalTest, FoldersThatMaySynchronizeHaveNoRefusal) {
    dir.WriteFile("L/a.txt", "a\n");
    dir.WriteFile("R/b.txt", "b\n");
    EXPECT_EQ(Refusals(dir / "L", dir / "R"), "0: \n1: \n2: \n3: \n4: \n");
}

TEST_F(SyncRefusalTest, AMissingSideSaysWhetherItMustBeCreatedFirst) {
    dir.WriteFile("R/b.txt", "b\n");
    const std::string missing = dir / "L";
    const std::string refusal = "cannot synchronize: '" + missing + "' does not exist";
    EXPECT_EQ(Refusals(missing, dir / "R"),
              "0: " + refusal + "; nothing was changed\n" +  //
                  "1: " + refusal + " (create the folder first); nothing was changed\n" + "2: " + refusal +
                  "; nothing was changed\n" +                    //
                  "3: " + refusal + "; nothing was changed\n" +  //
                  "4: " + refusal + " (create the folder first); nothing was changed\n");
}

TEST_F(SyncRefusalTest, OneFolderOnBothSidesAndTheMirrorOfAnEmptyFolder) {
    dir.WriteFile("L/a.txt", "a\n");
    const std::string same =
        "cannot synchronize: '" + dir / "L" + "' and '" + dir / "L" + "' are the same folder";
    EXPECT_EQ(Refusals(dir / "L", dir / "L"),
              "0: " + same + "\n1: " + same + "\n2: " + same + "\n3: " + same + "\n4: " + same + "\n");
    dir.MakeFolder("E");
    // Only the mirror that would empty the full side is refused.
    EXPECT_EQ(Refusals(dir / "E", dir / "L"), "0: \n1: \n2: \n3: cannot mirror: '" + dir / "E" +
                                                  "' is empty and '" + dir / "L" +
                                                  "' is not; nothing was changed\n" + "4: \n");
}

}  // namespace
}  // namespace corvatine
