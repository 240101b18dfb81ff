// The window tests need an application object for their widgets; they run off screen.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  QApplication::setApplicationName("Lumatrix");
  return RUN_ALL_TESTS();
}
