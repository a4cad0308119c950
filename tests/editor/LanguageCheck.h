// Checks language parsers line by line: the colour of every byte as a
// letter, and the state each line ends in.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/ScriptParser.h"
#include "editor/SyntaxEditor.h"

namespace corvatine::test {

inline CSyntaxTextLine Line(const std::string& text) {
    CSyntaxTextLine line;
    line.Assign(text.data(), static_cast<int>(text.size()));
    return line;
}

// The colour of every byte of a line as one letter: n normal, k keyword,
// f function name (third sets, variables), c comment, d number, o operator,
// s string, p directive, u second keyword set.
inline char Letter(int colour) {
    switch (colour) {
        case COLORINDEX_NORMALTEXT: return 'n';
        case COLORINDEX_KEYWORD: return 'k';
        case COLORINDEX_FUNCNAME: return 'f';
        case COLORINDEX_COMMENT: return 'c';
        case COLORINDEX_NUMBER: return 'd';
        case COLORINDEX_OPERATOR: return 'o';
        case COLORINDEX_STRING: return 's';
        case COLORINDEX_PREPROCESSOR: return 'p';
        case COLORINDEX_USER1: return 'u';
        default: return '?';
    }
}

// Parses a line and answers its colours, checking that the blocks are
// ordered, that the parse without blocks ends in the same state, and that no
// two neighbouring blocks repeat a colour where the parser merges them.
inline std::string Colours(const CSyntaxParser& parser, int& state, const std::string& text) {
    std::vector<COLORBLOCK> blocks;
    const CSyntaxTextLine line = Line(text);
    const int end = parser.ParseLine(state, line, &blocks);
    EXPECT_EQ(parser.ParseLine(state, line, nullptr), end) << "without blocks: " << text;
    EXPECT_EQ(parser.ParseComments(state, line, nullptr), end) << "comment parse: " << text;
    std::string letters(text.size(), blocks.empty() ? 'n' : '?');
    for (size_t b = 0; b < blocks.size(); ++b) {
        EXPECT_EQ(blocks[b].background, COLORINDEX_BLOCKBKGND);
        if (b > 0) {
            EXPECT_LE(blocks[b - 1].position, blocks[b].position) << text;
        }
        const size_t from = static_cast<size_t>(blocks[b].position);
        const size_t to = b + 1 < blocks.size() ? static_cast<size_t>(blocks[b + 1].position) : text.size();
        for (size_t k = from; k < to && k < text.size(); ++k) letters[k] = Letter(blocks[b].color);
    }
    state = end;
    return letters;
}

// An end state that only says "inside a here-document": the rest of that
// state is a hash of its word.
constexpr int kInHeredoc = -2;

struct LINECASE {
    std::string text;
    std::string colours;  // one letter per byte
    int endState;         // the state after the line; the next line starts there
};

struct LANGUAGECASE {
    const char* extension;
    const char* className;
    std::vector<LINECASE> lines;  // parsed one after the other, the state carried
};

inline const CSyntaxParser& ForExtension(const char* extension) {
    const CSyntaxParser* parser = GetSyntaxEditor().FindDefinitionForExtension(extension);
    EXPECT_NE(parser, nullptr);
    return *parser;
}

inline void CheckLanguage(const LANGUAGECASE& language) {
    SCOPED_TRACE(language.extension);
    const CSyntaxParser& parser = ForExtension(language.extension);
    EXPECT_STREQ(parser.GetClassName(), language.className);
    int state = 0;
    for (const LINECASE& line : language.lines) {
        const std::string colours = Colours(parser, state, line.text);
        EXPECT_EQ(colours, line.colours) << line.text;
        if (line.endState == kInHeredoc)
            EXPECT_TRUE(state & CSyntaxParserScript::STATE_HEREDOC) << std::hex << state << " " << line.text;
        else
            EXPECT_EQ(state, line.endState) << std::hex << state << " " << line.text;
    }
}

}  // namespace corvatine::test
