// The hex edit buffer: pieces, the edit log and its merge rule, undo, open,
// save in place and through a temporary file, and writing ranges.
#include "binarycompare/HexEditContext.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <random>
#include <thread>

#include "binarycompare/HexEditOptions.h"
#include "platform/Path.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

std::string Contents(CHexEditContext& buffer) {
    std::string bytes(static_cast<size_t>(buffer.GetSize()), '\0');
    EXPECT_EQ(buffer.Read(reinterpret_cast<uint8_t*>(bytes.data()), buffer.GetSize(), 0), buffer.GetSize());
    return bytes;
}

ino_t Inode(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_ino;
}

class RecordingView : public CHexEditView {
public:
    void OnUpdate(CHexEditView*, int, const CHexEditHint* hint) override {
        if (const auto* h = dynamic_cast<const CHexHint*>(hint)) hints.push_back(*h);
        if (dynamic_cast<const CUndoHint*>(hint) != nullptr) ++undoHints;
        if (const auto* r = dynamic_cast<const CRemoveHint*>(hint)) removed.push_back(r->index);
    }
    std::vector<CHexHint> hints;
    int undoHints = 0;
    std::vector<int> removed;
};

class HexEditContextTest : public ::testing::Test {
protected:
    // The buffer saves under the test's own hex editor settings.
    void SetUp() override { buffer.SetSettings(settings); }
    // Types the hex digits of bytes at a position as the views do: the
    // typing count rises by one per digit; the first digit of a byte writes
    // its high nibble, the second the whole byte.
    void TypeBytes(char operation, int64_t position, const std::vector<uint8_t>& bytes) {
        int count = 0;
        for (size_t i = 0; i < bytes.size(); ++i) {
            const uint8_t high = static_cast<uint8_t>(bytes[i] & 0xF0);
            ASSERT_TRUE(buffer.Edit(operation, position + static_cast<int64_t>(i), 1, &high, count++, &view));
            ASSERT_TRUE(
                buffer.Edit(operation, position + static_cast<int64_t>(i), 1, &bytes[i], count++, &view));
        }
    }

    test::TempDir dir;
    platform::CSilentMessages messages;
    CHexEditOptions settings;
    CHexEditContext buffer{messages};
    RecordingView view;
};

TEST_F(HexEditContextTest, OpensAsOneFilePiece) {
    const std::string path = dir.WriteFile("f.bin", "0123456789");
    ASSERT_TRUE(buffer.Open(path));
    EXPECT_FALSE(buffer.IsReadOnly());
    ASSERT_EQ(buffer.Pieces().size(), 1u);
    EXPECT_EQ(buffer.Pieces().front().kind, 'f');
    EXPECT_EQ(buffer.GetSize(), 10);
    uint8_t part[4];
    EXPECT_EQ(buffer.Read(part, 4, 8), 2);  // the content ends
    EXPECT_EQ(std::string(reinterpret_cast<char*>(part), 2), "89");
    buffer.Close();
    EXPECT_EQ(buffer.GetSize(), 0);
    ASSERT_TRUE(buffer.Open(dir.WriteFile("empty", "")));
    EXPECT_TRUE(buffer.Pieces().empty());
}

TEST_F(HexEditContextTest, TypingMergesIntoRecordsOfFourBytes) {
    ASSERT_TRUE(buffer.Open(dir.WriteFile("f.bin", "abcdefghij")));
    buffer.AddView(&view);
    TypeBytes(HEX_REPLACE, 0, {0x41});
    ASSERT_EQ(buffer.RecordCount(), 1);
    EXPECT_EQ(buffer.Record(0).operation, HEX_REPLACE);
    EXPECT_EQ(buffer.Record(0).length, 1);
    EXPECT_EQ(Contents(buffer), "Abcdefghij");
    ASSERT_EQ(view.hints.size(), 2u);
    EXPECT_EQ(view.hints[0].index, 0);
    EXPECT_EQ(view.hints[1].index, -1);  // merged

    buffer.Undo(&view, 0, 0);
    TypeBytes(HEX_REPLACE, 2, {1, 2, 3, 4, 5});
    ASSERT_EQ(buffer.RecordCount(), 2);
    EXPECT_EQ(buffer.Record(0).length, 4);
    EXPECT_EQ(buffer.Record(1).length, 1);
    EXPECT_EQ(Contents(buffer), std::string("ab\1\2\3\4\5hij", 10));

    // Inserting: the second digit reports R of one byte.
    TypeBytes(HEX_INSERT, 0, {0x7E});
    EXPECT_EQ(buffer.GetSize(), 11);
    EXPECT_EQ(Contents(buffer)[0], '\x7E');
    EXPECT_EQ(view.hints.back().operation, HEX_REPLACE);
    EXPECT_EQ(view.hints.back().length, 1);

    // A count of 0 never merges, and another operation never continues a record.
    const uint8_t z = 'z';
    const int before = buffer.RecordCount();
    ASSERT_TRUE(buffer.Edit(HEX_INSERT, 1, 1, &z, 0, &view));
    ASSERT_TRUE(buffer.Edit(HEX_DELETE, 2, 1, nullptr, 2, &view));
    EXPECT_EQ(buffer.RecordCount(), before + 2);
}

