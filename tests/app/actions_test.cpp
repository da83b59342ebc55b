// The action list: read from the command line's options and from JSON, applied one by one, and a
// batch that is applied whole or not at all.
#include "actions.h"

#include <gtest/gtest.h>

#include "host_app.h"
#include "o3dplot.h"
#include "o3dplotgrid.h"
#include "scene_file.h"

namespace {
using nlohmann::json;
using zvapp::Action;

std::string Formula(zvapp::PlotScene& scene) { return zvapp::PlotFormula(scene.Plot()); }

std::string Snapshot(zvapp::PlotScene& scene) {
  std::string text, error;
  EXPECT_TRUE(zvapp::SaveSceneToText(scene.Document(), &text, &error)) << error;
  return text;
}

TEST(Actions, CommandLineOptionsBecomeWordsAndArguments) {
  Action a;
  std::string error;
  ASSERT_TRUE(zvapp::ActionFromOption("set", "plot.formula=x * z=1", &a, &error)) << error;
  EXPECT_EQ(a, (Action{"set", {"plot.formula", "x * z=1"}}));  // split at the first '='
  EXPECT_EQ(zvapp::CommandLineText(a), "--set plot.formula=x * z=1");
  ASSERT_TRUE(zvapp::ActionFromOption("enable", "", &a, &error));
  EXPECT_EQ(a, (Action{"enable", {}}));
  ASSERT_TRUE(
      zvapp::ActionFromOption("eval", "true", &a, &error));  // a flag's value is no argument
  EXPECT_EQ(a, (Action{"eval", {}}));
  ASSERT_TRUE(zvapp::ActionFromOption("formula", "", &a, &error));  // an empty formula plots 0
  EXPECT_EQ(a, (Action{"formula", {""}}));
  EXPECT_FALSE(zvapp::ActionFromOption("set", "resolution", &a, &error));
  EXPECT_NE(error.find("NAME=VALUE"), std::string::npos) << error;
}

TEST(Actions, JsonListsAreReadOrRefusedAtTheFirstBadAction) {
  std::vector<Action> actions;
  zvapp::Refusal refusal;
  const json good = json::parse(
      R"([["set", "plot.formula", "x * z"], ["set", "resolution", 8], ["enable"],
          ["set", "plot.animate", false], ["frame", 12], ["eval"]])");
  ASSERT_TRUE(zvapp::ActionsFromJson(good, &actions, &refusal)) << refusal.message;
  EXPECT_EQ(actions, (std::vector<Action>{{"set", {"plot.formula", "x * z"}},
                                          {"set", {"resolution", "8"}},
                                          {"enable", {}},
                                          {"set", {"plot.animate", "false"}},
                                          {"frame", {"12"}},
                                          {"eval", {}}}));
  const struct {
    const char* list;
    size_t index;
    const char* message;
  } bad[] = {
      {R"([["eval"], ["formula"]])", 1, "takes 1 argument, not 0"},
      {R"([["set", "resolution"]])", 0, "takes 2 arguments"},
      {R"([["enable", "cage", "mesh"]])", 0, "takes 0 or 1 argument, not 2"},
      {R"([["eval"], ["evla"]])", 1, "did you mean eval?"},
      {R"([["scene", "a.json"]])", 0, "unknown action \"scene\""},  // the command line's only
      {R"([["set", "resolution", [8]]])", 0, "argument 2 of \"set\""},
      {R"([["eval"], "eval"])", 1, "an action is an array"},
      {R"({"set": 1})", 0, "JSON array"},
  };
  for (const auto& b : bad) {
    actions = {{"eval", {}}};
    EXPECT_FALSE(zvapp::ActionsFromJson(json::parse(b.list), &actions, &refusal)) << b.list;
    EXPECT_EQ(refusal.index, b.index) << b.list;
    EXPECT_NE(refusal.message.find(b.message), std::string::npos)
        << b.list << ": " << refusal.message;
    EXPECT_EQ(actions.size(), 1u) << "a refused list hands back nothing";
  }
}

