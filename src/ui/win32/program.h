#pragma once

#include <span>

#include "board/profile.h"

namespace tarn {

// The whole program for these boards: the window, the Windows seams and the
// presenter, wired together, and the message loop; the exit code. With the
// one argument --version it shows the program's name and version instead.
int runProgram(std::span<const BoardProfile> boards, const wchar_t* name);

}  // namespace tarn