TEST_F(HexEditContextTest, DeletesBackspacesAndBackwardOverwrites) {
    ASSERT_TRUE(buffer.Open(dir.WriteFile("f.bin", "0123456789")));
    ASSERT_TRUE(buffer.Edit(HEX_DELETE, 2, 1, nullptr, 0, &view));
    ASSERT_TRUE(buffer.Edit(HEX_DELETE, 2, 1, nullptr, 2, &view));  // Delete again: merged
    EXPECT_EQ(buffer.RecordCount(), 1);
    EXPECT_EQ(Contents(buffer), "01456789");
    ASSERT_TRUE(buffer.Edit(HEX_BACKSPACE, 5, 1, nullptr, 0, &view));
    ASSERT_TRUE(buffer.Edit(HEX_BACKSPACE, 4, 1, nullptr, 2, &view));  // grows backwards
    EXPECT_EQ(buffer.RecordCount(), 2);
    EXPECT_EQ(buffer.Record(1).position, 4);
    EXPECT_EQ(buffer.Record(1).length, 2);
    EXPECT_EQ(Contents(buffer), "014589");
    const uint8_t blank = ' ';
    ASSERT_TRUE(buffer.Edit(HEX_REPLACE_BACK, 3, 1, &blank, 0, &view));
    ASSERT_TRUE(buffer.Edit(HEX_REPLACE_BACK, 2, 1, &blank, 2, &view));
    EXPECT_EQ(buffer.RecordCount(), 3);
    EXPECT_EQ(Contents(buffer), "01  89");
    EXPECT_FALSE(buffer.Edit(HEX_DELETE, 5, 2, nullptr, 0, &view));  // beyond the end
    while (buffer.Undo(&view, 0, 0) == 1) {
    }
    EXPECT_EQ(Contents(buffer), "0123456789");
    EXPECT_FALSE(buffer.IsModified());
}

TEST_F(HexEditContextTest, AnOverwritePastTheEndShrinksBackOnUndo) {
    ASSERT_TRUE(buffer.Open(dir.WriteFile("f.bin", "abc")));
    buffer.AddView(&view);
    const uint8_t bytes[] = {'X', 'Y', 'Z', 'W'};
    ASSERT_TRUE(buffer.Edit(HEX_REPLACE, 2, 4, bytes, 0, &view));
    EXPECT_EQ(buffer.GetSize(), 6);
    EXPECT_EQ(Contents(buffer), "abXYZW");
    EXPECT_TRUE(buffer.IsModified());
    EXPECT_EQ(buffer.Undo(&view, 0, 0), 1);
    EXPECT_EQ(buffer.GetSize(), 3);
    EXPECT_EQ(Contents(buffer), "abc");
    EXPECT_FALSE(buffer.IsModified());
    EXPECT_EQ(view.undoHints, 1);
    EXPECT_EQ(view.hints.back().undo, 1);
    EXPECT_EQ(view.hints.back().operation, HEX_REPLACE);
}

