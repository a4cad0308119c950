// What the extension's tests share: a starter that records instead of
// starting, a chooser that answers from a script, and a settings folder.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "shellext/ContextMenu.h"
#include "support/TestSupport.h"

namespace corvatine::shellext::test {

struct STARTED {
    std::string program;
    std::vector<std::string> arguments;
};

class CRecordingStarter : public IProgramStarter {
public:
    bool Start(const std::string& program, const std::vector<std::string>& arguments) override {
        started.push_back({program, arguments});
        return succeed;
    }
    int LastError() const override { return succeed ? 0 : error; }
    std::vector<STARTED> started;
    bool succeed = true;
    int error = 0;  // errno of a start that fails
};

class CScriptedChooser : public IItemChooser {
public:
    bool Choose(const CHOOSEREQUEST& request, std::string& chosen) override {
        asked.push_back(request);
        if (!answer) return false;
        chosen = path;
        return true;
    }
    bool answer = true;
    std::string path;
    std::vector<CHOOSEREQUEST> asked;
};

// The hive text the program writes: InstallDir (when not empty) and the two
// switches of Integration\Shell.
inline std::string HiveText(const std::string& installDir, int cascaded, int background) {
    std::string text = "Windows Registry Editor Version 5.00\n";
    if (!installDir.empty()) {
        std::string escaped;
        for (const char c : installDir) {
            if (c == '\\' || c == '"') escaped += '\\';
            escaped += c;
        }
        text += "\n[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine]\n\"InstallDir\"=\"" + escaped + "\"\n";
    }
    char line[128];
    std::snprintf(line, sizeof line,
                  "\n[HKEY_CURRENT_USER\\Software\\Brasko\\Corvatine\\Integration\\Shell]\n"
                  "\"Cascaded\"=dword:%08x\n\"Background\"=dword:%08x\n",
                  cascaded, background);
    return text + line;
}

}  // namespace corvatine::shellext::test