// Each row of the table is read by the command line, the studio and the help alike: its counts
// must fit the way the command line writes it, and its option must read back as it is written.
TEST(Actions, EachKindsCountsFitItsOptionAndReadBack) {
  using F = zvapp::OptionForm;
  for (const zvapp::ActionKind& k : zvapp::ActionKinds()) {
    SCOPED_TRACE(k.word);
    EXPECT_EQ(zvapp::FindActionKind(k.word), &k) << "each word once";
    ASSERT_TRUE(k.apply);
    const std::pair<size_t, size_t> counts = {k.minArgs, k.maxArgs};
    switch (k.form) {
      case F::kNone:
        EXPECT_TRUE(k.studio) << "an action the command line cannot write is the studio's";
        continue;
      case F::kFlag:
        EXPECT_EQ(counts, std::make_pair(size_t{0}, size_t{0}));
        break;
      case F::kValue:
        EXPECT_EQ(counts, std::make_pair(size_t{1}, size_t{1}));
        break;
      case F::kMaybeValue:
        EXPECT_EQ(counts, std::make_pair(size_t{0}, size_t{1}));
        break;
      case F::kAssignment:
        EXPECT_EQ(counts, std::make_pair(size_t{2}, size_t{2}));
        break;
    }
    EXPECT_TRUE(k.help && *k.help);
    EXPECT_EQ(k.form == F::kFlag, k.valueName == nullptr);
    const std::string value = k.form == F::kAssignment ? "a=b" : k.form == F::kFlag ? "" : "v";
    Action a;
    std::string error;
    ASSERT_TRUE(zvapp::ActionFromOption(k.word, value, &a, &error)) << error;
    EXPECT_EQ(zvapp::CommandLineText(a),
              "--" + std::string(k.word) + (value.empty() ? "" : " ") + value);
  }
}

TEST(Actions, AnythingBeforeASceneFileIsRefusedAsLost) {
  zvapp::Refusal refusal;
  EXPECT_TRUE(
      zvapp::CheckNothingBeforeScene({{"scene", {"a.json"}}, {"formula", {"x"}}}, &refusal));
  EXPECT_TRUE(zvapp::CheckNothingBeforeScene({{"formula", {"x"}}, {"eval", {}}}, &refusal));
  EXPECT_FALSE(zvapp::CheckNothingBeforeScene(
      {{"frame", {"3"}}, {"scene", {"a.json"}}, {"scene", {"b.json"}}}, &refusal));
  EXPECT_EQ(refusal.index, 0u);
  EXPECT_EQ(refusal.message,
            "--frame 3 given before --scene would be lost (give it after --scene)");
}

TEST(Actions, EachWordActsOnTheSceneInOrder) {
  zvapp::PlotScene scene;
  zvapp::ActionSession session;
  std::string error;
  int column = 0;
  const auto apply = [&](const Action& a) {
    EXPECT_TRUE(zvapp::ApplyAction(scene, a, &session, &error, &column))
        << zvapp::CommandLineText(a) << ": " << error;
  };
  apply({"preset", {"3"}});
  apply({"formula", {"x"}});
  EXPECT_EQ(Formula(scene), "x");
  apply({"formula", {"x"}});
  apply({"preset", {"3"}});
  EXPECT_EQ(Formula(scene), "Tan(x) * Atan(z)");
  apply({"add", {"grid"}});
  apply({"disable", {"grid"}});
  EXPECT_FALSE(scene.Find("grid")->GetDeformMode());
  apply({"enable", {"grid"}});
  EXPECT_TRUE(scene.Find("grid")->GetDeformMode());
  apply({"disable", {}});
  EXPECT_FALSE(scene.Plot()->GetDeformMode());
  // A new rate keeps the frame; a new frame keeps the rate.
  apply({"fps", {"10"}});
  apply({"frame", {"5"}});
  apply({"fps", {"20"}});
  EXPECT_EQ(scene.Frame(), 5);
  EXPECT_EQ(scene.Fps(), 20);
  EXPECT_DOUBLE_EQ(scene.Document()->GetTime().Get(), 0.25);
  // Render holds from there on, the evaluations it asks for included.
  apply({"render", {}});
  EXPECT_TRUE(session.render);
  apply({"eval", {}});
  EXPECT_TRUE(CheckIsRunning(CHECKISRUNNING::EXTERNALRENDERING));
  zvapp::EvaluateScene(scene, zvapp::ActionSession{});
  EXPECT_FALSE(CheckIsRunning(CHECKISRUNNING::EXTERNALRENDERING));
}

