#include "app/DiffOptions.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/AtomicFile.h"

namespace corvatine {

namespace {

enum class Value { None, Required, Optional };

struct LONGOPTION {
    const char* name;
    Value value;
    char letter;  // the short option it stands for; 0: none
};

// Diff's long options the program takes, by the short letter they share
// with diff. "context-diff" is diff's --context, whose name is the
// program's own (the unified format's lines of context).
constexpr LONGOPTION kLongOptions[] = {
    {"unified", Value::Optional, 'U'},
    {"context-diff", Value::Optional, 'C'},
    {"normal", Value::None, 0},
    {"side-by-side", Value::None, 'y'},
    {"brief", Value::None, 'q'},
    {"report-identical-files", Value::None, 's'},
    {"recursive", Value::None, 'r'},
    {"new-file", Value::None, 'N'},
    {"text", Value::None, 'a'},
    {"ignore-all-space", Value::None, 'w'},
    {"ignore-space-change", Value::None, 'b'},
    {"ignore-case", Value::None, 'i'},
    {"ignore-blank-lines", Value::None, 'B'},
    {"ignore-tab-expansion", Value::None, 'E'},
    {"ignore-trailing-space", Value::None, 'Z'},
    {"strip-trailing-cr", Value::None, 0},
    {"ignore-matching-lines", Value::Required, 'I'},
    {"exclude", Value::Required, 'x'},
    {"exclude-from", Value::Required, 'X'},
};

// Words the program also has: diff's only when the run is diff's.
constexpr const char* kSharedWords[] = {"width", "label", "color"};

constexpr std::string_view kFlagLetters = "uyqsrNwbiBEZa";
constexpr std::string_view kValueLetters = "UCWIxXL";

const LONGOPTION* FindLong(std::string_view name) {
    for (const LONGOPTION& option : kLongOptions)
        if (name == option.name) return &option;
    return nullptr;
}

bool IsShared(std::string_view name) {
    return std::any_of(std::begin(kSharedWords), std::end(kSharedWords),
                       [&](const char* word) { return name == word; });
}

// A bundle of diff's short options: flags, then at most one letter that
// takes a value (attached or the next argument).
bool IsBundle(const std::string& argument) {
    if (argument.size() < 2 || argument[0] != '-' || argument[1] == '-') return false;
    for (size_t i = 1; i < argument.size(); ++i) {
        if (kValueLetters.find(argument[i]) != std::string_view::npos) return true;
        if (kFlagLetters.find(argument[i]) == std::string_view::npos) return false;
    }
    return true;
}

// A word as a shell reads it back: in single quotes where it needs them.
std::string ShellQuoted(const std::string& word) {
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || std::strchr("_%+,-./:@", c) != nullptr;
    });
    if (plain) return word;
    std::string quoted = "'";
    for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

bool ParseNumber(const std::string& text, int& value, int least) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = std::stoi(text);
    return value >= least;
}

bool IsMode(const std::string& text) {
    return text == "." || (text.size() == 6 && std::all_of(text.begin(), text.end(),
                                                           [](char c) { return c >= '0' && c <= '7'; }));
}

bool IsObjectName(const std::string& text) {
    return text == "." ||
           ((text.size() == 40 || text.size() == 64) &&
            std::all_of(text.begin(), text.end(), [](char c) { return std::isxdigit(c) != 0; }));
}

// Subversion's diff-cmd call: its extension flags (-u by default), two
// "-L LABEL" pairs and the two files.
bool IsSubversionCall(const std::vector<std::string>& arguments) {
    std::vector<std::string> rest;
    for (const std::string& argument : arguments)
        if (argument != "--gui") rest.push_back(argument);
    if (rest.size() < 6) return false;
    const size_t labels = rest.size() - 6;
    for (size_t i = 0; i < labels; ++i)
        if (!IsBundle(rest[i]) || rest[i].find_first_of(kValueLetters) != std::string::npos) return false;
    return rest[labels] == "-L" && rest[labels + 2] == "-L";
}

class CParser {
public:
    CParser(DIFFOPTIONS& options, std::string& error) : m_options(options), m_error(error) {}

