// The studio in a real browser: `zvplot --serve` started as a user starts it, its page driven in
// headless Chromium by tests/app/studio_browser.mjs (formula, Reset, a second surface and its
// question, the size handle, undo and redo keys, the timeline, and the working surface's habits:
// one undo step a drag, keys that leave focused controls alone, refusals, the viewport's drawing,
// playback, knots, downloads, the layout at 800 x 600), which also prints a table of how long an
// edit takes to show at R = 50, 200 and 1000. Screenshots go to test-output/studio.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>

#include "export_support.h"
#include "studio_support.h"
#include "test_support.h"

namespace {
using namespace zvtest;

TEST(StudioBrowser, PageEditsThePlotAsAUserDoes) {
  ZV_REQUIRE_TOOL(Tools::HaveNodeModules(), "the npm packages");
  ZV_REQUIRE_TOOL(fs::exists("/usr/bin/chromium"), "Chromium");
  Studio studio({});
  ASSERT_TRUE(studio.Started()) << "the server printed: " << studio.FirstLine() << studio.Errors();
  const std::string url = "http://" + studio.Host() + "/?token=" + studio.Token();
  std::string output;
  const int status =
      Tools::Node("studio_browser.mjs", {url, OutputDir("studio").string()}, &output);
  // The latencies are printed, never asserted: tests do not judge time.
  std::printf("%s", output.c_str());
  EXPECT_EQ(status, 0) << output;
  EXPECT_EQ(studio.Stop(SIGTERM), 0) << studio.Errors();
}

}  // namespace
