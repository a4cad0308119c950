#include "shellext/ContextMenu.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <cwchar>

#include "ShellTestSupport.h"

namespace corvatine::shellext {
namespace {

using test::CRecordingStarter;
using test::CScriptedChooser;
using test::HiveText;

constexpr uint32_t kFirstId = 100;
constexpr uint32_t kLastId = 0x7FFF;

class ContextMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        RememberedItems() = REMEMBEREDITEMS{};
        fileA = dir.WriteFile("a.txt", "a\n");
        fileB = dir.WriteFile("b.txt", "b\n");
        folderA = dir.MakeFolder("left");
        folderB = dir.MakeFolder("right");
        Settings(1, 0);
    }
    void TearDown() override { RememberedItems() = REMEMBEREDITEMS{}; }

    void Settings(int cascaded, int background, const std::string& installDir = "/opt/corvatine") {
        config.WriteFile("registry.reg", HiveText(installDir, cascaded, background));
    }

    // The menu built for a selection, as a dump; empty when nothing is added.
    std::string Menu(CCorvashellContextMenu& menu, const std::string& folder,
                     const std::vector<std::string>& items, HRESULT expected = S_OK) {
        EXPECT_EQ(menu.Initialize(folder, items), expected);
        CMenuTree tree;
        const HRESULT count = menu.QueryContextMenu(tree, kFirstId, kLastId, 0);
        EXPECT_GE(count, 0);
        return tree.Dump();
    }

    corvatine::test::TempDir dir;
    corvatine::test::TempDir config;
    std::string fileA, fileB, folderA, folderB;
    CRecordingStarter starter;
    CScriptedChooser chooser;
};

TEST_F(ContextMenuTest, TwoFilesOfferCompareAndCompareAsFlatAndCascaded) {
    CCorvashellContextMenu menu(config.Path());
    EXPECT_EQ(Menu(menu, "", {fileA, fileB}),
              "&Corvatine > {corvatine-compare}\n"
              "  &Compare [id 100]\n"
              "  Compare &As >\n"
              "    &Text [id 101]\n"
              "    &Binary [id 102]\n");
    Settings(0, 0);
    EXPECT_EQ(Menu(menu, "", {fileA, fileB}),
              "Compare [id 100] {corvatine-compare}\n"
              "Compare As > {corvatine-compare}\n"
              "  &Text [id 101]\n"
              "  &Binary [id 102]\n");
    EXPECT_EQ(menu.CommandAt(0), CMD_COMPARE);
    EXPECT_EQ(menu.CommandAt(1), CMD_COMPARE_TEXT);
    EXPECT_EQ(menu.CommandAt(2), CMD_COMPARE_BINARY);
    EXPECT_EQ(menu.CommandAt(3), 0);
}

TEST_F(ContextMenuTest, TwoFoldersOfferOnlyCompare) {
    CCorvashellContextMenu menu(config.Path());
    EXPECT_EQ(Menu(menu, "", {folderA, folderB}),
              "&Corvatine > {corvatine-compare}\n"
              "  &Compare [id 100]\n");
    Settings(0, 0);
    EXPECT_EQ(Menu(menu, "", {folderA, folderB}), "Compare [id 100] {corvatine-compare}\n");
}

TEST_F(ContextMenuTest, SelectionsTheExtensionDoesNotHandleShowNothing) {
    CCorvashellContextMenu menu(config.Path());
    EXPECT_EQ(Menu(menu, "", {fileA, folderA}, E_INVALIDARG), "");
    EXPECT_EQ(Menu(menu, "", {folderA, fileA}, E_INVALIDARG), "");
    EXPECT_EQ(Menu(menu, "", {fileA, fileB, folderA}, E_INVALIDARG), "");
    EXPECT_EQ(Menu(menu, "", {}, E_INVALIDARG), "");  // no background without Background
}

