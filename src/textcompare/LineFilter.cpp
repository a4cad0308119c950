#include "textcompare/LineFilter.h"

#include <regex.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

namespace corvatine {

struct CLineFilter::Pattern {
    re_pattern_buffer buffer;
};

namespace {

// The syntax bits are a global of the GNU functions.
std::mutex& RegexMutex() {
    static std::mutex mutex;
    return mutex;
}

// The pieces of an expression in the default syntax, as far as its size is
// concerned.
enum class Piece { Atom, Repeat, Open, Close, Or };

// Calls piece(kind, begin, end) for each piece of the expression. "*", "+"
// and "?" repeat what comes before them, except at the start of the
// expression, a group or an alternative, or right after an anchor ("^" there,
// "\`", "\'", "\b", "\B", "\<", "\>"), where they are ordinary characters. A
// bracket expression is one atom: "]" right after "[" or "[^" belongs to it,
// and "[." and "[=" open an element up to ".]" or "=]" (this syntax has no
// "[:" classes: there "[" and ":" are members like any other).
template <typename F>
void ForEachPiece(const std::string& expression, F piece) {
    bool repeatable = false;
    int depth = 0;
    for (size_t i = 0; i < expression.size();) {
        const char c = expression[i];
        const size_t begin = i;
        if (c == '\\' && i + 1 < expression.size()) {
            const char next = expression[i + 1];
            i += 2;
            if (next == '(') {
                ++depth;
                repeatable = false;
                piece(Piece::Open, begin, i);
            } else if (next == ')' && depth > 0) {
                --depth;
                repeatable = true;
                piece(Piece::Close, begin, i);
            } else if (next == '|') {
                repeatable = false;
                piece(Piece::Or, begin, i);
            } else {
                repeatable = std::string_view("`'bB<>").find(next) == std::string_view::npos;
                piece(Piece::Atom, begin, i);
            }
        } else if (c == '[') {
            size_t j = i + 1;
            if (j < expression.size() && expression[j] == '^') ++j;
            if (j < expression.size() && expression[j] == ']') ++j;
            while (j < expression.size() && expression[j] != ']') {
                if (expression[j] == '[' && j + 1 < expression.size() &&
                    (expression[j + 1] == '.' || expression[j + 1] == '=')) {
                    const size_t close = expression.find(std::string{expression[j + 1], ']'}, j + 2);
                    j = close == std::string::npos ? expression.size() : close + 2;
                } else {
                    ++j;
                }
            }
            i = std::min(j + 1, expression.size());
            repeatable = true;
            piece(Piece::Atom, begin, i);
        } else if ((c == '*' || c == '+' || c == '?') && repeatable) {
            ++i;
            piece(Piece::Repeat, begin, i);
        } else {
            ++i;
            // "^" anchors at the start of the expression, a group or an alternative.
            const bool anchor =
                c == '^' && (begin == 0 || (begin >= 2 && expression[begin - 2] == '\\' &&
                                            (expression[begin - 1] == '(' || expression[begin - 1] == '|')));
            repeatable = !anchor;
            piece(Piece::Atom, begin, i);
        }
    }
}

// Repetitions in a row are one: "x++" is "x+", "x??" is "x?", any other mix
// ("x*?", "x+?", "x?+") is "x*". The functions would nest them, and their
// work grows with every level.
std::string MergeRepetitions(const std::string& expression) {
    std::string merged;
    merged.reserve(expression.size());
    Piece previous = Piece::Atom;
    ForEachPiece(expression, [&](Piece kind, size_t begin, size_t end) {
        if (kind == Piece::Repeat && previous == Piece::Repeat) {
            if (merged.back() != expression[begin]) merged.back() = '*';
        } else {
            merged.append(expression, begin, end - begin);
        }
        previous = kind;
    });
    return merged;
}

// The functions compile "x+" as "x" followed by "x*", a copy of what the
// "+" repeats; nested ("\(\(x+\)+\)+") the copies double each level, and a
// short expression takes gigabytes. Estimates the size of the compiled tree
// (over rather than under), saturating far beyond any real one.
uint64_t CompiledSize(const std::string& expression) {
    constexpr uint64_t kSaturated = uint64_t{1} << 40;
    struct GROUP {
        uint64_t total = 0;  // everything in the group so far
        uint64_t last = 0;   // what a repetition repeats
    };
    std::vector<GROUP> groups(1);
    auto add = [&](GROUP& group, uint64_t size) { group.total = std::min(group.total + size, kSaturated); };
    ForEachPiece(expression, [&](Piece kind, size_t begin, size_t) {
        GROUP& group = groups.back();
        switch (kind) {
            case Piece::Atom:
                add(group, 1);
                group.last = 1;
                break;
            case Piece::Repeat: {
                // "+" adds a copy of what it repeats; each adds a node.
                const uint64_t copy = expression[begin] == '+' ? group.last : 0;
                add(group, copy + 1);
                group.last = std::min(group.last + copy + 1, kSaturated);
                break;
            }
            case Piece::Open: groups.emplace_back(); break;
            case Piece::Close: {
                const uint64_t size = group.total + 1;
                groups.pop_back();
                add(groups.back(), size);
                groups.back().last = size;
                break;
            }
            case Piece::Or: add(group, 1); break;
        }
    });
    uint64_t size = 0;
    for (const GROUP& group : groups) size = std::min(size + group.total, kSaturated);
    return size;
}

// Far above what any filter a person writes compiles to, far below what
// hurts.
constexpr uint64_t kMaxCompiledSize = 1 << 16;

}  // namespace

CLineFilter::CLineFilter(const std::string& expression, unsigned long syntax)
    : m_pattern(std::make_unique<Pattern>()) {
    std::memset(&m_pattern->buffer, 0, sizeof m_pattern->buffer);
    m_pattern->buffer.fastmap = static_cast<char*>(std::malloc(256));
    // Repetitions are merged in the default syntax only, where "+" and "?"
    // repeat; the size estimate holds (over) for any syntax.
    const std::string merged = syntax == 0 ? MergeRepetitions(expression) : expression;
    if (CompiledSize(merged) > kMaxCompiledSize) {
        // The functions' own words for an expression too big for them.
        m_error = "Regular expression too big";
        return;
    }
    std::lock_guard<std::mutex> lock(RegexMutex());
    re_set_syntax(syntax);
    const char* error = re_compile_pattern(merged.data(), merged.size(), &m_pattern->buffer);
    m_compiled = error == nullptr;
    if (error != nullptr) m_error = error;
}

CLineFilter::~CLineFilter() {
    // regfree releases the fastmap too.
    regfree(&m_pattern->buffer);
}

bool CLineFilter::Matches(std::string_view line) const {
    if (!m_compiled) return false;
    const regoff_t length = static_cast<regoff_t>(line.size());
    return re_search(&m_pattern->buffer, line.data(), length, 0, length, nullptr) >= 0;
}

}  // namespace corvatine