// Undone records come back in the order they were undone, as new records
// with the same hints as the edits; a new edit, a save or a close forgets them.
TEST_F(HexEditContextTest, RedoMakesUndoneRecordsAgain) {
    ASSERT_TRUE(buffer.Open(dir.WriteFile("f.bin", "abcdef")));
    buffer.AddView(&view);
    const uint8_t xy[] = {'X', 'Y'};
    ASSERT_TRUE(buffer.Edit(HEX_REPLACE, 4, 4, reinterpret_cast<const uint8_t*>("WXYZ"), 0, &view));
    ASSERT_TRUE(buffer.Edit(HEX_INSERT, 1, 2, xy, 0, &view));
    ASSERT_TRUE(buffer.Edit(HEX_DELETE, 0, 1, nullptr, 0, &view));
    EXPECT_EQ(Contents(buffer), "XYbcdWXYZ");
    EXPECT_FALSE(buffer.CanRedo());
    EXPECT_EQ(buffer.Redo(&view), 0);

    ASSERT_EQ(buffer.Undo(&view, 2, 0), 1);
    ASSERT_EQ(buffer.Undo(&view, 1, 0), 1);
    ASSERT_EQ(buffer.Undo(&view, 0, 0), 1);
    EXPECT_EQ(Contents(buffer), "abcdef");
    EXPECT_FALSE(buffer.IsModified());
    ASSERT_TRUE(buffer.CanRedo());
    EXPECT_EQ(buffer.NextRedo().operation, HEX_REPLACE);

    // The overwrite past the end grows the content again.
    ASSERT_EQ(buffer.Redo(&view), 1);
    EXPECT_EQ(Contents(buffer), "abcdWXYZ");
    EXPECT_TRUE(buffer.IsModified());
    EXPECT_EQ(buffer.RecordCount(), 1);
    EXPECT_EQ(view.hints.back().operation, HEX_REPLACE);
    EXPECT_EQ(view.hints.back().position, 4);
    EXPECT_EQ(view.hints.back().index, 0);
    EXPECT_EQ(view.hints.back().undo, 0);
    ASSERT_EQ(buffer.Redo(&view), 1);
    ASSERT_EQ(buffer.Redo(&view), 1);
    EXPECT_EQ(Contents(buffer), "XYbcdWXYZ");
    EXPECT_EQ(buffer.GetSize(), 9);
    EXPECT_FALSE(buffer.CanRedo());
    // Undo and redo again go through the same records.
    ASSERT_EQ(buffer.Undo(&view, 2, 0), 1);
    EXPECT_EQ(Contents(buffer), "aXYbcdWXYZ");
    ASSERT_EQ(buffer.Redo(&view), 1);
    EXPECT_EQ(Contents(buffer), "XYbcdWXYZ");

    // A new edit forgets what was undone.
    ASSERT_EQ(buffer.Undo(&view, 2, 0), 1);
    const uint8_t q = 'q';
    ASSERT_TRUE(buffer.Edit(HEX_REPLACE, 0, 1, &q, 0, &view));
    EXPECT_FALSE(buffer.CanRedo());
    EXPECT_EQ(buffer.Redo(&view), 0);
    EXPECT_EQ(Contents(buffer), "qXYbcdWXYZ");

    // So does a save.
    ASSERT_EQ(buffer.Undo(&view, 2, 0), 1);
    ASSERT_TRUE(buffer.CanRedo());
    ASSERT_TRUE(buffer.Save(dir / "f.bin"));
    EXPECT_FALSE(buffer.CanRedo());
    EXPECT_EQ(test::ReadFile(dir / "f.bin"), "aXYbcdWXYZ");
    ASSERT_TRUE(buffer.Edit(HEX_DELETE, 0, 1, nullptr, 0, &view));
    ASSERT_EQ(buffer.Undo(&view, 0, 0), 1);
    buffer.Close();
    EXPECT_FALSE(buffer.CanRedo());
}

