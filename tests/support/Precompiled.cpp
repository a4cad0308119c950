// The target that owns the test programs' precompiled header: it is compiled
// with none of the macros that some test programs define for themselves, so
// that every program may use it (a header built with a macro on the command
// line is used only where the same macro is defined).
