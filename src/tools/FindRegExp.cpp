#include "tools/FindRegExp.h"

#include <bitset>
#include <cstring>

namespace corvatine {

namespace {

// The classic library's operators.
constexpr const char* kMeta = "^$.[()|?+*\\";
bool IsRepeat(char c) { return c == '*' || c == '+' || c == '?'; }

// Reads an expression as the classic library does, with its checks and
// messages, and writes the POSIX extended expression that matches the same
// lines. The classic library also limits the size of its compiled program;
// that size is counted here as it counts it (three bytes a node, one a
// character).
class CTranslator {
public:
    // dropLineFeeds: the expression is tried on many lines at once.
    // foldCase: letters match in either case.
    CTranslator(const char* expression, bool dropLineFeeds, bool foldCase)
        : m_at(expression), m_dropLineFeeds(dropLineFeeds), m_foldCase(foldCase) {}

    bool Run() {
        m_size = 1;  // the program's magic byte
        int flags = 0;
        if (!Expression(false, flags)) return false;
        if (m_size >= 32767) return Fail("regexp too big");
        return true;
    }
    const std::string& Output() const { return m_out; }
    const std::string& Error() const { return m_error; }

private:
    // Matches at least one character; a single one; an anchor, "^" or "$".
    enum : int { HAS_WIDTH = 1, SIMPLE = 2, ANCHOR = 4 };

    bool Fail(const char* message) {
        m_error = message;
        return false;
    }

    // Alternatives, at the top level or in a group.
    bool Expression(bool group, int& flags) {
        flags = HAS_WIDTH;
        if (group) {
            if (m_groups >= 10) return Fail("too many ()");
            ++m_groups;
            m_size += 3;
            m_out += '(';
        }
        for (;;) {
            int branch = 0;
            if (!Branch(branch)) return false;
            if ((branch & HAS_WIDTH) == 0) flags &= ~HAS_WIDTH;
            if (*m_at != '|') break;
            ++m_at;
            m_out += '|';
        }
        m_size += 3;
        if (group) {
            if (*m_at != ')') return Fail("unmatched ()");
            ++m_at;
            m_out += ')';
        } else if (*m_at != '\0') {
            // A branch stops only at "|", ")" or the end, so what is left is a ")".
            return Fail(*m_at == ')' ? "unmatched ()" : "junk on end");
        }
        return true;
    }

    bool Branch(int& flags) {
        flags = 0;
        m_size += 3;
        bool empty = true;
        while (*m_at != '\0' && *m_at != '|' && *m_at != ')') {
            int piece = 0;
            if (!Piece(piece)) return false;
            flags |= piece & HAS_WIDTH;
            empty = false;
        }
        if (empty) m_size += 3;
        return true;
    }

    bool Piece(int& flags) {
        int atom = 0;
        if (!Atom(atom)) return false;
        const char op = *m_at;
        if (!IsRepeat(op)) {
            flags = atom;
            return true;
        }
        if ((atom & HAS_WIDTH) == 0 && op != '?') return Fail("*+ operand could be empty");
        // An optional anchor is valid here; POSIX wants it in a group.
        if (!m_out.empty() && (m_out.back() == '^' || m_out.back() == '$') && (atom & ANCHOR) != 0) {
            const char anchor = m_out.back();
            m_out.back() = '(';
            m_out += anchor;
            m_out += ')';
        }
        flags = op == '+' ? HAS_WIDTH : 0;
        m_size += op == '?' ? 9 : (atom & SIMPLE) != 0 ? 3 : 12;
        m_out += op;
        ++m_at;
        if (IsRepeat(*m_at)) return Fail("nested *?+");
        return true;
    }

    bool Atom(int& flags) {
        flags = 0;
        const char c = *m_at++;
        switch (c) {
            case '^':
            case '$':
                m_size += 3;
                m_out += c;
                flags = ANCHOR;
                return true;
            case '.':
                m_size += 3;
                m_out += '.';
                flags = HAS_WIDTH | SIMPLE;
                return true;
            case '[': flags = HAS_WIDTH | SIMPLE; return Set();
            case '(': {
                int group = 0;
                if (!Expression(true, group)) return false;
                flags = group & HAS_WIDTH;
                return true;
            }
            case '?':
            case '+':
            case '*': return Fail("?+* follows nothing");
            case '\\':
                if (*m_at == '\0') return Fail("trailing \\");
                m_size += 5;
                Literal(*m_at++);
                flags = HAS_WIDTH | SIMPLE;
                return true;
            default: {
                // A run of plain characters; one that a repetition follows
                // leaves its last character to be repeated alone.
                --m_at;
                size_t length = std::strcspn(m_at, kMeta);
                if (length > 1 && IsRepeat(m_at[length])) --length;
                flags = HAS_WIDTH | (length == 1 ? SIMPLE : 0);
                m_size += 4 + static_cast<long>(length);
                for (size_t i = 0; i < length; ++i) Literal(*m_at++);
                return true;
            }
        }
    }