TEST_F(ContextMenuTest, OneItemWithoutRememberedItemOffersSelectFirstAndCompareTo) {
    CCorvashellContextMenu menu(config.Path());
    EXPECT_EQ(Menu(menu, "", {fileA}),
              "&Corvatine > {corvatine-compare}\n"
              "  &Select First Item to Compare [id 100]\n"
              "  Compare &To... [id 101]\n");
    Settings(0, 0);
    EXPECT_EQ(Menu(menu, "", {folderA}),
              "Select First Item to Compare [id 100] {corvatine-select}\n"
              "Compare To... [id 101] {corvatine-compare}\n");
    EXPECT_EQ(menu.CommandAt(0), CMD_SELECT_FIRST);
    EXPECT_EQ(menu.CommandAt(1), CMD_COMPARE_TO_CHOSEN);
}

TEST_F(ContextMenuTest, RememberedFileIsOfferedForAnotherFile) {
    RememberedItems().file = fileA;
    CCorvashellContextMenu menu(config.Path());
    EXPECT_EQ(Menu(menu, "", {fileB}),
              "&Corvatine > {corvatine-compare}\n"
              "  &Compare To \"a.txt\" [id 100]\n"
              "  Compare To \"a.txt\" &As >\n"
              "    &Text [id 101]\n"
              "    &Binary [id 102]\n"
              "  &Select First Item to Compare [id 103]\n"
              "  Compare &To... [id 104]\n");
    Settings(0, 0);
    EXPECT_EQ(Menu(menu, "", {fileB}),
              "Compare To \"a.txt\" [id 100] {corvatine-compare}\n"
              "Compare To \"a.txt\" &As > {corvatine-compare}\n"
              "  &Text [id 101]\n"
              "  &Binary [id 102]\n"
              "Select First Item to Compare [id 103] {corvatine-select}\n"
              "Compare To... [id 104] {corvatine-compare}\n");
}

TEST_F(ContextMenuTest, TheFirstItemItselfIsNotOfferedToCompareWithItself) {
    // "a.txt : a.txt" compares nothing: only selecting again and choosing remain.
    RememberedItems().file = fileA;
    RememberedItems().folder = folderA;
    CCorvashellContextMenu menu(config.Path());
    const std::string alone =
        "&Corvatine > {corvatine-compare}\n"
        "  &Select First Item to Compare [id 100]\n"
        "  Compare &To... [id 101]\n";
    EXPECT_EQ(Menu(menu, "", {fileA}), alone);
    EXPECT_EQ(Menu(menu, "", {folderA + "/"}), alone);
    // Another name of the same file is the same item.
    const std::string link = dir.Path() + "/link-to-a.txt";
    ASSERT_EQ(::symlink(fileA.c_str(), link.c_str()), 0);
    EXPECT_EQ(Menu(menu, "", {link}), alone);
    EXPECT_NE(Menu(menu, "", {fileB}).find("&Compare To \"a.txt\""), std::string::npos);
}

TEST_F(ContextMenuTest, AnAmpersandOfTheRememberedNameStaysALetter) {
    RememberedItems().file = dir.WriteFile("R&D.txt", "x");
    Settings(0, 0);
    CCorvashellContextMenu menu(config.Path());
    ASSERT_EQ(menu.Initialize("", {fileA}), S_OK);
    CMenuTree tree;
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 5);
    ASSERT_FALSE(tree.Items().empty());
    EXPECT_EQ(tree.Items()[0].text, "Compare To \"R&&D.txt\"");
    EXPECT_EQ(StripAccelerator(tree.Items()[0].text), "Compare To \"R&D.txt\"");
    EXPECT_EQ(StripAccelerator(tree.Items()[1].text), "Compare To \"R&D.txt\" As");
}

TEST_F(ContextMenuTest, RememberedFolderIsOfferedOnlyForFolders) {
    RememberedItems().folder = folderA;
    CCorvashellContextMenu menu(config.Path());
    // A file is compared only with a remembered file.
    EXPECT_EQ(Menu(menu, "", {fileA}),
              "&Corvatine > {corvatine-compare}\n"
              "  &Select First Item to Compare [id 100]\n"
              "  Compare &To... [id 101]\n");
    EXPECT_EQ(Menu(menu, "", {folderB}),
              "&Corvatine > {corvatine-compare}\n"
              "  &Compare To \"left\" [id 100]\n"
              "  &Select First Item to Compare [id 101]\n"
              "  Compare &To... [id 102]\n");
}

