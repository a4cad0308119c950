// The program's two executables, installed side by side: the headless front
// end (which also decides which face runs) and the window.
#pragma once

namespace corvatine {

inline constexpr const char* kHeadlessProgram = "corvatine";
inline constexpr const char* kWindowProgram = "corvatine-gui";

}  // namespace corvatine
