// Fuzz target: text files loaded into an edit context and saved again. The
// first three bytes pick the working code page, the code page of a file
// without a byte-order mark, and the encoding of a second save; the rest is
// the file. Whatever the bytes (marks of UTF-8 and UCS-2 in both orders,
// code pages, mixed line endings, NUL bytes):
// - a file with a NUL loads as binary and leaves one empty line;
// - otherwise every ending starts a line, the result tells mixed endings,
//   the lossy flag agrees with the reader's count;
// - the unchanged buffer saves back to the same bytes, without a question
//   (lines read with loss go back as the bytes they were read from);
// - saved in another encoding without loss, the file loads back to the same
//   lines (the same characters) with the same endings (bytes that are no UTF-8 in a UTF-8 buffer
//   saved as UTF-8 read back with loss, and save back as they are).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "editor/SyntaxEditContextEx.h"
#include "fileio/Bom.h"
#include "fileio/CodePages.h"
#include "fileio/Conversion.h"
#include "fileio/TextFormat.h"

using corvatine::CSyntaxEditContextEx;
using corvatine::fuzz::Printable;
using corvatine::fuzz::Require;

namespace {

constexpr size_t kMaxFile = 8192;

constexpr int kWorkingCodePages[] = {corvatine::CP_UTF8, corvatine::CP_UTF8, 1252, 932};
// Single-byte, double-byte and stateful code pages, and UTF-8 as a code page.
constexpr int kFileCodePages[] = {corvatine::CP_UTF8,
                                  1252,
                                  437,
                                  1251,
                                  28591,
                                  20127,
                                  932,
                                  936,
                                  949,
                                  950,
                                  1361,
                                  20932,
                                  54936,
                                  50220,
                                  65000,
                                  37};

std::vector<std::string> Lines(const CSyntaxEditContextEx& context) {
    std::vector<std::string> lines;
    for (int i = 0; i < context.GetLineCount(); ++i) lines.emplace_back(context.GetLine(i).Text());
    return lines;
}

// The lines as characters: a working code page may hold one character in two
// byte forms (Windows-31J does), and a load gives the usual one.
std::vector<std::string> Characters(std::vector<std::string> lines, int working) {
    if (working == corvatine::CP_UTF8) return lines;
    corvatine::CCharsetConverter toUtf8(corvatine::IconvCharset(working), "UTF-8");
    for (std::string& line : lines) {
        std::string utf8;
        int lossy = 0;
        toUtf8.Convert(line, utf8, lossy);
        line = utf8;
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3 || size - 3 > kMaxFile) return 0;
    const int working = kWorkingCodePages[data[0] % std::size(kWorkingCodePages)];
    const int fileCodePage = kFileCodePages[data[1] % std::size(kFileCodePages)];
    const int target = data[2] % (std::size(kFileCodePages) + 3);
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 3, size - 3);
    corvatine::SetWorkingCodePage(working);
    const std::string what = "working " + std::to_string(working) + ", file " + std::to_string(fileCodePage) +
                             ": " + Printable(bytes);

    const std::string folder = corvatine::fuzz::ScratchFolder();
    const std::string path = folder + "/file.txt";
    corvatine::fuzz::WriteBytes(path, bytes);
    CSyntaxEditContextEx context;
    int lossy = 0;
    std::string error;
    const int result = context.LoadTextFile(path, lossy, corvatine::EOL_KEEP, fileCodePage, error);
    Require(result != corvatine::LOAD_FAILED, "a readable file loads", error);
    const corvatine::TextLineStats& stats = context.GetLoadStats();
    if (result == corvatine::LOAD_BINARY) {
        Require(stats.nNUL > 0 && stats.firstNUL >= 0 && stats.firstNUL <= stats.lastNUL &&
                    stats.lastNUL < static_cast<int32_t>(bytes.size()),
                "a binary file has a NUL within it", what);
        Require(bytes[static_cast<size_t>(stats.firstNUL)] == '\0', "the first NUL is where it is said to be",
                what);
        Require(context.GetLineCount() == 1 && context.GetLine(0).FullLength() == 0,
                "a binary file leaves one empty line", what);
        return 0;
    }
    Require(stats.nNUL == 0, "a text file has no NUL", what);
    Require(context.GetLineCount() == stats.nCR + stats.nLF + stats.nCRLF + 1, "every ending starts a line",
            what);
    const int kinds = (stats.nCR > 0) + (stats.nLF > 0) + (stats.nCRLF > 0);
    Require(result == (kinds > 1 ? corvatine::LOAD_MIXED : corvatine::LOAD_OK), "mixed endings are told",
            what);
    Require(lossy == (stats.nLossy > 0 ? 1 : 0), "the lossy flag is the reader's count", what);
    Require(!context.IsModified(), "a loaded file is not modified", what);

    // Saved unchanged: the same bytes, and nothing to ask.
    const std::string same = folder + "/same.txt";
    bool asked = false;
    const auto ask = [&asked](int, int) { return asked = true; };
    Require(context.SaveTextFile(same, false, error, corvatine::EOL_KEEP, true, ask) && !asked,
            "an unchanged buffer saves without a question", what + ": " + error);
    const std::string saved = corvatine::fuzz::ReadBytes(same);
    Require(saved == bytes,
            lossy ? "a buffer read with loss saves back the bytes it was read from"
                  : "an unchanged buffer saves back the same bytes",
            what + " saved as " + Printable(saved));

    // Saved in another encoding: a Unicode form, or a code page.
    const std::vector<std::string> lines = Lines(context);
    const int kind = target < 3 ? target + 1 : -1;
    const int codePage = target < 3 ? -1 : kFileCodePages[target - 3];
    context.ChangeEncoding(kind, codePage);
    const std::string other = folder + "/other.txt";
    asked = false;
    Require(context.SaveTextFile(other, false, error, corvatine::EOL_KEEP, true, ask),
            "a save in another encoding is written once the loss is accepted", what + ": " + error);
    if (asked || lossy || context.GetLossySaved() > 0) return 0;
    // Text that begins like a byte-order mark reads back as one.
    const std::string written = corvatine::fuzz::ReadBytes(other);
    corvatine::BomInfo bom;
    if (kind < 0 &&
        corvatine::DetectBom(reinterpret_cast<const unsigned char*>(written.data()), written.size(), bom))
        return 0;
    CSyntaxEditContextEx reloaded;
    int reloadLossy = 0;
    const int again = reloaded.LoadTextFile(other, reloadLossy, corvatine::EOL_KEEP,
                                            codePage < 0 ? corvatine::CP_UTF8 : codePage, error);
    const std::string whereTo = what + " saved as " + std::to_string(kind) + "/" + std::to_string(codePage) +
                                ": " + Printable(written);
    Require(again == result, "a file saved without loss loads back alike", whereTo);
    if (reloadLossy) {
        // Bytes that are no UTF-8 in a UTF-8 buffer go out as they are: the
        // file reads them with loss and keeps them.
        Require(working == corvatine::CP_UTF8 && kind == corvatine::ENCODING_UTF8,
                "only bytes kept as they are read back with loss", whereTo);
        const std::string kept = folder + "/kept.txt";
        Require(reloaded.SaveTextFile(kept, false, error, corvatine::EOL_KEEP, true, ask) && !asked &&
                    corvatine::fuzz::ReadBytes(kept) == written,
                "bytes kept as they are save back alike", whereTo);
        return 0;
    }
    Require(Characters(Lines(reloaded), working) == Characters(lines, working),
            "a file saved without loss loads back to the same lines", whereTo);
    return 0;
}