TEST_F(ContextMenuTest, RememberedItemThatNoLongerExistsIsIgnored) {
    const std::string gone = dir.WriteFile("gone.txt", "x");
    RememberedItems().file = gone;
    ASSERT_EQ(::unlink(gone.c_str()), 0);
    CCorvashellContextMenu menu(config.Path());
    EXPECT_EQ(Menu(menu, "", {fileA}),
              "&Corvatine > {corvatine-compare}\n"
              "  &Select First Item to Compare [id 100]\n"
              "  Compare &To... [id 101]\n");
}

TEST_F(ContextMenuTest, BackgroundMenuOnlyWhenSwitchedOn) {
    CCorvashellContextMenu menu(config.Path());
    EXPECT_EQ(Menu(menu, folderA, {}, E_INVALIDARG), "");
    Settings(1, 1);
    EXPECT_EQ(Menu(menu, folderA, {}),
              "&Corvatine > {corvatine-compare}\n"
              "  &Select First Item to Compare [id 100]\n"
              "  Compare &To... [id 101]\n");
    // The background stands for its folder: selecting it remembers the folder.
    EXPECT_EQ(menu.InvokeCommand(0, starter, &chooser), S_OK);
    EXPECT_EQ(RememberedItems().folder, folderA);
    EXPECT_EQ(RememberedItems().file, "");
    // Without a folder there is no background to speak of.
    EXPECT_EQ(Menu(menu, "", {}, E_INVALIDARG), "");
}

TEST_F(ContextMenuTest, DraggingOneFileOntoAFolderOffersCompareAndStartsFileAgainstFolder) {
    CCorvashellContextMenu menu(config.Path());
    EXPECT_EQ(Menu(menu, folderB, {fileA}),
              "&Corvatine > {corvatine-compare}\n"
              "  &Compare [id 100]\n"
              "  Compare &As >\n"
              "    &Text [id 101]\n"
              "    &Binary [id 102]\n");
    EXPECT_EQ(menu.CommandAt(0), CMD_DRAG_COMPARE);
    EXPECT_EQ(menu.CommandAt(1), CMD_DRAG_COMPARE_TEXT);
    EXPECT_EQ(menu.CommandAt(2), CMD_DRAG_COMPARE_BINARY);
    EXPECT_EQ(menu.InvokeCommand(0, starter, &chooser), S_OK);
    EXPECT_EQ(menu.InvokeCommand(1, starter, &chooser), S_OK);
    EXPECT_EQ(menu.InvokeCommand(2, starter, &chooser), S_OK);
    ASSERT_EQ(starter.started.size(), 3u);
    EXPECT_EQ(starter.started[0].program, "/opt/corvatine/corvatine");
    EXPECT_EQ(starter.started[0].arguments, (std::vector<std::string>{"-c", fileA, folderB}));
    EXPECT_EQ(starter.started[1].arguments, (std::vector<std::string>{"-c", fileA, folderB, "/t:text"}));
    EXPECT_EQ(starter.started[2].arguments, (std::vector<std::string>{"-c", fileA, folderB, "/t:binary"}));
}

TEST_F(ContextMenuTest, DragCasesWithoutCompareAsOrWithoutMenu) {
    Settings(0, 0);
    CCorvashellContextMenu menu(config.Path());
    EXPECT_EQ(Menu(menu, folderB, {folderA}), "Compare [id 100] {corvatine-compare}\n");
    EXPECT_EQ(Menu(menu, folderB, {fileA, fileB}, E_INVALIDARG), "");
    // A target that is no place in the file system.
    EXPECT_EQ(Menu(menu, "smb://host/share", {fileA}, E_FAIL), "");
}

