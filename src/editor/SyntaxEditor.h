// The text editor component: the registry of syntax definitions and the
// editor settings, one per process.
#pragma once

#include "editor/EditorOptions.h"
#include "editor/RecentTexts.h"
#include "editor/SyntaxParserFactory.h"

namespace corvatine {

class CSyntaxEditor : public CSyntaxParserFactory, public CSyntaxEditorOptions {
public:
    // Creates the definitions.
    CSyntaxEditor();

    // The texts entered in the find boxes, shared by every view.
    CRecentTexts findHistory;
};

// The text editor component of the process.
CSyntaxEditor& GetSyntaxEditor();

}  // namespace corvatine
