#include "editor/RegularExpression.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "editor/MultiByteCase.h"
#include "fileio/CodePages.h"

namespace corvatine {

namespace {

enum Op : uint8_t {
    OP_CHAR,        // one literal character
    OP_ANY,         // any character
    OP_SET,         // a character of a set
    OP_BOL,         // the start of the text
    OP_EOL,         // the end of the text
    OP_WORD_START,  // "<"
    OP_WORD_END,    // ">"
    OP_SAVE,        // a register takes the position
    OP_SPLIT,       // go on at x; on failure at y
    OP_JUMP,        // go on at x
    OP_MATCH,
};

// Whether a character is compared with regard to case: as the execution is
// asked, or as "\C" or "\c" before it said.
enum CaseMode : uint8_t { CASE_INITIAL, CASE_SENSITIVE, CASE_INSENSITIVE };

struct INSTRUCTION {
    Op op = OP_MATCH;
    CaseMode caseMode = CASE_INITIAL;
    int x = 0;           // SPLIT, JUMP: target; SAVE: register slot; SET: set index
    int y = 0;           // SPLIT: the target tried second
    char32_t code = 0;   // CHAR: the character's number
    char32_t upper = 0;  // CHAR: its capital's
};

enum ClassBit : unsigned {
    CLASS_DIGIT = 0x01,
    CLASS_NOT_DIGIT = 0x02,
    CLASS_BLANK = 0x04,
    CLASS_NOT_BLANK = 0x08,
    CLASS_WORD = 0x10,
    CLASS_NOT_WORD = 0x20,
    CLASS_UPPER = 0x40,
    CLASS_LOWER = 0x80,
};

bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }
bool IsBlank(char32_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool InClasses(unsigned classes, char32_t c, const CMultiByteCase& chars) {
    if ((classes & CLASS_DIGIT) && IsDigit(c)) return true;
    if ((classes & CLASS_NOT_DIGIT) && !IsDigit(c)) return true;
    if ((classes & CLASS_BLANK) && IsBlank(c)) return true;
    if ((classes & CLASS_NOT_BLANK) && !IsBlank(c)) return true;
    if (classes & (CLASS_WORD | CLASS_NOT_WORD)) {
        const bool word = IsDigit(c) || chars.IsLetter(c);
        if ((classes & CLASS_WORD) ? word : !word) return true;
        if ((classes & CLASS_WORD) && (classes & CLASS_NOT_WORD)) return true;
    }
    if ((classes & CLASS_UPPER) && chars.IsUpper(c)) return true;
    if ((classes & CLASS_LOWER) && chars.IsLower(c)) return true;
    return false;
}

struct CHARSET {
    bool negated = false;
    unsigned classes = 0;
    std::vector<std::pair<char32_t, char32_t>> ranges;

    bool Holds(char32_t c, const CMultiByteCase& chars) const {
        for (const auto& [low, high] : ranges)
            if (c >= low && c <= high) return true;
        return classes != 0 && InClasses(classes, c, chars);
    }
    bool Matches(char32_t c, bool insensitive, const CMultiByteCase& chars) const {
        bool in = Holds(c, chars);
        if (!in && insensitive) {
            const char32_t upper = chars.Upper(c), lower = chars.Lower(c);
            in = (upper != c && Holds(upper, chars)) || (lower != c && Holds(lower, chars));
        }
        return in != negated;
    }
};

}  // namespace

struct CRegularExpression::PROGRAM {
    std::vector<INSTRUCTION> code;
    std::vector<CHARSET> sets;
    const CMultiByteCase* chars = nullptr;
    int groups = 0;
    bool repeatsLineFeeds = false;
    Strategy strategy = EVERY_POSITION;
    INSTRUCTION first;  // FIRST_LITERAL: the character every match starts with
};

namespace {

using PROGRAM = CRegularExpression::PROGRAM;

// A piece of compiled pattern; its jump targets count from its own start.
struct FRAGMENT {
    std::vector<INSTRUCTION> code;
    int minWidth = 0;       // characters every match of it consumes at least
    bool zeroWidth = true;  // only assertions and register saves, no branch
    bool anchored = false;  // every match of it starts with "^"
    bool hasFirst = false;  // every match of it starts with the character first
    bool lineFeed = false;  // it holds "\n" or a set naming a line feed
    INSTRUCTION first;
};

void AppendRelocated(std::vector<INSTRUCTION>& to, const std::vector<INSTRUCTION>& from) {
    const int offset = static_cast<int>(to.size());
    for (INSTRUCTION in : from) {
        if (in.op == OP_SPLIT) {
            in.x += offset;
            in.y += offset;
        } else if (in.op == OP_JUMP) {
            in.x += offset;
        }
        to.push_back(in);
    }
}

INSTRUCTION Branch(Op op, int x, int y = 0) {
    INSTRUCTION in;
    in.op = op;
    in.x = x;
    in.y = y;
    return in;
}

void Concatenate(FRAGMENT& a, const FRAGMENT& b) {
    a.anchored = a.anchored || (a.zeroWidth && b.anchored);
    if (!a.hasFirst && a.zeroWidth && b.hasFirst) {
        a.hasFirst = true;
        a.first = b.first;
    }
    a.minWidth += b.minWidth;
    a.zeroWidth = a.zeroWidth && b.zeroWidth;
    a.lineFeed = a.lineFeed || b.lineFeed;
    AppendRelocated(a.code, b.code);
}

// The alternatives, tried in order: each but the last behind a split to the
// next one and followed by a jump to the end.
[[gnu::noinline]] FRAGMENT Alternate(const std::vector<FRAGMENT>& branches) {
    FRAGMENT r;
    int size = 0;
    for (const FRAGMENT& branch : branches) size += static_cast<int>(branch.code.size()) + 2;
    size -= 2;
    r.minWidth = branches.front().minWidth;
    r.anchored = true;
    for (size_t i = 0; i < branches.size(); ++i) {
        const FRAGMENT& branch = branches[i];
        const bool last = i + 1 == branches.size();
        const int start = static_cast<int>(r.code.size());
        if (!last)
            r.code.push_back(Branch(OP_SPLIT, start + 1, start + static_cast<int>(branch.code.size()) + 2));
        AppendRelocated(r.code, branch.code);
        if (!last) r.code.push_back(Branch(OP_JUMP, size));
        r.minWidth = std::min(r.minWidth, branch.minWidth);
        r.anchored = r.anchored && branch.anchored;
        r.lineFeed = r.lineFeed || branch.lineFeed;
    }
    r.zeroWidth = false;
    return r;
}

// The operand repeated: '*' '@' zero or more, '+' '#' one or more, '?' optional.
[[gnu::noinline]] FRAGMENT Repeat(const FRAGMENT& a, char op) {
    FRAGMENT r;
    r.lineFeed = a.lineFeed;
    const int size = static_cast<int>(a.code.size());
    const bool greedy = op == '*' || op == '+' || op == '?';
    if (op == '+' || op == '#') {
        r.code = a.code;
        r.code.push_back(greedy ? Branch(OP_SPLIT, 0, size + 1) : Branch(OP_SPLIT, size + 1, 0));
        r.minWidth = a.minWidth;
        r.anchored = a.anchored;
        r.hasFirst = a.hasFirst;
        r.first = a.first;
    } else {
        r.code.push_back(greedy ? Branch(OP_SPLIT, 1, size + 1 + (op == '?' ? 0 : 1))
                                : Branch(OP_SPLIT, size + 2, 1));
        AppendRelocated(r.code, a.code);
        if (op != '?') r.code.push_back(Branch(OP_JUMP, 0));
    }
    r.zeroWidth = false;
    return r;
}

// Groups nest at most this deep: the parser descends once per level.
constexpr int kMaxNesting = 1000;

class CParser {
public:
    CParser(std::string_view pattern, PROGRAM& program)
        : m_pattern(pattern), m_program(program), m_chars(*program.chars) {}

