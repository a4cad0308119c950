// The editor's own regular expressions, used by find and replace.
//
//   .        any character (a line feed too where lines are joined)
//   ^  $     the start and the end of the searched text
//   <  >     the start and the end of a word
//   [..]     one character of the set; [^..] one not in it; a-z a range;
//            escapes as below; "]" first in the set stands for itself
//   (..)     a group that captures (1 to 63, by opening parenthesis)
//   {..}     a group that does not capture
//   * +      zero or more, one or more, as many as possible first
//   @ #      zero or more, one or more, as few as possible first
//   ?        optional;  |  alternative
//   \a \b \e \f \n \r \t \v   bell, backspace, escape, form feed, line feed,
//            carriage return, tab, vertical tab
//   \N065 \o101 \x41   the character with that code, in three decimal, three
//            octal or two hexadecimal digits (in UTF-8 the code point, else
//            the code page's code)
//   \d \D    a digit, not a digit;   \s \S  blank (space, tab, CR, LF), not
//   \w \W    a letter or digit, not; \U \L  a capital, a small letter
//   \C \c    compare case-sensitively, or not, from here on
//   \x       for any other x: x itself
//
// "*", "+", "@" and "#" need an operand that always consumes at least one
// character; a pattern without one, with a backslash at its end, a numeric
// escape without its digits, an unbalanced group or set, a reversed range,
// a 64th capturing group or groups nested over 1000 deep is malformed and
// compiles to nothing.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace corvatine {

inline constexpr int kMatchRegisters = 64;

// Offsets into the searched text, -1 when unset: entry 0 is the whole match,
// entries 1-63 the capturing groups.
struct MATCHREGISTERS {
    int start[kMatchRegisters];
    int end[kMatchRegisters];

    MATCHREGISTERS() { Clear(); }
    void Clear();
};

enum ExecuteResult : int {
    EXECUTE_NO_MATCH = 0,
    EXECUTE_MATCHED = 1,
    // The match took more steps than the budget allows: backtracking can
    // take time exponential in the text's length (as "(a+)+b" does on a run
    // of "a"), so a search gives up rather than hang.
    EXECUTE_TOO_COMPLEX = 2,
};

// The budget of one execution: this many steps for each character searched,
// plus a floor for short texts.
inline constexpr int64_t kStepsPerCharacter = 10000;
inline constexpr int64_t kMinimumSteps = 1000000;
inline int64_t StepBudget(int64_t characters) { return kMinimumSteps + kStepsPerCharacter * characters; }

class CRegularExpression {
public:
    ~CRegularExpression();
    CRegularExpression(const CRegularExpression&) = delete;
    CRegularExpression& operator=(const CRegularExpression&) = delete;

    // How executions find candidate positions.
    enum Strategy { ANCHORED, FIRST_LITERAL, EVERY_POSITION };
    Strategy GetStrategy() const;
    // Capturing groups of the pattern.
    int GetGroupCount() const;
    // Whether a repetition ("*", "+", "@", "#") holds a line feed named in
    // the pattern ("\n", or a set that names it): a match may then run over
    // any number of joined lines.
    bool RepeatsLineFeeds() const;
    // The instructions, one a line, for tests and for finding out why a
    // pattern matches as it does.
    std::string Dump() const;

    // The compiled form, known only to the compiler and the executor.
    struct PROGRAM;
    explicit CRegularExpression(std::unique_ptr<PROGRAM> program);
    const PROGRAM& Program() const { return *m_program; }

private:
    std::unique_ptr<PROGRAM> m_program;
};

// Compiles a pattern whose characters are in the code page (0: the working
// code page); null when it is malformed, error (when given) then saying what
// is wrong and at which character (counted in bytes from 1), as
// "'#' has nothing before it to repeat (one or more, as few as possible) at
// character 1".
std::unique_ptr<CRegularExpression> CompileExpression(std::string_view pattern, int codePage = 0,
                                                      std::string* error = nullptr);

// Looks for the leftmost match at or after start in text[0, length) that
// starts at lastStart at the latest: "^" and "<" see the characters before
// start. With EXECUTE_MATCHED the registers hold the match, else they are all
// -1. matchCase is the case mode until the pattern switches it. steps is the
// budget left, shared by several executions; without it the execution has
// StepBudget(length - start). hitEnd, when given, tells whether any attempt
// looked at the end of the text, so that more text after it could have
// changed the result.
ExecuteResult ExecuteExpression(const CRegularExpression& expression, const char* text, int length, int start,
                                MATCHREGISTERS& registers, bool matchCase, int64_t* steps = nullptr,
                                int lastStart = INT_MAX, bool* hitEnd = nullptr);

// The text that replaces a match: the replacement with its escapes expanded
// ("\0" to "\9" the registers' texts, "\U" "\L" upper- or lower-case what
// follows up to "\E" or "\e", "\u" "\l" the next character only, "\a" "\b"
// "\n" "\r" "\t" and "\d065" "\o101" "\x41" characters, a backslash before
// any other character that character). matched is the text of register 0;
// the other registers lie inside it. False, text then being of no use, for a
// register that did not match, a backslash at the end or a numeric escape
// without its digits.
bool ExpandReplacement(std::string_view replacement, const MATCHREGISTERS& registers,
                       std::string_view matched, std::string& text, int codePage = 0);

}  // namespace corvatine
