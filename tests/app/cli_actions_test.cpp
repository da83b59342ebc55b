// The runner's command line as an ordered list of actions: conflicting actions in both orders, time
// between edits, scene files, the full plot by default, questions told, and the messages that help.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "cli_support.h"
#include "o3dplot.h"
#include "o3dplotgrid.h"
#include "o3dplotmesh.h"

namespace {
using nlohmann::json;
using zvtest::Result;
using zvtest::Zvplot;

const std::string kQuestion =
    "question: \"A component of this type already exists. Do you want to add another one?\" ";

json Dump(const std::string& args) {
  const Result r = Zvplot(args + " --dump -");
  EXPECT_EQ(r.status, 0) << args << ": " << r.all();
  return r.status == 0 ? json::parse(r.out) : json::object({{"objects", {json::object()}}});
}

const json& PlotOf(const json& dump) { return dump.at("objects").at(0); }

std::string Param(const json& object, int id) {
  return object.at("parameters").at(std::to_string(id)).dump();
}

// The kinds of the plot's children, in order, each with its enabled switch.
std::vector<std::pair<std::string, bool>> Components(const json& dump) {
  std::vector<std::pair<std::string, bool>> kinds;
  for (const json& c : PlotOf(dump).value("children", json::array()))
    kinds.emplace_back(c.at("kind"), c.at("enabled"));
  return kinds;
}

const json& Child(const json& dump, const std::string& kind) {
  for (const json& c : PlotOf(dump).at("children"))
    if (c.at("kind") == kind) return c;
  static const json none = json::object();
  ADD_FAILURE() << "no " << kind;
  return none;
}

std::string ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string OutPath(const std::string& name) {
  return std::string(ZV_BINARY_DIR) + "/cli_actions_" + name;
}

TEST(RunnerActions, ConflictingActionsTakeEffectInTheOrderGiven) {
  const std::string bare = "--bare --set resolution=4 ";
  const std::string tan = "\"Tan(x) * Atan(z)\"";
  EXPECT_EQ(Param(PlotOf(Dump(bare + "--preset 3 --formula x")), O3DPLOT_FORMULA), "\"x\"");
  EXPECT_EQ(Param(PlotOf(Dump(bare + "--formula x --preset 3")), O3DPLOT_FORMULA), tan);
  EXPECT_EQ(Param(PlotOf(Dump(bare + "--set formula=z --formula x")), O3DPLOT_FORMULA), "\"x\"");
  EXPECT_EQ(Param(PlotOf(Dump(bare + "--formula x --set formula=z")), O3DPLOT_FORMULA), "\"z\"");
  EXPECT_EQ(PlotOf(Dump("--bare --press plot.reset --set resolution=4")).at("samples").at("count"),
            25);
  EXPECT_EQ(PlotOf(Dump("--bare --set resolution=4 --press plot.reset")).at("samples").at("count"),
            2601);
  using Kinds = std::vector<std::pair<std::string, bool>>;
  EXPECT_EQ(Components(Dump("--add cage --enable cage --disable cage")), (Kinds{{"cage", false}}));
  EXPECT_EQ(Components(Dump("--add cage --disable cage --enable cage")), (Kinds{{"cage", true}}));
  EXPECT_EQ(PlotOf(Dump(bare + "--enable --disable")).at("enabled"), false);
  EXPECT_EQ(PlotOf(Dump(bare + "--disable --enable")).at("enabled"), true);
  // A new rate keeps the frame and a new frame keeps the rate, so these two agree.
  for (const char* time : {"--fps 10 --frame 5 --fps 20", "--frame 5 --fps 20"}) {
    const json doc = Dump(bare + time).at("document");
    EXPECT_EQ(doc.at("fps"), 20) << time;
    EXPECT_EQ(doc.at("time"), 0.25) << time;
  }
  EXPECT_EQ(Dump(bare + "--frame 5 --fps 20 --frame 40").at("document").at("time"), 2.0);
  // The range's end is a frame too: a new rate keeps it.
  EXPECT_EQ(Dump(bare + "--end-frame 60 --fps 60").at("document").at("maxTime"), 1.0);
}

TEST(RunnerActions, ASceneFileTakesTheEditsAfterItAndRefusesThoseBefore) {
  const std::string a = OutPath("scene_a.json"), b = OutPath("scene_b.json");
  ASSERT_EQ(Zvplot("--add mesh --save " + a).status, 0);
  std::remove(b.c_str());
  const Result edited = Zvplot("--scene " + a + " --formula 'x * z' --add cage --save " + b);
  ASSERT_EQ(edited.status, 0) << edited.all();
  const json saved = json::parse(ReadFile(b));
  EXPECT_EQ(saved.at("objects").at(0).at("parameters").at("10013").at("string"), "x * z");
  EXPECT_EQ(saved.at("objects").at(0).at("children").size(), 2u);
  std::remove(b.c_str());
  const Result lost = Zvplot("--formula 'x * z' --scene " + a + " --save " + b);
  EXPECT_NE(lost.status, 0);
  EXPECT_NE(lost.err.find("--formula x * z given before --scene would be lost"), std::string::npos)
      << lost.all();
  EXPECT_FALSE(std::ifstream(b).good());
}

// Time moves between edits: an edit after an evaluation meets the samples of the frame evaluated
// then, and only the next evaluation sees the new frame.
TEST(RunnerActions, TimeMovesBetweenEditsAndOnlyAnEvaluationSamplesIt) {
  // x + 100 t over x in -180 ... 180 gives at most 180 at frame 0 and 280 at frame 30 (1 s).
  const std::string still =
      "--bare --formula 'x + t * 100' --set animate=false --set resolution=4 ";
  // Rescale without evaluation: the size changes after the evaluation at frame 0.
  json samples = PlotOf(Dump(still + "--eval --frame 30 --set size=100")).at("samples");
  EXPECT_EQ(samples.at("valueMax"), 180.0);
  EXPECT_EQ(samples.at("first").at("position").at(0), -50.0);
  samples = PlotOf(Dump(still + "--frame 30 --set size=100")).at("samples");
  EXPECT_EQ(samples.at("valueMax"), 280.0);
  // Recolour without evaluation: the frame-0 heights in grey.
  samples = PlotOf(Dump(still + "--eval --frame 30 --set gradient=grey")).at("samples");
  EXPECT_EQ(samples.at("valueMax"), 180.0);
  EXPECT_EQ(samples.at("first").at("color"), json::array({0.0, 0.0, 0.0}));
  EXPECT_EQ(samples.at("last").at("color"), json::array({1.0, 1.0, 1.0}));
  // Animation between edits: evaluated at frame 25, then held by switching the animation off.
  const std::string t = "--bare --formula t --set heightmode=0 --set resolution=4 ";
  EXPECT_DOUBLE_EQ(PlotOf(Dump(t + "--frame 25 --eval --set animate=false --frame 50"))
                       .at("samples")
                       .at("valueMax")
                       .get<double>(),
                   25.0 / 30.0);
  EXPECT_DOUBLE_EQ(PlotOf(Dump(t + "--frame 25 --set animate=false --frame 50"))
                       .at("samples")
                       .at("valueMax")
                       .get<double>(),
                   50.0 / 30.0);
  EXPECT_DOUBLE_EQ(
      PlotOf(Dump(t + "--frame 25 --eval --frame 50")).at("samples").at("valueMax").get<double>(),
      50.0 / 30.0);
}

TEST(RunnerActions, NewcomersGetTheFullPlotAndBareOrAddStartFromThePlotAlone) {
  using Kinds = std::vector<std::pair<std::string, bool>>;
  const json full = Dump("--set resolution=120");
  EXPECT_EQ(Components(full),
            (Kinds{{"mesh", true}, {"cage", true}, {"grid", true}, {"labels", true}}));
  EXPECT_EQ(Param(Child(full, "mesh"), O3DPLOTMESH_VERTEXCOLORS), "true");
  EXPECT_EQ(Param(Child(full, "grid"), O3DPLOTGRID_STEP), "3");  // 41 lines each way, not 121
  EXPECT_EQ(Param(Child(Dump("--set resolution=120 --set grid.step=1"), "grid"), O3DPLOTGRID_STEP),
            "1");
  EXPECT_EQ(Param(Child(Dump(""), "grid"), O3DPLOTGRID_STEP), "1");
  EXPECT_EQ(Components(Dump("--bare")), Kinds{});
  EXPECT_EQ(Components(Dump("--add cage")), (Kinds{{"cage", true}}));
  EXPECT_EQ(Param(Child(Dump("--add grid --set resolution=120"), "grid"), O3DPLOTGRID_STEP), "1");
}

TEST(RunnerActions, QuestionsAndTheHelpAreToldOnStandardError) {
  const std::string mesh = "--bare --set resolution=2 --add mesh --add mesh ";
  Result r = Zvplot(mesh + "--dump -");
  ASSERT_EQ(r.status, 0) << r.all();
  EXPECT_NE(r.err.find(kQuestion + "answered no (--yes answers yes)"), std::string::npos) << r.err;
  EXPECT_EQ(Components(json::parse(r.out)).size(), 1u);
  r = Zvplot("--yes " + mesh + "--dump -");
  ASSERT_EQ(r.status, 0) << r.all();
  EXPECT_NE(r.err.find(kQuestion + "answered yes"), std::string::npos) << r.err;
  EXPECT_EQ(Components(json::parse(r.out)).size(), 2u);
  r = Zvplot("--bare --set resolution=2 --press plot.help --dump " + OutPath("help.json"));
  ASSERT_EQ(r.status, 0) << r.all();
  EXPECT_NE(r.err.find(std::string(ZV_PLUGIN_DIR) + "/Zorvantix.pdf"), std::string::npos) << r.err;
}

TEST(RunnerActions, MistakesGetSuggestionsAndWriteNothing) {
  const std::string out = OutPath("refused.glb");
  const struct {
    const char* args;
    const char* message;
  } cases[] = {
      {"--formla x", "unknown option --formla (did you mean --formula?)"},
      {"--set resolutoin=3", "(did you mean resolution?)"},
      {"--formula 'x**2'", "(did you mean \"x^2\"? a power is written ^)"},
      {"--add msh", "(did you mean mesh?)"},
      {"--press labels.updte", "(did you mean update?)"},
      {"--set gradient=virdis", "(did you mean viridis?)"},
      {"--set gradient=0:#0000ff,2:#ff0000", "has no position from 0 to 1"},
      {"--set labels.font='No Such Family'",
       "no installed font family \"No Such Family\" (nearest: "},
      {"--set labels.font", "--set takes [OBJECT.]NAME=VALUE"},
      {"--fps 0", "from 1 to 1000"},
      {"stray", "unexpected argument \"stray\""},
  };
  for (const auto& c : cases) {
    std::remove(out.c_str());
    const Result r = Zvplot(std::string(c.args) + " -o " + out);
    EXPECT_EQ(r.status, 2) << c.args;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.all();
    EXPECT_FALSE(std::ifstream(out).good()) << c.args << " left a file";
  }
}

TEST(RunnerActions, HelpShowsDefaultsAndExamplesAndTheListShowsShortRanges) {
  const Result help = Zvplot("--help");
  ASSERT_EQ(help.status, 0) << help.all();
  for (const char* text :
       {"Examples:", "zvplot --formula \"Sin(x*2) * Cos(z)\" -o plot.html", "--fps N=30",
        "--formula TEXT=Sin(x) * Cos(z)", "--enable [KIND]=plot", "run in the order given"})
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  const Result list = Zvplot("--list-params");
  ASSERT_EQ(list.status, 0) << list.all();
  EXPECT_NE(list.out.find("O3DPLOT_RESOLUTION  10000  LONG  default 50  range 1 .. 1000  ("),
            std::string::npos);
  EXPECT_NE(list.out.find("O3DPLOT_POINTSIZE  10030  REAL  default 1.0  range 0 ..  (Point Size)"),
            std::string::npos);
  EXPECT_EQ(list.out.find(".000000"), std::string::npos);
  const size_t formula = list.out.find("O3DPLOT_FORMULA");
  EXPECT_EQ(list.out.substr(formula, list.out.find('\n', formula) - formula).find("range"),
            std::string::npos);
  const Result typo = Zvplot("--list-params grdi");
  EXPECT_NE(typo.err.find("(did you mean grid?)"), std::string::npos) << typo.all();
}

// A bare plot still shows its sample markers: its files are never empty.
TEST(RunnerActions, TheBarePlotWritesItsPoints) {
  const std::string glb = OutPath("bare.glb");
  std::remove(glb.c_str());
  const Result r = Zvplot("--bare -o " + glb);
  ASSERT_EQ(r.status, 0) << r.all();
  const std::string bytes = ReadFile(glb);
  EXPECT_GT(bytes.size(), 2601u * 24);  // a position and a colour for each sample
  EXPECT_NE(bytes.find("\"Zorvantix Plot points\""), std::string::npos);
}

}  // namespace
