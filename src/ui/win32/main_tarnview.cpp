// tarnview: the two current board models, chosen in the window.
#include "ui/win32/windows_api.h"

#include "ui/win32/program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return tarn::runProgram(tarn::currentBoards(), L"tarnview");
}
