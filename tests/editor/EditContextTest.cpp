#include "editor/SyntaxEditContext.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace corvatine {
namespace {

// Remembers what the context told it.
class RecordingView : public CSyntaxTextView {
public:
    void UpdateView(CSyntaxTextView*, const CPositionAdjuster*, uint32_t hint, int line) override {
        hints.push_back(hint);
        lines.push_back(line);
    }
    std::vector<uint32_t> hints;
    std::vector<int> lines;
};

// The whole buffer with each line's own ending.
std::string Text(const CSyntaxEditContext& context) {
    std::string text;
    for (int i = 0; i < context.GetLineCount(); ++i) {
        text += context.GetLine(i).Text();
    }
    return text;
}

// A context holding text, split as a loaded file is: the last line never has an ending.
void Fill(CSyntaxEditContext& context, const std::string& text) {
    context.ResetToNew(1);
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(nullptr, 0, 0, text, endLine, endChar, 0, false));
    context.ResetEditState();
    for (int i = 0; i < context.GetLineCount(); ++i) context.GetLine(i).SetRevision(0);  // as loaded
}

TEST(SyntaxTextLineTest, EndingsAndCapacity) {
    CSyntaxTextLine line;
    line.Assign("abc\r\n", 5);
    EXPECT_EQ(line.Length(), 3);
    EXPECT_EQ(line.EndingLength(), 2);
    EXPECT_EQ(line.Capacity(), 16);
    line.Assign("x\r", 2);
    EXPECT_EQ(line.EndingLength(), 1);
    line.Assign("x\n\r", 3);  // a CR after LF: the line ends with a lone CR
    EXPECT_EQ(line.Length(), 2);
    EXPECT_EQ(line.EndingLength(), 1);
    line.Truncate(1);
    line.Append("yz\r\n", 4);
    EXPECT_EQ(std::string(line.Text()), "xyz\r\n");
    line.Erase(0, 2);
    EXPECT_EQ(std::string(line.Text()), "z\r\n");
    EXPECT_EQ(CSyntaxTextLine::CapacityFor(0), 16);
    EXPECT_EQ(CSyntaxTextLine::CapacityFor(14), 16);
    EXPECT_EQ(CSyntaxTextLine::CapacityFor(15), 32);
    EXPECT_EQ(CSyntaxTextLine::CapacityFor(16), 32);
    line.Assign(std::string(40, 'q').c_str(), 40);
    EXPECT_EQ(line.Capacity(), 48);
}

// A loaded line is its record alone; a revision other than 0 gives it a
// block of its own, which keeps the text, and moves with the line.
TEST(SyntaxTextLineTest, RevisionsOfLoadedAndOwnLines) {
    EXPECT_EQ(sizeof(CSyntaxTextLine), 16u);
    CSyntaxTextBuffer buffer;
    buffer.AppendLoadedLine("loaded", "\n");
    buffer.AppendLoadedLine("other", "");
    CSyntaxTextLine& line = buffer.GetLine(0);
    const char* borrowed = line.Text();
    line.SetRevision(0);
    EXPECT_EQ(line.Text(), borrowed);  // nothing to keep: still the loaded text
    EXPECT_EQ(line.Revision(), 0u);
    line.SetRevision(7);
    EXPECT_NE(line.Text(), borrowed);
    EXPECT_EQ(std::string(line.Text()), "loaded\n");
    EXPECT_EQ(line.EndingLength(), 1);
    EXPECT_EQ(line.Revision(), 7u);
    line.Assign(std::string(100, 'w').c_str(), 100);  // a bigger block keeps the revision
    EXPECT_EQ(line.Revision(), 7u);
    buffer.MoveLines(0, 0, 1);
    EXPECT_EQ(buffer.GetLine(1).Revision(), 7u);
    EXPECT_EQ(buffer.GetLine(1).Length(), 100);
    EXPECT_EQ(buffer.GetLine(0).Revision(), 0u);
    buffer.GetLine(1).Reset();
    EXPECT_EQ(buffer.GetLine(1).Revision(), 0u);
    CSyntaxTextLine empty;
    empty.SetRevision(3);
    EXPECT_EQ(empty.Revision(), 3u);
    EXPECT_EQ(std::string(empty.Text()), "");
}

