// Progress of long work on stderr, drawn as one line only when stderr is a
// terminal; the command line offers no Cancel (an interrupt ends the program).
#pragma once

#include <string>

#include "platform/Output.h"
#include "platform/Progress.h"

namespace corvatine {

class CTerminalProgress : public platform::CProgressSink {
public:
    explicit CTerminalProgress(platform::COutput& err);
    void Start(int first, int last, const std::string& text) override;
    void Step() override { SetPosition(m_first + m_done); }
    void SetPosition(int position) override;
    void Close() override;

private:
    void Show();

    platform::COutput& m_err;
    bool m_shown;
    std::string m_text;
    int m_first = 0, m_total = 1, m_done = 0, m_percent = -1;
};

}  // namespace corvatine
