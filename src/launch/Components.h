// The settings objects of one run: one component per feature, each read from
// the settings the first time the run asks for it, and only those read
// written back, so that a run that compares two text files reads and writes
// the text comparison's settings and leaves every other value as it is.
#pragma once

#include <memory>

#include "binarycompare/BinaryComparer.h"
#include "binarycompare/HexEditOptions.h"
#include "editor/SyntaxEditor.h"
#include "foldercompare/FileComparer.h"
#include "foldercompare/FolderCompareOptions.h"
#include "launch/CommandLine.h"
#include "persist/ColorScheme.h"
#include "persist/GeneralOptions.h"
#include "platform/Profile.h"
#include "textcompare/TextCompareOptions.h"

namespace corvatine {

class CComponents {
public:
    // Components read from the profile, with the recent lists sized by the
    // general options; both must outlive this object.
    CComponents(platform::CProfile& profile, const CGeneralOptions& general);
    // Components with their defaults, read from nowhere and written nowhere.
    CComponents();
    CComponents(const CComponents&) = delete;
    CComponents& operator=(const CComponents&) = delete;
    ~CComponents();

    // Each component, read (with its recent lists) on first use.
    CTextComparer& Text();
    CFolderComparer& Folders();
    CBinaryComparer& Binary();
    CFileComparer& Files();
    CHexEditor& Hex();
    CColorSchemeOptions& ColorSchemeChoice();
    // The editor's settings live in the process's syntax editor, the
    // registry of the syntax definitions; they are read on first use here.
    CSyntaxEditor& Editor();

    // Reads every component in the order of start-up (the window's).
    void LoadAll();
    // Makes these the components that AppComponents gives, until they go.
    void MakeAppComponents();
    // Writes the recent lists of the components read, and lets them go.
    void SaveRecentLists();
    // Writes the options of the components read.
    void Save() const;

    // What a command line takes the classes it does not name from: these
    // text and folder comparison settings, read only when asked for.
    CommandLineSettings ForCommandLine();

    // The colour tables the components hold now, whether they still hold
    // these, and the scheme in force made from them for a palette (a run
    // without a desktop has the classic light one).
    STOREDCOLORS StoredColors();
    bool HoldColors(const STOREDCOLORS& stored);
    COLORSCHEME ColorScheme(const DESKTOPPALETTE& palette = DESKTOPPALETTE());

private:
    platform::CProfile* m_profile = nullptr;
    const CGeneralOptions* m_general = nullptr;
    std::unique_ptr<CTextComparer> m_text;
    std::unique_ptr<CFolderComparer> m_folders;
    std::unique_ptr<CBinaryComparer> m_binary;
    std::unique_ptr<CFileComparer> m_files;
    std::unique_ptr<CHexEditor> m_hex;
    std::unique_ptr<CColorSchemeOptions> m_colorScheme;
    bool m_editorRead = false;
};

// The components of the program's run, which the window's views and dialogs
// reach wherever they are made: those of the running CCorvatineApp, else
// (views made without the program, as in tests) a set of defaults.
CComponents& AppComponents();

}  // namespace corvatine
