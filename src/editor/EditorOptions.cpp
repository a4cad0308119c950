#include "editor/EditorOptions.h"

#include "fileio/CodePages.h"

namespace corvatine {

CSyntaxEditorOptions::CSyntaxEditorOptions() : defaultCodePage(GetACP()) {}

void CSyntaxEditorOptions::Load(const platform::CProfile& profile) {
    const CSyntaxEditorOptions defaults;
    defaultCodePage = profile.GetInt(kTextEditorSettingsKey, "DefaultCodePage", defaults.defaultCodePage);
    if (!IsCodePageSupported(defaultCodePage)) defaultCodePage = defaults.defaultCodePage;
    const int track = profile.GetInt(kTextEditorSettingsKey, "TrackChanges", defaults.trackChanges);
    trackChanges = track == 0 || track == 1 ? track : defaults.trackChanges;
    SetWorkingCodePage(defaultCodePage);
}

void CSyntaxEditorOptions::Save(platform::CProfile& profile) const {
    profile.WriteInt(kTextEditorSettingsKey, "DefaultCodePage", defaultCodePage);
    profile.WriteInt(kTextEditorSettingsKey, "TrackChanges", trackChanges);
}

CSyntaxEditorOptions& GetEditorOptions() {
    static CSyntaxEditorOptions options;
    return options;
}

}  // namespace corvatine