TEST(Actions, RefusalsNameTheProblemAndChangeNothing) {
  zvapp::PlotScene scene;
  zvapp::ActionSession session;
  const std::string before = Snapshot(scene);
  const struct {
    Action action;
    const char* message;
    int column;
  } refused[] = {
      {{"formula", {"Sin(x"}}, "does not parse at column 6: expected ')'", 6},
      {{"set", {"plot.formula", "x**2"}}, "(did you mean \"x^2\"? a power is written ^)", 3},
      {{"set", {"FORMULA", "2x"}}, "column 2", 2},
      {{"set", {"resolutoin", "8"}},
       "has no parameter \"resolutoin\" (did you mean resolution?)",
       0},
      {{"set", {"grid.step", "2"}}, "the scene has no grid (add it with --add grid)", 0},
      {{"set", {"mseh.mode", "1"}},
       "unknown object \"mseh\": choose plot, mesh, grid, cage or labels (did you mean mesh?)",
       0},
      {{"press", {"plot.rest"}}, "is not a button (did you mean reset?)", 0},
      {{"add", {"cgae"}}, "(did you mean cage?)", 0},
      {{"frame", {"1.5"}}, "a frame is a whole number", 0},
      {{"fps", {"1001"}}, "from 1 to 1000", 0},
      {{"scene", {"/nonexistent/scene.json"}}, "/nonexistent/scene.json", 0},
      {{"frame", {}}, "\"frame\" takes 1 argument, not 0", 0},
      {{"jump", {"3"}}, "unknown action \"jump\"", 0},
  };
  for (const auto& r : refused) {
    std::string error;
    int column = 0;
    EXPECT_FALSE(zvapp::ApplyAction(scene, r.action, &session, &error, &column))
        << zvapp::CommandLineText(r.action);
    EXPECT_NE(error.find(r.message), std::string::npos)
        << zvapp::CommandLineText(r.action) << ": " << error;
    EXPECT_EQ(column, r.column) << zvapp::CommandLineText(r.action);
    EXPECT_EQ(Snapshot(scene), before) << zvapp::CommandLineText(r.action);
  }
}

TEST(Actions, ABatchIsAppliedWholeOrNotAtAll) {
  zvapp::PlotScene scene;
  zvapp::ActionSession session;
  zvapp::Refusal refusal;
  ASSERT_TRUE(zvapp::ApplyActions(scene, {{"add", {"grid"}}, {"set", {"grid.step", "3"}}}, &session,
                                  &refusal))
      << refusal.message;
  const std::string before = Snapshot(scene);
  EXPECT_FALSE(zvapp::ApplyActions(scene,
                                   {{"formula", {"x * z"}},
                                    {"render", {}},
                                    {"add", {"mesh"}},
                                    {"eval", {}},
                                    {"frame", {"30"}},
                                    {"set", {"resolution", "0"}},
                                    {"set", {"resolution", "8"}}},
                                   &session, &refusal));
  EXPECT_EQ(refusal.index, 5u);
  EXPECT_NE(refusal.message.find("must be between 1 and 1000"), std::string::npos)
      << refusal.message;
  EXPECT_EQ(Snapshot(scene), before);
  EXPECT_FALSE(session.render);
  EXPECT_EQ(scene.Find("mesh"), nullptr);
  EXPECT_EQ(scene.Frame(), 0);
  // The restored document is a whole one: it evaluates, and takes the next batch.
  ASSERT_TRUE(
      zvapp::ApplyActions(scene, {{"formula", {"x * z"}}, {"eval", {}}}, &session, &refusal))
      << refusal.message;
  EXPECT_EQ(Formula(scene), "x * z");
  EXPECT_EQ(zvapp::PlotSamples(scene.Plot()).count, 51 * 51);
  EXPECT_EQ(scene.Find("grid")->GetDataInstanceRef().GetInt32(O3DPLOTGRID_STEP), 3);
  // A formula's column reaches the batch's refusal.
  EXPECT_FALSE(
      zvapp::ApplyActions(scene, {{"eval", {}}, {"formula", {"1 +"}}}, &session, &refusal));
  EXPECT_EQ(refusal.index, 1u);
  EXPECT_EQ(refusal.column, 4);
}

TEST(Actions, FormulaCheckAcceptsWhatTheHostEvaluates) {
  std::string error;
  int column = 0;
  for (const char* ok : {"", "Sin(x) * Cos(z)", "x^2", "Pow(x; 2) + t + f", "nan"})
    EXPECT_TRUE(zvapp::CheckFormulaText(ok, &error, &column)) << ok << ": " << error;
  EXPECT_FALSE(zvapp::CheckFormulaText("Sin(x)**2 + z**3", &error, &column));
  EXPECT_NE(error.find("\"Sin(x)^2 + z^3\""), std::string::npos) << error;
}

}  // namespace