TEST_F(HexEditContextTest, SavingInPlaceAndThroughATemporaryFile) {
    const std::string path = dir.WriteFile("f.bin", "0123456789");
    const ino_t original = Inode(path);
    ASSERT_TRUE(buffer.Open(path));
    buffer.AddView(&view);
    TypeBytes(HEX_REPLACE, 3, {'x', 'y'});
    ASSERT_TRUE(buffer.Save(path));
    EXPECT_EQ(test::ReadFile(path), "012xy56789");
    EXPECT_EQ(Inode(path), original);  // written in place
    EXPECT_EQ(buffer.RecordCount(), 0);
    EXPECT_FALSE(buffer.IsModified());
    EXPECT_EQ(buffer.Undo(&view, 0, 0), 0);  // nothing to undo
    ASSERT_EQ(view.removed.size(), 1u);
    EXPECT_EQ(view.removed[0], 0);

    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const uint8_t inserted = '+';
    ASSERT_TRUE(buffer.Edit(HEX_INSERT, 0, 1, &inserted, 0, &view));
    ASSERT_TRUE(buffer.Save(path));
    EXPECT_EQ(test::ReadFile(path), "+012xy56789");
    EXPECT_NE(Inode(path), original);  // a new file renamed over the old
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_FALSE(platform::NameExists(dir / "~HE000.tmp"));
    EXPECT_EQ(buffer.GetSize(), 11);
    ASSERT_EQ(buffer.Pieces().size(), 1u);

    // With a backup the old file is kept as ".bak".
    settings.backupFile = 1;
    ASSERT_TRUE(buffer.Edit(HEX_DELETE, 0, 1, nullptr, 0, &view));
    ASSERT_TRUE(buffer.Save(path));
    EXPECT_EQ(test::ReadFile(path), "012xy56789");
    EXPECT_EQ(test::ReadFile(path + ".bak"), "+012xy56789");
}

TEST_F(HexEditContextTest, TheTemporaryNameIsTheFirstFreeOne) {
    const std::string path = dir.WriteFile("f.bin", "ab");
    for (int n = 0; n < 1000; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "~HE%03d.tmp", n);
        if (n != 7) dir.WriteFile(name, "");
    }
    ASSERT_TRUE(buffer.Open(path));
    const uint8_t c = 'c';
    ASSERT_TRUE(buffer.Edit(HEX_INSERT, 2, 1, &c, 0, &view));
    ASSERT_TRUE(buffer.Save(path));  // through ~HE007.tmp, which is gone again
    EXPECT_FALSE(platform::NameExists(dir / "~HE007.tmp"));
    EXPECT_EQ(test::ReadFile(path), "abc");

    dir.WriteFile("~HE007.tmp", "");  // every name taken: the save fails without a message
    ASSERT_TRUE(buffer.Edit(HEX_INSERT, 3, 1, &c, 0, &view));
    EXPECT_FALSE(buffer.Save(path));
    EXPECT_TRUE(messages.errors.empty());
    EXPECT_EQ(buffer.RecordCount(), 1);
    EXPECT_EQ(test::ReadFile(path), "abc");
}

TEST_F(HexEditContextTest, AFailedSaveKeepsTheLogAndTheOldFile) {
    const std::string path = dir.WriteFile("f.bin", "abc");
    ASSERT_TRUE(buffer.Open(path));
    const uint8_t c = 'd';
    ASSERT_TRUE(buffer.Edit(HEX_INSERT, 3, 1, &c, 0, &view));
    EXPECT_FALSE(buffer.Save(dir / "missing/f.bin"));
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_EQ(messages.errors[0], "File \"" + (dir / "missing/~HE000.tmp") + "\"\ris an invalid file name");
    EXPECT_TRUE(buffer.IsModified());
    EXPECT_EQ(buffer.RecordCount(), 1);
    EXPECT_EQ(Contents(buffer), "abcd");
    EXPECT_EQ(test::ReadFile(path), "abc");
    // Saved elsewhere, the buffer continues on the new file.
    ASSERT_TRUE(buffer.Save(dir / "copy.bin"));
    EXPECT_EQ(test::ReadFile(dir / "copy.bin"), "abcd");
    EXPECT_EQ(buffer.GetPath(), dir / "copy.bin");
}

