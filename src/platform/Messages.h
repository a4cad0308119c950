// Questions, information and errors for the user. The desktop shows message
// boxes; the command line prints them and answers questions itself.
#pragma once

#include <string>
#include <vector>

namespace corvatine::platform {

enum MessageAnswer : int {
    ANSWER_YES = 6,
    ANSWER_NO = 7,
    ANSWER_CANCEL = 2,
};

class CMessages {
public:
    virtual ~CMessages() = default;
    // A yes/no question; the answer.
    virtual int AskYesNo(const std::string& text) = 0;
    virtual void Inform(const std::string& text) = 0;
    virtual void Error(const std::string& text) = 0;
    // A line of the status bar.
    virtual void Status(const std::string& text) { (void)text; }
};

// A message text with its first placeholder ("%1", "%s") put in.
inline std::string ReplacePlaceholder(std::string text, const std::string& placeholder,
                                      const std::string& value) {
    const size_t at = text.find(placeholder);
    if (at != std::string::npos) text.replace(at, placeholder.size(), value);
    return text;
}

// Takes the answer that loses nothing (No), and keeps the texts it was given.
class CSilentMessages : public CMessages {
public:
    int AskYesNo(const std::string& text) override {
        questions.push_back(text);
        return answer;
    }
    void Inform(const std::string& text) override { information.push_back(text); }
    void Error(const std::string& text) override { errors.push_back(text); }
    void Status(const std::string& text) override { status.push_back(text); }

    int answer = ANSWER_NO;
    std::vector<std::string> questions, information, errors, status;
};

}  // namespace corvatine::platform
