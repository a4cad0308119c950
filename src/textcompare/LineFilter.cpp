#include "textcompare/LineFilter.h"

#include <regex.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
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

// The functions compile "x+" as "x" followed by "x*", a copy of what the
// "+" repeats; stacked ("x++") or nested ("\\(\\(x+\\)+\\)+") the copies
// double each time, and a short expression takes gigabytes. Estimates the
// size of the compiled tree from the expression (over rather than under),
// saturating far beyond any real one.
uint64_t CompiledSize(const std::string& expression) {
    constexpr uint64_t kSaturated = uint64_t{1} << 40;
    struct GROUP {
        uint64_t total = 0;  // everything in the group so far
        uint64_t last = 0;   // what a repetition would repeat; 0 at the start of a branch
    };
    std::vector<GROUP> groups(1);
    auto atom = [&](uint64_t size) {
        groups.back().total = std::min(groups.back().total + size, kSaturated);
        groups.back().last = size;
    };
    for (size_t i = 0; i < expression.size(); ++i) {
        const char c = expression[i];
        GROUP& group = groups.back();
        if (c == '\\' && i + 1 < expression.size()) {
            const char next = expression[++i];
            if (next == '(') {
                groups.emplace_back();
            } else if (next == ')' && groups.size() > 1) {
                const uint64_t size = groups.back().total + 1;
                groups.pop_back();
                atom(size);
            } else if (next == '|') {
                group.total = std::min(group.total + 1, kSaturated);
                group.last = 0;
            } else {
                atom(1);
            }
        } else if (c == '[') {
            // A bracket expression is one atom: "]" right after "[" or "[^"
            // is a member, and "[:", "[." and "[=" open a class up to ":]",
            // ".]" or "=]".
            size_t j = i + 1;
            if (j < expression.size() && expression[j] == '^') ++j;
            if (j < expression.size() && expression[j] == ']') ++j;
            while (j < expression.size() && expression[j] != ']') {
                if (expression[j] == '[' && j + 1 < expression.size() &&
                    (expression[j + 1] == ':' || expression[j + 1] == '.' || expression[j + 1] == '=')) {
                    const size_t close = expression.find(std::string{expression[j + 1], ']'}, j + 2);
                    j = close == std::string::npos ? expression.size() : close + 2;
                } else {
                    ++j;
                }
            }
            i = std::min(j, expression.size());
            atom(1);
        } else if ((c == '*' || c == '?' || c == '+') && group.last > 0) {
            // "+" adds a copy of what it repeats; each adds a node.
            const uint64_t copy = c == '+' ? group.last : 0;
            group.total = std::min(group.total + copy + 1, kSaturated);
            group.last = std::min(group.last + copy + 1, kSaturated);
        } else {
            atom(1);
        }
    }
    uint64_t size = 0;
    for (const GROUP& group : groups) size = std::min(size + group.total, kSaturated);
    return size;
}

// Far above what any filter a person writes compiles to, far below what
// hurts.
constexpr uint64_t kMaxCompiledSize = 1 << 16;

}  // namespace

CLineFilter::CLineFilter(const std::string& expression) : m_pattern(std::make_unique<Pattern>()) {
    std::memset(&m_pattern->buffer, 0, sizeof m_pattern->buffer);
    m_pattern->buffer.fastmap = static_cast<char*>(std::malloc(256));
    if (CompiledSize(expression) > kMaxCompiledSize) {
        // The functions' own words for an expression too big for them.
        m_error = "Regular expression too big";
        return;
    }
    std::lock_guard<std::mutex> lock(RegexMutex());
    re_set_syntax(0);
    const char* error = re_compile_pattern(expression.data(), expression.size(), &m_pattern->buffer);
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