// A buffer that never opened a file holds only edited bytes; saving writes
// them through the atomic writer, and the buffer continues on that file.
TEST_F(HexEditContextTest, ABufferWithoutAFileIsSavedAsANewFile) {
    buffer.AddView(&view);
    const uint8_t bytes[] = {'n', 'e', 'w'};
    ASSERT_TRUE(buffer.Edit(HEX_INSERT, 0, 3, bytes, 0, &view));
    EXPECT_EQ(Contents(buffer), "new");
    EXPECT_FALSE(buffer.Save(dir / "missing/f.bin"));
    ASSERT_EQ(messages.errors.size(), 1u);
    EXPECT_EQ(messages.errors[0], "File \"" + (dir / "missing/~HE000.tmp") + "\"\ris an invalid file name");
    EXPECT_TRUE(buffer.IsModified());
    EXPECT_EQ(buffer.RecordCount(), 1);

    // A file that appeared at the name meanwhile keeps its permissions, and
    // with BackupFile its old contents.
    const std::string path = dir.WriteFile("f.bin", "old");
    ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
    settings.backupFile = 1;
    ASSERT_TRUE(buffer.Save(path));
    EXPECT_EQ(test::ReadFile(path), "new");
    EXPECT_EQ(test::ReadFile(path + ".bak"), "old");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0604u);
    EXPECT_TRUE(buffer.IsOpen());
    EXPECT_EQ(buffer.GetPath(), path);
    EXPECT_FALSE(buffer.IsModified());
    EXPECT_EQ(buffer.RecordCount(), 0);
    EXPECT_EQ(view.removed, (std::vector<int>{0}));
    ASSERT_EQ(buffer.Pieces().size(), 1u);
    EXPECT_EQ(buffer.Pieces().front().kind, 'f');
    const uint8_t x = 'x';
    ASSERT_TRUE(buffer.Edit(HEX_REPLACE, 0, 1, &x, 0, &view));
    ASSERT_TRUE(buffer.Save(path));
    EXPECT_EQ(test::ReadFile(path), "xew");
}

// A save keeps the file's other names, its owner and the links to it, and
// never writes over what another program changed since the file was opened.
TEST_F(HexEditContextTest, SavesKeepTheFileAndRefuseOneChangedMeanwhile) {
    settings.backupFile = 0;  // so that overwriting bytes saves in place
    const std::string path = dir.WriteFile("f.bin", "abc");
    ASSERT_EQ(::link(path.c_str(), (dir / "other.bin").c_str()), 0);
    ASSERT_EQ(::symlink("f.bin", (dir / "link.bin").c_str()), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    ASSERT_TRUE(buffer.Open(dir / "link.bin"));
    const uint8_t c = 'd';
    ASSERT_TRUE(buffer.Edit(HEX_INSERT, 3, 1, &c, 0, &view));
    ASSERT_TRUE(buffer.Save(dir / "link.bin")) << (messages.errors.empty() ? "" : messages.errors.back());
    EXPECT_EQ(test::ReadFile(dir / "other.bin"), "abcd");
    struct stat info {};
    ASSERT_EQ(::lstat((dir / "link.bin").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_nlink, 2u);
    if (::geteuid() == 0) {
        EXPECT_EQ(info.st_uid, 65534u);
    }
    EXPECT_EQ(test::ReadFile(dir / "link.bin"), "abcd");

    // Another program rewrites the file: neither an in-place save (only
    // bytes overwritten) nor a whole one writes over it.
    const uint8_t x = 'x';
    ASSERT_TRUE(buffer.Edit(HEX_REPLACE, 0, 1, &x, 0, &view));
    dir.WriteFile("f.bin", "ours");  // the same size
    EXPECT_FALSE(buffer.Save(dir / "link.bin"));
    EXPECT_EQ(messages.errors.back(),
              "cannot write " + (dir / "link.bin") + ": it was changed by another program since it was read");
    dir.WriteFile("f.bin", "theirs");
    ASSERT_TRUE(buffer.Edit(HEX_INSERT, 0, 1, &x, 0, &view));
    EXPECT_FALSE(buffer.Save(dir / "link.bin"));
    EXPECT_EQ(messages.errors.back(),
              "cannot write " + path + ": it was changed by another program since it was read");
    EXPECT_EQ(test::ReadFile(path), "theirs");
    EXPECT_TRUE(buffer.IsModified());
}

TEST_F(HexEditContextTest, OpenFailuresAndReadOnlyFiles) {
    EXPECT_FALSE(buffer.Open(dir / "none.bin"));
    EXPECT_EQ(messages.errors.back(), (dir / "none.bin") + "\rdoes not exist");
    EXPECT_FALSE(buffer.Open(dir / "no/none.bin"));
    EXPECT_EQ(messages.errors.back(),
              (dir / "no/none.bin") + "\ris an invalid file name or the drive/path does not exist");
    EXPECT_FALSE(buffer.Open(dir.Path()));
    EXPECT_EQ(messages.errors.back(), dir.Path() + "\ris a directory");
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0644), 0);
    EXPECT_FALSE(buffer.Open(dir / "fifo"));
    EXPECT_EQ(messages.errors.back(), (dir / "fifo") + "\ris a special file");

    // A program that is running cannot be written (even by root): it opens
    // read-only, with the message, and refuses edits.
    const std::string program = dir.WriteFile("prog", test::ReadFile("/bin/sleep"));
    ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
    ASSERT_EQ(std::system(("'" + program + "' 120 & echo $! > '" + (dir / "pid") + "'").c_str()), 0);
    bool readOnly = false;
    for (int i = 0; i < 6000 && !readOnly; ++i) {  // up to a minute on a loaded machine
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        readOnly = buffer.Open(program) && buffer.IsReadOnly();
    }
    ::kill(std::atoi(test::ReadFile(dir / "pid").c_str()), SIGKILL);
    ASSERT_TRUE(readOnly);
    EXPECT_EQ(
        messages.information.back(),
        program + " is in use or is read only).\r\rIt can be opened as read only (no changes possible).");
    const uint8_t c = 'x';
    EXPECT_FALSE(buffer.Edit(HEX_REPLACE, 0, 1, &c, 0, &view));
    EXPECT_FALSE(buffer.Save(program));  // not over itself
    EXPECT_EQ(messages.errors.back(), "File \"" + program + "\"\ris a read only file");
    // Saved under another name, the buffer can be edited again.
    ASSERT_TRUE(buffer.Save(dir / "copy"));
    EXPECT_FALSE(buffer.IsReadOnly());
    EXPECT_TRUE(buffer.Edit(HEX_REPLACE, 0, 1, &c, 0, &view));
}

