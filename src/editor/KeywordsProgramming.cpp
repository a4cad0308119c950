// Keyword sets of JavaScript, TypeScript, Rust, Go, Kotlin, Ruby and Lua.
#include "editor/SyntaxKeywords.h"

namespace corvatine::keywords {

// ECMAScript's reserved words and literals, the contextual words of modules,
// classes, accessors and asynchronous functions, and undefined.
const CKeywordSet& JavaScriptKeywords() {
    static const CKeywordSet set(
        {"as",        "async",      "await",   "break",  "case",     "catch", "class",  "const",
         "continue",  "debugger",   "default", "delete", "do",       "else",  "export", "extends",
         "false",     "finally",    "for",     "from",   "function", "get",   "if",     "import",
         "in",        "instanceof", "let",     "new",    "null",     "of",    "return", "set",
         "static",    "super",      "switch",  "this",   "throw",    "true",  "try",    "typeof",
         "undefined", "var",        "void",    "while",  "with",     "yield"},
        true);
    return set;
}

// The global objects and functions of ECMAScript, the browser's and
// Node.js's most used globals.
const CKeywordSet& JavaScriptGlobals() {
    static const CKeywordSet set(
        {"Array",    "ArrayBuffer", "BigInt",      "Boolean",    "Buffer",        "Date",         "Error",
         "Infinity", "Intl",        "JSON",        "Map",        "Math",          "NaN",          "Number",
         "Object",   "Promise",     "Proxy",       "Reflect",    "RegExp",        "Set",          "String",
         "Symbol",   "TypeError",   "WeakMap",     "WeakSet",    "clearInterval", "clearTimeout", "console",
         "document", "exports",     "fetch",       "globalThis", "module",        "parseFloat",   "parseInt",
         "process",  "require",     "setInterval", "setTimeout", "window"},
        true);
    return set;
}

// TypeScript's words beyond JavaScript's: declarations, modifiers and type
// operators.
const CKeywordSet& TypeScriptKeywords() {
    static const CKeywordSet set(
        {"abstract",  "accessor", "asserts",  "declare",   "enum",      "implements", "infer",
         "interface", "is",       "keyof",    "module",    "namespace", "override",   "private",
         "protected", "public",   "readonly", "satisfies", "type",      "unique"},
        true);
    return set;
}

// TypeScript's basic and utility types.
const CKeywordSet& TypeScriptTypes() {
    static const CKeywordSet set(
        {"any", "bigint", "boolean", "never", "number", "object", "string", "symbol", "unknown", "Partial",
         "Pick", "Omit", "Readonly", "Record", "Required", "ReturnType"},
        true);
    return set;
}

// The words after which "/" opens a regular expression in JavaScript and
// TypeScript: those that end with an operand still to come.
const CKeywordSet& JavaScriptRegexWords() {
    static const CKeywordSet set({"await", "case", "delete", "do", "else", "in", "instanceof", "new", "of",
                                  "return", "throw", "typeof", "void", "yield"},
                                 true);
    return set;
}

// Rust's strict and reserved keywords, and union and macro_rules.
const CKeywordSet& RustKeywords() {
    static const CKeywordSet set(
        {"as",     "async",       "await",  "break",  "const", "continue", "crate", "dyn",  "else",
         "enum",   "extern",      "false",  "fn",     "for",   "if",       "impl",  "in",   "let",
         "loop",   "macro_rules", "match",  "mod",    "move",  "mut",      "pub",   "ref",  "return",
         "self",   "Self",        "static", "struct", "super", "trait",    "true",  "type", "union",
         "unsafe", "use",         "where",  "while",  "yield"},
        true);
    return set;
}

// Rust's primitive types and the types, variants and traits of the prelude.
const CKeywordSet& RustTypes() {
    static const CKeywordSet set(
        {"bool",      "char",       "str", "u8",     "u16",    "u32",  "u64",     "u128",
         "usize",     "i8",         "i16", "i32",    "i64",    "i128", "isize",   "f32",
         "f64",       "String",     "Vec", "Option", "Some",   "None", "Result",  "Ok",
         "Err",       "Box",        "Rc",  "Arc",    "Clone",  "Copy", "Debug",   "Default",
         "Drop",      "Eq",         "Fn",  "FnMut",  "FnOnce", "From", "Into",    "Iterator",
         "PartialEq", "PartialOrd", "Ord", "Send",   "Sized",  "Sync", "ToString"},
        true);
    return set;
}

// Go's 25 keywords.
const CKeywordSet& GoKeywords() {
    static const CKeywordSet set(
        {"break", "case",   "chan",   "const",  "continue", "default", "defer",     "else", "fallthrough",
         "for",   "func",   "go",     "goto",   "if",       "import",  "interface", "map",  "package",
         "range", "return", "select", "struct", "switch",   "type",    "var"},
        true);
    return set;
}

// Go's predeclared identifiers: types, constants, the zero value and the
// built-in functions.
const CKeywordSet& GoPredeclared() {
    static const CKeywordSet set(
        {"any",     "bool",    "byte",   "comparable", "complex64", "complex128", "error",   "float32",
         "float64", "int",     "int8",   "int16",      "int32",     "int64",      "rune",    "string",
         "uint",    "uint8",   "uint16", "uint32",     "uint64",    "uintptr",    "true",    "false",
         "iota",    "nil",     "append", "cap",        "clear",     "close",      "complex", "copy",
         "delete",  "imag",    "len",    "make",       "max",       "min",        "new",     "panic",
         "print",   "println", "real",   "recover"},
        true);
    return set;
}

// Kotlin's hard, soft and modifier keywords.
const CKeywordSet& KotlinKeywords() {
    static const CKeywordSet set(
        {"abstract",  "actual",    "annotation", "as",          "break",    "by",          "catch",
         "class",     "companion", "const",      "constructor", "continue", "crossinline", "data",
         "do",        "dynamic",   "else",       "enum",        "expect",   "external",    "false",
         "field",     "file",      "final",      "finally",     "for",      "fun",         "get",
         "if",        "import",    "in",         "infix",       "init",     "inline",      "inner",
         "interface", "internal",  "is",         "lateinit",    "noinline", "null",        "object",
         "open",      "operator",  "out",        "override",    "package",  "private",     "protected",
         "public",    "reified",   "return",     "sealed",      "set",      "super",       "suspend",
         "tailrec",   "this",      "throw",      "true",        "try",      "typealias",   "typeof",
         "val",       "value",     "var",        "vararg",      "when",     "where",       "while"},
        true);
    return set;
}

// The basic types and collections of the Kotlin standard library, and its
// most used functions.
const CKeywordSet& KotlinTypes() {
    static const CKeywordSet set(
        {"Any",     "Array",         "Boolean", "Byte",    "Char",        "Double",     "Float",
         "Int",     "List",          "Long",    "Map",     "MutableList", "MutableMap", "MutableSet",
         "Nothing", "Pair",          "Set",     "Short",   "String",      "Unit",       "listOf",
         "mapOf",   "mutableListOf", "println", "require", "setOf"},
        true);
    return set;
}

// Ruby's reserved words (defined? without its question mark).
const CKeywordSet& RubyKeywords() {
    static const CKeywordSet set(
        {"BEGIN",  "END",    "__ENCODING__", "__FILE__", "__LINE__", "alias", "and",   "begin", "break",
         "case",   "class",  "def",          "defined",  "do",       "else",  "elsif", "end",   "ensure",
         "false",  "for",    "if",           "in",       "module",   "next",  "nil",   "not",   "or",
         "redo",   "rescue", "retry",        "return",   "self",     "super", "then",  "true",  "undef",
         "unless", "until",  "when",         "while",    "yield"},
        true);
    return set;
}

// The Kernel and Module methods Ruby code calls like keywords.
const CKeywordSet& RubyMethods() {
    static const CKeywordSet set({"attr_accessor", "attr_reader", "attr_writer", "extend", "include",
                                  "lambda", "loop", "new", "p", "prepend", "print", "private", "proc",
                                  "protected", "public", "puts", "raise", "require", "require_relative"},
                                 true);
    return set;
}

// The words after which "/" opens a regular expression in Ruby: conditions
// and the methods that take a pattern first.
const CKeywordSet& RubyRegexWords() {
    static const CKeywordSet set({"and", "elsif", "gsub", "if", "index", "match", "not", "or", "return",
                                  "scan", "split", "sub", "then", "unless", "until", "when", "while"},
                                 true);
    return set;
}

// Lua 5.4's reserved words.
const CKeywordSet& LuaKeywords() {
    static const CKeywordSet set(
        {"and", "break", "do",  "else", "elseif", "end",    "false",  "for",  "function", "goto",  "if",
         "in",  "local", "nil", "not",  "or",     "repeat", "return", "then", "true",     "until", "while"},
        true);
    return set;
}

// Lua's basic functions and standard library tables.
const CKeywordSet& LuaBuiltins() {
    static const CKeywordSet set(
        {"_G",     "_VERSION",     "assert",   "collectgarbage", "coroutine", "debug",    "dofile",
         "error",  "getmetatable", "io",       "ipairs",         "load",      "loadfile", "math",
         "next",   "os",           "package",  "pairs",          "pcall",     "print",    "rawequal",
         "rawget", "rawlen",       "rawset",   "require",        "select",    "self",     "setmetatable",
         "string", "table",        "tonumber", "tostring",       "type",      "utf8",     "xpcall"},
        true);
    return set;
}

}  // namespace corvatine::keywords
