// The window tests need an application object; without a display they run offscreen.

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/application.h"

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  veltrix::VeltrixApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
