// The program on argument lists, without starting it: the exit statuses that
// scripts, git and diff's users read, and the words that come with trouble.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "app/Program.h"
#include "platform/AtomicFile.h"
#include "platform/Output.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

// An output whose writes fail as on a full disk.
class CFullOutput final : public platform::COutput {
public:
    void Write(const char* /*data*/, size_t size) override { m_failed = m_failed || size > 0; }
    int Error() const override { return m_failed ? ENOSPC : 0; }

private:
    bool m_failed = false;
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        left = dir.WriteFile("left.txt", "one\ntwo\n");
        same = dir.WriteFile("same.txt", "one\ntwo\n");
        right = dir.WriteFile("right.txt", "one\nTWO\n");
    }
    int Run(const std::vector<std::string>& arguments) {
        out = platform::CStringOutput();
        err = platform::CStringOutput();
        return RunProgram(arguments, out, err);
    }

    test::TempDir dir;
    std::string left, same, right;
    platform::CStringOutput out;
    platform::CStringOutput err;
};

TEST_F(ProgramTest, StatusSaysIdenticalDifferentOrTrouble) {
    EXPECT_EQ(Run({left, same}), 0) << err.Text();
    EXPECT_EQ(Run({left, right}), 1) << err.Text();
    const std::string missing = dir / "missing.txt";
    EXPECT_EQ(Run({left, missing}), 2);
    EXPECT_NE(err.Text().find("missing.txt"), std::string::npos) << err.Text();
    // diff's own options take the same statuses.
    EXPECT_EQ(Run({"-u", left, same}), 0) << err.Text();
    EXPECT_EQ(Run({"-u", left, right}), 1) << err.Text();
    EXPECT_NE(out.Text().find("-two\n+TWO\n"), std::string::npos) << out.Text();
}

TEST_F(ProgramTest, DiffOptionsThatCannotApplyAreTrouble) {
    EXPECT_EQ(Run({left, right, "-U"}), 2);
    EXPECT_EQ(
        err.Text(),
        "corvatine: option requires an argument -- 'U'\nTry 'corvatine --help' for more information.\n");
    EXPECT_TRUE(out.Text().empty());
    EXPECT_EQ(Run({"-u", "--gui", left, right}), 2);
    EXPECT_EQ(err.Text(), "corvatine: --gui opens the window, which diff's options do not apply to\n");
}

TEST_F(ProgramTest, GitsExternalDiffSucceedsOnADifference) {
    // path old-file old-hex old-mode new-file new-hex new-mode
    const std::string oldHex(40, 'a');
    const std::string newHex(40, 'b');
    EXPECT_EQ(Run({"file.txt", left, oldHex, "100644", right, newHex, "100644"}), 0) << err.Text();
    EXPECT_NE(out.Text().find("a/file.txt"), std::string::npos) << out.Text();
    EXPECT_NE(out.Text().find("b/file.txt"), std::string::npos) << out.Text();
    // A path that is not there is still trouble.
    EXPECT_EQ(Run({"file.txt", dir / "gone", oldHex, "100644", right, newHex, "100644"}), 2);
}

TEST_F(ProgramTest, OutputThatCannotBeWrittenIsTrouble) {
    CFullOutput full;
    EXPECT_EQ(RunProgram({left, right}, full, err), 2);
    EXPECT_EQ(err.Text(), "corvatine: cannot write the output: " + platform::ErrorText(ENOSPC) + "\n");
    // diff's run says nothing more: the status tells.
    CFullOutput fullDiff;
    err = platform::CStringOutput();
    EXPECT_EQ(RunProgram({"-u", left, right}, fullDiff, err), 2);
}

}  // namespace
}  // namespace corvatine
