// The main of the widget tests: one application object for the whole run, with the toolkit's
// own texts in Russian as the program has them.
#include <gtest/gtest.h>

#include <QApplication>

#include "qt_translation.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  vortlen::installQtRussianTexts(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