TEST_F(ContextMenuTest, DefaultOnlyAndTooFewIdentifiersAddNothing) {
    CCorvashellContextMenu menu(config.Path());
    ASSERT_EQ(menu.Initialize("", {fileA, fileB}), S_OK);
    CMenuTree tree;
    EXPECT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, CMF_DEFAULTONLY), 0);
    EXPECT_EQ(tree.Dump(), "");
    EXPECT_EQ(menu.CommandAt(0), 0);
    EXPECT_EQ(menu.InvokeCommand(0, starter, &chooser), E_INVALIDARG);
    EXPECT_TRUE(starter.started.empty());
    // Three identifiers are needed: 100 to 101 are too few, 100 to 102 do.
    EXPECT_EQ(menu.QueryContextMenu(tree, 100, 101, 0), 0);
    EXPECT_EQ(tree.Dump(), "");
    EXPECT_EQ(menu.QueryContextMenu(tree, 100, 102, 0), 3);
}

TEST_F(ContextMenuTest, CompareCommandsStartTheProgramWithTheirType) {
    CCorvashellContextMenu menu(config.Path());
    ASSERT_EQ(menu.Initialize("", {fileA, fileB}), S_OK);
    CMenuTree tree;
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 3);
    EXPECT_EQ(menu.InvokeCommand(0, starter, &chooser), S_OK);
    EXPECT_EQ(menu.InvokeCommand(1, starter, &chooser), S_OK);
    EXPECT_EQ(menu.InvokeCommand(2, starter, &chooser), S_OK);
    ASSERT_EQ(starter.started.size(), 3u);
    for (const auto& started : starter.started) EXPECT_EQ(started.program, "/opt/corvatine/corvatine");
    EXPECT_EQ(starter.started[0].arguments, (std::vector<std::string>{"-c", fileA, fileB}));
    EXPECT_EQ(starter.started[1].arguments, (std::vector<std::string>{"-c", fileA, fileB, "/t:text"}));
    EXPECT_EQ(starter.started[2].arguments, (std::vector<std::string>{"-c", fileA, fileB, "/t:binary"}));
}

TEST_F(ContextMenuTest, SelectFirstThenCompareToAcrossMenus) {
    CCorvashellContextMenu first(config.Path());
    ASSERT_EQ(first.Initialize("", {fileA}), S_OK);
    CMenuTree tree;
    ASSERT_EQ(first.QueryContextMenu(tree, kFirstId, kLastId, 0), 2);
    ASSERT_EQ(first.CommandAt(0), CMD_SELECT_FIRST);
    EXPECT_EQ(first.InvokeCommand(0, starter, &chooser), S_OK);
    EXPECT_EQ(RememberedItems().file, fileA);
    EXPECT_TRUE(starter.started.empty());

    // Another menu of the process sees it.
    CCorvashellContextMenu second(config.Path());
    ASSERT_EQ(second.Initialize("", {fileB}), S_OK);
    CMenuTree tree2;
    ASSERT_EQ(second.QueryContextMenu(tree2, kFirstId, kLastId, 0), 5);
    EXPECT_EQ(second.InvokeCommand(0, starter, &chooser), S_OK);  // Compare To "a.txt"
    EXPECT_EQ(second.InvokeCommand(1, starter, &chooser), S_OK);  // ... As Text
    EXPECT_EQ(second.InvokeCommand(2, starter, &chooser), S_OK);  // ... As Binary
    ASSERT_EQ(starter.started.size(), 3u);
    EXPECT_EQ(starter.started[0].arguments, (std::vector<std::string>{"-c", fileA, fileB}));
    EXPECT_EQ(starter.started[1].arguments, (std::vector<std::string>{"-c", fileA, fileB, "/t:text"}));
    EXPECT_EQ(starter.started[2].arguments, (std::vector<std::string>{"-c", fileA, fileB, "/t:binary"}));
}

TEST_F(ContextMenuTest, PathsWithSpacesAndQuotesArriveIntact) {
    const std::string left = dir.WriteFile("with space/\"quoted\" name.txt", "l");
    const std::string right = dir.WriteFile("other $dir/it's.txt", "r");
    CCorvashellContextMenu menu(config.Path());
    ASSERT_EQ(menu.Initialize("", {left, right}), S_OK);
    CMenuTree tree;
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 3);
    EXPECT_EQ(menu.InvokeCommand(1, starter, &chooser), S_OK);
    ASSERT_EQ(starter.started.size(), 1u);
    EXPECT_EQ(starter.started[0].arguments, (std::vector<std::string>{"-c", left, right, "/t:text"}));
}