// Lines too long for the record keep their length in their block; every
// operation gives the same text as on a short line.
TEST(SyntaxTextLineTest, LongLinesKeepTheirLengthInTheirBlock) {
    struct Restore {
        ~Restore() { CSyntaxTextLine::SetBlockLengthFrom(0); }
    } restore;
    CSyntaxTextLine::SetBlockLengthFrom(4);
    CSyntaxTextBuffer buffer;
    buffer.AppendLoadedLine("abc", "\r\n");     // short: borrowed
    buffer.AppendLoadedLine("abcdefgh", "\n");  // long: copied into a block
    EXPECT_EQ(buffer.GetLine(0).Length(), 3);
    CSyntaxTextLine& line = buffer.GetLine(1);
    EXPECT_EQ(line.Length(), 8);
    EXPECT_EQ(line.FullLength(), 9);
    EXPECT_EQ(line.Characters(), "abcdefgh");
    EXPECT_EQ(line.Ending(), "\n");
    line.SetEnding("\r\n");
    EXPECT_EQ(line.Ending(), "\r\n");
    EXPECT_EQ(line.Length(), 8);
    line.Erase(1, 6);  // short again
    EXPECT_EQ(line.Characters(), "agh");
    EXPECT_EQ(line.Ending(), "\r\n");
    line.Truncate(2);
    line.Append("123456\r", 7);
    EXPECT_EQ(line.Characters(), "ag123456");
    EXPECT_EQ(line.Ending(), "\r");
    CSyntaxTextLine moved(std::move(line));
    EXPECT_EQ(moved.Characters(), "ag123456");
    moved.Truncate(6);
    EXPECT_EQ(moved.Length(), 6);
    EXPECT_EQ(std::string(moved.Text()), "ag1234");
    moved.Assign("xy\n", 3);
    EXPECT_EQ(moved.Length(), 2);
    EXPECT_EQ(moved.EndingLength(), 1);
}

// Lines that borrow text where it lies (a file's view) keep its owner until
// they are freed; a change copies the line's own bytes only, the text after
// it in memory being no part of it.
TEST(SyntaxTextBufferTest, BorrowedLinesKeepTheirTextAndCopyOnlyTheirOwn) {
    CSyntaxTextBuffer buffer;
    auto owner = std::make_shared<std::string>("ab\ncd\nef\n");
    const std::weak_ptr<std::string> watch = owner;
    const char* text = owner->data();
    buffer.KeepLoadedText(owner);
    buffer.BorrowLoadedLines(*owner);
    owner.reset();
    ASSERT_EQ(buffer.GetLineCount(), 3);
    EXPECT_EQ(buffer.GetLine(0).Text(), text);
    EXPECT_EQ(buffer.GetLine(1).Text(), text + 3);
    EXPECT_EQ(buffer.GetLine(1).Characters(), "cd");
    EXPECT_EQ(buffer.GetLine(2).Ending(), "\n");
    EXPECT_FALSE(watch.expired());

    CSyntaxTextLine& first = buffer.GetLine(0);
    first.SetRevision(7);  // into a block of its own
    EXPECT_NE(first.Text(), text);
    EXPECT_EQ(std::string(first.Text()), "ab\n");
    EXPECT_EQ(first.Revision(), 7u);
    buffer.GetLine(1).Truncate(1);
    EXPECT_EQ(std::string(buffer.GetLine(1).Text()), "c");
    EXPECT_EQ(std::string(buffer.GetLine(2).Characters()), "ef");

    buffer.FreeLines();
    EXPECT_TRUE(watch.expired());
}

// Lines of every length, empty ones in runs, with their line feeds at every
// place of the pieces the text is searched in, and a last part shorter than
// a piece: each line is found where it lies.
TEST(SyntaxTextBufferTest, BorrowedLinesOfEveryLength) {
    for (const size_t shift : {size_t{0}, size_t{1}, size_t{63}}) {
        std::string text(shift, '\n');
        std::vector<std::string> expected(shift, "");
        for (int i = 0; i < 400; ++i) {
            const size_t length = i % 5 == 0 ? 0 : static_cast<size_t>(i * 7 % 131);
            expected.emplace_back(length, static_cast<char>('a' + i % 26));
            text += expected.back() + "\n";
        }
        CSyntaxTextBuffer buffer;
        buffer.BorrowLoadedLines(text);
        ASSERT_EQ(buffer.GetLineCount(), static_cast<int>(expected.size())) << shift;
        const char* at = text.data();
        for (size_t i = 0; i < expected.size(); ++i) {
            const CSyntaxTextLine& line = buffer.GetLine(static_cast<int>(i));
            ASSERT_EQ(line.Text(), at) << shift << " " << i;
            EXPECT_EQ(line.Characters(), expected[i]) << shift << " " << i;
            EXPECT_EQ(line.Ending(), "\n");
            at += line.FullLength();
        }
    }
}

