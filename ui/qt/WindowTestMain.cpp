// Entry of the window tests: one application object, offscreen unless the
// caller chose a display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  // The user's own table folder is an empty one, so that no table of the
  // person running the tests is loaded; tests that need one set their own.
  const QTemporaryDir userData;
  qputenv("XDG_DATA_HOME", userData.path().toLocal8Bit());
  return RUN_ALL_TESTS();
}
