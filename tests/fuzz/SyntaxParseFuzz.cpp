// Fuzz target: the line parsers of every syntax definition. The first byte
// picks the definition, the rest are lines (split at LF, a CR before it kept
// as the line's ending). Each line is parsed in the state the line before
// ended in: its colour blocks lie within the line and do not go back, the
// parse without blocks ends in the same state, which is never negative (a
// negative state reads as unknown in the editor's cache); the comment parse
// keeps its blocks in order too. An edit context that holds the same lines
// carries the same states from line to line.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "editor/SyntaxEditContext.h"
#include "editor/SyntaxEditor.h"
#include "fileio/TextFormat.h"

using corvatine::COLORBLOCK;
using corvatine::CSyntaxParser;
using corvatine::CSyntaxTextLine;
using corvatine::fuzz::Printable;
using corvatine::fuzz::Require;

namespace {

constexpr size_t kMaxInput = 4096;

void RequireBlocksInLine(const std::vector<COLORBLOCK>& blocks, const CSyntaxTextLine& line,
                         const char* parse, const CSyntaxParser& parser) {
    const std::string where = parser.GetName() + ": " + Printable(line.Characters());
    for (size_t b = 0; b < blocks.size(); ++b) {
        Require(blocks[b].position >= 0 && blocks[b].position <= line.Length(), parse,
                "block out of the line, " + where);
        Require(b == 0 || blocks[b - 1].position <= blocks[b].position, parse, "blocks go back, " + where);
        Require(blocks[b].color > 0 && blocks[b].color < corvatine::COLORINDEX_COUNT, parse,
                "a colour outside the table, " + where);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > kMaxInput) return 0;
    corvatine::CSyntaxEditor& editor = corvatine::GetSyntaxEditor();
    CSyntaxParser& parser = *editor.GetDefinition(data[0] % editor.GetDefinitionCount());
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    // Lines end as in the editor: at CR LF, a lone CR or a lone LF.
    std::vector<CSyntaxTextLine> lines;
    for (size_t pos = 0;;) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end != std::string_view::npos)
            end += text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
        if (end == std::string_view::npos) end = text.size();
        lines.emplace_back().Assign(text.data() + pos, static_cast<int>(end - pos));
        if (end == text.size() && (end == pos || lines.back().EndingLength() == 0)) break;
        pos = end;
    }
    std::vector<int> states;
    int state = 0;
    std::vector<COLORBLOCK> blocks;
    for (const CSyntaxTextLine& line : lines) {
        blocks.clear();
        const int end = parser.ParseLine(state, line, &blocks);
        RequireBlocksInLine(blocks, line, "the line parse keeps its blocks in the line and in order", parser);
        Require(parser.ParseLine(state, line, nullptr) == end,
                "the parse without blocks ends in the same state",
                parser.GetName() + ": " + Printable(line.Characters()));
        Require(end >= 0, "a parse state is never negative", parser.GetName());
        blocks.clear();
        parser.ParseComments(state, line, &blocks);
        RequireBlocksInLine(blocks, line, "the comment parse keeps its blocks in the line and in order",
                            parser);
        parser.ParseComments(state, line, nullptr);
        states.push_back(end);
        state = end;
    }

    // The editor's states, computed from its cache, line by line.
    corvatine::CSyntaxEditContext context;
    context.ResetToNew(corvatine::EOL_CRLF);
    std::string all(text);
    int endLine = 0, endChar = 0;
    Require(context.InsertTextAt(nullptr, 0, 0, all, endLine, endChar, 0, false),
            "the lines go into a buffer");
    context.SetSyntaxDefinition(&parser);
    Require(context.GetLineCount() == static_cast<int>(lines.size()), "the buffer holds the same lines",
            std::to_string(context.GetLineCount()) + " lines, not " + std::to_string(lines.size()));
    // The last line first: the cache fills from the start; then every line.
    Require(context.GetParseState(context.GetLineCount() - 1) == states.back(),
            "the buffer ends in the state carried from line to line", parser.GetName());
    for (int i = 0; i < context.GetLineCount(); ++i)
        Require(context.GetParseState(i) == states[static_cast<size_t>(i)],
                "the buffer carries the state from line to line", parser.GetName());
    return 0;
}