TEST(SyntaxTextBufferTest, LineStorage) {
    CSyntaxTextBuffer buffer;
    buffer.InsertLine("b\n");
    buffer.InsertLine("a\r\n", -1, 0);
    buffer.InsertLine("c", 1, -1, 2);
    ASSERT_EQ(buffer.GetLineCount(), 4);
    EXPECT_EQ(std::string(buffer.GetLine(0).Text()), "a\r\n");
    EXPECT_EQ(std::string(buffer.GetLine(3).Text()), "c");
    buffer.AppendToLine(3, "d\r");
    EXPECT_EQ(buffer.GetLine(3).EndingLength(), 1);
    buffer.RemoveLines(1, 2);
    ASSERT_EQ(buffer.GetLineCount(), 2);
    EXPECT_EQ(std::string(buffer.GetLine(1).Text()), "cd\r");

    // Moving a block down leaves empty lines behind it.
    buffer.SetLineCount(5);
    buffer.GetLine(0).flags = LF_CHANGED;
    buffer.MoveLines(0, 1, 3);
    EXPECT_EQ(std::string(buffer.GetLine(3).Text()), "a\r\n");
    EXPECT_EQ(buffer.GetLine(3).flags, LF_CHANGED);
    EXPECT_EQ(std::string(buffer.GetLine(4).Text()), "cd\r");
    EXPECT_EQ(std::string(buffer.GetLine(0).Text()), "");
    EXPECT_EQ(buffer.GetLine(0).flags, 0u);
    buffer.MoveLines(3, 4, 1);
    EXPECT_EQ(std::string(buffer.GetLine(1).Text()), "a\r\n");
    EXPECT_EQ(std::string(buffer.GetLine(2).Text()), "cd\r");
    EXPECT_EQ(std::string(buffer.GetLine(4).Text()), "");
    buffer.ResetLines(1, 2);
    EXPECT_EQ(buffer.GetLine(1).Capacity(), 16);
    EXPECT_EQ(buffer.GetLine(1).FullLength(), 0);
}

// Lines that end in line feeds are appended at once, each borrowing its
// text, after the lines there are, wherever the last edit left the gap.
TEST(SyntaxTextBufferTest, LinesEndingInLineFeedsAreAppendedAtOnce) {
    CSyntaxTextBuffer buffer;
    buffer.AppendLoadedLine("first", "\r\n");
    buffer.InsertLine("own\n", -1, 0);
    buffer.AppendLoadedLines("a\nbb\n\n" + std::string(70000, 'c') + "\n");
    ASSERT_EQ(buffer.GetLineCount(), 6);
    EXPECT_EQ(std::string(buffer.GetLine(0).Text()), "own\n");
    EXPECT_EQ(std::string(buffer.GetLine(1).Text()), "first\r\n");
    EXPECT_EQ(std::string(buffer.GetLine(2).Text()), "a\n");
    EXPECT_EQ(buffer.GetLine(3).Characters(), "bb");
    EXPECT_EQ(buffer.GetLine(3).Ending(), "\n");
    EXPECT_EQ(buffer.GetLine(4).FullLength(), 1);
    EXPECT_EQ(buffer.GetLine(5).Length(), 70000);    // past the first piece of loaded text
    EXPECT_EQ(buffer.GetLine(5).Capacity(), 70002);  // borrowed: its text and the NUL
    buffer.AppendLoadedLines("");
    EXPECT_EQ(buffer.GetLineCount(), 6);
}

// Empty lines go before the given lines in one pass; every line keeps its
// text, marks and revision, loaded or not, and the rows it left are empty.
TEST(SyntaxTextBufferTest, EmptyLinesAreInsertedInOnePass) {
    CSyntaxTextBuffer buffer;
    for (const char* text : {"a", "b", "c", "d", "e"}) buffer.AppendLoadedLine(text, "\n");
    buffer.AppendLoadedLine("f", "");
    buffer.GetLine(1).SetRevision(4);
    buffer.GetLine(2).flags = LF_BOOKMARK;
    buffer.InsertLine("own\n", -1, 3);  // an own line, and the records' gap where it went
    ASSERT_EQ(buffer.GetLineCount(), 7);
    buffer.InsertEmptyLines({{0, 2}, {3, 0}, {4, 1}, {7, 3}}, LF_GHOST);
    std::string rows;
    for (int i = 0; i < buffer.GetLineCount(); ++i) {
        const CSyntaxTextLine& line = buffer.GetLine(i);
        rows += line.flags == LF_GHOST ? std::string("~") : std::string(line.Characters());
        rows += line.flags == LF_BOOKMARK ? "*" : "";
        rows += line.Revision() != 0 ? "r" + std::to_string(line.Revision()) : "";
        rows += ' ';
    }
    EXPECT_EQ(rows, "~ ~ a br4 c* own ~ d e f ~ ~ ~ ");
    EXPECT_EQ(buffer.GetLine(0).FullLength(), 0);
    EXPECT_EQ(buffer.GetLine(0).Capacity(), 16);
    EXPECT_EQ(buffer.GetLine(5).Ending(), "\n");
    buffer.InsertEmptyLines({}, LF_GHOST);
    buffer.InsertEmptyLines({{2, 0}}, LF_GHOST);
    EXPECT_EQ(buffer.GetLineCount(), 13);
    // Edits go on as before.
    buffer.RemoveLines(0, 2);
    EXPECT_EQ(buffer.GetLine(0).Characters(), "a");
    EXPECT_EQ(buffer.GetLineCount(), 11);
}

