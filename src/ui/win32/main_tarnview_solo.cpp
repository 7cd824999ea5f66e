// tarnview_solo: the older board and its earlier protocol.
#include "ui/win32/windows_api.h"

#include "ui/win32/program.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  return tarn::runProgram(tarn::olderBoards(), L"tarnview_solo");
}
