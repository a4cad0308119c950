#include "tools/LineAutomaton.h"

#include <algorithm>

namespace corvatine {

// Reads the expression into instructions, each piece with jumps counted
// from the piece's own start until it is placed.
class CLineAutomaton::CParser {
public:
    CParser(std::string_view expression, bool foldCase, std::vector<std::bitset<256>>& sets)
        : m_text(expression), m_foldCase(foldCase), m_sets(sets) {}

    bool Parse(std::vector<INSTRUCTION>& code) {
        if (!Alternation(code) || m_at != m_text.size()) return false;
        code.push_back({OP_MATCH});
        return true;
    }

private:
    static void Append(std::vector<INSTRUCTION>& to, const std::vector<INSTRUCTION>& from) {
        const int offset = static_cast<int>(to.size());
        for (INSTRUCTION in : from) {
            if (in.op == OP_SPLIT || in.op == OP_JUMP) in.x += offset;
            if (in.op == OP_SPLIT) in.y += offset;
            to.push_back(in);
        }
    }

    bool AtEnd() const { return m_at >= m_text.size(); }

    bool Alternation(std::vector<INSTRUCTION>& out) {
        if (++m_depth > 1000) return false;
        std::vector<std::vector<INSTRUCTION>> branches(1);
        if (!Sequence(branches.back())) return false;
        while (!AtEnd() && m_text[m_at] == '|') {
            ++m_at;
            branches.emplace_back();
            if (!Sequence(branches.back())) return false;
        }
        --m_depth;
        // Each branch but the last behind a split to the next, and followed
        // by a jump to the end.
        int size = -2;
        for (const auto& branch : branches) size += static_cast<int>(branch.size()) + 2;
        out.clear();
        for (size_t i = 0; i < branches.size(); ++i) {
            const bool last = i + 1 == branches.size();
            const int start = static_cast<int>(out.size());
            if (!last) out.push_back({OP_SPLIT, start + 1, start + static_cast<int>(branches[i].size()) + 2});
            Append(out, branches[i]);
            if (!last) out.push_back({OP_JUMP, size});
        }
        return true;
    }

    bool Sequence(std::vector<INSTRUCTION>& out) {
        while (!AtEnd() && m_text[m_at] != '|' && m_text[m_at] != ')') {
            std::vector<INSTRUCTION> atom;
            if (!Atom(atom)) return false;
            while (!AtEnd() && (m_text[m_at] == '*' || m_text[m_at] == '+' || m_text[m_at] == '?')) {
                const char op = m_text[m_at++];
                const int size = static_cast<int>(atom.size());
                std::vector<INSTRUCTION> repeated;
                if (op == '+') {
                    repeated = atom;
                    repeated.push_back({OP_SPLIT, 0, size + 1});
                } else {
                    repeated.push_back({OP_SPLIT, 1, size + (op == '*' ? 2 : 1)});
                    Append(repeated, atom);
                    if (op == '*') repeated.push_back({OP_JUMP, 0});
                }
                atom = std::move(repeated);
            }
            Append(out, atom);
        }
        return true;
    }

    void AddSet(std::vector<INSTRUCTION>& out, std::bitset<256> set) {
        if (m_foldCase)
            for (int c = 'a'; c <= 'z'; ++c)
                if (set.test(static_cast<size_t>(c)) || set.test(static_cast<size_t>(c - 'a' + 'A'))) {
                    set.set(static_cast<size_t>(c));
                    set.set(static_cast<size_t>(c - 'a' + 'A'));
                }
        m_sets.push_back(set);
        out.push_back({OP_SET, static_cast<int>(m_sets.size()) - 1});
    }

    bool Atom(std::vector<INSTRUCTION>& out) {
        if (AtEnd()) return false;
        const char c = m_text[m_at++];
        switch (c) {
            case '(': {
                if (!Alternation(out) || AtEnd() || m_text[m_at] != ')') return false;
                ++m_at;
                return true;
            }
            case '^': out.push_back({OP_BOL}); return true;
            case '$': out.push_back({OP_EOL}); return true;
            case '.': {
                std::bitset<256> any;
                any.set();
                any.reset('\n');
                any.reset(0);
                AddSet(out, any);
                return true;
            }
            case '[': return Bracket(out);
            case '*':
            case '+':
            case '?':
            case ')': return false;
            case '\\':
                if (AtEnd()) return false;
                [[fallthrough]];
            default: {
                const char literal = c == '\\' ? m_text[m_at++] : c;
                std::bitset<256> one;
                one.set(static_cast<unsigned char>(literal));
                AddSet(out, one);
                return true;
            }
        }
    }

