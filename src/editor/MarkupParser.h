// The line walk shared by the markup languages: tags with their names and
// attributes, comments, entity references, declarations and, for the
// languages that embed one, script regions walked by a script parser.
#pragma once

#include <memory>
#include <string_view>

#include "editor/ScriptParser.h"

namespace corvatine {

// What a markup language knows.
struct MARKUPRULES {
    const CKeywordSet& (*tags)() = nullptr;              // tag names: keyword colour
    const CKeywordSet& (*attributes)() = nullptr;        // attribute names: second keyword colour
    const CKeywordSet& (*entities)() = nullptr;          // names of entity references: function colour
    const CKeywordSet& (*declarations)() = nullptr;      // names after "<!" and "<?": keyword colour
    const CKeywordSet& (*declarationWords)() = nullptr;  // words inside declarations: second keyword colour
    bool processingInstructions = false;                 // "<?" ... "?>" drawn as a directive
    bool braces = false;                                 // "{" ... "}" drawn as a directive
    bool cdata = false;                                  // "<![CDATA[" ... "]]>" drawn as a string
    // The embedded script: its walk and the delimiters around its regions.
    const CSyntaxParserScript* script = nullptr;
    std::string_view scriptOpen1, scriptClose1;  // "<%" "%>"
    std::string_view scriptOpen2, scriptClose2;  // "<?" "?>"
    // The style sheets of <style> elements, walked to "</style".
    const CSyntaxParserScript* styleSheet = nullptr;
};

// A parser driven by MARKUPRULES. The script's state lives in the low 16 bits
// of the state word while a script region is open; the markup's own bits are
// above them.
class CSyntaxParserMarkup : public CSyntaxParser {
public:
    enum : int {
        STATE_TAG = 0x10000,             // inside "<" ... ">"
        STATE_COMMENT = 0x20000,         // inside "<!--" ... "-->"
        STATE_VALUE_DOUBLE = 0x40000,    // a "..." attribute value
        STATE_VALUE_SINGLE = 0x80000,    // a '...' attribute value
        STATE_SCRIPT = 0x100000,         // inside a script region
        STATE_SCRIPT_SECOND = 0x200000,  // the region opened with the second delimiter
        STATE_INSTRUCTION = 0x400000,    // inside "<?" ... "?>"
        STATE_BRACES = 0x800000,         // inside "{" ... "}"
        STATE_DECLARATION = 0x1000000,   // the tag is a "<!" or "<?" declaration
        STATE_CDATA = 0x2000000,         // inside "<![CDATA[" ... "]]>"
        STATE_STYLE_TAG = 0x4000000,     // inside the tag that opens a <style> element
        STATE_STYLE = 0x8000000,  // inside a <style> element: its style sheet's state in the low 16 bits
        STATE_SCRIPT_BITS = 0xFFFF,
    };

    CSyntaxParserMarkup(int languageNumber, std::string name, std::string extensions, uint32_t options,
                        std::string blockCommentOpen, std::string blockCommentClose,
                        std::string lineCommentOpen, MARKUPRULES rules,
                        std::unique_ptr<CSyntaxParserScript> script = nullptr,
                        std::unique_ptr<CSyntaxParserScript> styleSheet = nullptr);
    ~CSyntaxParserMarkup() override;

    int ParseLine(int state, const CSyntaxTextLine& line, std::vector<COLORBLOCK>* blocks) const override;

private:
    // A region that runs to a closing text, drawn in one colour.
    bool InRegion(CScriptLine& line, int bit, std::string_view close, int colour) const;
    void InTag(CScriptLine& line) const;
    void InText(CScriptLine& line) const;
    bool OpenScript(CScriptLine& line) const;
    void InScript(CScriptLine& line) const;
    void InStyle(CScriptLine& line) const;
    int NameEnd(const CScriptLine& line, int k) const;

    MARKUPRULES m_rules;
    std::unique_ptr<CSyntaxParserScript> m_script;
    std::unique_ptr<CSyntaxParserScript> m_styleSheet;
};

}  // namespace corvatine