    bool Parse(FRAGMENT& out) {
        if (!ParseAlternation(out)) return false;
        if (m_at == m_pattern.size()) return true;
        return Fail(std::string("'") + Peek() + "' without its '" + (Peek() == ')' ? "(" : "{") + "'");
    }
    // What was wrong, and where (a byte offset into the pattern).
    const std::string& Error() const { return m_error; }
    size_t ErrorOffset() const { return m_errorAt; }

private:
    bool Fail(std::string message) { return Fail(std::move(message), m_at); }
    bool Fail(std::string message, size_t at) {
        if (m_error.empty()) {
            m_error = std::move(message);
            m_errorAt = at;
        }
        return false;
    }
    static const char* OperatorHelp(char op) {
        switch (op) {
            case '*': return "zero or more";
            case '+': return "one or more";
            case '@': return "zero or more, as few as possible";
            case '#': return "one or more, as few as possible";
            default: return "optional";
        }
    }

    bool AtEnd() const { return m_at >= m_pattern.size(); }
    char Peek() const { return m_pattern[m_at]; }

    // Alternatives up to the end, ')' or '}' (left for the caller).
    bool ParseAlternation(FRAGMENT& out) {
        if (++m_depth > kMaxNesting) return Fail("groups are nested more than 1000 deep");
        if (!ParseSequence(out)) return false;
        if (!AtEnd() && Peek() == '|' && !ParseBranches(out)) return false;
        --m_depth;
        return true;
    }

