// Runs the monitor's tests inside a Qt application, offscreen unless told otherwise.
#include <gtest/gtest.h>

#include <cstdlib>

#include "monitor/PipewatchApplication.h"

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  testing::InitGoogleTest(&argc, argv);
  vek::monitor::PipewatchApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
