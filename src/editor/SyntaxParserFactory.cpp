#include "editor/SyntaxParserFactory.h"

#include "editor/SyntaxParsers.h"
#include "platform/Path.h"
#include "platform/Wildcard.h"

namespace corvatine {

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

bool IsPlainAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x != y && ((x | 0x20) != (y | 0x20) || (x | 0x20) < 'a' || (x | 0x20) > 'z')) return false;
    }
    return true;
}

}  // namespace

int CSyntaxParserFactory::CreateDefinitions() {
    m_definitions.clear();
    for (SyntaxParserCreator create : kSyntaxParserCreators)
        if (std::unique_ptr<CSyntaxParser> definition = create())
            m_definitions.push_back(std::move(definition));
    return GetDefinitionCount();
}

CSyntaxParser* CSyntaxParserFactory::GetDefinition(int index) const {
    return index >= 0 && index < GetDefinitionCount() ? m_definitions[static_cast<size_t>(index)].get()
                                                      : nullptr;
}

CSyntaxParser* CSyntaxParserFactory::FindDefinitionByNumber(int languageNumber) const {
    for (const auto& definition : m_definitions)
        if (definition->GetLanguageNumber() == languageNumber) return definition.get();
    return nullptr;
}

int CSyntaxParserFactory::IndexOfDefinition(const CSyntaxParser* definition) const {
    for (int i = 0; i < GetDefinitionCount(); ++i)
        if (m_definitions[static_cast<size_t>(i)].get() == definition) return i;
    return -1;
}

bool CSyntaxParserFactory::ExtensionListMatches(std::string_view list, std::string_view extension) {
    // Most pieces are plain ASCII names ("cpp"), which a file is opened
    // against for every definition: those are compared without the pattern
    // matcher when the extension is ASCII too.
    const bool asciiExtension = IsPlainAscii(extension);
    size_t pos = 0;
    while (pos <= list.size()) {
        size_t end = list.find(',', pos);
        if (end == std::string_view::npos) end = list.size();
        const std::string_view piece = list.substr(pos, end - pos);
        if (asciiExtension && IsPlainAscii(piece) && piece.find_first_of("*?[`!") == std::string_view::npos) {
            if (EqualIgnoringAsciiCase(piece, extension)) return true;
        } else if (!piece.empty() && platform::IsWellFormedPattern(piece) &&
                   platform::WildcardMatch(piece, extension)) {
            return true;
        }
        pos = end + 1;
    }
    return false;
}

CSyntaxParser* CSyntaxParserFactory::FindDefinitionForExtension(std::string_view extension) const {
    while (!extension.empty() && (extension.front() == ' ' || extension.front() == '\t'))
        extension.remove_prefix(1);
    while (!extension.empty() && (extension.back() == ' ' || extension.back() == '\t'))
        extension.remove_suffix(1);
    while (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
    std::string lower(extension);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const auto& definition : m_definitions)
        if (ExtensionListMatches(definition->GetExtensions(), lower)) return definition.get();
    return GetDefinition(0);
}

CSyntaxParser* CSyntaxParserFactory::FindDefinitionForPath(std::string_view path) const {
    const std::string name = platform::PathFileName(path);
    for (const auto& definition : m_definitions)
        if (!definition->GetFileNames().empty() && ExtensionListMatches(definition->GetFileNames(), name))
            return definition.get();
    const size_t dot = name.rfind('.');
    return FindDefinitionForExtension(dot == std::string::npos ? std::string_view()
                                                               : std::string_view(name).substr(dot + 1));
}

std::string CSyntaxParserFactory::BuildFileFilter(bool allSupported, const std::string& pattern) const {
    std::string filter;
    std::string all;
    for (const auto& definition : m_definitions) {
        if (definition->GetExtensions().empty() && definition->GetFileNames().empty()) continue;
        std::string patterns = definition->GetFileNames();
        ReplaceAll(patterns, ",", ";");
        if (!definition->GetExtensions().empty()) {
            if (!patterns.empty()) patterns += ";";
            patterns += "*." + definition->GetExtensions();
            ReplaceAll(patterns, ",", ";*.");
        }
        std::string entry = pattern;
        ReplaceAll(entry, "%Name", definition->GetName());
        ReplaceAll(entry, "%Exts", patterns);
        filter += entry + "|";
        all += patterns + ";";
    }
    if (!allSupported) return filter;
    if (!all.empty()) all.pop_back();
    return "All Supported Text Files|" + all + "|" + filter + "All Files (*.*)|*.*||";
}

std::vector<LANGUAGEMENUITEM> CSyntaxParserFactory::GetLanguageMenu(const CSyntaxParser* current) const {
    std::vector<LANGUAGEMENUITEM> items;
    if (GetDefinitionCount() <= 1) return items;
    const int checked = current ? current->GetLanguageNumber() : 0;
    for (int i = 1; i < GetDefinitionCount(); ++i) {
        const CSyntaxParser* definition = GetDefinition(i);
        items.push_back(
            {definition->GetName(), kFirstLanguageCommand + i, definition->GetLanguageNumber() == checked});
    }
    return items;
}

CSyntaxParser* CSyntaxParserFactory::DefinitionForCommand(int command) const {
    CSyntaxParser* definition = nullptr;
    if (command >= kFirstLanguageCommand && command <= kLastLanguageCommand)
        definition = FindDefinitionByNumber(command - kFirstLanguageCommand);
    return definition ? definition : FindDefinitionByNumber(0);
}

std::string CSyntaxParserFactory::LanguageCommandStatus(int command) const {
    const CSyntaxParser* definition = DefinitionForCommand(command);
    std::string status = "Extensions:" + definition->GetExtensions();
    if (!definition->GetFileNames().empty()) status += " File names:" + definition->GetFileNames();
    return status;
}

}  // namespace corvatine
