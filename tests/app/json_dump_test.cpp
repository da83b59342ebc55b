// The streamed dump: the layout of the tree's pretty text, number for number, and NaN written the
// way README promises.
#include "json_dump.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

#include "json_writer.h"
#include "plot_scene.h"

namespace {

using nlohmann::json;

std::string Written(const json& tree, size_t chunk) {
  std::string out;
  zvapp::JsonWriter w(
      [&out](std::string_view piece) {
        out.append(piece);
        return true;
      },
      chunk);
  w.Value(tree);
  EXPECT_TRUE(w.Finish());
  return out;
}

TEST(JsonWriter, WritesWhatTheTreeDumpWrites) {
  const json tree = {
      {"numbers",
       {0.0, -0.0, 1.0, 0.1, -2.5e-7, 1e20, 123456789012345680.0, 5e-324, 1.7976931348623157e308,
        1.0 / 3.0, 42, -7, std::uint64_t{1} << 63}},
      {"texts", {"", "a \"quoted\" \\ text", "tab\there\nline\x01\x7f", "\xC3\xA9t\xC3\xA9"}},
      {"empty", {{"array", json::array()}, {"object", json::object()}}},
      {"nested", {{"z", {{1, 2}, {3, {{"deep", nullptr}}}}}, {"a", true}, {"B", false}}},
  };
  // Pieces of every size: a piece boundary never shows in the text.
  for (const size_t chunk : {size_t{1}, size_t{7}, size_t{1} << 20})
    EXPECT_EQ(Written(tree, chunk), tree.dump(2)) << chunk;
  EXPECT_EQ(Written(json::array(), 1), "[]");
  EXPECT_EQ(Written(3.0, 1), "3.0");
}

TEST(JsonWriter, NumbersThatAreNotFiniteAreTexts) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::string out;
  zvapp::JsonWriter w([&out](std::string_view piece) {
    out.append(piece);
    return true;
  });
  w.BeginArray();
  for (const double v : {nan, -nan, std::copysign(nan, -1.0), kInf, -kInf}) w.Number(v);
  w.EndArray();
  ASSERT_TRUE(w.Finish());
  EXPECT_EQ(out, "[\n  \"nan\",\n  \"nan\",\n  \"nan\",\n  \"inf\",\n  \"-inf\"\n]");
}

TEST(JsonWriter, ARefusingSinkStopsTheWriting) {
  int calls = 0;
  zvapp::JsonWriter w(
      [&calls](std::string_view) {
        ++calls;
        return false;
      },
      4);
  w.BeginArray();
  for (int i = 0; i < 100; ++i) w.Integer(i);
  w.EndArray();
  EXPECT_FALSE(w.Finish());
  EXPECT_EQ(calls, 1);
}

// A negative NaN (what Log of a negative number gives here) is written "nan" like any other.
TEST(JsonDump, SamplesThatAreNotNumbersReadNan) {
  zvapp::PlotScene scene;
  std::string error;
  ASSERT_TRUE(scene.Set("formula=Log(x)", &error)) << error;
  ASSERT_TRUE(scene.Set("resolution=4", &error)) << error;
  scene.Evaluate();
  std::string text;
  ASSERT_TRUE(zvapp::WriteDump(scene.Document(), [&text](std::string_view piece) {
    text.append(piece);
    return true;
  }));
  EXPECT_EQ(text.find("-nan"), std::string::npos);
  const json dump = json::parse(text);
  const json& samples = dump.at("objects").at(0).at("samples").at("samples");
  ASSERT_EQ(samples.size(), 25u);
  EXPECT_EQ(samples.at(0).at(1), "nan");  // x = -180
  EXPECT_TRUE(samples.at(24).at(1).is_number());
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(text, dump.dump(2) + "\n");
}

}  // namespace
