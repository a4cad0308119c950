#include "app/ConsoleMessages.h"

#include <unistd.h>

#include <cerrno>

#include "platform/Output.h"

namespace corvatine {

namespace {

// The message's lines (broken at line feeds and at the carriage returns of
// the desktop's message texts), blank ones dropped, one line each after the
// program's name.
void Print(platform::COutput& err, const std::string& message) {
    std::string text = message;
    for (char& c : text)
        if (c == '\r') c = '\n';
    size_t start = 0;
    bool first = true;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) {
            err << (first ? "corvatine: " : "  ") << text.substr(start, end - start) << "\n";
            first = false;
        }
        start = end + 1;
    }
}

}  // namespace

int CConsoleMessages::AskYesNo(const std::string& text) {
    if (m_yes) return platform::ANSWER_YES;
    if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO)) {
        Print(m_err, text + "\n(answered No; give --yes to answer Yes)");
        return platform::ANSWER_NO;
    }
    Print(m_err, text);
    m_err << "[y/N] ";
    m_err.Flush();
    // The answer's line, read a byte at a time so that nothing after it is
    // taken from the terminal.
    std::string answer;
    for (char c = 0;;) {
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (answer.empty()) return platform::ANSWER_NO;
            break;
        }
        if (c == '\n') break;
        answer += c;
    }
    return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y') ? platform::ANSWER_YES
                                                                     : platform::ANSWER_NO;
}

void CConsoleMessages::Inform(const std::string& text) { Print(m_err, text); }

void CConsoleMessages::Error(const std::string& text) { Print(m_err, text); }

}  // namespace corvatine
