// tarnview_solo: the older board and its earlier protocol.
#include "ui/qt/app.h"

int main(int argc, char** argv) {
  return tarn::runProgram(argc, argv, tarn::olderBoards(), "org.tarnview.tarnview_solo");
}
