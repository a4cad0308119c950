// Runs the line difference engine on two files and writes its sections in
// the normal format of diff, for timing against GNU diff on the same files.
//
//   corva_engine_diff [-w|-b|-E|-i|-B|-T] LEFT RIGHT
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "textcompare/TextCompare.h"

namespace {

bool Slurp(const char* path, std::string& text) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return false;
    text.resize(static_cast<size_t>(in.tellg()));
    in.seekg(0);
    return static_cast<bool>(in.read(text.data(), static_cast<std::streamsize>(text.size())));
}

std::string Range(int first, int last) {
    return first == last ? std::to_string(first) : std::to_string(first) + "," + std::to_string(last);
}

}  // namespace

int main(int argc, char** argv) {
    corvatine::CTextCompare engine;
    int arg = 1;
    for (; arg < argc && argv[arg][0] == '-'; ++arg) {
        const std::string flag = argv[arg];
        if (flag == "-w")
            engine.whiteSpaceMode = corvatine::WHITESPACE_ALL;
        else if (flag == "-b")
            engine.whiteSpaceMode = corvatine::WHITESPACE_AMOUNT;
        else if (flag == "-E")
            engine.whiteSpaceMode = corvatine::WHITESPACE_TAB_EXPANSION;
        else if (flag == "-i")
            engine.ignoreCase = true;
        else if (flag == "-B")
            engine.ignoreBlankLines = true;
        else if (flag == "-T")
            engine.tooExpensiveMinimum = 4096;  // as GNU diff
    }
    std::string left, right;
    if (argc - arg != 2 || !Slurp(argv[arg], left) || !Slurp(argv[arg + 1], right)) {
        std::fprintf(stderr, "usage: corva_engine_diff [-w|-b|-E|-i|-B|-T] LEFT RIGHT\n");
        return 2;
    }
    corvatine::CTextSectionCollector sink;
    engine.Run(left.data(), left.size(), right.data(), right.size(), sink);
    std::string out;
    for (const corvatine::TEXTSECTION& s : sink.sections) {
        if (s.kind == corvatine::SECTION_IGNORABLE) continue;
        if (s.leftLast < s.leftFirst)
            out += std::to_string(s.leftFirst) + "a" + Range(s.rightFirst + 1, s.rightLast + 1);
        else if (s.rightLast < s.rightFirst)
            out += Range(s.leftFirst + 1, s.leftLast + 1) + "d" + std::to_string(s.rightFirst);
        else
            out += Range(s.leftFirst + 1, s.leftLast + 1) + "c" + Range(s.rightFirst + 1, s.rightLast + 1);
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return sink.sections.empty() ? 0 : 1;
}
