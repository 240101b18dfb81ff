// The window tests need an application object for their widgets; they run off screen.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  // ctest sets the platform; listing the tests at build time, and a run by hand, get the same.
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  QApplication::setApplicationName("Lumatrix");
  return RUN_ALL_TESTS();
}
