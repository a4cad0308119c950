// The text editor component: the registry of syntax definitions, the
// editor settings and the exporter, one per process.
#pragma once

#include "editor/EditorOptions.h"
#include "editor/RecentTexts.h"
#include "editor/SyntaxParserFactory.h"
#include "editor/SyntaxTextExport.h"

namespace corvatine {

class CSyntaxEditor : public CSyntaxParserFactory, public CSyntaxEditorOptions {
public:
    // Creates the definitions.
    CSyntaxEditor();

    // Colours its pages from this component's colour table.
    CSyntaxTextExport textExport{*this};
    // The texts entered in the find boxes, shared by every view.
    CRecentTexts findHistory;
};

// The text editor component of the process.
CSyntaxEditor& GetSyntaxEditor();

}  // namespace corvatine