// Insertions and removals anywhere, in any order, keep the lines in order:
// against a plain list of strings, with loaded (borrowed) and own lines mixed.
TEST(SyntaxTextBufferTest, EditsAnywhereKeepTheOrder) {
    CSyntaxTextBuffer buffer;
    std::vector<std::string> model;
    for (int i = 0; i < 50; ++i) {
        const std::string text = "loaded " + std::to_string(i);
        buffer.AppendLoadedLine(text, "\n");
        model.push_back(text + "\n");
    }
    unsigned seed = 7;
    auto next = [&seed](unsigned bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % bound;
    };
    for (int step = 0; step < 2000; ++step) {
        const int count = static_cast<int>(model.size());
        const unsigned what = next(4);
        if (what == 0 && count > 0) {
            const int at = static_cast<int>(next(static_cast<unsigned>(count)));
            const int n = std::min(count - at, static_cast<int>(next(4)) + 1);
            buffer.RemoveLines(at, n);
            model.erase(model.begin() + at, model.begin() + at + n);
        } else if (what == 1 && count > 0) {
            const int at = static_cast<int>(next(static_cast<unsigned>(count)));
            buffer.AppendToLine(at, "+");
            std::string& line = model[static_cast<size_t>(at)];
            const size_t ending = line.find_first_of("\r\n");
            line = line.substr(0, ending) + "+";
        } else {
            const int at = static_cast<int>(next(static_cast<unsigned>(count) + 1));
            const int n = static_cast<int>(next(3)) + 1;
            const std::string text = "new " + std::to_string(step) + "\r\n";
            buffer.InsertLine(text.c_str(), -1, at, n);
            model.insert(model.begin() + at, static_cast<size_t>(n), text);
        }
        ASSERT_EQ(buffer.GetLineCount(), static_cast<int>(model.size())) << step;
    }
    for (int i = 0; i < buffer.GetLineCount(); ++i)
        EXPECT_EQ(buffer.GetLine(i).Text(), model[static_cast<size_t>(i)]);
    // Flags on some lines: removing them in one pass keeps the others in order.
    for (int i = 0; i < buffer.GetLineCount(); i += 3) buffer.GetLine(i).flags = LF_GHOST;
    std::vector<std::string> kept;
    for (size_t i = 0; i < model.size(); ++i)
        if (i % 3 != 0) kept.push_back(model[i]);
    buffer.RemoveLinesWithFlags(LF_GHOST);
    ASSERT_EQ(buffer.GetLineCount(), static_cast<int>(kept.size()));
    for (int i = 0; i < buffer.GetLineCount(); ++i)
        EXPECT_EQ(buffer.GetLine(i).Text(), kept[static_cast<size_t>(i)]);
    EXPECT_EQ(buffer.GetLine(0).flags, 0u);
}

