// The registry of syntax definitions and the choice of one for a file.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "editor/SyntaxParser.h"

namespace corvatine {

// One item of the language menu.
struct LANGUAGEMENUITEM {
    std::string name;
    int command;
    bool checked;
};

class CSyntaxParserFactory {
public:
    // The language commands: 36800 + language number.
    static constexpr int kFirstLanguageCommand = 36800;
    static constexpr int kLastLanguageCommand = 36999;
    static constexpr const char* kDefaultFilterTemplate = "%Name Files (%Exts)|%Exts";

    CSyntaxParserFactory() = default;
    virtual ~CSyntaxParserFactory() = default;
    CSyntaxParserFactory(const CSyntaxParserFactory&) = delete;
    CSyntaxParserFactory& operator=(const CSyntaxParserFactory&) = delete;

    // Makes the definitions with the creators, in order ("Text" first); a
    // creator that yields nothing is skipped. Returns their number.
    int CreateDefinitions();

    int GetDefinitionCount() const { return static_cast<int>(m_definitions.size()); }
    CSyntaxParser* GetDefinition(int index) const;
    CSyntaxParser* FindDefinitionByNumber(int languageNumber) const;
    int IndexOfDefinition(const CSyntaxParser* definition) const;
    // The first definition whose extension list matches (blanks trimmed,
    // leading dots removed, case ignored); "Text" when none does.
    CSyntaxParser* FindDefinitionForExtension(std::string_view extension) const;
    // The definition for a path: the first whose file names match the
    // path's file name, else by the extension of the file name.
    CSyntaxParser* FindDefinitionForPath(std::string_view path) const;
    // "C/C++ Files (*.c;*.cc;...)|*.c;*.cc;...|" for every definition with
    // extensions or file names (the names first, as they are: "CMake Files
    // (CMakeLists.txt;*.cmake)|..."); with allSupported framed by "All
    // Supported Text Files|...|" and "All Files (*.*)|*.*||".
    std::string BuildFileFilter(bool allSupported, const std::string& pattern = kDefaultFilterTemplate) const;

    // The language menu: its items after the first (which the menu keeps),
    // the one of the current definition checked; empty, and so disabled,
    // with one definition or none.
    std::vector<LANGUAGEMENUITEM> GetLanguageMenu(const CSyntaxParser* current) const;
    // The definition a language command selects; "Text" for an unknown number.
    CSyntaxParser* DefinitionForCommand(int command) const;
    // "Extensions:" and the list, and " File names:" and those when the
    // definition has any, for the status bar while the item is highlighted.
    std::string LanguageCommandStatus(int command) const;

    // Whether an extension list ("c,cc,cpp") accepts an extension.
    static bool ExtensionListMatches(std::string_view list, std::string_view extension);

private:
    std::vector<std::unique_ptr<CSyntaxParser>> m_definitions;
};

}  // namespace corvatine
