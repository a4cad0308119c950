#include "textcompare/LineFilter.h"

#include <regex.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

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

}  // namespace

CLineFilter::CLineFilter(const std::string& expression) : m_pattern(std::make_unique<Pattern>()) {
    std::memset(&m_pattern->buffer, 0, sizeof m_pattern->buffer);
    m_pattern->buffer.fastmap = static_cast<char*>(std::malloc(256));
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
