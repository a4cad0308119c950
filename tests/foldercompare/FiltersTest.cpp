// Which entries the file, folder and combined filters exclude, the preset
// and recent filter lists, and the filter dialogs' helpers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "editor/SyntaxEditor.h"
#include "foldercompare/FilterPresets.h"
#include "foldercompare/Filters.h"
#include "foldercompare/FolderItem.h"
#include "platform/FileAttributes.h"
#include "platform/LocalTime.h"
#include "support/ScratchProfile.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

// A scanned file entry (or folder) of the given name in a fresh folder.
class FiltersTest : public ::testing::Test {
protected:
    CFolderItem& File(const std::string& name, const std::string& bytes = "") {
        dir.WriteFile(name, bytes);
        return Entry(name);
    }
    CFolderItem& Folder(const std::string& name) {
        dir.MakeFolder(name);
        return Entry(name);
    }
    CFolderItem& Entry(const std::string& name) {
        auto entry = std::make_unique<CFolderItem>();
        EXPECT_TRUE(entry->Refresh(dir / name));
        m_entries.push_back(std::move(entry));
        return *m_entries.back();
    }
    static int64_t Midnight(int year, int month, int day) {
        int64_t seconds = 0;
        EXPECT_TRUE(platform::LocalMidnight(year, month, day, seconds));
        return seconds;
    }
    void SetWriteTime(const std::string& name, int64_t seconds) {
        ASSERT_TRUE(test::SetFileTimes(dir / name, seconds));
    }

    test::TempDir dir;
    std::vector<std::unique_ptr<CFolderItem>> m_entries;
};

TEST(NameTest, IncludeThenExcludePatterns) {
    EXPECT_FALSE(IsNameExcluded("*.cpp;*.h", "*_old.*", "a.cpp"));
    EXPECT_TRUE(IsNameExcluded("*.cpp;*.h", "*_old.*", "a_old.cpp"));
    EXPECT_TRUE(IsNameExcluded("*.cpp;*.h", "*_old.*", "Makefile"));
    EXPECT_FALSE(IsNameExcluded("*.cpp;*.h", "", "MAIN.H"));  // case is ignored

    // "*" and an empty include list take everything.
    EXPECT_FALSE(IsNameExcluded("*", "", "anything at all"));
    EXPECT_FALSE(IsNameExcluded("", "", "Makefile"));
    // "*.*" wants a dot; "*" does not.
    EXPECT_TRUE(IsNameExcluded("*.*", "", "Makefile"));
    EXPECT_FALSE(IsNameExcluded("*.*", "", "a.b"));

    // Empty pieces are skipped; blanks belong to the pattern.
    EXPECT_FALSE(IsNameExcluded(";;*.c;", "", "x.c"));
    EXPECT_TRUE(IsNameExcluded(" *.c", "", "x.c"));
    EXPECT_FALSE(IsNameExcluded(" *.c", "", " x.c"));

    // A negated class as an exclude pattern keeps only names starting A to C.
    for (const char* kept : {"alpha", "Beta", "charlie", "C"})
        EXPECT_FALSE(IsNameExcluded("*", "[!a-c]*", kept));
    for (const char* dropped : {"delta", "Zulu", "1st", "_c"})
        EXPECT_TRUE(IsNameExcluded("*", "[!a-c]*", dropped));

    // "!" negates the rest; malformed patterns match nothing.
    EXPECT_TRUE(IsNameExcluded("!*.txt", "", "notes.txt"));
    EXPECT_FALSE(IsNameExcluded("!*.txt", "", "notes.md"));
    EXPECT_TRUE(IsNameExcluded("[abc", "", "a"));
    EXPECT_FALSE(IsNameExcluded("*", "x`", "x`"));
    EXPECT_FALSE(IsNameExcluded("*", "x!", "x"));
}

