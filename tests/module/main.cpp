// The module tests' entry: every test runs with the module loaded from the plug-in folder, the way
// the host loads it, whichever of the test files are built or selected.
#include "test_support.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new zvtest::ModuleEnvironment);
  return RUN_ALL_TESTS();
}
