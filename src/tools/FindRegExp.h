// Regular expressions of find in files, in the classic syntax of Henry
// Spencer's regexp library:
//
//   .        any character
//   ^  $     the start and the end of the line
//   [abc]    one character of the set, with ranges (a-z); [^abc] one not in
//            it; "]" first, or "-" first or last, stands for itself
//   *  +  ?  none or more, one or more, none or one of what precedes
//   |        either side
//   (...)    a group (at most 9)
//   \c       the character c itself
//
// Every other character stands for itself. An expression is checked as that
// library checks it, with its messages, translated to a POSIX extended
// expression, and matched byte by byte whatever the locale by an automaton
// (LineAutomaton.h) in time that grows with the line's length alone, where
// the classic library backtracks. What differs from that library:
// - an expression is tried on a line without its line feed, so "$" matches
//   at the end of every line (on the line with its line feed it would match
//   only at the end of a file's last line);
// - without regard to case, ASCII letters match either case (the classic
//   library always matches case);
// - a NUL byte ends the expression, but not a line: "." and sets do not
//   match it, and the rest of the line is tried as well (the classic library
//   stops a line at a NUL);
// - of the library's messages, "junk on end" cannot arise (a branch ends
//   only at "|", ")" or the end) and its internal errors do not.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "tools/LineAutomaton.h"

namespace corvatine {

class CFindRegExp {
public:
    CFindRegExp() = default;
    CFindRegExp(const CFindRegExp&) = delete;
    CFindRegExp& operator=(const CFindRegExp&) = delete;

    // Compiles the expression (up to its first NUL byte, if any). False when
    // it is not well formed: Error() then says why ("unmatched ()", "too many
    // ()", "regexp too big", "junk on end", "*+ operand could be empty",
    // "nested *?+", "?+* follows nothing", "unmatched []", "invalid []
    // range", "trailing \\") and nothing is compiled. Without matchCase,
    // ASCII letters match either case.
    [[nodiscard]] bool Compile(std::string_view expression, bool matchCase);
    bool IsCompiled() const { return m_compiled; }
    const std::string& Error() const { return m_error; }

    // True when the expression matches somewhere in the line, which holds no
    // line feed. One object is not searched from two threads at once.
    bool Matches(std::string_view line) const;

    // Whether FindInLines may be used: the expression holds no line feed.
    bool LinesAtOnce() const { return m_linesAtOnce; }
    // The offset of the start of the first line of text (whole lines each
    // ending in a line feed) that the expression matches, tried on each line
    // as Matches tries it (the line feed is no part of the line); npos when
    // it matches no line.
    size_t FindInLines(std::string_view text) const;

    // The POSIX extended expression that is matched.
    const std::string& Translation() const { return m_translation; }

private:
    CLineAutomaton m_automaton;
    bool m_compiled = false;
    bool m_linesAtOnce = false;
    std::string m_error;
    std::string m_translation;
};

}  // namespace corvatine