TEST_F(HexEditContextTest, WritesRanges) {
    ASSERT_TRUE(buffer.Open(dir.WriteFile("f.bin", "0123456789")));
    ASSERT_TRUE(buffer.WriteRange(dir / "part", 2, 5, false));
    EXPECT_EQ(test::ReadFile(dir / "part"), "234");
    ASSERT_TRUE(buffer.WriteRange(dir / "part", 8, 10, true));
    EXPECT_EQ(test::ReadFile(dir / "part"), "23489");
    EXPECT_FALSE(buffer.WriteRange(dir.Path(), 0, 1, false));
    EXPECT_EQ(messages.errors.back(), "File \"" + dir.Path() + "\"\ris a directory");
}

// Random edit scripts against a plain byte vector, after every edit and
// undo, and after saving and reloading.
TEST_F(HexEditContextTest, RandomEditsAgreeWithAByteVector) {
    std::mt19937 random(23);
    for (int round = 0; round < 12; ++round) {
        std::string model(static_cast<size_t>(random() % 300), '\0');
        for (char& c : model) c = static_cast<char>(random());
        const std::string path = dir.WriteFile("r" + std::to_string(round), model);
        ASSERT_TRUE(buffer.Open(path));
        std::vector<std::string> history;
        int count = 0;
        for (int step = 0; step < 120; ++step) {
            const int64_t size = static_cast<int64_t>(model.size());
            const int kind = static_cast<int>(random() % 6);
            if (kind == 5 && !history.empty()) {
                ASSERT_EQ(buffer.Undo(&view, 0, 0), 1);
                model = history.back();
                history.pop_back();
                count = 0;
            } else {
                const int64_t length = 1 + static_cast<int64_t>(random() % 6);
                std::vector<uint8_t> bytes(static_cast<size_t>(length));
                for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
                const int typing = random() % 3 == 0 ? 0 : count;
                const int recordsBefore = buffer.RecordCount();
                const std::string before = model;
                if (kind == 0) {
                    const int64_t at = static_cast<int64_t>(random() % static_cast<uint64_t>(size + 1));
                    ASSERT_TRUE(buffer.Edit(HEX_INSERT, at, length, bytes.data(), typing, &view));
                    model.insert(static_cast<size_t>(at), reinterpret_cast<const char*>(bytes.data()),
                                 static_cast<size_t>(length));
                } else if (kind == 1) {
                    const int64_t at = static_cast<int64_t>(random() % static_cast<uint64_t>(size + 1));
                    ASSERT_TRUE(buffer.Edit(HEX_REPLACE, at, length, bytes.data(), typing, &view));
                    if (at + length > size) model.resize(static_cast<size_t>(at + length));
                    model.replace(static_cast<size_t>(at), static_cast<size_t>(length),
                                  reinterpret_cast<const char*>(bytes.data()), static_cast<size_t>(length));
                } else if (kind <= 3 && size >= length) {
                    const int64_t at =
                        static_cast<int64_t>(random() % static_cast<uint64_t>(size - length + 1));
                    ASSERT_TRUE(buffer.Edit(kind == 2 ? HEX_DELETE : HEX_BACKSPACE, at, length, nullptr,
                                            typing, &view));
                    model.erase(static_cast<size_t>(at), static_cast<size_t>(length));
                } else if (kind == 4 && size >= length) {
                    const int64_t at =
                        static_cast<int64_t>(random() % static_cast<uint64_t>(size - length + 1));
                    ASSERT_TRUE(buffer.Edit(HEX_REPLACE_BACK, at, length, bytes.data(), typing, &view));
                    model.replace(static_cast<size_t>(at), static_cast<size_t>(length),
                                  reinterpret_cast<const char*>(bytes.data()), static_cast<size_t>(length));
                } else {
                    continue;
                }
                // A merged edit is undone together with the record it joined.
                if (buffer.RecordCount() == recordsBefore) {
                    ASSERT_LE(buffer.Record(buffer.RecordCount() - 1).length, 4);
                } else {
                    history.push_back(before);
                }
                count += 2;
            }
            ASSERT_EQ(buffer.GetSize(), static_cast<int64_t>(model.size()))
                << "round " << round << " step " << step;
            ASSERT_EQ(Contents(buffer), model) << "round " << round << " step " << step;
        }
        ASSERT_TRUE(buffer.Save(path));
        EXPECT_EQ(test::ReadFile(path), model);
        ASSERT_TRUE(buffer.Open(path));
        EXPECT_EQ(Contents(buffer), model);
    }
}