TEST_F(ContextMenuTest, MissingInstallDirStartsNothing) {
    Settings(1, 0, "");
    CCorvashellContextMenu menu(config.Path());
    ASSERT_EQ(menu.Initialize("", {fileA, fileB}), S_OK);
    CMenuTree tree;
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 3);
    EXPECT_EQ(menu.InvokeCommand(0, starter, &chooser), E_FAIL);
    EXPECT_TRUE(starter.started.empty());
    EXPECT_EQ(
        menu.FailureText(0),
        "the program is not found: the settings hold no InstallDir (running corvatine once records it)");
    // The program is looked up when the command runs.
    Settings(1, 0, "/usr/local/bin/");
    EXPECT_EQ(menu.InvokeCommand(0, starter, &chooser), S_OK);
    ASSERT_EQ(starter.started.size(), 1u);
    EXPECT_EQ(starter.started[0].program, "/usr/local/bin/corvatine");
}

TEST_F(ContextMenuTest, FailedStartIsAFailureThatNamesTheProgramAndTheReason) {
    starter.succeed = false;
    starter.error = EACCES;
    CCorvashellContextMenu menu(config.Path());
    ASSERT_EQ(menu.Initialize("", {fileA, fileB}), S_OK);
    CMenuTree tree;
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 3);
    EXPECT_EQ(menu.InvokeCommand(0, starter, &chooser), E_FAIL);
    EXPECT_EQ(menu.FailureText(starter.LastError()),
              "cannot start /opt/corvatine/corvatine: Permission denied");
    EXPECT_EQ(menu.FailureText(0), "cannot start /opt/corvatine/corvatine");
}

TEST_F(ContextMenuTest, OffsetsThatNameNoItemDoNothing) {
    CCorvashellContextMenu menu(config.Path());
    ASSERT_EQ(menu.Initialize("", {fileA, fileB}), S_OK);
    CMenuTree tree;
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 3);
    EXPECT_EQ(menu.InvokeCommand(3, starter, &chooser), E_INVALIDARG);
    // A verb given by name: the high word is not 0.
    EXPECT_EQ(menu.InvokeCommand(0x10000, starter, &chooser), E_INVALIDARG);
    EXPECT_TRUE(starter.started.empty());
}

TEST_F(ContextMenuTest, CompareToChosenAsksForAFileOrFolder) {
    CCorvashellContextMenu menu(config.Path());
    ASSERT_EQ(menu.Initialize("", {fileA}), S_OK);
    CMenuTree tree;
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 2);
    chooser.path = fileB;
    EXPECT_EQ(menu.InvokeCommand(1, starter, &chooser), S_OK);
    ASSERT_EQ(chooser.asked.size(), 1u);
    EXPECT_FALSE(chooser.asked[0].folder);
    EXPECT_EQ(chooser.asked[0].title, "Select File to Compare");
    EXPECT_EQ(chooser.asked[0].filterName, "All Files (*.*)");
    EXPECT_EQ(chooser.asked[0].startFolder, dir.Path());
    ASSERT_EQ(starter.started.size(), 1u);
    EXPECT_EQ(starter.started[0].arguments, (std::vector<std::string>{"-c", fileA, fileB}));

    // Cancelled: nothing starts.
    chooser.answer = false;
    EXPECT_EQ(menu.InvokeCommand(1, starter, &chooser), S_OK);
    EXPECT_EQ(starter.started.size(), 1u);

    chooser.answer = true;
    chooser.path = folderB;
    ASSERT_EQ(menu.Initialize("", {folderA}), S_OK);
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 2);
    EXPECT_EQ(menu.InvokeCommand(1, starter, &chooser), S_OK);
    ASSERT_EQ(chooser.asked.size(), 3u);
    EXPECT_TRUE(chooser.asked[2].folder);
    EXPECT_EQ(chooser.asked[2].title, "Select Folder to Compare");
    EXPECT_EQ(chooser.asked[2].startFolder, folderA);
    EXPECT_EQ(chooser.asked[2].filterName, "");
    ASSERT_EQ(starter.started.size(), 2u);
    EXPECT_EQ(starter.started[1].arguments, (std::vector<std::string>{"-c", folderA, folderB}));
}

