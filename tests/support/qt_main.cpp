#include <gtest/gtest.h>

#include <QApplication>

// Qt tests need an application object; the platform comes from
// QT_QPA_PLATFORM (offscreen under ctest).
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
