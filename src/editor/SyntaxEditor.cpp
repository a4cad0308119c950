#include "editor/SyntaxEditor.h"

namespace corvatine {

CSyntaxEditor::CSyntaxEditor() { CreateDefinitions(); }

CSyntaxEditor& GetSyntaxEditor() {
    static CSyntaxEditor editor;
    return editor;
}

}  // namespace corvatine