TEST(EditContextTest, InsertionsAndTheirNotices) {
    CSyntaxEditContext context;
    RecordingView view;
    context.AddView(&view);
    Fill(context, "hello\r\nworld");

    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(&view, 0, 2, "x", endLine, endChar, 4));
    EXPECT_EQ(Text(context), "hexllo\r\nworld");
    EXPECT_EQ(endLine, 0);
    EXPECT_EQ(endChar, 3);
    EXPECT_EQ(view.hints.back(), 0x0101u);
    EXPECT_TRUE(context.IsModified());

    // Text ending in CR LF at the start of a line splits it.
    ASSERT_TRUE(context.InsertTextAt(&view, 1, 0, "new\r\n", endLine, endChar, 4));
    EXPECT_EQ(Text(context), "hexllo\r\nnew\r\nworld");
    EXPECT_EQ(endLine, 2);
    EXPECT_EQ(endChar, 0);
    EXPECT_EQ(view.hints.back(), 0x0003u);

    // A final ending at the very end leaves an empty last line.
    ASSERT_TRUE(context.InsertTextAt(&view, 2, 5, "\n", endLine, endChar, 4));
    EXPECT_EQ(context.GetLineCount(), 4);
    EXPECT_EQ(context.GetLine(3).FullLength(), 0);
    EXPECT_EQ(context.GetLine(2).EndingLength(), 1);
    EXPECT_EQ(endLine, 3);

    // Several lines with mixed endings in the middle of a line.
    ASSERT_TRUE(context.InsertTextAt(&view, 0, 1, "1\r2\n3", endLine, endChar, 4));
    EXPECT_EQ(Text(context), "h1\r2\n3exllo\r\nnew\r\nworld\n");
    EXPECT_EQ(endLine, 2);
    EXPECT_EQ(endChar, 1);
    EXPECT_EQ(context.GetLastChangePos(), (CPoint{1, 2}));

    EXPECT_FALSE(context.InsertTextAt(&view, 9, 0, "x", endLine, endChar, 4));
    EXPECT_FALSE(context.InsertTextAt(&view, 0, 99, "x", endLine, endChar, 4));
    context.SetReadOnly(true);
    EXPECT_FALSE(context.InsertTextAt(&view, 0, 0, "x", endLine, endChar, 4));
    EXPECT_FALSE(context.DeleteRange(&view, 0, 0, 0, 1, 2));
    EXPECT_EQ(Text(context), "h1\r2\n3exllo\r\nnew\r\nworld\n");
}

TEST(EditContextTest, DeletionsAndChangeTracking) {
    CSyntaxEditContext context(true);
    Fill(context, "zero\none\ntwo\nthree");
    // Column 0 of line 1 to column 0 of line 2: line 1 goes whole, no line is stamped.
    ASSERT_TRUE(context.DeleteRange(nullptr, 1, 0, 2, 0, 2));
    EXPECT_EQ(Text(context), "zero\ntwo\nthree");
    for (int i = 0; i < context.GetLineCount(); ++i) EXPECT_EQ(context.GetLine(i).Revision(), 0u);
    EXPECT_EQ(context.GetChangeCounter(), 1u);

    ASSERT_TRUE(context.DeleteRange(nullptr, 0, 2, 1, 1, 2));
    EXPECT_EQ(Text(context), "zewo\nthree");
    EXPECT_EQ(context.GetLine(0).Revision(), 2u);

    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(nullptr, 1, 2, "A\nB", endLine, endChar, 4));
    EXPECT_EQ(context.GetLine(1).Revision(), 3u);
    EXPECT_EQ(context.GetLine(2).Revision(), 3u);
    EXPECT_EQ(context.GetLine(0).Revision(), 2u);

    // Undo puts back the lines' revisions.
    CPoint at;
    ASSERT_TRUE(context.Undo(nullptr, at));
    EXPECT_EQ(context.GetLine(1).Revision(), 0u);
    ASSERT_TRUE(context.Undo(nullptr, at));
    ASSERT_TRUE(context.Undo(nullptr, at));
    EXPECT_EQ(Text(context), "zero\none\ntwo\nthree");
    for (int i = 0; i < context.GetLineCount(); ++i) EXPECT_EQ(context.GetLine(i).Revision(), 0u) << i;

    EXPECT_FALSE(context.DeleteRange(nullptr, 2, 1, 1, 0, 2));  // end before start
}

TEST(EditContextTest, UndoRestoresExactBytesAcrossLines) {
    CSyntaxEditContext context;
    Fill(context, "a\nb\nc\r\nd");
    ASSERT_TRUE(context.DeleteRange(nullptr, 0, 0, 3, 0, 2));
    EXPECT_EQ(Text(context), "d");
    CPoint at;
    ASSERT_TRUE(context.Undo(nullptr, at));
    // The lines keep their own endings: LF stays LF.
    EXPECT_EQ(Text(context), "a\nb\nc\r\nd");
    EXPECT_FALSE(context.IsModified());

    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(nullptr, 3, 1, "\nx\ny", endLine, endChar, 4));
    ASSERT_TRUE(context.Undo(nullptr, at));  // the text check passes with LF endings
    EXPECT_EQ(Text(context), "a\nb\nc\r\nd");
    EXPECT_EQ(at, (CPoint{1, 3}));
    ASSERT_TRUE(context.Redo(nullptr, at));
    EXPECT_EQ(Text(context), "a\nb\nc\r\nd\nx\ny");
    ASSERT_TRUE(context.Redo(nullptr, at));  // nothing more to redo
    EXPECT_FALSE(context.CanRedo());
}

