// The main of the window tests: one QApplication for the whole program, then the tests.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // A real window needs no display: Qt's offscreen platform unless one is chosen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