    // Applies one option (by its short letter, or a long name without
    // one); false with the error set.
    bool Apply(char letter, const std::string& name, const std::string& value, bool hasValue) {
        const std::string shown = letter != 0 ? std::string("-") + letter : "--" + name;
        const int style = letter == 'u' || letter == 'U' ? 1
                          : letter == 'C'                ? 2
                          : letter == 'y'                ? 3
                          : name == "normal"             ? 4
                                                         : 0;
        if (style != 0 && m_style != 0 && style != m_style) {
            m_error = "conflicting output style options";
            return false;
        }
        if (style != 0) m_style = style;
        switch (letter) {
            case 'u': m_options.format = DiffFormat::Unified; return true;
            case 'U':
                m_options.format = DiffFormat::Unified;
                return !hasValue || Count(value, shown, m_options.context);
            case 'C':
                m_options.format = DiffFormat::Context;
                return !hasValue || Count(value, shown, m_options.context);
            case 'y': m_options.format = DiffFormat::SideBySide; return true;
            case 'W':
                if (!ParseNumber(value, m_options.width, 1))
                    return Bad(value, shown, "a number of columns from 1");
                return true;
            case 'q': m_options.brief = true; return true;
            case 's': m_options.reportIdentical = true; return true;
            case 'r': m_options.recursive = true; return true;
            case 'N': m_options.newFile = true; return true;
            case 'a': m_options.text = true; return true;
            case 'w': m_options.ignoreAllSpace = true; return true;
            case 'b': m_options.ignoreSpaceChange = true; return true;
            case 'i': m_options.ignoreCase = true; return true;
            case 'B': m_options.ignoreBlankLines = true; return true;
            case 'E': m_options.ignoreTabExpansion = true; return true;
            case 'Z': m_options.ignoreTrailingSpace = true; return true;
            case 'I': m_options.ignoreLines.push_back(value); return true;
            case 'x': m_options.excludes.push_back(value); return true;
            case 'X': return ReadExcludes(value);
            case 'L':
                if (m_options.labels.size() == 2) {
                    m_error = "option '--label' is given at most twice: the left and the right label";
                    return false;
                }
                m_options.labels.push_back(value);
                return true;
            default: break;
        }
        if (name == "normal") m_options.format = DiffFormat::Normal;
        if (name == "strip-trailing-cr") m_options.stripTrailingCr = true;
        if (name == "color") {
            if (hasValue && value != "auto" && value != "always" && value != "never")
                return Bad(value, shown, "never, always or auto");
            m_color = hasValue ? value : "auto";
        }
        return true;
    }

    const std::string& Color() const { return m_color; }

private:
    bool Count(const std::string& value, const std::string& shown, int& field) {
        return ParseNumber(value, field, 0) || Bad(value, shown, "a number of lines from 0");
    }
    bool Bad(const std::string& value, const std::string& shown, const char* what) {
        m_error = "invalid value '" + value + "' for '" + shown + "': " + what;
        return false;
    }
    bool ReadExcludes(const std::string& path) {
        std::string text, error;
        bool missing = false;
        if (!platform::ReadWholeFile(path, text, missing, error)) {
            m_error = "-X: " + error;
            return false;
        }
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            if (end > start) m_options.excludes.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return true;
    }

    DIFFOPTIONS& m_options;
    std::string& m_error;
    std::string m_color;
    int m_style = 0;  // the output format chosen: 0 none yet
};

struct TAKEN {
    char letter;
    std::string name;
    std::string value;
    bool hasValue;
    bool shared;                     // one of the program's words, as the program writes it
    std::vector<std::string> words;  // the arguments it came from
};

// Takes the long option arguments[i] into taken, with its value from the
// next argument (i moves on) when it needs one; a word that neither diff nor
// the program knows goes to rest. False with error when the option is wrong.
bool TakeLongOption(const std::vector<std::string>& arguments, size_t& i, std::vector<TAKEN>& taken,
                    std::vector<std::string>& rest, std::string& error) {
    const std::string& argument = arguments[i];
    const size_t equals = argument.find('=');
    const std::string name = argument.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    const bool hasValue = equals != std::string::npos;
    const std::string value = hasValue ? argument.substr(equals + 1) : std::string();
    const LONGOPTION* option = FindLong(name);
    if (option == nullptr && !IsShared(name)) {
        rest.push_back(argument);
        return true;
    }
    TAKEN one{option != nullptr ? option->letter
                                : (name == "width"   ? 'W'
                                   : name == "label" ? 'L'
                                                     : '\0'),
              name,
              value,
              hasValue,
              IsShared(name) && hasValue,
              {argument}};
    const Value kind = option != nullptr ? option->value
                       : name == "color" ? Value::Optional
                                         : Value::Required;
    if (kind == Value::None && hasValue) {
        error = "option '--" + name + "' takes no value";
        return false;
    }
    if (kind == Value::Required && !hasValue) {
        if (i + 1 >= arguments.size()) {
            error = "option '--" + name + "' needs a value";
            return false;
        }
        one.value = arguments[++i];
        one.hasValue = true;
        one.words.push_back(one.value);
    }
    taken.push_back(std::move(one));
    return true;
}