TEST_F(FiltersTest, TimeBoundsAreWholeLocalDaysInclusive) {
    test::ScopedEnv tz("TZ", "Europe/Berlin");
    CFileFilters filter;
    filter.timeTo = Midnight(2024, 3, 10);
    File("ten");
    SetWriteTime("ten", filter.timeTo + 10 * 3600);  // 10:00 on the "timeto" day
    File("midnight");
    SetWriteTime("midnight", filter.timeTo);
    File("before");
    SetWriteTime("before", filter.timeTo - 1);
    EXPECT_TRUE(IsExcluded(filter, Entry("ten")));
    EXPECT_FALSE(IsExcluded(filter, Entry("midnight")));
    EXPECT_FALSE(IsExcluded(filter, Entry("before")));

    filter.timeFrom = Midnight(2024, 3, 10);
    EXPECT_TRUE(IsExcluded(filter, Entry("before")));  // 23:59:59 the day before "timefrom"
    filter.timeTo = 0;                                 // a lone lower bound
    EXPECT_FALSE(IsExcluded(filter, Entry("ten")));
}

TEST_F(FiltersTest, SizeBoundsAreInclusiveAndZeroIsNoBound) {
    CFileFilters filter;
    CFolderItem& empty = File("empty");
    CFolderItem& one = File("one", "1");
    CFolderItem& two = File("two", "22");
    filter.sizeMin = 0;
    filter.sizeMax = 1;
    EXPECT_FALSE(IsExcluded(filter, empty));
    EXPECT_FALSE(IsExcluded(filter, one));
    EXPECT_TRUE(IsExcluded(filter, two));
    filter.sizeMin = 2;
    filter.sizeMax = 0;
    EXPECT_TRUE(IsExcluded(filter, one));
    EXPECT_FALSE(IsExcluded(filter, two));
}