TEST(EditContextTest, AFailedTextCheckDropsTheHistory) {
    CSyntaxEditContext context;
    Fill(context, "one\ntwo");
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(nullptr, 0, 3, "\nmore", endLine, endChar, 4));
    context.SetLineEndingStyle(1);
    context.ApplyLineEndingStyle();  // changes the text outside the history
    EXPECT_EQ(Text(context), "one\r\nmore\r\ntwo");
    CPoint at;
    EXPECT_FALSE(context.Undo(nullptr, at));
    EXPECT_FALSE(context.CanUndo());
    EXPECT_FALSE(context.CanRedo());
    EXPECT_TRUE(context.IsModified());
    EXPECT_EQ(Text(context), "one\r\nmore\r\ntwo");  // nothing was damaged
}

TEST(EditContextTest, GroupsUndoTogether) {
    CSyntaxEditContext context;
    RecordingView view;
    Fill(context, "abc");
    int endLine = 0, endChar = 0;
    context.OpenUndoGroup();
    ASSERT_TRUE(context.InsertTextAt(&view, 0, 3, "d", endLine, endChar, 4));
    ASSERT_TRUE(context.InsertTextAt(&view, 0, 4, "e", endLine, endChar, 4));
    context.CloseUndoGroup(&view);
    ASSERT_TRUE(context.InsertTextAt(&view, 0, 0, "X", endLine, endChar, 3));
    // A merged group joins the previous one.
    context.OpenUndoGroup(true);
    ASSERT_TRUE(context.InsertTextAt(&view, 0, 0, "Y", endLine, endChar, 4));
    context.CloseUndoGroup(&view);
    EXPECT_EQ(Text(context), "YXabcde");
    EXPECT_EQ(context.GetUndoAction(), 3);
    EXPECT_EQ(context.GetUndoMenuText(), "&Undo \tCtrl+Z");

    CPoint at;
    ASSERT_TRUE(context.Undo(&view, at));
    EXPECT_EQ(Text(context), "abcde");
    EXPECT_EQ(context.GetRedoAction(), 3);
    ASSERT_TRUE(context.Undo(&view, at));
    EXPECT_EQ(Text(context), "abc");
    EXPECT_FALSE(context.CanUndo());
    EXPECT_EQ(context.GetUndoMenuText(), "&Undo\tCtrl+Z");
    ASSERT_TRUE(context.Redo(&view, at));
    EXPECT_EQ(Text(context), "abcde");
    ASSERT_TRUE(context.Redo(&view, at));
    EXPECT_EQ(Text(context), "YXabcde");
    EXPECT_EQ(context.GetRedoMenuText(), "&Redo\tCtrl+Y");
}

TEST(EditContextTest, TheModifiedFlagFollowsTheSavedPosition) {
    CSyntaxEditContext context;
    Fill(context, "text");
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(nullptr, 0, 4, "A", endLine, endChar, 4));
    EXPECT_TRUE(context.IsModified());
    CPoint at;
    ASSERT_TRUE(context.Undo(nullptr, at));
    EXPECT_FALSE(context.IsModified());
    ASSERT_TRUE(context.Redo(nullptr, at));
    EXPECT_TRUE(context.IsModified());
    ASSERT_TRUE(context.Undo(nullptr, at));
    // A new edit drops the redo part; position 1 again must not look saved.
    ASSERT_TRUE(context.InsertTextAt(nullptr, 0, 4, "B", endLine, endChar, 4));
    ASSERT_TRUE(context.Undo(nullptr, at));
    ASSERT_TRUE(context.Redo(nullptr, at));
    EXPECT_EQ(Text(context), "textB");
    EXPECT_TRUE(context.IsModified());
}

TEST(EditContextTest, TheOldestGroupGoesAtTheLimit) {
    CSyntaxEditContext context;
    Fill(context, "");
    int endLine = 0, endChar = 0;
    for (int i = 0; i < CSyntaxEditContext::kUndoLimit + 5; ++i)
        ASSERT_TRUE(context.InsertTextAt(nullptr, 0, i, "x", endLine, endChar, 4));
    EXPECT_EQ(static_cast<int>(context.GetUndoRecords().size()), CSyntaxEditContext::kUndoLimit);
    EXPECT_LT(context.GetSavedUndoPosition(), 0);
    EXPECT_TRUE(context.GetUndoRecords().front().flags & SUndoRecord::UNDO_BEGINGROUP);
    CPoint at;
    while (context.CanUndo()) ASSERT_TRUE(context.Undo(nullptr, at));
    EXPECT_EQ(context.GetLine(0).Length(), 5);
    EXPECT_TRUE(context.IsModified());  // the saved state cannot be reached any more
}

