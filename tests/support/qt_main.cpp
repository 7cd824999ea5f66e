#include <gtest/gtest.h>

#include <QApplication>

// The Qt tests share one application object, offscreen unless QT_QPA_PLATFORM says otherwise.
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
