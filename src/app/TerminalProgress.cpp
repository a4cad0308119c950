#include "app/TerminalProgress.h"

#include <unistd.h>

#include <algorithm>

#include "platform/Output.h"
#include "platform/Terminal.h"

namespace corvatine {

CTerminalProgress::CTerminalProgress(platform::COutput& err)
    : m_err(err), m_shown(platform::IsTerminal(STDERR_FILENO)) {}

void CTerminalProgress::Start(int first, int last, const std::string& text) {
    m_text = text;
    m_first = first;
    m_total = std::max(1, last - first + 1);
    m_done = 0;
    m_percent = -1;
    Show();
}

void CTerminalProgress::SetPosition(int position) {
    m_done = std::clamp(position - m_first + 1, 0, m_total);
    Show();
}

void CTerminalProgress::Close() {
    if (m_shown && m_percent >= 0) {
        m_err << "\r" << std::string(m_text.size() + 6, ' ') << "\r";
        m_err.Flush();
    }
    m_percent = -1;
}

void CTerminalProgress::Show() {
    const int percent = static_cast<int>(100LL * m_done / m_total);
    if (!m_shown || percent == m_percent) return;
    m_percent = percent;
    m_err << "\r" << m_text << " " << percent << "%";
    m_err.Flush();
}

}  // namespace corvatine
