// Services of the desktop: opening a document in its viewer, the clipboard,
// and temporary files.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvatine::platform {

// The full path of a program found on $PATH, or empty.
std::string FindProgram(const std::string& name);

// Opens a file or address with the desktop's "open" action (xdg-open),
// without waiting for the viewer. False when it cannot be started.
bool ShellOpen(const std::string& target);

// Puts plain text on the clipboard with wl-copy (Wayland) or xclip (X).
// False, quietly, when neither is available or the copy fails.
bool CopyTextToClipboard(const std::string& text);

// Creates an empty file with a fresh name and the given suffix in the temp
// folder ($TMPDIR, else /tmp). False with the reason when none can be had.
bool CreateTempFile(const std::string& suffix, std::string& path, std::string& error);

// Splits an argument template into words as a POSIX shell would, without
// any expansion: blanks separate words, double and single quotes group (and
// are removed), a backslash takes the next character literally (inside double
// quotes only before '"' and '\\'). False when a quote is not closed.
[[nodiscard]] bool SplitCommandWords(std::string_view text, std::vector<std::string>& words);

// Starts a program with the arguments, directly (no shell), without waiting
// for it; the program keeps running after this process ends. A program name
// without '/' is looked up on $PATH. False, with the reason, when it cannot
// be started.
[[nodiscard]] bool StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                                std::string& error);

}  // namespace corvatine::platform