TEST_F(HexEditContextTest, TheEditorDocumentFollowsTheBuffer) {
    CBinaryEditContext edit(messages);
    ASSERT_TRUE(edit.Open(dir.WriteFile("f.bin", "ab")));
    const uint8_t c = 'c';
    ASSERT_TRUE(edit.Edit(HEX_INSERT, 0, 1, &c, 0, nullptr));
    EXPECT_TRUE(edit.documentModified);
    EXPECT_GT(edit.frameUpdates, 0);
    edit.Undo(nullptr, 0, 0);
    EXPECT_FALSE(edit.documentModified);
}

TEST(HexEditOptionsTest, RangesColoursAndFonts) {
    test::TempDir dir;
    platform::CRegistryHive hive(dir / "registry.reg", "HKEY_CURRENT_USER");
    platform::CProfile profile(hive, platform::kSettingsRoot);
    CHexEditOptions options;
    profile.WriteInt(kHexEditSettingsKey, "RowSize", 2000);
    profile.WriteInt(kHexEditSettingsKey, "GroupSize", 1);
    profile.WriteString(kHexEditSettingsKey, "ANSIFont", "Mono|12|700|0|0");
    profile.WriteString(kHexEditSettingsKey, "OEMFont", "broken");
    profile.WriteInt(kHexEditColorsKey, "Count", 5);
    profile.WriteInt(kHexEditColorsKey, "Color3", 0x123456);
    options.Load(profile);
    EXPECT_EQ(options.rowSize, 4);
    EXPECT_EQ(options.groupSize, 2);
    EXPECT_EQ(options.ansiFont.face, "Mono");
    EXPECT_EQ(options.ansiFont.weight, 700);
    EXPECT_EQ(options.oemFont.face, "Terminal");
    EXPECT_EQ(options.oemFont.height, 16);
    EXPECT_EQ(options.colors[3], 0x123456u);
    profile.WriteInt(kHexEditColorsKey, "Count", 4);  // another count: the stored colours are not read
    options.Load(profile);
    EXPECT_EQ(options.colors[3], CHexEditOptions().colors[3]);
    options.Save(profile);
    EXPECT_EQ(profile.GetInt(kHexEditColorsKey, "Count", 0), 5);
}

}  // namespace
}  // namespace corvatine
