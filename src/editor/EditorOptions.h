// The text editor settings that the buffer and the file access need.
#pragma once

#include "platform/Profile.h"

namespace corvatine {

inline constexpr const char* kTextEditorSettingsKey = "Components\\TextEditor\\Settings";

class CSyntaxEditorOptions {
public:
    // The working code page of all text in memory; the system code page by default.
    int defaultCodePage;
    // New edit contexts track which lines changed since loading and saving.
    int trackChanges = 1;

    CSyntaxEditorOptions();

    // Reads the settings and makes the stored code page the working one
    // (an unknown code page falls back to the system's).
    void Load(const platform::CProfile& profile);
    void Save(platform::CProfile& profile) const;
};

// The editor settings of the process.
CSyntaxEditorOptions& GetEditorOptions();

}  // namespace corvatine
