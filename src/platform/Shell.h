// Services of the desktop: opening a document in its viewer, the clipboard,
// and temporary files.
#pragma once

#include <string>

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

}  // namespace corvatine::platform
