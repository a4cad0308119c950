// Keyword sets of JSON, YAML, TOML and CSS.
#include "editor/SyntaxKeywords.h"

namespace corvatine::keywords {

// JSON's literal names.
const CKeywordSet& JsonKeywords() {
    static const CKeywordSet set({"false", "null", "true"}, true);
    return set;
}

// The plain scalars YAML reads as booleans and null.
const CKeywordSet& YamlKeywords() {
    static const CKeywordSet set({"false", "no", "null", "off", "on", "true", "yes"}, false);
    return set;
}

// TOML's booleans and special floats.
const CKeywordSet& TomlKeywords() {
    static const CKeywordSet set({"false", "inf", "nan", "true"}, true);
    return set;
}

// The CSS properties of the box model, layout, text, colour, backgrounds,
// borders, transforms, transitions and animations.
const CKeywordSet& CssProperties() {
    static const CKeywordSet set({"align-content",
                                  "align-items",
                                  "align-self",
                                  "animation",
                                  "animation-delay",
                                  "animation-duration",
                                  "animation-name",
                                  "aspect-ratio",
                                  "background",
                                  "background-color",
                                  "background-image",
                                  "background-position",
                                  "background-repeat",
                                  "background-size",
                                  "border",
                                  "border-bottom",
                                  "border-collapse",
                                  "border-color",
                                  "border-left",
                                  "border-radius",
                                  "border-right",
                                  "border-style",
                                  "border-top",
                                  "border-width",
                                  "bottom",
                                  "box-shadow",
                                  "box-sizing",
                                  "clear",
                                  "color",
                                  "column-gap",
                                  "content",
                                  "cursor",
                                  "display",
                                  "fill",
                                  "flex",
                                  "flex-basis",
                                  "flex-direction",
                                  "flex-grow",
                                  "flex-shrink",
                                  "flex-wrap",
                                  "float",
                                  "font",
                                  "font-family",
                                  "font-size",
                                  "font-style",
                                  "font-weight",
                                  "gap",
                                  "grid",
                                  "grid-area",
                                  "grid-column",
                                  "grid-row",
                                  "grid-template-areas",
                                  "grid-template-columns",
                                  "grid-template-rows",
                                  "height",
                                  "justify-content",
                                  "justify-items",
                                  "left",
                                  "letter-spacing",
                                  "line-height",
                                  "list-style",
                                  "margin",
                                  "margin-bottom",
                                  "margin-left",
                                  "margin-right",
                                  "margin-top",
                                  "max-height",
                                  "max-width",
                                  "min-height",
                                  "min-width",
                                  "object-fit",
                                  "opacity",
                                  "order",
                                  "outline",
                                  "overflow",
                                  "overflow-x",
                                  "overflow-y",
                                  "padding",
                                  "padding-bottom",
                                  "padding-left",
                                  "padding-right",
                                  "padding-top",
                                  "pointer-events",
                                  "position",
                                  "right",
                                  "row-gap",
                                  "stroke",
                                  "text-align",
                                  "text-decoration",
                                  "text-overflow",
                                  "text-transform",
                                  "top",
                                  "transform",
                                  "transition",
                                  "transition-duration",
                                  "user-select",
                                  "vertical-align",
                                  "visibility",
                                  "white-space",
                                  "width",
                                  "word-break",
                                  "z-index"},
                                 false);
    return set;
}

// The CSS-wide keywords and the values of the commonest properties.
const CKeywordSet& CssValues() {
    static const CKeywordSet set(
        {"absolute", "auto",   "block",       "bold",      "border-box", "center",   "column", "fixed",
         "flex",     "grid",   "hidden",      "important", "inherit",    "initial",  "inline", "inline-block",
         "italic",   "none",   "normal",      "nowrap",    "pointer",    "relative", "row",    "solid",
         "static",   "sticky", "transparent", "unset",     "visible",    "wrap"},
        false);
    return set;
}

}  // namespace corvatine::keywords
