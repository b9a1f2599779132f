// The tests run inside the program's own application object, so that they
// see the locale and the names that the program sets at start-up.
#include <gtest/gtest.h>

#include "ui/quarvelin_app.h"

int main(int argc, char** argv) {
  // Run by hand the tests need no display either.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  quarvelin::CQuarvelinApp app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
