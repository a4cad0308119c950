// Whether a line matches a POSIX extended expression of the form find in
// files writes (FindRegExp.h), in time that grows with the line's length
// alone: the expression becomes a nondeterministic automaton whose sets of
// states are made into the states of a deterministic one as lines reach
// them, and kept (up to a bound; then made again as needed). There is no
// backtracking, so "(a+)+b" on a long run of "a" takes one pass.
//
// The expressions: literal bytes, "\c" for the byte c, "." (any byte but a
// line feed and NUL), bracket expressions of bytes and byte ranges ("[^...]"
// never takes a line feed or NUL either), groups, "|", "*", "+", "?", and
// "^" and "$" for the start and end of the line. Without regard to case,
// ASCII letters match either case, as REG_ICASE does in the "C" locale.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace corvatine {

class CLineAutomaton {
public:
    // False when the expression is not of the form above (which the
    // translation never writes).
    [[nodiscard]] bool Compile(std::string_view expression, bool foldCase);

    // Whether the expression matches somewhere in the line (which holds no
    // line feed). Not to be called from two threads at once: the states are
    // made as lines reach them.
    bool Matches(std::string_view line) const;
    // The offset of the start of the first line of text (whole lines, each
    // ending in a line feed) that the expression matches; npos when none.
    size_t FindInLines(std::string_view text) const;

    // States made so far (for tests: the bound holds).
    size_t StateCount() const { return m_states.size(); }

    // At most this many states are kept; more start the table again.
    static constexpr size_t kMaxStates = 2048;

private:
    enum Op : uint8_t { OP_SET, OP_SPLIT, OP_JUMP, OP_BOL, OP_EOL, OP_MATCH };
    struct INSTRUCTION {
        Op op;
        int x = 0;  // SET: the set; SPLIT, JUMP: a target
        int y = 0;  // SPLIT: the other target
    };
    struct STATE {
        std::vector<int> threads;  // instructions, sorted: sets, "$" waiting for the end, the match
        bool lineStart = false;    // the state before any byte of a line
        bool accepting = false;    // a match has ended here
        int8_t acceptsAtEnd = -1;  // whether a match ends here at the end of the line; -1 not known
    };
    static constexpr int kUnknown = -1;

    class CParser;

    // The state of a set of threads (the instructions to go on at), made
    // when new; the index of a state may change only through ResetStates.
    int StateOf(std::vector<int>& seeds, bool lineStart) const;
    int Next(int state, unsigned char byte) const;
    bool AcceptsAtEnd(int state) const;
    void ResetStates() const;
    // Adds pc and what it leads to without reading a byte to threads.
    void Close(int pc, bool lineStart, bool lineEnd, std::vector<int>& threads,
               std::vector<char>& seen) const;
    int StartState() const;

    std::vector<INSTRUCTION> m_code;
    std::vector<std::bitset<256>> m_sets;
    // Where nothing of a match is under way, the bytes that cannot start one
    // are passed over without a step each.
    void PrepareSkipping();
    int IdleState() const;

    mutable std::vector<STATE> m_states;
    mutable std::vector<int32_t> m_next;       // 256 entries a state: the state after a byte, or kUnknown
    mutable std::vector<uint8_t> m_accepting;  // of each state, for the inner loop
    mutable int m_start = kUnknown;
    mutable int m_idle = kUnknown;  // the state with no match under way, in a line
    bool m_canSkip = false;         // no empty match: bytes that start none can be passed over
    std::bitset<256> m_stops;       // the bytes that may start a match, and the line feed
    mutable std::map<std::vector<int>, int> m_index;  // a state's threads and where they stand: its index
    mutable std::vector<int> m_seeds;                 // scratch
    mutable std::vector<char> m_seen;                 // scratch
    mutable std::vector<int> m_stack;                 // scratch
};

}  // namespace corvatine