    // After "[": the bytes up to the closing "]"; "]" first and "-" first or
    // last stand for themselves.
    bool Bracket(std::vector<INSTRUCTION>& out) {
        std::bitset<256> set;
        bool negated = false;
        if (!AtEnd() && m_text[m_at] == '^') {
            negated = true;
            ++m_at;
        }
        bool first = true;
        for (;;) {
            if (AtEnd()) return false;
            const auto low = static_cast<unsigned char>(m_text[m_at]);
            if (low == ']' && !first) break;
            first = false;
            ++m_at;
            if (m_at + 1 < m_text.size() && m_text[m_at] == '-' && m_text[m_at + 1] != ']') {
                const auto high = static_cast<unsigned char>(m_text[m_at + 1]);
                if (high < low) return false;
                for (int b = low; b <= high; ++b) set.set(static_cast<size_t>(b));
                m_at += 2;
            } else {
                set.set(low);
            }
        }
        ++m_at;
        if (negated) {
            // Folding applies before negation: [^A] takes neither case.
            if (m_foldCase)
                for (int c = 'a'; c <= 'z'; ++c)
                    if (set.test(static_cast<size_t>(c)) || set.test(static_cast<size_t>(c - 'a' + 'A'))) {
                        set.set(static_cast<size_t>(c));
                        set.set(static_cast<size_t>(c - 'a' + 'A'));
                    }
            set.flip();
            set.reset('\n');
            set.reset(0);
        }
        AddSet(out, set);
        return true;
    }

