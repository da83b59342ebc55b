// The runner as a user calls it: exit codes, messages, the dump and the parameter list.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "cli_support.h"

namespace {

using zvtest::Result;
using zvtest::Zvplot;

nlohmann::json Plot(const nlohmann::json& dump) { return dump.at("objects").at(0); }

TEST(RunnerCli, DumpsTheDefaultPlot) {
  const Result r = Zvplot("--dump -");
  ASSERT_EQ(r.status, 0) << r.all();
  const auto dump = nlohmann::json::parse(r.out);
  const auto plot = Plot(dump);
  EXPECT_EQ(plot.at("type"), 1055349);
  EXPECT_EQ(plot.at("samples").at("count"), 2601);
  EXPECT_EQ(plot.at("samples").at("samples").size(), 2601u);
  EXPECT_EQ(plot.at("parameters").at("10013"), "Sin(x) * Cos(z)");
  EXPECT_EQ(plot.at("parameters").at("10008").at("gradient").size(), 3u);
  EXPECT_EQ(plot.at("stats").at("executions"), 1);
}

TEST(RunnerCli, SetsParametersByEveryKindOfName) {
  const Result r = Zvplot(
      "--set resolution=4 --set plot.O3DPLOT_SIZE=100 --set 10005=10 "
      "--set colormode=1 --set color=#ff0000 --dump -");
  ASSERT_EQ(r.status, 0) << r.all();
  const auto plot = Plot(nlohmann::json::parse(r.out));
  EXPECT_EQ(plot.at("samples").at("count"), 25);
  EXPECT_EQ(plot.at("parameters").at("10004"), 100.0);
  EXPECT_EQ(plot.at("samples").at("first").at("color"), nlohmann::json::array({1.0, 0.0, 0.0}));
  EXPECT_EQ(plot.at("samples").at("first").at("position").at(0), -50.0);
}

TEST(RunnerCli, RefusesBadInputBeforeWritingAnything) {
  const std::string out = std::string(ZV_BINARY_DIR) + "/cli_refused.json";
  std::remove(out.c_str());
  const struct {
    const char* args;
    const char* message;
  } cases[] = {
      {"--set resolution=0", "Resolution must be between 1 and 1000"},
      {"--set resolution=abc", "takes a whole number"},
      {"--set nosuch=1", "has no parameter \"nosuch\""},
      {"--set colormode=7", "has no choice 7"},
      {"--set size=nan", "finite"},
      {"--bare --set cage.levels=2", "the scene has no cage"},
      {"--formula 'Sin(x'", "column 6"},
      {"--press plot.resolution", "is not a button"},
      {"--add wheel", "unknown component"},
  };
  for (const auto& c : cases) {
    const Result r = Zvplot(std::string(c.args) + " --dump " + out);
    EXPECT_NE(r.status, 0) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.all();
    EXPECT_FALSE(std::ifstream(out).good()) << c.args << " left a file";
  }
}

TEST(RunnerCli, AnimatedFormulaFollowsTheFrame) {
  const Result r = Zvplot("--formula 't' --fps 25 --frame 50 --dump -");
  ASSERT_EQ(r.status, 0) << r.all();
  const auto samples = Plot(nlohmann::json::parse(r.out)).at("samples");
  EXPECT_EQ(samples.at("valueMax"), 2.0);
  EXPECT_EQ(samples.at("timeDependent"), true);
}

TEST(RunnerCli, ReportsSamplesThatAreNotNumbers) {
  const Result r = Zvplot("--formula 'Log(x)' --set resolution=4 --dump -");
  ASSERT_EQ(r.status, 0) << r.all();
  EXPECT_NE(r.err.find("samples are not finite"), std::string::npos);
}

TEST(RunnerCli, ListsParametersWithDefaultsAndRanges) {
  const Result r = Zvplot("--list-params");
  ASSERT_EQ(r.status, 0) << r.all();
  EXPECT_NE(r.out.find("O3DPLOT_RESOLUTION  10000  LONG  default 50"), std::string::npos);
  EXPECT_NE(r.out.find("O3DPLOT_HELP"), std::string::npos);
  EXPECT_NE(Zvplot("--list-params wheel").status, 0);
}

TEST(RunnerCli, OlderHostIsRefused) {
  const Result r = Zvplot("--api-version 2022000 --dump -");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("2023000"), std::string::npos) << r.all();
}

}  // namespace

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

TEST(RunnerCli, SceneFilesRoundTripAndRefuseBrokenOnes) {
  const std::string dir = ZV_BINARY_DIR;
  const std::string a = dir + "/cli_scene_a.json", b = dir + "/cli_scene_b.json";
  ASSERT_EQ(Zvplot("--add mesh --add labels --formula 'x * t' --frame 12 --save " + a).status, 0);
  const Result loaded = Zvplot("--scene " + a + " --save " + b + " --dump -");
  ASSERT_EQ(loaded.status, 0) << loaded.all();
  EXPECT_EQ(ReadFile(a), ReadFile(b));
  const auto dump = nlohmann::json::parse(loaded.out);
  EXPECT_DOUBLE_EQ(dump.at("document").at("time").get<double>(), 0.4);  // the file's own time
  EXPECT_EQ(Plot(dump).at("parameters").at("10013"), "x * t");

  const std::string broken = dir + "/cli_scene_broken.json";
  std::ofstream(broken)
      << "{\"format\": \"zvplot scene\", \"version\": 1, \"objects\": [{\"type\": 99}]}";
  const std::string out = dir + "/cli_scene_broken.glb";
  std::remove(out.c_str());
  const Result r = Zvplot("--scene " + broken + " -o " + out);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("/objects/0/type"), std::string::npos) << r.all();
  EXPECT_FALSE(std::ifstream(out).good());
}

}  // namespace
