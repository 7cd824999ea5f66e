// tarnview: the two current board models, chosen in the window.
#include "ui/qt/app.h"

int main(int argc, char** argv) {
  return tarn::runProgram(argc, argv, tarn::currentBoards(), "org.tarnview.tarnview");
}