TEST_F(ContextMenuTest, CompareToWithoutAChooserStartsTheProgramToAsk) {
    // A file manager with no chooser of its own: the program asks, for a
    // file and for a folder, whatever the item's name.
    const std::string odd = dir.WriteFile("it's \"odd\" $name.txt", "x");
    for (const std::string& item : {fileA, folderA, odd}) {
        CCorvashellContextMenu menu(config.Path());
        ASSERT_EQ(menu.Initialize("", {item}), S_OK);
        CMenuTree tree;
        ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 2);
        ASSERT_EQ(menu.CommandAt(1), CMD_COMPARE_TO_CHOSEN);
        starter.started.clear();
        EXPECT_EQ(menu.InvokeCommand(1, starter, nullptr), S_OK);
        ASSERT_EQ(starter.started.size(), 1u);
        EXPECT_EQ(starter.started[0].program, "/opt/corvatine/corvatine");
        EXPECT_EQ(starter.started[0].arguments, (std::vector<std::string>{"--compare-to-chosen", item}));
    }
    EXPECT_TRUE(chooser.asked.empty());

    // Nothing to start: a failure, not a silent success.
    Settings(1, 0, "");
    CCorvashellContextMenu menu(config.Path());
    ASSERT_EQ(menu.Initialize("", {fileA}), S_OK);
    CMenuTree tree;
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 2);
    EXPECT_EQ(menu.InvokeCommand(1, starter, nullptr), E_FAIL);
    starter.succeed = false;
    Settings(1, 0);
    EXPECT_EQ(menu.InvokeCommand(1, starter, nullptr), E_FAIL);
}

// The help text of the item at an offset, ANSI.
std::string Help(const CCorvashellContextMenu& menu, uint32_t offset, HRESULT expected = S_OK) {
    char buffer[512] = "unchanged";
    EXPECT_EQ(menu.GetCommandString(offset, GCS_HELPTEXTA, buffer, sizeof buffer), expected) << offset;
    return buffer;
}

TEST_F(ContextMenuTest, HelpTextsOfEveryCommand) {
    CCorvashellContextMenu menu(config.Path());
    ASSERT_EQ(menu.Initialize("", {fileA, fileB}), S_OK);
    CMenuTree tree;
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 3);
    EXPECT_EQ(Help(menu, 0), "Compare selected files or folders using Corvatine");
    EXPECT_EQ(Help(menu, 1), "Compare selected files as text using Corvatine");
    EXPECT_EQ(Help(menu, 2), "Compare selected files as binary using Corvatine");
    EXPECT_EQ(Help(menu, 3, E_INVALIDARG), "unchanged");

    RememberedItems().file = fileA;
    ASSERT_EQ(menu.Initialize("", {fileB}), S_OK);
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 5);
    EXPECT_EQ(Help(menu, 0), "Compare to \"" + fileA + "\" using Corvatine");
    EXPECT_EQ(Help(menu, 3), "Select the file or folder as first item to compare using Corvatine");
    EXPECT_EQ(Help(menu, 4), "Compare to other file or folder using Corvatine");

    // Drag commands have none.
    ASSERT_EQ(menu.Initialize(folderA, {fileA}), S_OK);
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 3);
    for (uint32_t offset = 0; offset < 3; ++offset) EXPECT_EQ(Help(menu, offset, E_INVALIDARG), "unchanged");
    char buffer[8];
    EXPECT_EQ(menu.GetCommandString(0, GCS_VALIDATEA, buffer, sizeof buffer), S_OK);
}

