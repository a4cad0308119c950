// The text editor document: opening, saving in the file's own form or
// another, the title, and what is refused.
#include "editor/TextEditDoc.h"

#include <gtest/gtest.h>

#include "fileio/TextFormat.h"
#include "fileio/UniFile.h"
#include "support/EncodingSamples.h"
#include "support/TestSupport.h"

namespace corvatine {
namespace {

class RecordingHooks : public CFileWatchHooks {
public:
    void Suspend(const std::string& path) override { calls.push_back("suspend " + path); }
    void Resume(const std::string& path) override { calls.push_back("resume " + path); }
    std::vector<std::string> calls;
};

class TextEditDocTest : public ::testing::Test {
protected:
    bool Type(const std::string& text, int line = 0, int character = 0) {
        int endLine = 0, endChar = 0;
        return m_doc.Context().InsertTextAt(nullptr, line, character, text, endLine, endChar, 4);
    }

    test::TempDir m_dir;
    platform::CSilentMessages m_messages;
    RecordingHooks m_hooks;
    CTextEditDoc m_doc{m_messages, &m_hooks};
};

TEST_F(TextEditDocTest, OpensEditsAndSavesInTheFilesOwnForm) {
    EXPECT_EQ(m_doc.GetTitle(), "Untitled");
    const std::string path = m_dir.WriteFile("notes.txt", "one\r\ntwo\r\n");
    ASSERT_TRUE(m_doc.Open(path));
    EXPECT_EQ(m_doc.GetTitle(), "notes.txt");
    ASSERT_TRUE(Type("new ", 1));
    EXPECT_EQ(m_doc.GetTitle(), "notes.txt *");
    ASSERT_TRUE(m_doc.Save());
    EXPECT_EQ(test::ReadFile(path), "one\r\nnew two\r\n");
    EXPECT_EQ(m_doc.GetTitle(), "notes.txt");
    EXPECT_EQ(m_hooks.calls, (std::vector<std::string>{"suspend " + path, "resume " + path, "suspend " + path,
                                                       "resume " + path}));

    // Saved as UTF-16 with LF endings, the document is that file from then on.
    const std::string other = m_dir / "other.txt";
    ASSERT_TRUE(m_doc.SaveAs(other, ENCODING_UCS2_LE, -1, EOL_LF));
    EXPECT_EQ(test::ReadFile(other), std::string("\xFF\xFEo\0n\0e\0\n\0n\0e\0w\0 \0t\0w\0o\0\n\0", 26));
    EXPECT_EQ(m_doc.GetPath(), other);
    EXPECT_EQ(m_doc.GetTitle(), "other.txt");
    EXPECT_EQ(test::ReadFile(path), "one\r\nnew two\r\n");
}

// A file without a mark is read in the encoding its bytes call for, or in a
// code page asked for, which a reload keeps; saved, it keeps its bytes.
TEST_F(TextEditDocTest, OpensLegacyEncodingsAndKeepsTheirBytes) {
    const std::string bytes = test::Iconv(m_dir, test::kRussian, "KOI8-R");
    const std::string path = m_dir.WriteFile("koi8.txt", bytes);
    ASSERT_TRUE(m_doc.Open(path));
    EXPECT_EQ(m_doc.Context().GetCodePage(), 20866);
    const std::string russian = test::kRussian;
    EXPECT_EQ(m_doc.Context().GetLine(0).Characters(), russian.substr(0, russian.find('\n')));
    ASSERT_TRUE(Type("x"));
    ASSERT_TRUE(m_doc.Save());
    EXPECT_TRUE(test::ReadFile(path) == "x" + bytes);

    ASSERT_TRUE(m_doc.Open(path, false, 1251));
    EXPECT_EQ(m_doc.Context().GetCodePage(), 1251);
    ASSERT_TRUE(m_doc.Reload());
    EXPECT_EQ(m_doc.Context().GetCodePage(), 1251);
    EXPECT_EQ(m_doc.Context().GetLoadEncoding().source, ENCODING_FROM_REQUEST);
}

TEST_F(TextEditDocTest, WhatCannotBeOpenedOrSavedIsTold) {
    EXPECT_FALSE(m_doc.Open(m_dir / "missing.txt"));
    EXPECT_EQ(m_messages.errors.back(),
              "Cannot open file\n" + (m_dir / "missing.txt") + "\n\nNo such file or directory");
    // The reason and the loader's result stay, for a caller with words of its own.
    EXPECT_EQ(m_doc.LoadResult(), LOAD_FAILED);
    EXPECT_EQ(m_doc.LastError(), "No such file or directory");
    EXPECT_FALSE(m_doc.Open(m_dir.WriteFile("data.bin", std::string("a\0b", 3))));
    EXPECT_EQ(m_messages.errors.back(),
              "Cannot open file\n" + (m_dir / "data.bin") +
                  "\n\nIt holds binary data (NUL characters) and cannot be edited as text.");
    EXPECT_EQ(m_doc.LoadResult(), LOAD_BINARY);

    // A character the code page lacks: asked, and on No nothing is written.
    const std::string path = m_dir.WriteFile("euro.txt", "\xE2\x82\xAC 5\n");
    ASSERT_TRUE(m_doc.Open(path));
    EXPECT_FALSE(m_doc.SaveAs(m_dir / "437.txt", -1, 437, EOL_KEEP));
    ASSERT_EQ(m_messages.questions.size(), 1u);
    EXPECT_EQ(m_messages.questions[0].rfind(m_dir / "437.txt" + "\nLine 1 cannot be saved exactly", 0), 0u);
    EXPECT_EQ(m_messages.errors.back(),
              "Cannot save file\n" + (m_dir / "437.txt") + "\n\nline 1 cannot be saved exactly");
    EXPECT_EQ(m_doc.LastError(), "line 1 cannot be saved exactly");
    m_messages.answer = platform::ANSWER_YES;
    ASSERT_TRUE(m_doc.SaveAs(m_dir / "437.txt", -1, 437, EOL_KEEP));
    EXPECT_EQ(m_doc.LastError(), "");
    EXPECT_EQ(test::ReadFile(m_dir / "437.txt"), "? 5\n");

    // Read-only when asked: edits are refused.
    ASSERT_TRUE(m_doc.Open(path, true));
    EXPECT_TRUE(m_doc.IsReadOnly());
    EXPECT_FALSE(Type("x"));
    ASSERT_TRUE(m_doc.Reload());
    EXPECT_TRUE(m_doc.IsReadOnly());
}

}  // namespace
}  // namespace corvatine