TEST(EditContextTest, RandomEditsUndoAndRedoExactly) {
    std::mt19937 random(7);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    static const char* const pieces[] = {"a", "bc", "\n", "\r\n", "\r", "xyz", " ", "\t", "\xC3\xA9"};
    for (int round = 0; round < 30; ++round) {
        CSyntaxEditContext context(true);
        Fill(context, "start\nof\r\nthe text\rend");
        std::vector<std::string> states{Text(context)};
        for (int step = 0; step < 40; ++step) {
            const int line = pick(context.GetLineCount());
            int character = pick(context.GetLine(line).Length() + 1);
            int endLine = 0, endChar = 0;
            if (pick(3) > 0) {
                std::string text;
                for (int i = 0, n = 1 + pick(4); i < n; ++i) text += pieces[pick(9)];
                ASSERT_TRUE(context.InsertTextAt(nullptr, line, character, text, endLine, endChar, 4));
            } else {
                endLine = line + pick(std::min(3, context.GetLineCount() - line));
                endChar = pick(context.GetLine(endLine).Length() + 1);
                if (endLine == line && endChar < character) std::swap(endChar, character);
                ASSERT_TRUE(context.DeleteRange(nullptr, line, character, endLine, endChar, 2));
            }
            states.push_back(Text(context));
            const CSyntaxTextLine& last = context.GetLine(context.GetLineCount() - 1);
            ASSERT_EQ(last.EndingLength(), 0) << "round " << round << " step " << step;
        }
        CPoint at;
        for (size_t i = states.size() - 1; i > 0; --i) {
            if (!context.Undo(nullptr, at)) {
                const SUndoRecord& r =
                    context.GetUndoRecords().empty() ? SUndoRecord() : context.GetUndoRecords()[0];
                (void)r;
            }
            ASSERT_EQ(Text(context), states[i - 1]) << "round " << round << " undo " << i;
            ASSERT_EQ(Text(context), states[i - 1]) << "round " << round << " undo " << i;
        }
        EXPECT_FALSE(context.IsModified());
        for (size_t i = 1; i < states.size(); ++i) {
            ASSERT_TRUE(context.Redo(nullptr, at));
            ASSERT_EQ(Text(context), states[i]) << "round " << round << " redo " << i;
        }
    }
}

TEST(EditContextTest, ExtractTextJoinsByTheStyle) {
    CSyntaxEditContext context;
    Fill(context, "ab\ncd\r\nef\rgh");
    std::string text;
    context.ExtractText(0, 1, 3, 1, text, 0);
    EXPECT_EQ(text, "b\r\ncd\r\nef\r\ng");
    context.ExtractText(0, 1, 3, 1, text, 2);
    EXPECT_EQ(text, "b\rcd\ref\rg");
    context.ExtractText(0, 1, 3, 1, text, 3);
    EXPECT_EQ(text, "b\ncd\nef\ng");
    context.ExtractText(0, 1, 3, 1, text, CSyntaxEditContext::kOwnEndings);
    EXPECT_EQ(text, "b\ncd\r\nef\rg");
    context.ExtractText(1, 0, 1, 2, text, 0);
    EXPECT_EQ(text, "cd");
}

TEST(EditContextTest, LineMarksAndBookmarks) {
    CSyntaxEditContext context;
    RecordingView view;
    context.AddView(&view);
    Fill(context, "0\n1\n2\n3\n4");
    EXPECT_EQ(context.FindNextBookmark(0), -1);
    EXPECT_EQ(context.SetLineMark(2, LF_BOOKMARK, true), static_cast<int>(LF_BOOKMARK));
    EXPECT_EQ(view.hints.back(), 0x0300u);
    // The only bookmarked line finds itself, wrapping around.
    EXPECT_EQ(context.FindNextBookmark(2), 2);
    EXPECT_EQ(context.FindPreviousBookmark(2), 2);
    EXPECT_EQ(context.FindNextBookmark(3), 2);
    EXPECT_EQ(context.FindPreviousBookmark(1), 2);
    context.SetLineMark(4, LF_BOOKMARK, true);
    EXPECT_EQ(context.FindNextBookmark(2), 4);
    EXPECT_EQ(context.FindNextBookmark(4), 2);
    EXPECT_EQ(context.FindPreviousBookmark(2), 4);

    // Exclusive marks move; marks of several bits are refused there.
    context.SetLineMark(1, LF_CHANGED, true, true);
    context.SetLineMark(3, LF_CHANGED, true, true);
    EXPECT_EQ(context.FindLineWithMark(LF_CHANGED), 3);
    EXPECT_EQ(context.SetLineMark(0, LF_CHANGED | LF_GHOST, true, true), -1);
    EXPECT_EQ(context.SetLineMark(-1, LF_CHANGED | LF_GHOST, true), -1);
    EXPECT_EQ(context.SetLineMark(-1, LF_CHANGED, false), 0);
    EXPECT_EQ(context.FindLineWithMark(LF_CHANGED), -1);
    EXPECT_EQ(context.FindLineWithSingleMark(LF_BOOKMARK | LF_CHANGED), -1);
    EXPECT_EQ(context.FindLineWithSingleMark(LF_BOOKMARK), 2);
    const size_t notices = view.hints.size();
    EXPECT_EQ(context.SetLineMark(2, LF_BOOKMARK, true), static_cast<int>(LF_BOOKMARK));  // no change
    EXPECT_EQ(view.hints.size(), notices);
}