    std::string_view m_text;
    size_t m_at = 0;
    bool m_foldCase;
    std::vector<std::bitset<256>>& m_sets;
    int m_depth = 0;
};

bool CLineAutomaton::Compile(std::string_view expression, bool foldCase) {
    m_code.clear();
    m_sets.clear();
    ResetStates();
    CParser parser(expression, foldCase, m_sets);
    if (!parser.Parse(m_code)) {
        m_code.clear();
        m_sets.clear();
        return false;
    }
    PrepareSkipping();
    return true;
}

void CLineAutomaton::PrepareSkipping() {
    std::vector<int> threads;
    m_seen.assign(m_code.size(), 0);
    Close(0, false, false, threads, m_seen);
    m_stops.reset();
    m_stops.set('\n');
    m_canSkip = true;
    for (const int pc : threads) {
        const INSTRUCTION& in = m_code[static_cast<size_t>(pc)];
        if (in.op == OP_SET)
            m_stops |= m_sets[static_cast<size_t>(in.x)];
        else
            m_canSkip = false;  // an empty match, or one at the end of the line
    }
}

int CLineAutomaton::IdleState() const {
    if (m_idle == kUnknown) {
        m_seeds.assign(1, 0);
        m_idle = StateOf(m_seeds, false);
    }
    return m_idle;
}

void CLineAutomaton::ResetStates() const {
    m_states.clear();
    m_next.clear();
    m_accepting.clear();
    m_index.clear();
    m_start = kUnknown;
    m_idle = kUnknown;
}

void CLineAutomaton::Close(int pc, bool lineStart, bool lineEnd, std::vector<int>& threads,
                           std::vector<char>& seen) const {
    // Depth first, with an explicit stack: groups may nest deep.
    std::vector<int>& stack = m_stack;
    stack.assign(1, pc);
    while (!stack.empty()) {
        const int at = stack.back();
        stack.pop_back();
        if (seen[static_cast<size_t>(at)]) continue;
        seen[static_cast<size_t>(at)] = 1;
        const INSTRUCTION& in = m_code[static_cast<size_t>(at)];
        switch (in.op) {
            case OP_SET:
            case OP_MATCH: threads.push_back(at); break;
            case OP_SPLIT:
                stack.push_back(in.y);
                stack.push_back(in.x);
                break;
            case OP_JUMP: stack.push_back(in.x); break;
            case OP_BOL:
                if (lineStart) stack.push_back(at + 1);
                break;
            case OP_EOL:
                if (lineEnd)
                    stack.push_back(at + 1);
                else
                    threads.push_back(at);  // waits for the end of the line
                break;
        }
    }
}

int CLineAutomaton::StateOf(std::vector<int>& seeds, bool lineStart) const {
    std::vector<int> threads;
    m_seen.assign(m_code.size(), 0);
    for (const int pc : seeds) Close(pc, lineStart, false, threads, m_seen);
    std::sort(threads.begin(), threads.end());
    threads.push_back(lineStart ? 1 : 0);  // the key: the threads and where they stand
    const auto found = m_index.find(threads);
    if (found != m_index.end()) return found->second;
    m_index.emplace(threads, static_cast<int>(m_states.size()));
    threads.pop_back();
    STATE state;
    state.lineStart = lineStart;
    state.accepting = !threads.empty() && m_code[static_cast<size_t>(threads.back())].op == OP_MATCH;
    state.threads = std::move(threads);
    m_accepting.push_back(state.accepting ? 1 : 0);
    m_states.push_back(std::move(state));
    m_next.resize(m_states.size() * 256, kUnknown);
    return static_cast<int>(m_states.size()) - 1;
}

int CLineAutomaton::StartState() const {
    if (m_start == kUnknown) {
        m_seeds.assign(1, 0);
        m_start = StateOf(m_seeds, true);
    }
    return m_start;
}

int CLineAutomaton::Next(int state, unsigned char byte) const {
    const int32_t known = m_next[static_cast<size_t>(state) * 256 + byte];
    if (known != kUnknown) return known;
    if (m_states.size() >= kMaxStates) {
        // The table is full: begin again from this state's threads.
        STATE current = std::move(m_states[static_cast<size_t>(state)]);
        ResetStates();
        std::vector<int> key = current.threads;
        key.push_back(current.lineStart ? 1 : 0);
        m_index.emplace(std::move(key), 0);
        m_accepting.push_back(current.accepting ? 1 : 0);
        m_states.push_back(std::move(current));
        m_next.assign(256, kUnknown);
        state = 0;
    }
    // A match may start after any byte: the first instruction joins in.
    m_seeds.clear();
    for (const int pc : m_states[static_cast<size_t>(state)].threads) {
        const INSTRUCTION& in = m_code[static_cast<size_t>(pc)];
        if (in.op == OP_SET && m_sets[static_cast<size_t>(in.x)].test(byte)) m_seeds.push_back(pc + 1);
    }
    m_seeds.push_back(0);
    const int next = StateOf(m_seeds, false);
    m_next[static_cast<size_t>(state) * 256 + byte] = next;
    return next;
}

bool CLineAutomaton::AcceptsAtEnd(int state) const {
    STATE& s = m_states[static_cast<size_t>(state)];
    if (s.acceptsAtEnd < 0) {
        std::vector<int> threads;
        m_seen.assign(m_code.size(), 0);
        for (const int pc : s.threads) {
            if (m_code[static_cast<size_t>(pc)].op == OP_EOL)
                Close(pc + 1, s.lineStart, true, threads, m_seen);
            if (m_code[static_cast<size_t>(pc)].op == OP_MATCH) threads.push_back(pc);
        }
        s.acceptsAtEnd = std::any_of(threads.begin(), threads.end(),
                                     [&](int pc) { return m_code[static_cast<size_t>(pc)].op == OP_MATCH; });
    }
    return s.acceptsAtEnd != 0;
}

bool CLineAutomaton::Matches(std::string_view line) const {
    if (m_code.empty()) return false;
    const auto* bytes = reinterpret_cast<const unsigned char*>(line.data());
    const size_t size = line.size();
    int state = StartState();
    for (size_t i = 0; i < size; ++i) {
        if (m_accepting[static_cast<size_t>(state)]) return true;
        if (m_canSkip && state == IdleState()) {
            while (i < size && !m_stops.test(bytes[i])) ++i;
            if (i == size) break;
        }
        state = Next(state, bytes[i]);
    }
    return m_accepting[static_cast<size_t>(state)] || AcceptsAtEnd(state);
}

size_t CLineAutomaton::FindInLines(std::string_view text) const {
    if (m_code.empty()) return std::string_view::npos;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const size_t size = text.size();
    size_t lineStart = 0;
    int state = StartState();
    for (size_t i = 0; i < size; ++i) {
        // The rest of a line does not matter once a match has ended in it.
        if (m_accepting[static_cast<size_t>(state)]) return lineStart;
        if (m_canSkip && state == IdleState()) {
            while (i < size && !m_stops.test(bytes[i])) ++i;
            if (i == size) break;
        }
        if (bytes[i] == '\n') {
            if (AcceptsAtEnd(state)) return lineStart;
            lineStart = i + 1;
            state = StartState();
            continue;
        }
        state = Next(state, bytes[i]);
    }
    // A last line without its line feed is a line too.
    if (lineStart < size && (m_accepting[static_cast<size_t>(state)] || AcceptsAtEnd(state)))
        return lineStart;
    return std::string_view::npos;
}

}  // namespace corvatine
