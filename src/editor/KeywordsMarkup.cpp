// The keyword sets of the markup and scripting languages: ASP, HTML, PHP, Python,
// SGML, shell, SQL, TCL and XML.

#include "editor/SyntaxKeywords.h"

namespace corvatine::keywords {

// The elements of HTML 4.01's Strict DTD.
const CKeywordSet& AspTags() {
    static const CKeywordSet set(
        {
            "a",      "abbr",       "acronym",  "address", "area",     "b",       "base",  "bdo",
            "big",    "blockquote", "body",     "br",      "button",   "caption", "cite",  "code",
            "col",    "colgroup",   "dd",       "del",     "dfn",      "div",     "dl",    "dt",
            "em",     "fieldset",   "form",     "h1",      "h2",       "h3",      "h4",    "h5",
            "h6",     "head",       "hr",       "html",    "i",        "img",     "input", "ins",
            "kbd",    "label",      "legend",   "li",      "link",     "map",     "meta",  "noscript",
            "object", "ol",         "optgroup", "option",  "p",        "param",   "pre",   "q",
            "samp",   "script",     "select",   "small",   "span",     "strong",  "style", "sub",
            "sup",    "table",      "tbody",    "td",      "textarea", "tfoot",   "th",    "thead",
            "title",  "tr",         "tt",       "ul",      "var",
        },
        false);
    return set;
}

// The attributes of HTML 3.2, and RUNAT, LANGUAGE, ID and PROGID, with which an ASP page
// declares its server-side scripts and objects.
const CKeywordSet& AspAttributes() {
    static const CKeywordSet set(
        {
            "action",      "align",       "alink",      "alt",      "background", "bgcolor",   "border",
            "cellpadding", "cellspacing", "checked",    "clear",    "code",       "codebase",  "color",
            "cols",        "colspan",     "compact",    "content",  "coords",     "enctype",   "height",
            "href",        "hspace",      "http-equiv", "ismap",    "link",       "maxlength", "method",
            "multiple",    "name",        "nohref",     "noshade",  "nowrap",     "prompt",    "rel",
            "rev",         "rows",        "rowspan",    "selected", "shape",      "size",      "src",
            "start",       "text",        "title",      "type",     "usemap",     "valign",    "value",
            "version",     "vlink",       "vspace",     "width",    "runat",      "language",  "id",
            "progid",
        },
        false);
    return set;
}

// HTML 4.01's Latin-1 and special character entities, and from its symbol entities fnof, the
// general punctuation and trade; names that differ only in case stand once.
const CKeywordSet& AspEntities() {
    static const CKeywordSet set(
        {
            "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
            "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
            "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
            "raquo",  "frac14", "frac12", "frac34", "iquest", "agrave", "aacute", "acirc",  "atilde",
            "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
            "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde",
            "ouml",   "times",  "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",
            "szlig",  "divide", "yuml",   "quot",   "amp",    "lt",     "gt",     "oelig",  "scaron",
            "circ",   "tilde",  "ensp",   "emsp",   "thinsp", "zwnj",   "zwj",    "lrm",    "rlm",
            "ndash",  "mdash",  "lsquo",  "rsquo",  "sbquo",  "ldquo",  "rdquo",  "bdquo",  "dagger",
            "permil", "lsaquo", "rsaquo", "euro",   "fnof",   "bull",   "hellip", "prime",  "oline",
            "frasl",  "trade",
        },
        false);
    return set;
}

// VBScript's constants, statements, operators and functions (without the script-engine queries and
// InputBox, MsgBox, LoadPicture and GetRef, which serve a browser or desktop), Err and the ASP objects.
const CKeywordSet& AspScriptWords() {
    static const CKeywordSet set(
        {
            "Empty",
            "False",
            "Nothing",
            "Null",
            "True",
            "Call",
            "Class",
            "Const",
            "Dim",
            "Do",
            "Loop",
            "While",
            "Until",
            "Wend",
            "Erase",
            "Execute",
            "ExecuteGlobal",
            "Exit",
            "For",
            "Each",
            "In",
            "To",
            "Step",
            "Next",
            "Function",
            "Sub",
            "End",
            "If",
            "Then",
            "Else",
            "ElseIf",
            "Select",
            "Case",
            "On",
            "Error",
            "Resume",
            "GoTo",
            "Option",
            "Explicit",
            "Private",
            "Public",
            "Default",
            "Property",
            "Get",
            "Let",
            "Set",
            "New",
            "ReDim",
            "Preserve",
            "Randomize",
            "Rem",
            "Stop",
            "With",
            "ByVal",
            "ByRef",
            "And",
            "Or",
            "Not",
            "Xor",
            "Eqv",
            "Imp",
            "Is",
            "Mod",
            "Abs",
            "Array",
            "Asc",
            "Atn",
            "CBool",
            "CByte",
            "CCur",
            "CDate",
            "CDbl",
            "Chr",
            "CInt",
            "CLng",
            "Cos",
            "CreateObject",
            "CSng",
            "CStr",
            "Date",
            "DateAdd",
            "DateDiff",
            "DatePart",
            "DateSerial",
            "DateValue",
            "Day",
            "Escape",
            "Eval",
            "Exp",
            "Filter",
            "Fix",
            "FormatCurrency",
            "FormatDateTime",
            "FormatNumber",
            "FormatPercent",
            "GetLocale",
            "GetObject",
            "Hex",
            "Hour",
            "InStr",
            "InStrRev",
            "Int",
            "IsArray",
            "IsDate",
            "IsEmpty",
            "IsNull",
            "IsNumeric",
            "IsObject",
            "Join",
            "LBound",
            "LCase",
            "Left",
            "Len",
            "Log",
            "LTrim",
            "Mid",
            "Minute",
            "Month",
            "MonthName",
            "Now",
            "Oct",
            "Replace",
            "RGB",
            "Right",
            "Rnd",
            "Round",
            "RTrim",
            "Second",
            "SetLocale",
            "Sgn",
            "Sin",
            "Space",
            "Split",
            "Sqr",
            "StrComp",
            "String",
            "StrReverse",
            "Tan",
            "Time",
            "Timer",
            "TimeSerial",
            "TimeValue",
            "Trim",
            "TypeName",
            "UBound",
            "UCase",
            "Unescape",
            "VarType",
            "Weekday",
            "WeekdayName",
            "Year",
            "Err",
            "ASPError",
            "Application",
            "ObjectContext",
            "Request",
            "Response",
            "Server",
            "Session",
        },
        false);
    return set;
}

// The elements of HTML 4.01 (Strict, Transitional and Frameset DTDs), and EMBED and WBR, which
// browsers have long accepted and HTML5 made standard.
const CKeywordSet& HtmlTags() {
    static const CKeywordSet set(
        {
            "a",        "abbr",    "acronym",  "address",    "applet",   "area",   "b",        "base",
            "basefont", "bdo",     "big",      "blockquote", "body",     "br",     "button",   "caption",
            "center",   "cite",    "code",     "col",        "colgroup", "dd",     "del",      "dfn",
            "dir",      "div",     "dl",       "dt",         "em",       "embed",  "fieldset", "font",
            "form",     "frame",   "frameset", "h1",         "h2",       "h3",     "h4",       "h5",
            "h6",       "head",    "hr",       "html",       "i",        "iframe", "img",      "input",
            "ins",      "isindex", "kbd",      "label",      "legend",   "li",     "link",     "map",
            "menu",     "meta",    "noframes", "noscript",   "object",   "ol",     "optgroup", "option",
            "p",        "param",   "pre",      "q",          "s",        "samp",   "script",   "select",
            "small",    "span",    "strike",   "strong",     "style",    "sub",    "sup",      "table",
            "tbody",    "td",      "textarea", "tfoot",      "th",       "thead",  "title",    "tr",
            "tt",       "u",       "ul",       "var",        "wbr",
        },
        false);
    return set;
}

// The attributes of HTML 4.01 (Strict, Transitional and Frameset DTDs), and XHTML's xmlns.
const CKeywordSet& HtmlAttributes() {
    static const CKeywordSet set(
        {
            "abbr",         "accept",       "accept-charset",
            "accesskey",    "action",       "align",
            "alink",        "alt",          "archive",
            "axis",         "background",   "bgcolor",
            "border",       "cellpadding",  "cellspacing",
            "char",         "charoff",      "charset",
            "checked",      "cite",         "class",
            "classid",      "clear",        "code",
            "codebase",     "codetype",     "color",
            "cols",         "colspan",      "compact",
            "content",      "coords",       "data",
            "datapagesize", "datetime",     "declare",
            "defer",        "dir",          "disabled",
            "enctype",      "event",        "face",
            "for",          "frame",        "frameborder",
            "headers",      "height",       "href",
            "hreflang",     "hspace",       "http-equiv",
            "id",           "ismap",        "label",
            "lang",         "language",     "link",
            "longdesc",     "marginheight", "marginwidth",
            "maxlength",    "media",        "method",
            "multiple",     "name",         "nohref",
            "noresize",     "noshade",      "nowrap",
            "object",       "onblur",       "onchange",
            "onclick",      "ondblclick",   "onfocus",
            "onkeydown",    "onkeypress",   "onkeyup",
            "onload",       "onmousedown",  "onmousemove",
            "onmouseout",   "onmouseover",  "onmouseup",
            "onreset",      "onselect",     "onsubmit",
            "onunload",     "profile",      "prompt",
            "readonly",     "rel",          "rev",
            "rows",         "rowspan",      "rules",
            "scheme",       "scope",        "scrolling",
            "selected",     "shape",        "size",
            "span",         "src",          "standby",
            "start",        "style",        "summary",
            "tabindex",     "target",       "text",
            "title",        "type",         "usemap",
            "valign",       "value",        "valuetype",
            "version",      "vlink",        "vspace",
            "width",        "xmlns",
        },
        false);
    return set;
}

// HTML 4.01's Latin-1 and special character entities, the general punctuation of its symbol
// entities and XML's apos; names that differ only in case stand once.
const CKeywordSet& HtmlEntities() {
    static const CKeywordSet set(
        {
            "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
            "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
            "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
            "raquo",  "frac14", "frac12", "frac34", "iquest", "agrave", "aacute", "acirc",  "atilde",
            "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
            "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde",
            "ouml",   "times",  "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",
            "szlig",  "divide", "yuml",   "quot",   "amp",    "lt",     "gt",     "oelig",  "scaron",
            "circ",   "tilde",  "ensp",   "emsp",   "thinsp", "zwnj",   "zwj",    "lrm",    "rlm",
            "ndash",  "mdash",  "lsquo",  "rsquo",  "sbquo",  "ldquo",  "rdquo",  "bdquo",  "dagger",
            "permil", "lsaquo", "rsaquo", "euro",   "bull",   "hellip", "prime",  "oline",  "frasl",
            "apos",
        },
        false);
    return set;
}

// The PHP keywords and language constructs most scripts use, from the manual's list of reserved
// words (the word operators and magic constants are sets of their own), and two predefined classes.
const CKeywordSet& PhpScriptWords() {
    static const CKeywordSet set(
        {
            "abstract", "array",        "as",       "break",        "case",       "catch",
            "class",    "const",        "continue", "default",      "die",        "do",
            "echo",     "else",         "elseif",   "empty",        "endforeach", "endif",
            "exit",     "extends",      "for",      "foreach",      "function",   "global",
            "if",       "implements",   "include",  "include_once", "interface",  "isset",
            "list",     "new",          "print",    "private",      "protected",  "public",
            "require",  "require_once", "return",   "static",       "switch",     "throw",
            "try",      "unset",        "use",      "while",        "Exception",  "php_user_filter",
        },
        false);
    return set;
}

// PHP's word operators: logical or, and and exclusive or.
const CKeywordSet& PhpOperators() {
    static const CKeywordSet set(
        {
            "OR",
            "AND",
            "XOR",
        },
        false);
    return set;
}

// PHP's magic constants.
const CKeywordSet& PhpConstants() {
    static const CKeywordSet set(
        {
            "__LINE__",
            "__FILE__",
            "__FUNCTION__",
            "__CLASS__",
            "__METHOD__",
        },
        false);
    return set;
}

// The reserved words of early Python (up to 1.4, which still had access and not yet assert).
const CKeywordSet& PythonKeywords() {
    static const CKeywordSet set(
        {
            "access", "and",     "break", "class", "continue", "def",    "del",    "elif",  "else", "except",
            "exec",   "finally", "for",   "from",  "global",   "if",     "import", "in",    "is",   "lambda",
            "not",    "or",      "pass",  "print", "raise",    "return", "try",    "while",
        },
        true);
    return set;
}

// sys.argv and Python's built-in exception classes, as the library reference lists them (without
// OSError's subclasses and aliases, the exception groups, the warnings, BufferError and ReferenceError).
const CKeywordSet& PythonBuiltins() {
    static const CKeywordSet set(
        {
            "argv",
            "ArithmeticError",
            "AssertionError",
            "AttributeError",
            "BaseException",
            "EOFError",
            "Exception",
            "FloatingPointError",
            "GeneratorExit",
            "ImportError",
            "IndentationError",
            "IndexError",
            "KeyError",
            "KeyboardInterrupt",
            "LookupError",
            "MemoryError",
            "ModuleNotFoundError",
            "NameError",
            "NotImplementedError",
            "OSError",
            "OverflowError",
            "RecursionError",
            "RuntimeError",
            "StopAsyncIteration",
            "StopIteration",
            "SyntaxError",
            "SystemError",
            "SystemExit",
            "TabError",
            "TypeError",
            "UnboundLocalError",
            "UnicodeDecodeError",
            "UnicodeEncodeError",
            "UnicodeError",
            "UnicodeTranslateError",
            "ValueError",
            "ZeroDivisionError",
        },
        true);
    return set;
}

// Python's built-in functions that are not types (exec and print are in the keyword set), and the
// special methods that create, print, measure, index and iterate an object.
const CKeywordSet& PythonNames() {
    static const CKeywordSet set(
        {
            "abs",         "aiter",       "all",         "anext",      "any",        "ascii",   "bin",
            "breakpoint",  "callable",    "chr",         "compile",    "delattr",    "dir",     "divmod",
            "eval",        "format",      "getattr",     "globals",    "hasattr",    "hash",    "help",
            "hex",         "id",          "input",       "isinstance", "issubclass", "iter",    "len",
            "locals",      "max",         "min",         "next",       "oct",        "open",    "ord",
            "pow",         "repr",        "round",       "setattr",    "sorted",     "sum",     "vars",
            "__import__",  "__new__",     "__init__",    "__del__",    "__repr__",   "__str__", "__len__",
            "__getitem__", "__setitem__", "__delitem__", "__iter__",
        },
        true);
    return set;
}

// The elements of the DebianDoc DTD, and LinuxDoc's article, list, verbatim and link elements that
// DebianDoc lacks; upper case, as SGML's reference concrete syntax folds names.
const CKeywordSet& SgmlKeywords() {
    static const CKeywordSet set(
        {
            "ABSTRACT", "APPENDIX",  "ARTICLE",  "AUTHOR",    "BOOK",
            "CHAPT",    "CODE",      "COMMENT",  "COPYRIGHT", "COPYRIGHTSUMMARY",
            "DATE",     "DEBIANDOC", "DESCRIP",  "EM",        "EMAIL",
            "ENUM",     "ENUMLIST",  "EXAMPLE",  "FILE",      "FOOTNOTE",
            "FTPPATH",  "FTPSITE",   "HEADING",  "HTMLURL",   "HTTPPATH",
            "HTTPSITE", "INCLUDE",   "ITEM",     "ITEMIZE",   "LABEL",
            "LIST",     "MANREF",    "NAME",     "P",         "PACKAGE",
            "PRGN",     "QREF",      "REF",      "SECT",      "SECT1",
            "SECT2",    "SECT3",     "SECT4",    "STRONG",    "TAG",
            "TAGLIST",  "TITLE",     "TITLEPAG", "TOC",       "TRANSLATOR",
            "TT",       "URL",       "VAR",      "VERB",      "VERSION",
        },
        false);
    return set;
}

// The DebianDoc attributes of compact lists, anchors, names and manual-page sections.
const CKeywordSet& SgmlAttributes() {
    static const CKeywordSet set(
        {
            "COMPACT",
            "ID",
            "NAME",
            "SECTION",
        },
        false);
    return set;
}

// ISO 8879's numeric and special graphic (ISOnum) and diacritical mark (ISOdia) entities, and the
// spaces and dashes of its publishing entities (ISOpub).
const CKeywordSet& SgmlEntities() {
    static const CKeywordSet set(
        {
            "amp",    "apos",   "ast",    "brvbar", "bsol",   "cent",   "colon",  "comma",  "commat",
            "copy",   "curren", "darr",   "deg",    "divide", "dollar", "equals", "excl",   "frac12",
            "frac14", "frac18", "frac34", "frac38", "frac58", "frac78", "gt",     "half",   "horbar",
            "hyphen", "iexcl",  "iquest", "laquo",  "larr",   "lcub",   "ldquo",  "lowbar", "lpar",
            "lsqb",   "lsquo",  "lt",     "micro",  "middot", "nbsp",   "not",    "num",    "ohm",
            "ordf",   "ordm",   "para",   "percnt", "period", "plus",   "plusmn", "pound",  "quest",
            "quot",   "raquo",  "rarr",   "rcub",   "rdquo",  "reg",    "rpar",   "rsqb",   "rsquo",
            "sect",   "semi",   "shy",    "sol",    "sung",   "sup1",   "sup2",   "sup3",   "times",
            "trade",  "uarr",   "verbar", "yen",    "acute",  "breve",  "caron",  "cedil",  "circ",
            "dblac",  "die",    "dot",    "grave",  "macr",   "ogon",   "ring",   "tilde",  "uml",
            "emsp",   "emsp13", "emsp14", "ensp",   "hairsp", "numsp",  "puncsp", "thinsp", "dash",
            "mdash",  "ndash",
        },
        false);
    return set;
}

// The reserved words of the Bourne shell and bash, and the built-in commands scripts use most.
const CKeywordSet& ShellKeywords() {
    static const CKeywordSet set(
        {
            "case",   "do",    "done",  "elif",    "else",  "esac",   "fi",   "for",    "function", "if",
            "in",     "then",  "until", "while",   "exec",  "export", "set",  "echo",   "exit",     "select",
            "source", "unset", "alias", "unalias", "shift", "break",  "read", "return",
        },
        false);
    return set;
}

// Common commands of a Unix login session.
const CKeywordSet& ShellCommands() {
    static const CKeywordSet set(
        {
            "ls",
            "pwd",
            "chown",
            "chmod",
            "logout",
            "ssh",
            "telnet",
            "who",
        },
        false);
    return set;
}

// The words of SQL queries and data changes.
const CKeywordSet& SqlKeywords() {
    static const CKeywordSet set(
        {
            "select",
            "where",
            "insert",
            "into",
            "update",
            "from",
            "in",
            "order",
            "by",
            "and",
            "or",
            "not",
            "union",
            "distinct",
            "join",
            "all",
            "group",
        },
        false);
    return set;
}

// Common SQL column types.
const CKeywordSet& SqlTypes() {
    static const CKeywordSet set(
        {
            "CHAR",
            "VARCHAR",
            "INTEGER",
            "REAL",
            "DOUBLE",
            "MEMO",
            "BYTE",
            "WORD",
            "DATE",
            "TIME",
        },
        false);
    return set;
}

// Control words (those of the Bourne shell).
const CKeywordSet& TclKeywords() {
    static const CKeywordSet set(
        {
            "case",
            "do",
            "done",
            "elif",
            "else",
            "esac",
            "fi",
            "for",
            "function",
            "if",
            "in",
            "then",
            "until",
            "while",
        },
        false);
    return set;
}

// The XML declaration and the markup declarations of a DTD.
const CKeywordSet& XmlKeywords() {
    static const CKeywordSet set(
        {
            "xml",
            "DOCTYPE",
            "ELEMENT",
            "ATTLIST",
            "ENTITY",
            "NOTATION",
        },
        false);
    return set;
}

// The pseudo-attributes of the XML declaration, and the external identifiers, content types,
// attribute types and defaults and conditional-section keywords of a DTD.
const CKeywordSet& XmlAttributes() {
    static const CKeywordSet set(
        {
            "version",   "encoding", "standalone", "SYSTEM", "PUBLIC",  "EMPTY",    "ANY",     "PCDATA",
            "CDATA",     "ID",       "IDREF",      "IDREFS", "ENTITY",  "ENTITIES", "NMTOKEN", "NMTOKENS",
            "#REQUIRED", "#IMPLIED", "#FIXED",     "NDATA",  "INCLUDE", "IGNORE",
        },
        false);
    return set;
}

}  // namespace corvatine::keywords
