#include "tools/LiteralFinder.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace corvatine {

namespace {

constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }
constexpr char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

}  // namespace

CLiteralFinder::CLiteralFinder(std::string_view needle, bool matchCase)
    : m_needle(needle), m_matchCase(matchCase) {
    if (!matchCase)
        for (char& c : m_needle) c = Lower(c);
}

bool CLiteralFinder::RestEquals(const char* at) const {
    const size_t size = m_needle.size();
    if (m_matchCase) return size <= 2 || std::memcmp(at + 1, m_needle.data() + 1, size - 2) == 0;
    for (size_t i = 1; i + 1 < size; ++i)
        if (Lower(at[i]) != m_needle[i]) return false;
    return true;
}

size_t CLiteralFinder::Find(std::string_view text, size_t from) const {
    const size_t size = m_needle.size();
    if (from > text.size()) return std::string_view::npos;
    if (size == 0) return from;
    if (text.size() - from < size) return std::string_view::npos;
    const char* const begin = text.data();
    const char first = m_needle.front(), last = m_needle.back();
    if (m_matchCase && size == 1) {
        const void* hit = std::memchr(begin + from, first, text.size() - from);
        return hit == nullptr ? std::string_view::npos : static_cast<const char*>(hit) - begin;
    }
    // Positions at which an occurrence may start: [from, end).
    const size_t end = text.size() - size + 1;
    size_t at = from;
#ifdef __SSE2__
    const __m128i first1 = _mm_set1_epi8(first), first2 = _mm_set1_epi8(m_matchCase ? first : Upper(first));
    const __m128i last1 = _mm_set1_epi8(last), last2 = _mm_set1_epi8(m_matchCase ? last : Upper(last));
    for (; at + 16 <= end; at += 16) {
        const __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + at));
        const __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin + at + size - 1));
        const __m128i headsFit = _mm_or_si128(_mm_cmpeq_epi8(heads, first1), _mm_cmpeq_epi8(heads, first2));
        const __m128i tailsFit = _mm_or_si128(_mm_cmpeq_epi8(tails, last1), _mm_cmpeq_epi8(tails, last2));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(headsFit, tailsFit)));
        while (mask != 0) {
            const size_t candidate = at + static_cast<size_t>(__builtin_ctz(mask));
            if (RestEquals(begin + candidate)) return candidate;
            mask &= mask - 1;
        }
    }
#endif
    for (; at < end; ++at) {
        const char head = m_matchCase ? begin[at] : Lower(begin[at]);
        const char tail = m_matchCase ? begin[at + size - 1] : Lower(begin[at + size - 1]);
        if (head == first && tail == last && RestEquals(begin + at)) return at;
    }
    return std::string_view::npos;
}

size_t CountLineFeeds(const char* data, size_t size) {
    size_t count = 0, at = 0;
#ifdef __SSE2__
    const __m128i lineFeed = _mm_set1_epi8('\n');
    for (; at + 16 <= size; at += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        count += static_cast<size_t>(
            __builtin_popcount(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lineFeed)))));
    }
#endif
    for (; at < size; ++at) count += data[at] == '\n';
    return count;
}

size_t DropCarriageReturns(char* data, size_t size) {
    char* out = static_cast<char*>(std::memchr(data, '\r', size));
    if (out == nullptr) return size;
    const char* const end = data + size;
    const char* in = out + 1;
    while (in < end) {
        const char* next = static_cast<const char*>(std::memchr(in, '\r', static_cast<size_t>(end - in)));
        const size_t run = static_cast<size_t>((next != nullptr ? next : end) - in);
        std::memmove(out, in, run);
        out += run;
        in += run + 1;
    }
    return static_cast<size_t>(out - data);
}

}  // namespace corvatine
