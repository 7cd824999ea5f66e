#include <QApplication>

#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  tarn::App app;
  app.window().show();
  return QApplication::exec();
}