TEST_F(ContextMenuTest, CommandStringRequestsOtherThanHelp) {
    CCorvashellContextMenu menu(config.Path());
    ASSERT_EQ(menu.Initialize("", {fileA}), S_OK);
    CMenuTree tree;
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 2);
    char buffer[64] = "";
    EXPECT_EQ(menu.GetCommandString(0, GCS_VALIDATEA, buffer, sizeof buffer), S_OK);
    EXPECT_EQ(menu.GetCommandString(0, GCS_VALIDATEW, buffer, sizeof buffer), S_OK);
    EXPECT_EQ(menu.GetCommandString(2, GCS_VALIDATEA, buffer, sizeof buffer), E_INVALIDARG);
    EXPECT_EQ(menu.GetCommandString(0, GCS_VERBA, buffer, sizeof buffer), E_INVALIDARG);
    EXPECT_EQ(menu.GetCommandString(0, GCS_VERBW, buffer, sizeof buffer), E_INVALIDARG);
    EXPECT_EQ(menu.GetCommandString(0, GCS_HELPTEXTA, buffer, 0), E_INVALIDARG);
    EXPECT_EQ(menu.GetCommandString(0, GCS_HELPTEXTA, nullptr, 64), E_INVALIDARG);
}

TEST_F(ContextMenuTest, HelpTextIsCutToTheBufferAndTerminated) {
    CCorvashellContextMenu menu(config.Path());
    ASSERT_EQ(menu.Initialize("", {fileA}), S_OK);
    CMenuTree tree;
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 2);
    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(menu.GetCommandString(1, GCS_HELPTEXTA, small, sizeof small), S_OK);
    EXPECT_STREQ(small, "Compare");
    char one[1] = {'x'};
    EXPECT_EQ(menu.GetCommandString(1, GCS_HELPTEXTA, one, 1), S_OK);
    EXPECT_EQ(one[0], '\0');

    wchar_t wide[128];
    EXPECT_EQ(menu.GetCommandString(1, GCS_HELPTEXTW, wide, 128), S_OK);
    EXPECT_STREQ(wide, L"Compare to other file or folder using Corvatine");
    wchar_t wideSmall[5];
    EXPECT_EQ(menu.GetCommandString(1, GCS_HELPTEXTW, wideSmall, 5), S_OK);
    EXPECT_STREQ(wideSmall, L"Comp");
}

TEST_F(ContextMenuTest, HelpTextWithAMultiByteNameIsConvertedAndCutWhole) {
    const std::string named = dir.WriteFile("\xc3\xa4pfel.txt", "x");  // "äpfel.txt"
    RememberedItems().file = named;
    CCorvashellContextMenu menu(config.Path());
    ASSERT_EQ(menu.Initialize("", {fileA}), S_OK);
    CMenuTree tree;
    ASSERT_EQ(menu.QueryContextMenu(tree, kFirstId, kLastId, 0), 5);
    std::vector<wchar_t> wide(1024);
    EXPECT_EQ(menu.GetCommandString(0, GCS_HELPTEXTW, wide.data(), wide.size()), S_OK);
    const std::wstring text = wide.data();
    EXPECT_NE(text.find(L"\u00e4pfel.txt\" using Corvatine"), std::wstring::npos);
    EXPECT_EQ(text.size(), std::string("Compare to \"" + named + "\" using Corvatine").size() - 1);

    // The ANSI text cut inside the two bytes of "ä" ends before them.
    const std::string full = "Compare to \"" + named + "\" using Corvatine";
    const size_t at = full.find('\xc3');
    std::vector<char> ansi(at + 2);  // room for the text up to the first byte of "ä"
    EXPECT_EQ(menu.GetCommandString(0, GCS_HELPTEXTA, ansi.data(), ansi.size()), S_OK);
    EXPECT_EQ(std::string(ansi.data()), full.substr(0, at));
}

TEST(MenuTextTest, AcceleratorsAreStripped) {
    EXPECT_EQ(StripAccelerator("&Compare"), "Compare");
    EXPECT_EQ(StripAccelerator("Compare &As"), "Compare As");
    EXPECT_EQ(StripAccelerator("Compare To \"a&&b\" &As"), "Compare To \"a&b\" As");
    EXPECT_EQ(StripAccelerator("trailing&"), "trailing");
    EXPECT_EQ(StripAccelerator("plain"), "plain");
}

}  // namespace
}  // namespace corvatine::shellext