    // The branches after the first (out) at a '|', made one alternation.
    [[gnu::noinline]] bool ParseBranches(FRAGMENT& out) {
        std::vector<FRAGMENT> branches;
        branches.push_back(std::move(out));
        while (!AtEnd() && Peek() == '|') {
            ++m_at;
            branches.emplace_back();
            if (!ParseSequence(branches.back())) return false;
        }
        out = Alternate(branches);
        return true;
    }

    bool ParseSequence(FRAGMENT& out) {
        out = FRAGMENT();
        while (!AtEnd() && Peek() != '|' && Peek() != ')' && Peek() != '}') {
            if (Peek() == '\\' && m_at + 1 < m_pattern.size() &&
                (m_pattern[m_at + 1] == 'C' || m_pattern[m_at + 1] == 'c')) {
                m_caseMode = m_pattern[m_at + 1] == 'C' ? CASE_SENSITIVE : CASE_INSENSITIVE;
                m_at += 2;
                continue;
            }
            FRAGMENT item;
            if (!ParseAtom(item)) return false;
            while (!AtEnd() && std::strchr("*+@#?", Peek()) != nullptr) {
                const char op = Peek();
                ++m_at;
                if (op != '?' && item.minWidth < 1) return FailRepeatingNothing(op);
                if (op != '?' && item.lineFeed) m_program.repeatsLineFeeds = true;
                item = Repeat(item, op);
            }
            Concatenate(out, item);
        }
        return true;
    }

    // The parse recurses through ParseAlternation, ParseSequence and the
    // groups here once per level of nesting: what these three functions keep
    // on the stack is kept a thousand times over, so everything else (the
    // messages, the other atoms) is in functions of their own, which a
    // sanitizer's build would otherwise inline into them with large frames.
    [[gnu::noinline]] bool FailRepeatingNothing(char op) {
        return Fail(std::string("'") + op + "' repeats something that takes no character (" +
                        OperatorHelp(op) + "; \\" + op + " is the character itself)",
                    m_at - 1);
    }

    [[gnu::noinline]] bool ParseAtom(FRAGMENT& out) {
        out = FRAGMENT();
        switch (Peek()) {
            case '(': {
                const size_t open = m_at;
                if (m_program.groups >= kMatchRegisters - 1) return Fail("more than 63 capturing groups");
                const int group = ++m_program.groups;
                ++m_at;
                FRAGMENT inner;
                if (!ParseAlternation(inner)) return false;
                if (AtEnd() || Peek() != ')') return Fail("'(' without its ')'", open);
                ++m_at;
                out.code.push_back(Branch(OP_SAVE, 2 * group));
                out.zeroWidth = true;
                Concatenate(out, inner);
                FRAGMENT close;
                close.code.push_back(Branch(OP_SAVE, 2 * group + 1));
                Concatenate(out, close);
                return true;
            }
            case '{': {
                const size_t open = m_at;
                ++m_at;
                if (!ParseAlternation(out)) return false;
                if (AtEnd() || Peek() != '}') return Fail("'{' without its '}'", open);
                ++m_at;
                return true;
            }
            default: return ParseSingleAtom(out);
        }
    }