TEST_F(FiltersTest, AttributesAndTypes) {
    CFileFilters filter;
    CFolderItem& hidden = File(".hidden", "text");
    CFolderItem& binary = File("data.bin", std::string("\0\1", 2));
    CFolderItem& text = File("notes.txt", "text\n");
    filter.attributesExclude = FILE_ATTRIBUTE_HIDDEN;
    EXPECT_TRUE(IsExcluded(filter, hidden));
    EXPECT_FALSE(IsExcluded(filter, text));

    filter.attributesExclude = 0;
    filter.typeExclude = FILTER_TYPE_BINARY;
    EXPECT_TRUE(IsExcluded(filter, binary));
    EXPECT_FALSE(IsExcluded(filter, text));
    EXPECT_EQ(binary.contentType, FILE_CONTENT_BINARY);  // determined and kept

    // A file that is not read (a fifo) has no type, and so is excluded
    // whenever any type is; one whose content cannot be read stays in, so
    // that the comparison tells it.
    ASSERT_EQ(::unlink((dir / "notes.txt").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    CFolderItem& fifo = Entry("fifo");
    CFolderItem& unreadable = File("gone.txt", "x");
    ASSERT_EQ(::unlink((dir / "gone.txt").c_str()), 0);
    EXPECT_TRUE(IsExcluded(filter, fifo));
    EXPECT_FALSE(IsExcluded(filter, unreadable));
    EXPECT_EQ(unreadable.contentType, FILE_CONTENT_UNKNOWN);
    EXPECT_EQ(unreadable.readError, ENOENT);
    filter.typeExclude = FILTER_TYPE_TEXT;
    EXPECT_TRUE(IsExcluded(filter, fifo));
    EXPECT_FALSE(IsExcluded(filter, unreadable));
    EXPECT_FALSE(IsExcluded(filter, binary));

    // The enumeration record test never reads the content.
    platform::FINDDATA record;
    record.name = "gone.txt";
    EXPECT_FALSE(IsExcluded(filter, record));
}

TEST_F(FiltersTest, FileFiltersPassFoldersAndFolderFiltersPassFiles) {
    CFolderItem& folder = Folder("build");
    CFolderItem& file = File("build.log");
    CFileFilters files;
    files.nameInclude = "*.c";
    files.attributesExclude = FILE_ATTRIBUTE_DIRECTORY;
    EXPECT_FALSE(IsExcluded(files, folder));
    EXPECT_TRUE(IsExcluded(files, file));

    CFolderFilters folders;
    folders.nameExclude = "build*";
    EXPECT_TRUE(IsExcluded(folders, folder));
    EXPECT_FALSE(IsExcluded(folders, file));
    folders.nameExclude.clear();
    folders.attributesExclude = FILE_ATTRIBUTE_HIDDEN;
    EXPECT_FALSE(IsExcluded(folders, folder));
    EXPECT_TRUE(IsExcluded(folders, Folder(".git")));

    CComboFilters combo;
    combo.fileFilters = files;
    combo.folderFilters.nameInclude = "src";
    EXPECT_TRUE(IsExcluded(combo, folder));  // to the folder filter
    EXPECT_TRUE(IsExcluded(combo, file));    // to the file filter
    EXPECT_FALSE(IsExcluded(combo, File("main.c")));
    platform::FINDDATA record;
    record.name = "src";
    record.attributes = FILE_ATTRIBUTE_DIRECTORY;
    EXPECT_FALSE(IsExcluded(combo, record));
    record.name = "src.c";
    record.attributes = 0;
    EXPECT_FALSE(IsExcluded(combo, record));
}

TEST_F(FiltersTest, APairIsOutOnlyWhenEveryPresentSideIsExcluded) {
    CComboFilters filters;
    filters.fileFilters.nameExclude = "*.o";
    CFolderItem& object = File("a.o");
    CFolderItem& source = File("a.c");
    EXPECT_TRUE(ApplyFilterToPair(&object, nullptr, filters));
    EXPECT_TRUE(ApplyFilterToPair(nullptr, &object, filters));
    EXPECT_FALSE(ApplyFilterToPair(&object, &source, filters));
    EXPECT_TRUE(object.IsExcluded());
    EXPECT_FALSE(source.IsExcluded());
    EXPECT_FALSE(ApplyFilterToPair(nullptr, nullptr, filters));

    filters.Reset();
    filters.fileFilters.typeExclude = FILTER_TYPE_TEXT;
    EXPECT_TRUE(ApplyFilterToPair(&source, nullptr, filters));
    EXPECT_NE(source.valid & FILE_VALID_CONTENT_TYPE, 0u);
}

TEST_F(FiltersTest, ControlFoldersAreExcludedWithTheirContents) {
    dir.WriteFile("work/.svn/entries", "x");
    dir.WriteFile("work/code.c", "x");
    CFolder root;
    ASSERT_TRUE(root.Refresh(dir / "work"));
    ASSERT_TRUE(root.Scan());
    CPresetFilters presets;
    test::ScratchProfile settings;
    presets.Load(settings.profile, [] { return std::string(); });
    CComboFilters filters;
    filters.folderFilters.nameExclude = presets.foldersExclude.items.at(0).filter;
    int visible = 0;
    for (int i = 0; i < root.GetChildCount(); ++i) {
        CFolderItem* child = root.Child(i);
        if (child->ApplyFilter(filters) != 0) {
            EXPECT_EQ(child->GetName(), ".svn");
            continue;  // an excluded folder is never scanned, so neither is what it holds
        }
        ++visible;
    }
    EXPECT_EQ(visible, 1);
}

class PresetFiltersTest : public ::testing::Test, protected test::ScratchProfile {};

TEST_F(PresetFiltersTest, EmptyListsReceiveTheirDefaults) {
    CPresetFilters presets;
    presets.Load(profile, [] { return GetSyntaxEditor().BuildFileFilter(false, kLanguagePresetTemplate); });
    ASSERT_FALSE(presets.filesInclude.items.empty());
    bool sawC = false, sawCmake = false;
    for (const PRESET_FILE_FILTER& preset : presets.filesInclude.items) {
        EXPECT_EQ(preset.name.substr(preset.name.size() - 6), " Files") << preset.name;
        // Extensions, after the whole file names that choose the language.
        EXPECT_NE(preset.filter.find("*."), std::string::npos) << preset.filter;
        if (preset.name == "C/C++ Files") {
            sawC = true;
            EXPECT_EQ(preset.filter.substr(0, 2), "*.") << preset.filter;
            EXPECT_NE(preset.filter.find("*.cpp"), std::string::npos) << preset.filter;
        }
        if (preset.name == "CMake Files") {
            sawCmake = true;
            EXPECT_EQ(preset.filter, "CMakeLists.txt;*.cmake");
        }
    }
    EXPECT_TRUE(sawC);
    EXPECT_TRUE(sawCmake);
    ASSERT_EQ(presets.foldersExclude.items.size(), 2u);
    EXPECT_EQ(CPresetFilterList::MenuText(presets.foldersExclude.items[0]), "SVN control folders (.svn)");
    EXPECT_EQ(CPresetFilterList::MenuText(presets.foldersExclude.items[1]), "CVS control folders (.CVS)");
    EXPECT_TRUE(presets.filesExclude.items.empty());
    EXPECT_TRUE(presets.foldersInclude.items.empty());
    EXPECT_STREQ(CPresetFilterList::kEmptyMenuText, "No Preset Filters");
}

TEST_F(PresetFiltersTest, LoadingStopsAtTheFirstEmptyFilterAndSavingRenumbers) {
    profile.WriteString(kPresetFilesExcludeKey, "Filter1", "*.o;*.obj");
    profile.WriteString(kPresetFilesExcludeKey, "Name1", "Objects");
    profile.WriteString(kPresetFilesExcludeKey, "Filter2", "");
    profile.WriteString(kPresetFilesExcludeKey, "Filter3", "*.bak");
    profile.WriteString(kPresetFoldersExcludeKey, "Filter1", "node_modules");  // no name
    CPresetFilters presets;
    presets.Load(profile, [] { return std::string("Text Files|*.txt|"); });
    ASSERT_EQ(presets.filesExclude.items.size(), 1u);
    EXPECT_EQ(presets.filesExclude.items[0].name, "Objects");
    ASSERT_EQ(presets.foldersExclude.items.size(), 1u);  // not empty: no defaults
    EXPECT_EQ(presets.foldersExclude.items[0].name, "");
    ASSERT_EQ(presets.filesInclude.items.size(), 1u);
    EXPECT_EQ(presets.filesInclude.items[0].name, "Text Files");

    presets.filesExclude.items = {{"Empty", ""}, {"Backups", "*.bak;*~"}, {"Objects", "*.o"}};
    presets.Save(profile);
    EXPECT_EQ(profile.GetString(kPresetFilesExcludeKey, "Filter1", ""), "*.bak;*~");
    EXPECT_EQ(profile.GetString(kPresetFilesExcludeKey, "Name2", ""), "Objects");
    EXPECT_EQ(profile.GetString(kPresetFilesExcludeKey, "Filter3", "none"), "none");  // the old third is gone
    CPresetFilters again;
    int asked = 0;
    again.Load(profile, [&] {
        ++asked;
        return std::string();
    });
    EXPECT_EQ(again.filesExclude.items.size(), 2u);
    EXPECT_EQ(again.filesInclude.items.size(), 1u);  // the language presets were saved
    EXPECT_EQ(asked, 0);                             // and are not built again
}

TEST_F(PresetFiltersTest, SavingUnchangedListsChangesNothing) {
    CPresetFilters presets;
    presets.Load(profile, [] { return std::string("Text Files|*.txt|"); });
    presets.Save(profile);
    std::string error;
    ASSERT_TRUE(hive.Flush(error)) << error;
    const std::string saved = test::ReadFile(dir / "registry.reg");

    // Loaded and saved again as at every exit: nothing waits to be written.
    CPresetFilters again;
    again.Load(profile, [] { return std::string("Text Files|*.txt|"); });
    again.Save(profile);
    EXPECT_FALSE(hive.IsModified());

    // A value the list does not write, or a section below it, still goes.
    profile.WriteString(kPresetFoldersExcludeKey, "Stray", "x");
    profile.WriteString(std::string(kPresetFilesIncludeKey) + "\\Below", "Filter1", "*.y");
    again.Save(profile);
    EXPECT_EQ(profile.GetString(kPresetFoldersExcludeKey, "Stray", "gone"), "gone");
    EXPECT_FALSE(profile.HasSubsections(kPresetFilesIncludeKey));
    ASSERT_TRUE(hive.Flush(error)) << error;
    EXPECT_EQ(test::ReadFile(dir / "registry.reg"), saved);

    // A changed list is written.
    again.foldersExclude.items[1].name = "CVS folders";
    again.Save(profile);
    EXPECT_TRUE(hive.IsModified());
    EXPECT_EQ(profile.GetString(kPresetFoldersExcludeKey, "Name2", ""), "CVS folders");
    EXPECT_EQ(profile.GetString(kPresetFoldersExcludeKey, "Filter2", ""), ".CVS");
}

TEST_F(PresetFiltersTest, RecentFilterListsHoldTheGeneralSize) {
    CRecentFilters recent;
    recent.Create(profile, 2);
    recent.Add(CRecentFilters::FILES_INCLUDE, "*.c");
    recent.Add(CRecentFilters::FILES_INCLUDE, "*.h");
    recent.Add(CRecentFilters::FILES_INCLUDE, "*.C");  // patterns are texts: a new entry
    recent.Add(CRecentFilters::FILES_INCLUDE, "");
    recent.Add(CRecentFilters::FOLDERS_EXCLUDE, ".git");
    recent.Save(profile);
    EXPECT_EQ(profile.GetString(kRecentFilesIncludeKey, "Filter1", ""), "*.C");
    EXPECT_EQ(profile.GetString(kRecentFilesIncludeKey, "Filter2", ""), "*.h");
    EXPECT_EQ(profile.GetString(kRecentFilesIncludeKey, "Filter3", "none"), "none");
    EXPECT_EQ(profile.GetString(kRecentFoldersExcludeKey, "Filter1", ""), ".git");

    CRecentFilters loaded;
    loaded.Create(profile, 20);
    ASSERT_NE(loaded.Get(CRecentFilters::FILES_INCLUDE), nullptr);
    EXPECT_EQ(loaded.Get(CRecentFilters::FILES_INCLUDE)->Count(), 2);
    CRecentFilters none;
    none.Create(profile, 0);
    EXPECT_EQ(none.Get(CRecentFilters::FILES_INCLUDE), nullptr);
    none.Add(CRecentFilters::FILES_INCLUDE, "*.x");  // nothing to add to
}

TEST(FilterDialogTest, SizeFieldsShowKilobytes) {
    EXPECT_EQ(SizeBoundToKilobytes(0), 0u);
    EXPECT_EQ(SizeBoundToKilobytes(1023), 0u);
    EXPECT_EQ(SizeBoundToKilobytes(2047), 1u);
    EXPECT_EQ(KilobytesToSizeBound(3), 3072u);
    EXPECT_EQ(KilobytesToSizeBound(3, false), 0u);
    EXPECT_EQ(KilobytesToSizeBound(UINT64_MAX), (UINT64_MAX / 1024) * 1024);  // no wrap-around
}

TEST(FilterDialogTest, PicksThePatternsInUse) {
    test::TempDir dir;
    dir.WriteFile("a.cpp", "");
    dir.WriteFile("B.CPP", "");
    dir.WriteFile("Makefile", "");
    dir.WriteFile("lib/x.h", "");
    dir.WriteFile("lib/deep/y.txt", "");
    dir.MakeFolder("Docs");
    ASSERT_EQ(::symlink("..", (dir / "lib/back").c_str()), 0);  // must not loop

    EXPECT_EQ(PatternsInUse(dir.Path(), false, false), (std::vector<std::string>{"*.CPP"}));
    EXPECT_EQ(PatternsInUse(dir.Path(), false, true), (std::vector<std::string>{"*.CPP", "*.h", "*.txt"}));
    EXPECT_EQ(PatternsInUse(dir.Path(), true, false), (std::vector<std::string>{"Docs", "lib"}));
    EXPECT_EQ(PatternsInUse(dir.Path(), true, true),
              (std::vector<std::string>{"back", "deep", "Docs", "lib"}));
    EXPECT_EQ(JoinPatterns({"*.c", "", "*.h"}), "*.c;*.h");
    EXPECT_TRUE(PatternsInUse(dir / "missing", false, true).empty());
}

}  // namespace
}  // namespace corvatine