    bool Set() {
        std::bitset<256> set;
        bool negated = false;
        m_size += 4;  // the node and the end of its list
        if (*m_at == '^') {
            negated = true;
            ++m_at;
        }
        if (*m_at == ']' || *m_at == '-') {
            set.set(static_cast<unsigned char>(*m_at++));
            ++m_size;
        }
        while (*m_at != '\0' && *m_at != ']') {
            if (*m_at != '-') {
                set.set(static_cast<unsigned char>(*m_at++));
                ++m_size;
                continue;
            }
            ++m_at;
            if (*m_at == ']' || *m_at == '\0') {
                set.set('-');
                ++m_size;
                continue;
            }
            // The character before the "-" is in the set already.
            int from = static_cast<unsigned char>(m_at[-2]) + 1;
            const int to = static_cast<unsigned char>(*m_at++);
            if (from > to + 1) return Fail("invalid [] range");
            for (; from <= to; ++from, ++m_size) set.set(static_cast<size_t>(from));
        }
        if (*m_at != ']') return Fail("unmatched []");
        ++m_at;
        WriteSet(set, negated);
        return true;
    }

    void Literal(char c) {
        if (c != '\0' && std::strchr("^$.[]()|*+?{}\\", c) != nullptr) m_out += '\\';
        m_out += c;
    }

    // A bracket expression of exactly the bytes of the set: "]" first, "^"
    // not first, "-" last, and runs of other bytes as ranges (in the "C"
    // locale a range is a range of byte values). A line feed never is part of
    // a line: one that only a range brought in is left out, so that a set
    // never matches across lines.
    void WriteSet(std::bitset<256> set, bool negated) {
        if (!negated && m_dropLineFeeds) set.reset('\n');
        // Without case the C library compares a range's ends as capitals, so
        // that "_-z" would run backwards: small letters stand as capitals.
        if (m_foldCase) {
            for (int c = 'a'; c <= 'z'; ++c) {
                if (!set.test(static_cast<size_t>(c))) continue;
                set.reset(static_cast<size_t>(c));
                set.set(static_cast<size_t>(c - 'a' + 'A'));
            }
        }
        if (!negated && set.count() == 1) {
            for (int c = 1; c < 256; ++c)
                if (set.test(static_cast<size_t>(c))) Literal(static_cast<char>(c));
            return;
        }
        std::string body;
        if (set.test(']')) body += ']';
        for (int c = 1; c < 256;) {
            if (!set.test(static_cast<size_t>(c)) || c == ']' || c == '-' || c == '^') {
                ++c;
                continue;
            }
            int last = c;
            while (last + 1 < 256 && set.test(static_cast<size_t>(last + 1)) && last + 1 != ']' &&
                   last + 1 != '-' && last + 1 != '^')
                ++last;
            body += static_cast<char>(c);
            if (last >= c + 2) body += '-';
            if (last > c) body += static_cast<char>(last);
            c = last + 1;
        }
        bool dashWritten = false;
        if (set.test('^')) {
            if (body.empty() && !negated) {
                body += "-^";  // only "^" and "-": "-" first keeps "^" from negating
                dashWritten = true;
            } else {
                body += '^';
            }
        }
        if (set.test('-') && !dashWritten) body += '-';
        m_out += negated ? "[^" : "[";
        m_out += body;
        m_out += ']';
    }

    const char* m_at;
    const bool m_dropLineFeeds;
    const bool m_foldCase;
    std::string m_out;
    std::string m_error;
    long m_size = 0;
    int m_groups = 1;  // groups so far, counting the whole expression as the first
};

}  // namespace

bool CFindRegExp::Compile(std::string_view expression, bool matchCase) {
    m_compiled = false;
    m_error.clear();
    m_translation.clear();
    const std::string text(expression.substr(0, expression.find('\0')));
    // A line feed typed into the expression can only fail to match, as no
    // line holds one; such an expression is tried line by line.
    m_linesAtOnce = text.find('\n') == std::string::npos;
    CTranslator translator(text.c_str(), m_linesAtOnce, !matchCase);
    if (!translator.Run()) {
        m_error = translator.Error();
        return false;
    }
    m_translation = translator.Output();
    if (!m_automaton.Compile(m_translation, !matchCase)) {
        // The translator writes only what the automaton reads.
        m_error = "junk on end";
        return false;
    }
    m_compiled = true;
    return true;
}

bool CFindRegExp::Matches(std::string_view line) const { return m_compiled && m_automaton.Matches(line); }

size_t CFindRegExp::FindInLines(std::string_view text) const {
    if (!m_compiled) return std::string_view::npos;
    return m_automaton.FindInLines(text);
}

}  // namespace corvatine