    // An atom that holds no group: a set, an anchor, a character or an escape.
    [[gnu::noinline]] bool ParseSingleAtom(FRAGMENT& out) {
        const char c = Peek();
        switch (c) {
            case '*':
            case '+':
            case '@':
            case '#':
            case '?':
                return Fail(std::string("'") + c + "' has nothing before it to repeat (" + OperatorHelp(c) +
                            "; \\" + c + " is the character itself)");
            case '[': ++m_at; return ParseSet(out);
            case '.':
                ++m_at;
                Consuming(out, Branch(OP_ANY, 0));
                return true;
            case '^':
            case '$':
            case '<':
            case '>':
                ++m_at;
                out.code.push_back(Branch(c == '^'   ? OP_BOL
                                          : c == '$' ? OP_EOL
                                          : c == '<' ? OP_WORD_START
                                                     : OP_WORD_END,
                                          0));
                out.anchored = c == '^';
                return true;
            default: break;
        }
        char32_t code = 0;
        unsigned classes = 0;
        if (c == '\\') {
            if (!ParseEscape(code, classes)) return false;
        } else {
            m_at += static_cast<size_t>(ReadCharacter(code));
        }
        if (classes != 0) {
            CHARSET set;
            set.classes = classes;
            AddSet(out, std::move(set));
        } else {
            INSTRUCTION in = Branch(OP_CHAR, 0);
            in.code = code;
            in.upper = m_chars.Upper(code);
            in.caseMode = m_caseMode;
            Consuming(out, in);
            out.hasFirst = true;
            out.first = in;
            out.lineFeed = code == '\n';
        }
        return true;
    }

    void Consuming(FRAGMENT& out, const INSTRUCTION& in) {
        out.code.push_back(in);
        out.code.back().caseMode = in.op == OP_CHAR ? in.caseMode : m_caseMode;
        out.minWidth = 1;
        out.zeroWidth = false;
    }

    void AddSet(FRAGMENT& out, CHARSET set) {
        m_program.sets.push_back(std::move(set));
        Consuming(out, Branch(OP_SET, static_cast<int>(m_program.sets.size()) - 1));
    }

    int ReadCharacter(char32_t& code) const {
        return m_chars.Decode(m_pattern.data(), static_cast<int>(m_pattern.size()), static_cast<int>(m_at),
                              code);
    }

    // Exactly count digits of the base; false when they are not there.
    bool ReadNumber(int count, int base, unsigned& value) {
        value = 0;
        for (int i = 0; i < count; ++i, ++m_at) {
            if (AtEnd()) return Fail("a numeric escape without its digits");
            const char d = Peek();
            int digit = -1;
            if (d >= '0' && d <= '9')
                digit = d - '0';
            else if (d >= 'a' && d <= 'f')
                digit = d - 'a' + 10;
            else if (d >= 'A' && d <= 'F')
                digit = d - 'A' + 10;
            if (digit < 0 || digit >= base) return Fail("a numeric escape without its digits");
            value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        }
        return true;
    }

    // After a backslash at m_at: a character (code) or classes. "\C" and
    // "\c" switch case between items; in a set they are the letters.
    bool ParseEscape(char32_t& code, unsigned& classes) {
        ++m_at;
        if (AtEnd()) return Fail("a backslash at the end", m_at - 1);
        const char c = Peek();
        classes = 0;
        static constexpr struct {
            char letter;
            char32_t code;
        } kControls[] = {{'a', 7}, {'b', 8}, {'e', 27}, {'f', 12}, {'n', 10}, {'r', 13}, {'t', 9}, {'v', 11}};
        for (const auto& control : kControls) {
            if (c == control.letter) {
                ++m_at;
                code = control.code;
                return true;
            }
        }
        static constexpr struct {
            char letter;
            unsigned bits;
        } kClasses[] = {{'d', CLASS_DIGIT},     {'D', CLASS_NOT_DIGIT}, {'s', CLASS_BLANK},
                        {'S', CLASS_NOT_BLANK}, {'w', CLASS_WORD},      {'W', CLASS_NOT_WORD},
                        {'U', CLASS_UPPER},     {'L', CLASS_LOWER}};
        for (const auto& entry : kClasses) {
            if (c == entry.letter) {
                ++m_at;
                classes = entry.bits;
                return true;
            }
        }
        if (c == 'N' || c == 'o' || c == 'x') {
            ++m_at;
            unsigned value = 0;
            if (!ReadNumber(c == 'x' ? 2 : 3, c == 'N' ? 10 : c == 'o' ? 8 : 16, value)) return false;
            if (!m_chars.FromCode(value, code)) return Fail("a numeric escape names no character");
            return true;
        }
        m_at += static_cast<size_t>(ReadCharacter(code));
        return true;
    }