TEST(EditContextTest, ParseStatesAreForgottenFromTheChangedLineOn) {
    CSyntaxEditContext context;
    Fill(context, "a\nb\nc\nd");
    EXPECT_EQ(context.GetParseState(3), 0);
    ASSERT_EQ(context.GetParseStates(), (std::vector<int32_t>{0, 0, 0, 0}));
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(nullptr, 1, 0, "x\ny\n", endLine, endChar, 4));
    EXPECT_EQ(context.GetParseStates(), (std::vector<int32_t>{0, -1, -1, -1, -1, -1}));
    context.SetLineMark(0, LF_BOOKMARK, true);  // marks change no parse state
    EXPECT_EQ(context.GetParseStates().size(), 6u);
}

// A text that nobody colours keeps no parse states: a reset, a load or a new
// syntax definition empties the cache, and edits leave an empty one empty.
TEST(EditContextTest, ParseStatesTakeNoRoomUntilAskedFor) {
    CSyntaxEditContext context;
    Fill(context, "a\nb\nc\nd");
    EXPECT_TRUE(context.GetParseStates().empty());
    int endLine = 0, endChar = 0;
    ASSERT_TRUE(context.InsertTextAt(nullptr, 1, 0, "x\ny\n", endLine, endChar, 4));
    EXPECT_TRUE(context.GetParseStates().empty());
    EXPECT_EQ(context.GetParseState(1), 0);
    EXPECT_EQ(context.GetParseStates().size(), 6u);
    context.SetSyntaxDefinition(context.GetSyntaxDefinition());
    EXPECT_TRUE(context.GetParseStates().empty());
    EXPECT_EQ(context.GetParseState(5), 0);
    context.NotifyViews(nullptr, nullptr, UPDATE_RESET, -1);
    EXPECT_TRUE(context.GetParseStates().empty());
}

TEST(EditContextTest, PositionAdjusters) {
    const CInsertContext insert({2, 1}, {4, 3});
    CPoint before{9, 0}, onLineAfter{5, 1}, atStart{2, 1}, later{1, 2};
    insert.Adjust(before);
    insert.Adjust(onLineAfter);
    insert.Adjust(atStart);
    insert.Adjust(later);
    EXPECT_EQ(before, (CPoint{9, 0}));
    EXPECT_EQ(onLineAfter, (CPoint{7, 3}));
    EXPECT_EQ(atStart, (CPoint{2, 1}));
    EXPECT_EQ(later, (CPoint{1, 4}));

    const CDeleteContext remove({2, 1}, {4, 3});
    CPoint keep{1, 1}, inside{0, 2}, afterEnd{6, 3}, below{0, 5};
    remove.Adjust(keep);
    remove.Adjust(inside);
    remove.Adjust(afterEnd);
    remove.Adjust(below);
    EXPECT_EQ(keep, (CPoint{1, 1}));
    EXPECT_EQ(inside, (CPoint{2, 1}));
    EXPECT_EQ(afterEnd, (CPoint{4, 1}));
    EXPECT_EQ(below, (CPoint{0, 3}));
}

TEST(EditContextTest, ResetToNew) {
    CSyntaxEditContext context;
    RecordingView view;
    context.AddView(&view);
    context.ResetToNew(0);
    EXPECT_EQ(context.GetLineCount(), 1);
    EXPECT_EQ(context.GetLineEndingStyle(), 1);  // 0 is never kept
    EXPECT_TRUE(context.IsInitialized());
    EXPECT_FALSE(context.IsModified());
    EXPECT_EQ(view.hints.back(), 0x1000u);
    EXPECT_EQ(context.GetLastChangePos(), (CPoint{-1, -1}));
    context.ResetToNew(3);
    EXPECT_EQ(context.GetLineEndingStyle(), 3);
}

}  // namespace
}  // namespace corvatine
