// The program's two executables, installed side by side: the headless front
// end (which also decides which face runs) and the window.
#pragma once

namespace corvatine {

inline constexpr const char* kHeadlessProgram = "corvatine";
inline constexpr const char* kWindowProgram = "corvatine-gui";

// The version (the project's, from the build) and the licence, as --version
// and the About box show them.
inline constexpr const char* kProgramVersion = CORVATINE_VERSION;
inline constexpr const char* kCopyrightNotice = "Copyright 2026 Corvatine maintainers";
inline constexpr const char* kLicenceNotice =
    "Licensed under the MIT licence: anyone may use, copy, change and pass it on, with this notice, "
    "without warranty (see the file LICENSE, or /usr/share/doc/corvatine/copyright where installed).";

}  // namespace corvatine