    // After '[': members up to ']'.
    bool ParseSet(FRAGMENT& out) {
        const size_t open = m_at - 1;
        CHARSET set;
        if (!AtEnd() && Peek() == '^') {
            set.negated = true;
            ++m_at;
        }
        bool first = true;
        for (;;) {
            if (AtEnd()) return Fail("'[' without its ']'", open);
            if (Peek() == ']' && !first) break;
            first = false;
            char32_t low = 0;
            unsigned classes = 0;
            if (!ReadMember(low, classes)) return false;
            if (classes != 0) {
                // A class bounds no range.
                if (m_at + 1 < m_pattern.size() && Peek() == '-' && m_pattern[m_at + 1] != ']')
                    return Fail("a class (\\d, \\s, \\w ...) cannot bound a range");
                set.classes |= classes;
                continue;
            }
            char32_t high = low;
            if (m_at + 1 < m_pattern.size() && Peek() == '-' && m_pattern[m_at + 1] != ']') {
                ++m_at;
                if (!ReadMember(high, classes)) return false;
                if (classes != 0) return Fail("a class (\\d, \\s, \\w ...) cannot bound a range");
                if (high < low) return Fail("a range that runs backwards");
            }
            set.ranges.emplace_back(low, high);
        }
        ++m_at;
        out.lineFeed =
            !set.negated && std::any_of(set.ranges.begin(), set.ranges.end(), [](const auto& range) {
                return range.first <= '\n' && range.second >= '\n';
            });
        AddSet(out, std::move(set));
        return true;
    }

    bool ReadMember(char32_t& code, unsigned& classes) {
        classes = 0;
        if (Peek() == '\\') return ParseEscape(code, classes);
        m_at += static_cast<size_t>(ReadCharacter(code));
        return true;
    }

    std::string_view m_pattern;
    size_t m_at = 0;
    PROGRAM& m_program;
    const CMultiByteCase& m_chars;
    CaseMode m_caseMode = CASE_INITIAL;
    int m_depth = 0;
    std::string m_error;
    size_t m_errorAt = 0;
};

struct FRAME {
    int pc;  // where to go on; below 0 a register slot (-pc - 1) to put back
    int position;
};

class CMatcher {
public:
    CMatcher(const PROGRAM& program, const char* text, int length, bool matchCase)
        : m_program(program),
          m_chars(*program.chars),
          m_text(text),
          m_length(length),
          m_matchCase(matchCase) {
        for (int& slot : m_slots) slot = -1;
    }

    bool Insensitive(const INSTRUCTION& in) const {
        return in.caseMode == CASE_INSENSITIVE || (in.caseMode == CASE_INITIAL && !m_matchCase);
    }

    // Whether an instruction looked at the end of the text.
    bool HitEnd() const { return m_hitEnd; }

    // The length of the character at position when it is the literal, else 0.
    int MatchCharacter(const INSTRUCTION& in, int position) const {
        if (position >= m_length) return 0;
        char32_t c = 0;
        const int n = m_chars.Decode(m_text, m_length, position, c);
        if (c == in.code) return n;
        return Insensitive(in) && m_chars.Upper(c) == in.upper ? n : 0;
    }

    // A word starts where a word character follows none (or the start of
    // the text) and ends where one is followed by none (or the end), as GNU
    // sed's \< and \> take it: never on an empty line or among blanks and
    // punctuation.
    bool WordStart(int p) const {
        return m_chars.WordCharacterAt(m_text, m_length, p) &&
               !m_chars.WordCharacterBefore(m_text, m_length, p);
    }
    bool WordEnd(int p) const {
        return m_chars.WordCharacterBefore(m_text, m_length, p) &&
               !m_chars.WordCharacterAt(m_text, m_length, p);
    }

