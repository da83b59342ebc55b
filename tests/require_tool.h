// A test that needs a tool the set-up command installs.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>

// A tool the tests drive (Chromium, the npm packages, a font) may be missing on a developer's
// machine: the test is then skipped. Where the set-up command has run (CI sets CI, the test command
// sets ZV_REQUIRE_TOOLS), the tool must be there and its absence fails the test.
#define ZV_REQUIRE_TOOL(present, what)                                            \
  do {                                                                            \
    if (!(present)) {                                                             \
      if (std::getenv("CI") || std::getenv("ZV_REQUIRE_TOOLS"))                   \
        FAIL() << (what) << " is missing, though the set-up command installs it"; \
      GTEST_SKIP() << (what) << " is missing (run the set-up command)";           \
    }                                                                             \
  } while (0)
