// The runner's tests load the module once per program, the way the host does.
#include <gtest/gtest.h>

#include "test_folder.h"
#include "test_support.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // The tests that interrupt a command expect the signals to take their course.
  zvtest::DefaultInterruptions();
  ::testing::AddGlobalTestEnvironment(new zvtest::ModuleEnvironment);
  return RUN_ALL_TESTS();
}
