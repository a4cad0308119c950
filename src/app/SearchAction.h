// Find and replace from the command line: every match in a text file
// printed with its line, or every match replaced.
#pragma once

#include <string>

#include "app/FrontEndOptions.h"
#include "editor/SyntaxEditContextEx.h"
#include "platform/Output.h"

namespace corvatine {

// Trouble (EXIT_TROUBLE, with the message) when the search words do not fit
// together; EXIT_SAME when they do or no search is asked for.
int CheckSearchOptions(const FRONTENDOPTIONS& options, platform::COutput& err);

// Prints the matches of --search, one output line for each line of the text
// that has any: "LINE:COLUMN,COLUMN...: line" (1-based; a column counts the
// bytes of the line in the working code page), from the end upwards with
// --up. A line longer than 160 bytes is cut to the 160 around its first
// match (from 40 before it), between characters, with "..." where it was
// cut: the output grows with the text, not with the text times its matches.
// 0 when something was found, 1 when not (the message on err), 2 when the
// expression was too complex.
int PrintMatches(CSyntaxEditContextEx& context, const std::string& path, const FRONTENDOPTIONS& options,
                 platform::COutput& out, platform::COutput& err);

// Replaces every match of --search with --replace and tells how many on err.
// 0 when something was replaced, 1 when nothing was found, 2 when the
// expression was too complex or a replacement could not be expanded (the
// text may then be partly replaced and must not be saved).
int ReplaceMatches(CSyntaxEditContextEx& context, const std::string& path, const FRONTENDOPTIONS& options,
                   platform::COutput& err);

}  // namespace corvatine
