// The studio in a real browser: `zvplot --serve` started as a user starts it, its page driven in
// headless Chromium by tests/app/studio_browser.mjs (formula, Reset, a second surface and its
// question, the size handle, undo and redo keys, the timeline), which also prints how long an
// edit takes to show at R = 50 and R = 1000. Screenshots go to test-output/studio.
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
