// The line filter of text comparisons: a regular expression in the default
// syntax of the GNU regular-expression functions, searched anywhere in a line.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace corvatine {

class CLineFilter {
public:
    // Compiles the expression case-sensitively, in the default syntax or in
    // the syntax bits given (RE_SYNTAX_GREP for diff's -I). An expression
    // that does not compile matches no line.
    explicit CLineFilter(const std::string& expression, unsigned long syntax = 0);
    ~CLineFilter();
    CLineFilter(const CLineFilter&) = delete;
    CLineFilter& operator=(const CLineFilter&) = delete;

    bool IsValid() const { return m_compiled; }
    // The compiler's message when the expression did not compile.
    const std::string& Error() const { return m_error; }
    // True when the expression matches somewhere in the line (given without
    // its terminator).
    bool Matches(std::string_view line) const;

private:
    struct Pattern;
    std::unique_ptr<Pattern> m_pattern;
    bool m_compiled = false;
    std::string m_error;
};

}  // namespace corvatine
