#include "editor/EditorOptions.h"

#include <algorithm>
#include <string>

#include "fileio/CodePages.h"

namespace corvatine {

// The system colours of a desktop (window, window text, scroll bar,
// highlight) are those of the classic Windows scheme, which has no Linux
// counterpart until a desktop interface exists.
const SYNTAXCOLOR CSyntaxEditorOptions::kDefaultColors[COLORINDEX_COUNT] = {
    {RGB(128, 0, 0), 0},     {RGB(255, 255, 255), 0}, {RGB(255, 255, 255), 0}, {RGB(0, 0, 0), 0},
    {RGB(200, 200, 200), 0}, {RGB(0, 120, 215), 0},   {RGB(255, 255, 255), 0}, {RGB(123, 152, 225), 0},
    {RGB(255, 255, 0), 0},   {RGB(0, 0, 255), 1},     {RGB(128, 0, 128), 0},   {RGB(0, 128, 0), 0},
    {RGB(255, 0, 0), 0},     {RGB(96, 96, 96), 0},    {RGB(128, 0, 0), 0},     {RGB(0, 128, 192), 0},
    {RGB(128, 0, 0), 0},     {RGB(128, 0, 0), 0},     {RGB(0, 0, 128), 0},     {RGB(0, 128, 192), 0},
};

CSyntaxEditorOptions::CSyntaxEditorOptions() : defaultCodePage(GetACP()) {
    std::copy(std::begin(kDefaultColors), std::end(kDefaultColors), colors);
}

void CSyntaxEditorOptions::Load(const platform::CProfile& profile) {
    const CSyntaxEditorOptions defaults;
    defaultCodePage = profile.GetInt(kTextEditorSettingsKey, "DefaultCodePage", defaults.defaultCodePage);
    if (!IsCodePageSupported(defaultCodePage)) defaultCodePage = defaults.defaultCodePage;
    const int track = profile.GetInt(kTextEditorSettingsKey, "TrackChanges", defaults.trackChanges);
    trackChanges = track == 0 || track == 1 ? track : defaults.trackChanges;
    font = profile.GetString(kTextEditorSettingsKey, "Font", defaults.font);
    const int tab = profile.GetInt(kTextEditorSettingsKey, "TabSize", defaults.tabSize);
    tabSize = tab >= 1 && tab <= kMaxTabSize ? tab : defaults.tabSize;
    wordWrap = profile.GetInt(kTextEditorSettingsKey, "WordWrap", defaults.wordWrap) != 0 ? 1 : 0;
    showWhiteSpace =
        profile.GetInt(kTextEditorSettingsKey, "ShowWhiteSpace", defaults.showWhiteSpace) != 0 ? 1 : 0;
    SetWorkingCodePage(defaultCodePage);

    std::copy(std::begin(kDefaultColors), std::end(kDefaultColors), colors);
    if (profile.GetInt(kTextEditorColorsKey, "Count", 0) == COLORINDEX_COUNT) {
        for (int i = 0; i < COLORINDEX_COUNT; ++i) {
            const std::string n = std::to_string(i + 1);
            colors[i].color = static_cast<uint32_t>(
                profile.GetInt(kTextEditorColorsKey, "Color" + n, static_cast<int>(colors[i].color)));
            colors[i].bold = profile.GetInt(kTextEditorColorsKey, "Bold" + n, colors[i].bold) != 0 ? 1 : 0;
        }
    }
}

void CSyntaxEditorOptions::Save(platform::CProfile& profile) const {
    profile.WriteInt(kTextEditorSettingsKey, "DefaultCodePage", defaultCodePage);
    profile.WriteInt(kTextEditorSettingsKey, "TrackChanges", trackChanges);
    profile.WriteString(kTextEditorSettingsKey, "Font", font);
    profile.WriteInt(kTextEditorSettingsKey, "TabSize",
                     tabSize >= 1 && tabSize <= kMaxTabSize ? tabSize : kDefaultTabSize);
    profile.WriteInt(kTextEditorSettingsKey, "WordWrap", wordWrap != 0 ? 1 : 0);
    profile.WriteInt(kTextEditorSettingsKey, "ShowWhiteSpace", showWhiteSpace != 0 ? 1 : 0);
    profile.WriteInt(kTextEditorColorsKey, "Count", COLORINDEX_COUNT);
    for (int i = 0; i < COLORINDEX_COUNT; ++i) {
        const std::string n = std::to_string(i + 1);
        profile.WriteInt(kTextEditorColorsKey, "Color" + n, static_cast<int>(colors[i].color));
        profile.WriteInt(kTextEditorColorsKey, "Bold" + n, colors[i].bold);
    }
}

}  // namespace corvatine
