// The runner's tests load the module once per program, the way the host does.
#include <gtest/gtest.h>

#include "test_support.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new zvtest::ModuleEnvironment);
  return RUN_ALL_TESTS();
}