    // Runs the program from position; the match's end in end.
    ExecuteResult Run(int position, int64_t& budget, int& end) {
        const std::vector<INSTRUCTION>& code = m_program.code;
        m_stack.clear();
        int pc = 0;
        int p = position;
        for (;;) {
            if (--budget < 0) return EXECUTE_TOO_COMPLEX;
            const INSTRUCTION& in = code[static_cast<size_t>(pc)];
            bool ok = true;
            if (p >= m_length && in.op != OP_SAVE && in.op != OP_SPLIT && in.op != OP_JUMP &&
                in.op != OP_MATCH && in.op != OP_BOL)
                m_hitEnd = true;
            switch (in.op) {
                case OP_CHAR: {
                    const int n = MatchCharacter(in, p);
                    ok = n > 0;
                    p += n;
                    ++pc;
                    break;
                }
                case OP_ANY:
                    ok = p < m_length;
                    if (ok) {
                        char32_t c = 0;
                        p += m_chars.Decode(m_text, m_length, p, c);
                    }
                    ++pc;
                    break;
                case OP_SET: {
                    ok = p < m_length;
                    if (ok) {
                        char32_t c = 0;
                        const int n = m_chars.Decode(m_text, m_length, p, c);
                        ok = m_program.sets[static_cast<size_t>(in.x)].Matches(c, Insensitive(in), m_chars);
                        p += n;
                    }
                    ++pc;
                    break;
                }
                case OP_BOL:
                    ok = p == 0;
                    ++pc;
                    break;
                case OP_EOL:
                    ok = p == m_length;
                    ++pc;
                    break;
                case OP_WORD_START:
                    ok = WordStart(p);
                    ++pc;
                    break;
                case OP_WORD_END:
                    ok = WordEnd(p);
                    ++pc;
                    break;
                case OP_SAVE:
                    m_stack.push_back({-in.x - 1, m_slots[in.x]});
                    m_slots[in.x] = p;
                    ++pc;
                    break;
                case OP_SPLIT:
                    m_stack.push_back({in.y, p});
                    pc = in.x;
                    break;
                case OP_JUMP: pc = in.x; break;
                case OP_MATCH: end = p; return EXECUTE_MATCHED;
            }
            if (ok) continue;
            // Back to the last choice, putting back the registers set since.
            for (;;) {
                if (m_stack.empty()) return EXECUTE_NO_MATCH;
                const FRAME frame = m_stack.back();
                m_stack.pop_back();
                if (frame.pc >= 0) {
                    pc = frame.pc;
                    p = frame.position;
                    break;
                }
                m_slots[-frame.pc - 1] = frame.position;
                if (--budget < 0) return EXECUTE_TOO_COMPLEX;
            }
        }
    }

    void Fill(MATCHREGISTERS& registers, int start, int end) const {
        registers.start[0] = start;
        registers.end[0] = end;
        for (int i = 1; i < kMatchRegisters; ++i) {
            const bool set = m_slots[2 * i] >= 0 && m_slots[2 * i + 1] >= 0;
            registers.start[i] = set ? m_slots[2 * i] : -1;
            registers.end[i] = set ? m_slots[2 * i + 1] : -1;
        }
    }

