#include "editor/MarkupParser.h"

namespace corvatine {

CSyntaxParserMarkup::CSyntaxParserMarkup(int languageNumber, std::string name, std::string extensions,
                                         uint32_t options, std::string blockCommentOpen,
                                         std::string blockCommentClose, std::string lineCommentOpen,
                                         MARKUPRULES rules, std::unique_ptr<CSyntaxParserScript> script,
                                         std::unique_ptr<CSyntaxParserScript> styleSheet)
    : CSyntaxParser(languageNumber, std::move(name), std::move(extensions), options,
                    std::move(blockCommentOpen), std::move(blockCommentClose), std::move(lineCommentOpen)),
      m_rules(rules),
      m_script(std::move(script)),
      m_styleSheet(std::move(styleSheet)) {
    m_rules.script = m_script.get();
    m_rules.styleSheet = m_styleSheet.get();
}

CSyntaxParserMarkup::~CSyntaxParserMarkup() = default;

// Names of tags, attributes and entities: word characters and "-", ":",
// "." and "#" ("#REQUIRED").
int CSyntaxParserMarkup::NameEnd(const CScriptLine& line, int k) const { return line.WordEnd(k, "-:.#"); }

bool CSyntaxParserMarkup::InRegion(CScriptLine& line, int bit, std::string_view close, int colour) const {
    if (!(line.state & bit)) return false;
    line.Colour(line.i, colour);
    const int end = line.Find(line.i, close);
    if (end < 0) {
        line.i = line.length;
    } else {
        line.i = end + static_cast<int>(close.size());
        line.state &= ~bit;
    }
    return true;
}

bool CSyntaxParserMarkup::OpenScript(CScriptLine& line) const {
    if (m_rules.script == nullptr) return false;
    const int i = line.i;
    bool second = false;
    if (line.Matches(i, m_rules.scriptOpen1)) {
        line.i += static_cast<int>(m_rules.scriptOpen1.size());
    } else if (line.Matches(i, m_rules.scriptOpen2)) {
        line.i += static_cast<int>(m_rules.scriptOpen2.size());
        second = true;
    } else {
        return false;
    }
    // "<%=", "<%@" and "<?php" belong to the delimiter.
    if (line.i < line.length && (line.text[line.i] == '=' || line.text[line.i] == '@')) ++line.i;
    if (line.Matches(line.i - 1, "?php", true)) line.i += 3;
    line.Colour(i, COLORINDEX_PREPROCESSOR);
    line.state = (line.state & ~STATE_SCRIPT_BITS) | STATE_SCRIPT | (second ? STATE_SCRIPT_SECOND : 0);
    return true;
}

void CSyntaxParserMarkup::InScript(CScriptLine& line) const {
    const bool second = (line.state & STATE_SCRIPT_SECOND) != 0;
    const std::string_view close = second ? m_rules.scriptClose2 : m_rules.scriptClose1;
    const int outer = line.state & ~STATE_SCRIPT_BITS;
    line.state &= STATE_SCRIPT_BITS;
    const int stop = m_rules.script->Walk(line, close);
    if (stop < 0) {
        // The region goes on; what carries of the script's state is kept.
        line.state = outer | (m_rules.script->EndState(line) & STATE_SCRIPT_BITS);
        return;
    }
    line.Colour(stop, COLORINDEX_PREPROCESSOR);
    line.i = stop + static_cast<int>(close.size());
    line.state = outer & ~(STATE_SCRIPT | STATE_SCRIPT_SECOND);
}

// The text of a <style> element is its style sheet's, up to "</style" in
// any case, wherever that stands (the element's text is raw: comments and
// strings of the sheet do not hide it).
void CSyntaxParserMarkup::InStyle(CScriptLine& line) const {
    int stop = -1;
    for (int k = line.Find(line.i, "<"); k >= 0; k = line.Find(k + 1, "<")) {
        if (line.Matches(k, "</style", true)) {
            stop = k;
            break;
        }
    }
    const int fullLength = line.length;
    if (stop >= 0) line.length = stop;
    const int outer = line.state & ~STATE_SCRIPT_BITS;
    line.state &= STATE_SCRIPT_BITS;
    m_rules.styleSheet->Walk(line);
    const int sheet = m_rules.styleSheet->EndState(line) & STATE_SCRIPT_BITS;
    line.length = fullLength;
    if (stop >= 0) {
        line.i = stop;
        line.state = outer & ~STATE_STYLE;
    } else {
        line.state = outer | sheet;
    }
}

void CSyntaxParserMarkup::InTag(CScriptLine& line) const {
    const int i = line.i;
    const unsigned char c = line.At(i);
    if (c == '>') {
        line.Colour(i, COLORINDEX_OPERATOR);
        // "<style ...>" opens the sheet; "<style/>" holds none.
        if ((line.state & STATE_STYLE_TAG) && !(i > 0 && line.text[i - 1] == '/'))
            line.state = (line.state & ~STATE_SCRIPT_BITS) | STATE_STYLE;
        line.state &= ~(STATE_TAG | STATE_DECLARATION | STATE_STYLE_TAG);
        line.i += 1;
    } else if (c == '"' || c == '\'') {
        line.Colour(i, COLORINDEX_STRING);
        line.state |= c == '"' ? STATE_VALUE_DOUBLE : STATE_VALUE_SINGLE;
        line.i += 1;
    } else if (IsBlank(c)) {
        if (line.CurrentColour() != COLORINDEX_OPERATOR) line.Colour(i, COLORINDEX_NORMALTEXT);
        line.i += 1;
    } else if (IsWordChar(c) || c == '#') {
        const int end = NameEnd(line, i);
        int colour = COLORINDEX_NORMALTEXT;
        if (line.WantsBlocks()) {
            const std::string_view word(line.text + i, static_cast<size_t>(end - i));
            const bool declaration = (line.state & STATE_DECLARATION) != 0;
            if (declaration && m_rules.declarations != nullptr && m_rules.declarations().Contains(word))
                colour = COLORINDEX_KEYWORD;
            else if (declaration && m_rules.declarationWords != nullptr &&
                     m_rules.declarationWords().Contains(word))
                colour = COLORINDEX_USER1;
            else if (m_rules.attributes != nullptr && m_rules.attributes().Contains(word))
                colour = COLORINDEX_USER1;
            else if (m_rules.declarationWords != nullptr && m_rules.declarationWords().Contains(word))
                colour = COLORINDEX_USER1;
        }
        line.Colour(i, colour);
        line.i = end;
    } else {
        line.Colour(i, COLORINDEX_OPERATOR);
        line.i += line.CharLength(i);
    }
}

void CSyntaxParserMarkup::InText(CScriptLine& line) const {
    const int i = line.i;
    const unsigned char c = line.At(i);
    if (c == '<') {
        if (line.Matches(i, "<!--")) {
            line.Colour(i, COLORINDEX_COMMENT);
            line.state |= STATE_COMMENT;
            line.i += 4;
            return;
        }
        if (m_rules.cdata && line.Matches(i, "<![CDATA[")) {
            line.Colour(i, COLORINDEX_STRING);
            line.state |= STATE_CDATA;
            line.i += 9;
            return;
        }
        if (m_rules.processingInstructions && line.Matches(i, "<?")) {
            line.Colour(i, COLORINDEX_PREPROCESSOR);
            line.state |= STATE_INSTRUCTION;
            line.i += 2;
            return;
        }
        int name = i + 1;
        bool declaration = false;
        if (name < line.length &&
            (line.text[name] == '/' || line.text[name] == '!' || line.text[name] == '?')) {
            declaration = line.text[name] != '/';
            ++name;
        }
        if (name < line.length && IsWordStart(line.At(name))) {
            line.Colour(i, COLORINDEX_OPERATOR);
            const int end = NameEnd(line, name);
            int colour = COLORINDEX_NORMALTEXT;
            if (line.WantsBlocks()) {
                const std::string_view word(line.text + name, static_cast<size_t>(end - name));
                const CKeywordSet& (*set)() =
                    declaration && m_rules.declarations != nullptr ? m_rules.declarations : m_rules.tags;
                if (set != nullptr && set().Contains(word)) colour = COLORINDEX_KEYWORD;
            }
            line.Colour(name, colour);
            line.state |= STATE_TAG | (declaration ? STATE_DECLARATION : 0);
            if (m_rules.styleSheet != nullptr && !declaration && line.text[i + 1] != '/' && end - name == 5 &&
                line.Matches(name, "style", true))
                line.state |= STATE_STYLE_TAG;
            line.i = end;
            return;
        }
    } else if (c == '&') {
        int end = i + 1;
        int colour = COLORINDEX_NORMALTEXT;
        if (end < line.length && line.text[end] == '#') {
            end = line.WordEnd(end + 1, {});
            colour = COLORINDEX_NUMBER;
        } else {
            end = NameEnd(line, end);
            const std::string_view name(line.text + i + 1, static_cast<size_t>(end - i - 1));
            if (m_rules.entities != nullptr && !name.empty() && m_rules.entities().Contains(name))
                colour = COLORINDEX_FUNCNAME;
        }
        if (colour != COLORINDEX_NORMALTEXT && end > i + 1 && end < line.length && line.text[end] == ';') {
            line.Colour(i, colour);
            line.i = end + 1;
            return;
        }
    } else if (c == '{' && m_rules.braces) {
        line.Colour(i, COLORINDEX_PREPROCESSOR);
        line.state |= STATE_BRACES;
        line.i += 1;
        return;
    }
    line.Colour(i, COLORINDEX_NORMALTEXT);
    line.i += line.CharLength(i);
}

int CSyntaxParserMarkup::ParseLine(int state, const CSyntaxTextLine& textLine,
                                   std::vector<COLORBLOCK>* blocks) const {
    // Only a language with script regions has script states, and only one
    // with style sheets style states.
    if (m_rules.styleSheet == nullptr) state &= ~(STATE_STYLE | STATE_STYLE_TAG);
    if (m_rules.script == nullptr || !(state & STATE_SCRIPT)) state &= ~(STATE_SCRIPT | STATE_SCRIPT_SECOND);
    if (!(state & (STATE_SCRIPT | STATE_STYLE))) state &= ~STATE_SCRIPT_BITS;
    CScriptLine line(*this, textLine, state, blocks);
    while (line.i < line.length) {
        if (line.state & STATE_SCRIPT) {
            InScript(line);
            continue;
        }
        if (line.state & STATE_STYLE) {
            InStyle(line);
            continue;
        }
        if (InRegion(line, STATE_COMMENT, "-->", COLORINDEX_COMMENT)) continue;
        if (InRegion(line, STATE_INSTRUCTION, "?>", COLORINDEX_PREPROCESSOR)) continue;
        if (InRegion(line, STATE_CDATA, "]]>", COLORINDEX_STRING)) continue;
        if (InRegion(line, STATE_BRACES, "}", COLORINDEX_PREPROCESSOR)) continue;
        // A script region may open anywhere, also inside a tag or its values.
        if (line.At(line.i) == '<' && OpenScript(line)) continue;
        if (InRegion(line, STATE_VALUE_DOUBLE, "\"", COLORINDEX_STRING)) continue;
        if (InRegion(line, STATE_VALUE_SINGLE, "'", COLORINDEX_STRING)) continue;
        if (line.state & STATE_TAG)
            InTag(line);
        else
            InText(line);
    }
    return line.state;
}

}  // namespace corvatine
