// Messages of the command line: information and errors go to stderr, and a
// question is asked on the terminal when there is one; otherwise it gets the
// answer that loses nothing (No), or Yes when --yes was given.
#pragma once

#include <string>

#include "platform/Messages.h"
#include "platform/Output.h"

namespace corvatine {

class CConsoleMessages : public platform::CMessages {
public:
    CConsoleMessages(platform::COutput& err, bool yes) : m_err(err), m_yes(yes) {}

    int AskYesNo(const std::string& text) override;
    void Inform(const std::string& text) override;
    void Error(const std::string& text) override;

private:
    platform::COutput& m_err;
    bool m_yes;
};

}  // namespace corvatine