    // The next position from p on where the first literal stands, or -1.
    int NextCandidate(int p) const {
        const INSTRUCTION& first = m_program.first;
        const bool insensitive = Insensitive(first);
        // A trail byte of a double-byte code page may look like ASCII.
        if (first.code < 0x80 && !m_chars.IsDoubleByte()) {
            const auto c = static_cast<unsigned char>(first.code);
            const bool caseless = insensitive && (m_chars.Upper(c) != c || m_chars.Lower(c) != c);
            if (!caseless) {
                const void* found = std::memchr(m_text + p, c, static_cast<size_t>(m_length - p));
                return found ? static_cast<int>(static_cast<const char*>(found) - m_text) : -1;
            }
            // Either case, or a character beyond ASCII whose capital may be it.
            const unsigned char other =
                static_cast<unsigned char>(m_chars.Upper(c) != c ? m_chars.Upper(c) : m_chars.Lower(c));
            for (; p < m_length; ++p) {
                const auto b = static_cast<unsigned char>(m_text[p]);
                if ((b == c || b == other || (b >= 0x80 && (!m_chars.IsUtf8() || b >= 0xC0))) &&
                    MatchCharacter(first, p) > 0)
                    return p;
            }
            return -1;
        }
        while (p < m_length) {
            if (MatchCharacter(first, p) > 0) return p;
            char32_t c = 0;
            p += m_chars.Decode(m_text, m_length, p, c);
        }
        return -1;
    }

private:
    const PROGRAM& m_program;
    const CMultiByteCase& m_chars;
    const char* m_text;
    int m_length;
    bool m_matchCase;
    int m_slots[2 * kMatchRegisters];
    std::vector<FRAME> m_stack;
    bool m_hitEnd = false;
};

}  // namespace

void MATCHREGISTERS::Clear() {
    for (int i = 0; i < kMatchRegisters; ++i) start[i] = end[i] = -1;
}

CRegularExpression::CRegularExpression(std::unique_ptr<PROGRAM> program) : m_program(std::move(program)) {}
CRegularExpression::~CRegularExpression() = default;

CRegularExpression::Strategy CRegularExpression::GetStrategy() const { return m_program->strategy; }
int CRegularExpression::GetGroupCount() const { return m_program->groups; }
bool CRegularExpression::RepeatsLineFeeds() const { return m_program->repeatsLineFeeds; }

std::string CRegularExpression::Dump() const {
    static const char* const kNames[] = {"char",     "any",  "set",   "bol",  "eol",  "word-start",
                                         "word-end", "save", "split", "jump", "match"};
    static const char* const kModes[] = {"", " case", " nocase"};
    std::string out;
    for (size_t i = 0; i < m_program->code.size(); ++i) {
        const INSTRUCTION& in = m_program->code[i];
        out += std::to_string(i) + " " + kNames[in.op];
        switch (in.op) {
            case OP_CHAR:
                out += " " + std::to_string(static_cast<unsigned>(in.code)) + kModes[in.caseMode];
                break;
            case OP_SET: out += " " + std::to_string(in.x) + kModes[in.caseMode]; break;
            case OP_SAVE:
            case OP_JUMP: out += " " + std::to_string(in.x); break;
            case OP_SPLIT: out += " " + std::to_string(in.x) + " " + std::to_string(in.y); break;
            default: break;
        }
        out += "\n";
    }
    return out;
}

std::unique_ptr<CRegularExpression> CompileExpression(std::string_view pattern, int codePage,
                                                      std::string* error) {
    auto program = std::make_unique<PROGRAM>();
    program->chars = &CMultiByteCase::For(codePage == 0 ? WorkingCodePage() : codePage);
    CParser parser(pattern, *program);
    FRAGMENT whole;
    if (!parser.Parse(whole)) {
        if (error != nullptr)
            *error = (parser.Error().empty() ? std::string("malformed") : parser.Error()) + " at character " +
                     std::to_string(parser.ErrorOffset() + 1);
        return nullptr;
    }
    program->code = std::move(whole.code);
    program->code.push_back(Branch(OP_MATCH, 0));
    if (whole.anchored) {
        program->strategy = CRegularExpression::ANCHORED;
    } else if (whole.hasFirst) {
        program->strategy = CRegularExpression::FIRST_LITERAL;
        program->first = whole.first;
    } else {
        program->strategy = CRegularExpression::EVERY_POSITION;
    }
    return std::make_unique<CRegularExpression>(std::move(program));
}

ExecuteResult ExecuteExpression(const CRegularExpression& expression, const char* text, int length, int start,
                                MATCHREGISTERS& registers, bool matchCase, int64_t* steps, int lastStart,
                                bool* hitEnd) {
    registers.Clear();
    if (hitEnd != nullptr) *hitEnd = false;
    if (start < 0 || start > length) return EXECUTE_NO_MATCH;
    lastStart = std::min(lastStart, length);
    int64_t own = StepBudget(length - start);
    int64_t& budget = steps != nullptr ? *steps : own;
    const PROGRAM& program = expression.Program();
    CMatcher matcher(program, text, length, matchCase);
    int end = 0;
    const auto attempt = [&](int position) {
        const ExecuteResult result = matcher.Run(position, budget, end);
        if (result == EXECUTE_MATCHED) matcher.Fill(registers, position, end);
        if (hitEnd != nullptr) *hitEnd = matcher.HitEnd();
        return result;
    };
    switch (program.strategy) {
        case CRegularExpression::ANCHORED: return start <= lastStart ? attempt(start) : EXECUTE_NO_MATCH;
        case CRegularExpression::FIRST_LITERAL:
            for (int p = matcher.NextCandidate(start); p >= 0 && p <= lastStart;) {
                const ExecuteResult result = attempt(p);
                if (result != EXECUTE_NO_MATCH) return result;
                char32_t c = 0;
                p = p < length ? matcher.NextCandidate(p + program.chars->Decode(text, length, p, c)) : -1;
            }
            return EXECUTE_NO_MATCH;
        case CRegularExpression::EVERY_POSITION:
            for (int p = start; p <= lastStart;) {
                const ExecuteResult result = attempt(p);
                if (result != EXECUTE_NO_MATCH || p >= length) return result;
                char32_t c = 0;
                p += program.chars->Decode(text, length, p, c);
            }
            return EXECUTE_NO_MATCH;
    }
    return EXECUTE_NO_MATCH;
}

bool ExpandReplacement(std::string_view replacement, const MATCHREGISTERS& registers,
                       std::string_view matched, std::string& text, int codePage) {
    const CMultiByteCase& chars = CMultiByteCase::For(codePage == 0 ? WorkingCodePage() : codePage);
    text.clear();
    int mode = 0;     // 1 upper-case, -1 lower-case what follows
    int oneShot = 0;  // the same for the next character only
    const auto emit = [&](char32_t code) {
        const int change = oneShot != 0 ? oneShot : mode;
        oneShot = 0;
        chars.Encode(text, change > 0 ? chars.Upper(code) : change < 0 ? chars.Lower(code) : code);
    };
    const auto emitText = [&](std::string_view piece) {
        const int length = static_cast<int>(piece.size());
        for (int i = 0; i < length;) {
            char32_t code = 0;
            const int n = chars.Decode(piece.data(), length, i, code);
            // Bytes that form no character go out as they are.
            if (n == 1 && static_cast<unsigned char>(piece[static_cast<size_t>(i)]) >= 0x80 &&
                chars.IsUtf8()) {
                text += piece[static_cast<size_t>(i)];
                oneShot = 0;
            } else {
                emit(code);
            }
            i += n;
        }
    };
    const int length = static_cast<int>(replacement.size());
    for (int i = 0; i < length;) {
        if (replacement[static_cast<size_t>(i)] != '\\') {
            char32_t code = 0;
            const int n = chars.Decode(replacement.data(), length, i, code);
            emitText(replacement.substr(static_cast<size_t>(i), static_cast<size_t>(n)));
            i += n;
            continue;
        }
        if (++i >= length) return false;
        const char c = replacement[static_cast<size_t>(i++)];
        if (c >= '0' && c <= '9') {
            const int r = c - '0';
            const int from = registers.start[r] - registers.start[0];
            const int to = registers.end[r] - registers.start[0];
            if (registers.start[r] < 0 || registers.end[r] < registers.start[r] || registers.start[0] < 0 ||
                from < 0 || to > static_cast<int>(matched.size()))
                return false;
            emitText(matched.substr(static_cast<size_t>(from), static_cast<size_t>(to - from)));
            continue;
        }
        switch (c) {
            case 'U': mode = 1; continue;
            case 'L': mode = -1; continue;
            case 'E':
            case 'e': mode = 0; continue;
            case 'u': oneShot = 1; continue;
            case 'l': oneShot = -1; continue;
            case 'a': emit(7); continue;
            case 'b': emit(8); continue;
            case 'n': emit(10); continue;
            case 'r': emit(13); continue;
            case 't': emit(9); continue;
            default: break;
        }
        if (c == 'd' || c == 'o' || c == 'x') {
            const int count = c == 'x' ? 2 : 3;
            const int base = c == 'd' ? 10 : c == 'o' ? 8 : 16;
            unsigned value = 0;
            for (int k = 0; k < count; ++k, ++i) {
                if (i >= length) return false;
                const char d = replacement[static_cast<size_t>(i)];
                const int digit = d >= '0' && d <= '9'   ? d - '0'
                                  : d >= 'a' && d <= 'f' ? d - 'a' + 10
                                  : d >= 'A' && d <= 'F' ? d - 'A' + 10
                                                         : -1;
                if (digit < 0 || digit >= base) return false;
                value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
            }
            char32_t code = 0;
            if (!chars.FromCode(value, code)) return false;
            emit(code);
            continue;
        }
        // Any other character stands for itself.
        --i;
        char32_t code = 0;
        const int n = chars.Decode(replacement.data(), length, i, code);
        emitText(replacement.substr(static_cast<size_t>(i), static_cast<size_t>(n)));
        i += n;
    }
    return true;
}

}  // namespace corvatine
