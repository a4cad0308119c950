#include "launch/Components.h"

namespace corvatine {

namespace {

CComponents* g_appComponents = nullptr;

// A component whose settings are all it reads: made and read from the
// profile, when there is one, the first time the run asks for it.
template <class Component>
Component& ReadOnce(std::unique_ptr<Component>& component, platform::CProfile* profile) {
    if (!component) {
        component = std::make_unique<Component>();
        if (profile != nullptr) component->Load(*profile);
    }
    return *component;
}

}  // namespace

CComponents::CComponents(platform::CProfile& profile, const CGeneralOptions& general)
    : m_profile(&profile), m_general(&general) {}

CComponents::CComponents() = default;

CComponents::~CComponents() {
    if (g_appComponents == this) g_appComponents = nullptr;
}

CTextComparer& CComponents::Text() {
    if (!m_text) {
        m_text = std::make_unique<CTextComparer>();
        if (m_profile != nullptr) {
            m_text->Load(*m_profile);
            m_text->CreateRecentLists(*m_profile, m_general->maxMRU, m_general->maxPairs);
        }
    }
    return *m_text;
}

CFolderComparer& CComponents::Folders() {
    if (!m_folders) {
        m_folders = std::make_unique<CFolderComparer>();
        if (m_profile != nullptr) {
            m_folders->Load(*m_profile);
            m_folders->LoadFilterLists(*m_profile, GetSyntaxEditor());
            m_folders->CreateRecentLists(*m_profile, m_general->maxMRU, m_general->maxPairs);
        }
    }
    return *m_folders;
}

CBinaryComparer& CComponents::Binary() {
    if (!m_binary) {
        m_binary = std::make_unique<CBinaryComparer>();
        if (m_profile != nullptr) m_binary->Load(*m_profile, m_general->maxMRU, m_general->maxPairs);
    }
    return *m_binary;
}

CFileComparer& CComponents::Files() { return ReadOnce(m_files, m_profile); }

CHexEditor& CComponents::Hex() { return ReadOnce(m_hex, m_profile); }

CColorSchemeOptions& CComponents::ColorSchemeChoice() { return ReadOnce(m_colorScheme, m_profile); }

CSyntaxEditor& CComponents::Editor() {
    CSyntaxEditor& editor = GetSyntaxEditor();
    if (!m_editorRead) {
        m_editorRead = true;
        if (m_profile != nullptr) editor.Load(*m_profile);
    }
    return editor;
}

void CComponents::LoadAll() {
    Editor();
    Text();
    Folders();
    Files();
    Binary();
    Hex();
    ColorSchemeChoice();
}

void CComponents::MakeAppComponents() { g_appComponents = this; }

void CComponents::SaveRecentLists() {
    if (m_profile == nullptr) return;
    if (m_text) m_text->SaveRecentLists(*m_profile);
    if (m_folders) m_folders->SaveRecentLists(*m_profile);
    if (m_binary) m_binary->SaveRecentLists(*m_profile);
}

void CComponents::Save() const {
    if (m_profile == nullptr) return;
    if (m_editorRead) GetSyntaxEditor().Save(*m_profile);
    if (m_text) m_text->Save(*m_profile);
    if (m_folders) {
        m_folders->Save(*m_profile);
        m_folders->SaveFilterLists(*m_profile);
    }
    if (m_files) m_files->Save(*m_profile);
    if (m_binary) m_binary->Save(*m_profile);
    if (m_hex) m_hex->Save(*m_profile);
    if (m_colorScheme) m_colorScheme->Save(*m_profile);
}

CommandLineSettings CComponents::ForCommandLine() {
    return {[this]() -> const CTextCompareOptions& { return Text(); },
            [this]() -> const CFolderCompareOptions& { return Folders(); }};
}

STOREDCOLORS CComponents::StoredColors() {
    return STOREDCOLORS::FromComponents(Editor(), Text().colors, Folders().colors, Hex());
}

bool CComponents::HoldColors(const STOREDCOLORS& stored) {
    return stored.MatchesComponents(Editor(), Text().colors, Folders().colors, Hex());
}

COLORSCHEME CComponents::ColorScheme(const DESKTOPPALETTE& palette) {
    return MakeColorScheme(ColorSchemeChoice().scheme, palette, StoredColors());
}

CComponents& AppComponents() {
    if (g_appComponents != nullptr) return *g_appComponents;
    static CComponents defaults;
    return defaults;
}

}  // namespace corvatine