// Takes the letters of the bundle arguments[i] ("-abU3", "-U 3") into taken;
// a letter with a value ends it, the value from the next argument (i moves
// on) when the bundle has none. False with error when that is missing.
bool TakeBundle(const std::vector<std::string>& arguments, size_t& i, std::vector<TAKEN>& taken,
                std::string& error) {
    const std::string& argument = arguments[i];
    std::vector<std::string> words{argument};
    for (size_t k = 1; k < argument.size(); ++k) {
        const char letter = argument[k];
        if (kValueLetters.find(letter) == std::string_view::npos) {
            taken.push_back({letter, std::string(), std::string(), false, false, words});
            words.clear();
            continue;
        }
        std::string value = argument.substr(k + 1);
        if (value.empty()) {
            if (i + 1 >= arguments.size()) {
                error = std::string("option requires an argument -- '") + letter + "'";
                return false;
            }
            value = arguments[++i];
            words.push_back(value);
        }
        taken.push_back({letter, std::string(), value, true, false, words});
        break;
    }
    return true;
}

// Sorts the arguments into diff's options (taken) and the rest, which keeps
// everything from "--" on. False with error when an option is wrong.
bool SortArguments(const std::vector<std::string>& arguments, std::vector<TAKEN>& taken,
                   std::vector<std::string>& rest, std::string& error) {
    bool ended = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (ended || argument == "--") {
            ended = true;
            rest.push_back(argument);
        } else if (argument.size() > 2 && argument.compare(0, 2, "--") == 0) {
            if (!TakeLongOption(arguments, i, taken, rest, error)) return false;
        } else if (!IsBundle(argument)) {
            rest.push_back(argument);
        } else if (!TakeBundle(arguments, i, taken, error)) {
            return false;
        }
    }
    return true;
}

// git's external diff call: the old and the new file under git's labels.
// False, with words and options as they were, when the words are not one.
bool TakeGitCall(std::vector<std::string>& words, DIFFOPTIONS& options, bool noGui) {
    std::vector<std::string> paths;
    for (const std::string& word : words)
        if (word != "--gui" && word != "--no-gui" && word != "--") paths.push_back(word);
    if ((paths.size() != 7 && paths.size() != 9) || !IsObjectName(paths[2]) || !IsMode(paths[3]) ||
        !IsObjectName(paths[5]) || !IsMode(paths[6]))
        return false;
    options.gitForm = true;
    if (options.labels.empty())
        options.labels = {
            paths[1] == "/dev/null" ? paths[1] : "a/" + paths[0],
            paths[4] == "/dev/null" ? paths[4] : "b/" + (paths.size() == 9 ? paths[7] : paths[0])};
    words = {paths[1], paths[4]};
    if (noGui) words.insert(words.begin(), "--no-gui");
    return true;
}

}  // namespace

bool TakeDiffOptions(std::vector<std::string>& arguments, DIFFOPTIONS& options, bool hasDisplay,
                     std::string& error) {
    const bool noGui = std::find(arguments.begin(), arguments.end(), "--no-gui") != arguments.end();
    if (hasDisplay && !noGui && IsSubversionCall(arguments)) return true;
    const bool merge = std::find(arguments.begin(), arguments.end(), "--merge") != arguments.end();

    std::vector<TAKEN> taken;
    std::vector<std::string> rest;
    if (!SortArguments(arguments, taken, rest, error)) return false;

    // The program's own --width=N, --color=WHEN and --label=L (with
    // --merge) keep their meaning unless the run is diff's.
    const bool diffRun = std::any_of(taken.begin(), taken.end(), [&](const TAKEN& one) {
        return !one.shared || (one.name == "label" && !merge);
    });
    if (!diffRun) {
        // Without diff's options git's call runs headless as a unified
        // diff, or opens the window on the two files.
        if (taken.empty() && TakeGitCall(arguments, options, noGui)) {
            options.format = DiffFormat::Unified;
            options.active = !hasDisplay || noGui;
        }
        return true;
    }
    CParser parser(options, error);
    for (const TAKEN& one : taken) {
        if (!parser.Apply(one.letter, one.name, one.value, one.hasValue)) return false;
        for (const std::string& word : one.words)
            options.given += (options.given.empty() ? "" : " ") + ShellQuoted(word);
    }
    options.active = true;
    options.color = parser.Color() == "always";
    if (parser.Color() == "auto") {
        const char* term = std::getenv("TERM");
        options.color = ::isatty(1) != 0 && term != nullptr && std::strcmp(term, "dumb") != 0;
    }
    TakeGitCall(rest, options, noGui);
    arguments = std::move(rest);
    return true;
}

}  // namespace corvatine
