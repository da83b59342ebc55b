// The plot object: parameters, sampling, rescaling, animation, drawing, commands.
#include <cmath>

#include "host_records.h"
#include "o3dplot.h"
#include "sdk_support.h"
#include "test_support.h"
#include "zvplot.h"
#include "zvplot_hierarchy.h"
#include "zvplot_ids.h"

namespace {

using zvtest::Scene;

ZVPlot* PlotOf(Scene& s) { return s.Data<ZVPlot>(s.plot); }
UInt32 Dirty(Scene& s) { return s.plot->GetDirty(DIRTYFLAGS::DATA); }

TEST(PlotObject, NewObjectHasDefaultsAndNoSamples) {
  Scene s;
  const BaseContainer& bc = s.plot->GetDataInstanceRef();
  EXPECT_EQ(bc.GetInt32(O3DPLOT_RESOLUTION), 50);
  EXPECT_EQ(bc.GetFloat(O3DPLOT_SIZE), 200.0);
  EXPECT_EQ(bc.GetFloat(O3DPLOT_HEIGHT), 50.0);
  EXPECT_EQ(bc.GetFloat(O3DPLOT_XMIN), -180.0);
  EXPECT_EQ(bc.GetInt32(O3DPLOT_HEIGHTMODE), 1);
  EXPECT_TRUE(bc.GetBool(O3DPLOT_ANIMATE));
  EXPECT_EQ(bc.GetString(O3DPLOT_FORMULA), String("Sin(x) * Cos(z)"));
  EXPECT_EQ(bc.GetVector(O3DPLOT_COLOR), Vector(1, 1, 1));
  const Gradient* g = bc.GetCustomDataType<Gradient>(O3DPLOT_GRADIENT);
  ASSERT_NE(g, nullptr);
  ASSERT_EQ(g->GetKnotCount(), 3);
  EXPECT_EQ(zvtest::KnotColour(g->GetKnot(0)), Vector(0, 0, 1));
  EXPECT_EQ(g->GetKnot(2).pos, 1.0);
  EXPECT_EQ(PlotOf(s)->GetSamples().GetCount(), 0);
  EXPECT_TRUE(PlotOf(s)->GetEvalFormula().IsEmpty());
}

TEST(PlotObject, EnablingFollowsColourModeAndSeparateZ) {
  Scene s;
  EXPECT_TRUE(zvhost::IsParameterEnabled(s.plot, O3DPLOT_GRADIENT));
  EXPECT_TRUE(zvhost::IsParameterEnabled(s.plot, O3DPLOT_COLORRANGE));
  EXPECT_FALSE(zvhost::IsParameterEnabled(s.plot, O3DPLOT_COLOR));
  EXPECT_FALSE(zvhost::IsParameterEnabled(s.plot, O3DPLOT_ZMIN));
  s.Set(s.plot, O3DPLOT_COLORMODE, GeData(Int32(1)));
  s.Set(s.plot, O3DPLOT_SEPARATE_Z, GeData(true));
  EXPECT_FALSE(zvhost::IsParameterEnabled(s.plot, O3DPLOT_GRADIENT));
  EXPECT_FALSE(zvhost::IsParameterEnabled(s.plot, O3DPLOT_GRADIENT_ABSOLUTE));
  EXPECT_FALSE(zvhost::IsParameterEnabled(s.plot, O3DPLOT_COLORRANGE));
  EXPECT_TRUE(zvhost::IsParameterEnabled(s.plot, O3DPLOT_COLOR));
  EXPECT_TRUE(zvhost::IsParameterEnabled(s.plot, O3DPLOT_ZMAX));
}

TEST(PlotObject, HandlesSetSizeAndHeightNeverNegative) {
  Scene s;
  ZVPlot* plot = PlotOf(s);
  ASSERT_EQ(plot->GetHandleCount(s.plot), 2);
  HandleInfo info;
  plot->GetHandle(s.plot, 1, info);
  EXPECT_EQ(info.position, Vector(0, 25, 0));
  plot->SetHandle(s.plot, 1, Vector(0, -30, 0), info);
  EXPECT_EQ(s.plot->GetDataInstanceRef().GetFloat(O3DPLOT_HEIGHT), 0.0);
  plot->GetHandle(s.plot, 0, info);
  plot->SetHandle(s.plot, 0, Vector(60, 5, 0), info);
  EXPECT_EQ(s.plot->GetDataInstanceRef().GetFloat(O3DPLOT_SIZE), 120.0);
}

TEST(Sampling, DefaultGridPositionsAndValues) {
  Scene s;
  s.Evaluate();
  const auto& smp = PlotOf(s)->GetSamples();
  ASSERT_EQ(smp.GetCount(), 2601);
  EXPECT_EQ(smp[0].position.x, -100.0);
  EXPECT_EQ(smp[0].position.z, -100.0);
  EXPECT_NEAR(smp[0].position.y, 0.0, 1e-12);
  EXPECT_EQ(smp[2600].position.x, 100.0);
  EXPECT_EQ(smp[2600].position.z, 100.0);
  // Node (i = 25, j = 0): x = 0, z = -180; node (i = 38, j = 0): x = 93.6.
  EXPECT_NEAR(smp[38 * 51].position.y, std::sin(93.6 * PI / 180) * -1.0 * 25.0, 1e-9);
  // The nodes closest to the extremes lie at x = 86.4 and z = 0 (and their mirrors).
  EXPECT_NEAR(PlotOf(s)->GetValueMax(), std::sin(86.4 * PI / 180), 1e-12);
  EXPECT_NEAR(PlotOf(s)->GetValueMin(), -std::sin(86.4 * PI / 180), 1e-12);
}

TEST(Sampling, EvenAndOddGridsAreCentred) {
  Scene s;
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(5)));
  s.Evaluate();
  const auto& smp = PlotOf(s)->GetSamples();
  ASSERT_EQ(smp.GetCount(), 36);
  const double expected[] = {-100, -60, -20, 20, 60, 100};
  for (int j = 0; j < 6; ++j) EXPECT_DOUBLE_EQ(smp[j].position.z, expected[j]);
  for (int i = 0; i < 6; ++i) EXPECT_DOUBLE_EQ(smp[i * 6].position.x, expected[i]);
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(4)));
  s.Evaluate();
  ASSERT_EQ(smp.GetCount(), 25);
  EXPECT_DOUBLE_EQ(smp[0].position.z, -100.0);
  EXPECT_DOUBLE_EQ(smp[2].position.z, 0.0);
  EXPECT_DOUBLE_EQ(smp[4].position.z, 100.0);
}

TEST(Sampling, SizeChangeRescalesWithoutEvaluating) {
  Scene s;
  s.Evaluate();
  const Vector colour = PlotOf(s)->GetSamples()[7].color;
  const Vector before = PlotOf(s)->GetSamples()[7].position;
  const UInt32 dirty = Dirty(s);
  s.Set(s.plot, O3DPLOT_SIZE, GeData(100.0));
  s.Evaluate();
  const PlotSample& after = PlotOf(s)->GetSamples()[7];
  EXPECT_DOUBLE_EQ(after.position.x, before.x / 2);
  EXPECT_DOUBLE_EQ(after.position.z, before.z / 2);
  EXPECT_DOUBLE_EQ(after.position.y, before.y);
  EXPECT_EQ(after.color, colour);
  EXPECT_EQ(Dirty(s), dirty + 1);  // the user's change only: no evaluation's update message
}

TEST(Sampling, HeightToZeroAndBackEvaluatesAnew) {
  Scene s;
  s.Evaluate();
  s.Set(s.plot, O3DPLOT_HEIGHT, GeData(0.0));
  s.Evaluate();
  EXPECT_EQ(PlotOf(s)->GetSamples()[38 * 51].position.y, 0.0);
  const UInt32 dirty = Dirty(s);
  s.Set(s.plot, O3DPLOT_HEIGHT, GeData(50.0));
  s.Evaluate();
  EXPECT_EQ(Dirty(s), dirty + 2);  // the change and the evaluation's update message
  EXPECT_NEAR(PlotOf(s)->GetSamples()[38 * 51].position.y, -std::sin(93.6 * PI / 180) * 25.0, 1e-9);
}

// Each step evaluates anew only when a setting the samples depend on changed; an evaluation shows
// as the plot's own update on top of the user's change.
TEST(Sampling, OnlyChangesTheSamplesDependOnEvaluateAnew) {
  struct Change {
    Int32 id;
    GeData value;
    bool evaluates;
  };
  const Change changes[] = {
      {O3DPLOT_RESOLUTION, GeData(Int32(20)), true},
      {O3DPLOT_SCALE_POSITIVE, GeData(2.0), true},
      {O3DPLOT_SCALE_NEGATIVE, GeData(2.0), true},
      {O3DPLOT_HEIGHTMODE, GeData(Int32(O3DPLOT_HEIGHTMODE_CLIP)), true},
      {O3DPLOT_FORMULA, GeData(String("x")), true},
      {O3DPLOT_XMIN, GeData(-90.0), true},
      {O3DPLOT_XMAX, GeData(90.0), true},
      {O3DPLOT_SEPARATE_Z, GeData(true), true},
      {O3DPLOT_ZMIN, GeData(-90.0), true},
      {O3DPLOT_ZMAX, GeData(90.0), true},
      {O3DPLOT_SIZE, GeData(100.0), false},
      {O3DPLOT_HEIGHT, GeData(80.0), false},
      {O3DPLOT_ANIMATE, GeData(false), false},
      {O3DPLOT_COLORMODE, GeData(Int32(O3DPLOT_COLORMODE_COLOR)), false},
      {O3DPLOT_COLOR, GeData(Vector(1, 0, 0)), false},
      {O3DPLOT_POINTSTYLE, GeData(Int32(O3DPLOT_POINTSTYLE_CROSS)), false},
      {O3DPLOT_POINTSIZE, GeData(3.0), false},
      {O3DPLOT_GRADIENT_ABSOLUTE, GeData(true), false},
      {O3DPLOT_COLORRANGE, GeData(Int32(O3DPLOT_COLORRANGE_DATA)), false},
  };
  Scene s;
  s.Evaluate();
  for (const Change& c : changes) {
    const UInt32 dirty = Dirty(s);
    s.Set(s.plot, c.id, c.value);
    s.Evaluate();
    EXPECT_EQ(Dirty(s), dirty + (c.evaluates ? 2 : 1)) << "parameter " << c.id;
  }
  // A NaN never equals the value of the last evaluation: every step evaluates again.
  s.plot->GetDataInstance()->SetFloat(O3DPLOT_SCALE_POSITIVE, std::nan(""));
  s.Evaluate();
  const UInt32 dirty = Dirty(s);
  s.Evaluate();
  EXPECT_EQ(Dirty(s), dirty + 1);
}

TEST(Sampling, AnimatedFormulaFollowsFramesOnlyWhenAnimated) {
  Scene s;
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("t + f / 100")));
  s.Evaluate();
  EXPECT_TRUE(PlotOf(s)->IsTimeDependent());
  s.SetFrame(15);  // 0.5 s at 30 fps
  s.Evaluate();
  EXPECT_NEAR(PlotOf(s)->GetValueMax(), 0.5 + 0.15, 1e-12);
  s.Set(s.plot, O3DPLOT_ANIMATE, GeData(false));
  s.SetFrame(30);
  s.Evaluate();
  EXPECT_NEAR(PlotOf(s)->GetValueMax(), 0.65, 1e-12);
  EXPECT_EQ(PlotOf(s)->GetLastFrame(), 30);
}

TEST(Sampling, FitScalesOvershootAndClipLimits) {
  Scene s;
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("2")));
  s.Evaluate();
  EXPECT_DOUBLE_EQ(PlotOf(s)->GetSamples()[0].position.y, 25.0);
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("0.5")));
  s.Evaluate();
  EXPECT_DOUBLE_EQ(PlotOf(s)->GetSamples()[0].position.y, 12.5);
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("2")));
  s.Set(s.plot, O3DPLOT_HEIGHTMODE, GeData(Int32(2)));
  s.Evaluate();
  EXPECT_DOUBLE_EQ(PlotOf(s)->GetSamples()[0].position.y, 25.0);
  EXPECT_DOUBLE_EQ(PlotOf(s)->GetValueMax(), 2.0);
}

TEST(Sampling, NegativeScaleAndNotANumber) {
  Scene s;
  s.Set(s.plot, O3DPLOT_HEIGHTMODE, GeData(Int32(0)));
  s.Set(s.plot, O3DPLOT_SCALE_NEGATIVE, GeData(0.0));
  s.Set(s.plot, O3DPLOT_SCALE_POSITIVE, GeData(2.0));
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("Log(x)")));
  s.Evaluate();
  const auto& smp = PlotOf(s)->GetSamples();
  EXPECT_TRUE(std::isnan(smp[0].position.y));  // Log of a negative x
  EXPECT_DOUBLE_EQ(smp[2600].position.y, std::log(180.0) * 25.0 * 2.0);
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("x / 180")));
  s.Evaluate();
  EXPECT_EQ(smp[0].position.y, 0.0);  // -1 scaled by 0
}

// A missing value is a hole in every height mode; the clip never puts it on the floor, and the
// value range counts numbers only.
TEST(Sampling, HolesStayHolesInEveryHeightMode) {
  Scene s;
  const auto& smp = PlotOf(s)->GetSamples();
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("Log(x)")));
  for (Int32 mode :
       {O3DPLOT_HEIGHTMODE_COMPUTED, O3DPLOT_HEIGHTMODE_FIT, O3DPLOT_HEIGHTMODE_CLIP}) {
    s.Set(s.plot, O3DPLOT_HEIGHTMODE, GeData(mode));
    s.Evaluate();
    for (Int64 k = 0; k < 25 * 51; ++k)
      ASSERT_TRUE(std::isnan(smp[k].position.y)) << mode << " " << k;
    EXPECT_NEAR(PlotOf(s)->GetValueMin(), std::log(7.2), 1e-12) << mode;  // Log(0) is a pole
    EXPECT_NEAR(PlotOf(s)->GetValueMax(), std::log(180.0), 1e-12) << mode;
  }
  EXPECT_EQ(smp[25 * 51].position.y, -25.0);        // the pole is clipped to the floor
  s.Set(s.plot, O3DPLOT_PRESET, GeData(Int32(5)));  // (x * x) / (z * z)
  s.Evaluate();
  EXPECT_TRUE(std::isnan(smp[25 * 51 + 25].position.y));  // 0 / 0 at the centre
  EXPECT_EQ(smp[25].position.y, 25.0);                    // 180² / 0 at the front edge
  EXPECT_EQ(PlotOf(s)->GetValueMin(), 0.0);
  EXPECT_NEAR(PlotOf(s)->GetValueMax(), 625.0, 1e-9);  // 180² / 7.2²
}

TEST(Sampling, NoNumberAtAllLeavesTheRangeAtZero) {
  Scene s;
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("Sqrt(-1)")));
  s.Evaluate();
  EXPECT_EQ(PlotOf(s)->GetSamples().GetCount(), 2601);
  EXPECT_EQ(PlotOf(s)->GetValueMin(), 0.0);
  EXPECT_EQ(PlotOf(s)->GetValueMax(), 0.0);
}

TEST(Sampling, PolesLeaveTheFitAndTheRangeAlone) {
  Scene s;
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("180 / x")));  // x = 0 at the middle row
  s.Evaluate();
  const auto& smp = PlotOf(s)->GetSamples();
  EXPECT_TRUE(std::isinf(smp[25 * 51].position.y));
  EXPECT_NEAR(PlotOf(s)->GetValueMax(), 25.0, 1e-9);  // 180 / 7.2, the nearest finite node
  EXPECT_NEAR(smp[26 * 51].position.y, 25.0, 1e-9);   // fitted into the box
  EXPECT_NEAR(smp[50 * 51].position.y, 1.0, 1e-9);    // 180 / 180 at the same scale
}

TEST(Sampling, DisabledPlotKeepsItsSamplesAndEnablingEvaluates) {
  Scene s;
  s.Evaluate();
  zvhost::SetEnabled(s.plot, false);  // the switch empties the samples
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("1")));
  s.Evaluate();
  EXPECT_EQ(PlotOf(s)->GetSamples().GetCount(), 0);
  zvhost::SetEnabled(s.plot, true);
  s.Evaluate();
  EXPECT_DOUBLE_EQ(PlotOf(s)->GetSamples()[0].position.y, 25.0);
  // Switched off after sampling: later evaluations leave the samples alone.
  s.plot->SetDeformMode(false);
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("0")));
  s.Evaluate();
  EXPECT_DOUBLE_EQ(PlotOf(s)->GetSamples()[0].position.y, 25.0);
}

TEST(Sampling, GradientColoursByValue) {
  Scene s;
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("x / 180")));
  s.Evaluate();
  const auto& smp = PlotOf(s)->GetSamples();
  EXPECT_EQ(smp[0].color, Vector(0, 0, 1));
  EXPECT_EQ(smp[25 * 51].color, Vector(0, 1, 0));
  EXPECT_EQ(smp[2600].color, Vector(1, 0, 0));
}

TEST(PlotObject, CopyShowsSamplesAndEvaluatesAnew) {
  Scene s;
  s.Evaluate();
  BaseObject* copy = zvtest::Clone(s.plot);
  ASSERT_NE(copy, nullptr);
  auto* data = copy->GetNodeData<ZVPlot>();
  EXPECT_EQ(data->GetSamples().GetCount(), 2601);
  EXPECT_EQ(data->GetSamples()[100].position, PlotOf(s)->GetSamples()[100].position);
  EXPECT_TRUE(data->GetEvalFormula().IsEmpty());
  s.doc->InsertObject(copy, nullptr, s.plot);
  const UInt32 dirty = copy->GetDirty(DIRTYFLAGS::DATA);
  s.Evaluate();
  EXPECT_EQ(copy->GetDirty(DIRTYFLAGS::DATA), dirty + 1);  // evaluated afresh
}

// What the runner reads: the view must be the plot's own samples and state, and a plot that
// awaits evaluation must say so with a count of 0.
TEST(SampleView, AnswersWithThePlotsSamplesAndState) {
  Scene s;
  ZVPlotSampleView view;
  view.count = -1;
  ASSERT_TRUE(s.plot->Message(MSG_ZVPLOT_GETSAMPLES, &view));
  EXPECT_EQ(view.count, 0);

  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(4)));
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("x / 90 + t")));
  s.SetFrame(15);
  s.Evaluate();
  const ZVPlot* plot = PlotOf(s);
  ASSERT_TRUE(s.plot->Message(MSG_ZVPLOT_GETSAMPLES, &view));
  ASSERT_EQ(view.count, 25);
  ASSERT_EQ(view.count, plot->GetSamples().GetCount());
  for (Int64 k = 0; k < view.count; ++k) {
    EXPECT_EQ(view.samples[k].position, plot->GetSamples()[k].position) << k;
    EXPECT_EQ(view.samples[k].color, plot->GetSamples()[k].color) << k;
  }
  EXPECT_EQ(view.resolution, 4);
  EXPECT_DOUBLE_EQ(view.valueMin, -1.5);
  EXPECT_DOUBLE_EQ(view.valueMax, 2.5);
  EXPECT_EQ(view.valueMin, plot->GetValueMin());
  EXPECT_EQ(view.valueMax, plot->GetValueMax());
  EXPECT_TRUE(view.timeDependent);

  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("x")));
  s.Evaluate();
  ASSERT_TRUE(s.plot->Message(MSG_ZVPLOT_GETSAMPLES, &view));
  EXPECT_FALSE(view.timeDependent);
  zvhost::SetEnabled(s.plot, false);  // switching empties the samples until the next evaluation
  ASSERT_TRUE(s.plot->Message(MSG_ZVPLOT_GETSAMPLES, &view));
  EXPECT_EQ(view.count, 0);
}

TEST(Drawing, StylesAndHandles) {
  Scene s;
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(1)));
  BaseDrawHelp bh(s.doc, Matrix());
  // Every pass draws into a view of its own, so that the records read are that pass's alone.
  using zvhost::DrawRecord;
  std::vector<DrawRecord> records;
  auto draw = [&](DRAWPASS pass, Int32 highlighted) {
    BaseDraw bd;
    zvhost::SetHighlightedHandle(bd, highlighted);
    const DRAWRESULT result = PlotOf(s)->Draw(s.plot, pass, &bd, &bh);
    records = zvhost::GetDrawRecords(bd);
    return result;
  };
  auto count = [&records](DrawRecord::Kind k) {
    return std::count_if(records.begin(), records.end(),
                         [k](const DrawRecord& r) { return r.kind == k; });
  };
  EXPECT_EQ(draw(DRAWPASS::OBJECT, -1), DRAWRESULT::SKIP);
  s.Evaluate();
  draw(DRAWPASS::OBJECT, -1);
  EXPECT_EQ(count(DrawRecord::Kind::HANDLE), 4);
  EXPECT_EQ(count(DrawRecord::Kind::POINTSIZE), 4);
  s.Set(s.plot, O3DPLOT_POINTSTYLE, GeData(Int32(2)));
  draw(DRAWPASS::OBJECT, -1);
  EXPECT_EQ(count(DrawRecord::Kind::LINE), 8);
  draw(DRAWPASS::HANDLES, 1);
  ASSERT_EQ(count(DrawRecord::Kind::HANDLE), 2);
  EXPECT_EQ(records[4].color, GetViewColor(VIEWCOLOR_SELECTION_PREVIEW));
}

// The user picks a preset by its name, so each choice must be named by the formula it writes.
TEST(Commands, EachPresetIsNamedByTheFormulaItWrites) {
  Scene s;
  const auto preset = zvhost::FindParameter(ID_ZVPLOT, O3DPLOT_PRESET);
  ASSERT_TRUE(preset.has_value());
  EXPECT_EQ(preset->cycle.size(), static_cast<size_t>(PRESET_COUNT));
  for (const auto& [choice, name] : preset->cycle) {
    s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("0")));
    s.Set(s.plot, O3DPLOT_PRESET, GeData(choice));
    const String formula = s.plot->GetDataInstanceRef().GetString(O3DPLOT_FORMULA);
    EXPECT_EQ(formula.GetStdString(), name) << "preset " << choice;
  }
}

TEST(Commands, PresetsResetAndRecolour) {
  Scene s;
  s.Set(s.plot, O3DPLOT_PRESET, GeData(Int32(4)));
  const String chosen = s.plot->GetDataInstanceRef().GetString(O3DPLOT_FORMULA);
  EXPECT_EQ(chosen, String(PresetFormula(4)));
  s.plot->GetDataInstance()->SetInt32(O3DPLOT_PRESET, PRESET_COUNT);
  DescriptionCheckUpdate msg;
  const DescID id = CreateDescID(DescLevel(O3DPLOT_PRESET));
  msg.descid = &id;
  s.plot->Message(MSG_DESCRIPTION_CHECKUPDATE, &msg);
  EXPECT_EQ(s.plot->GetDataInstanceRef().GetString(O3DPLOT_FORMULA), chosen);

  s.Press(s.plot, O3DPLOT_RESET);
  s.Evaluate();
  const UInt32 dirty = Dirty(s);
  s.Press(s.plot, O3DPLOT_RESET);  // defaults again: nothing to evaluate
  s.Evaluate();
  EXPECT_EQ(Dirty(s), dirty);

  s.Set(s.plot, O3DPLOT_COLORMODE, GeData(Int32(1)));
  s.Set(s.plot, O3DPLOT_COLOR, GeData(Vector(1, 0.5, 0)));
  EXPECT_EQ(PlotOf(s)->GetSamples()[123].color, Vector(1, 0.5, 0));  // at once, no evaluation
}

TEST(Commands, AddComponentAsksForASecondOfAKind) {
  Scene s;
  const Int32 type = ID_ZVPLOTLABELS;
  ASSERT_NE(zvhost::FindObjectPlugin(type), nullptr) << "labels not registered";
  zvhost::GetHostLog().questions.clear();
  s.Set(s.plot, O3DPLOT_ADD_COMPONENT, GeData(Int32(3)));
  s.Press(s.plot, O3DPLOT_ADD_COMPONENT);
  EXPECT_NE(FindChildOfType(s.plot, type), nullptr);
  EXPECT_TRUE(zvhost::GetHostLog().questions.empty());
  EXPECT_TRUE(s.plot->GetNBit(NBIT::OM1_FOLD));
  s.Press(s.plot, O3DPLOT_ADD_COMPONENT);  // the host answers no
  ASSERT_EQ(zvhost::GetHostLog().questions.size(), 1u);
  EXPECT_EQ(zvhost::GetHostLog().questions[0],
            "A component of this type already exists. Do you want to add another one?");
  zvhost::SetQuestionAnswer(true);
  s.Press(s.plot, O3DPLOT_ADD_COMPONENT);
  zvhost::SetQuestionAnswer(false);
  int n = 0;
  for (BaseObject* op = s.plot->GetDown(); op; op = op->GetNext()) n += op->GetType() == type;
  EXPECT_EQ(n, 2);
}

TEST(Commands, OnlyThePlotsOwnSubtreeCountsForTheQuestion) {
  Scene s;
  const Int32 type = ID_ZVPLOTMESH;
  ASSERT_NE(zvhost::FindObjectPlugin(type), nullptr) << "mesh not registered";
  BaseObject* other = BaseObject::Alloc(ID_ZVPLOT);
  s.doc->InsertObject(other, nullptr, s.plot);
  BaseObject* otherMesh = BaseObject::Alloc(type);
  otherMesh->InsertUnder(other);
  zvhost::GetHostLog().questions.clear();
  s.Set(s.plot, O3DPLOT_ADD_COMPONENT, GeData(Int32(0)));
  s.Press(s.plot, O3DPLOT_ADD_COMPONENT);  // another plot's mesh does not count
  EXPECT_TRUE(zvhost::GetHostLog().questions.empty());
  EXPECT_NE(FindChildOfType(s.plot, type), nullptr);

  Scene nested;
  BaseObject* null = nested.Add(Onull);
  nested.Add(type, null);  // a mesh deeper below the plot does count
  nested.Set(nested.plot, O3DPLOT_ADD_COMPONENT, GeData(Int32(0)));
  nested.Press(nested.plot, O3DPLOT_ADD_COMPONENT);
  EXPECT_EQ(zvhost::GetHostLog().questions.size(), 1u);
  EXPECT_EQ(nested.plot->GetDown(), null);  // the answer was no: nothing added
  EXPECT_EQ(null->GetNext(), nullptr);
}

TEST(Commands, HelpOpensTheGuideInTheModuleFolder) {
  Scene s;
  zvhost::GetHostLog().executedFiles.clear();
  s.Press(s.plot, O3DPLOT_HELP);
  ASSERT_EQ(zvhost::GetHostLog().executedFiles.size(), 1u);
  EXPECT_EQ(zvhost::GetHostLog().executedFiles[0], std::string(ZV_PLUGIN_DIR) + "/Zorvantix.pdf");
}

TEST(Hierarchy, SearchesStayInsideTheirSubtree) {
  Scene s;
  BaseObject* null = s.Add(Onull);
  BaseObject* deep = s.Add(Onull, null);
  deep->SetName(String("deep"));
  EXPECT_EQ(FindParentPlot(deep), s.plot);
  EXPECT_EQ(FindParentPlot(s.plot), nullptr);
  BaseObject* other = BaseObject::Alloc(ID_ZVPLOT);
  s.doc->InsertObject(other, nullptr, s.plot);
  BaseObject* otherChild = BaseObject::Alloc(Onull);
  otherChild->InsertUnder(other);
  EXPECT_EQ(FindChildOfType(s.plot, Onull), null);
  EXPECT_EQ(FindObjectByName(s.plot, "deep"), deep);
  otherChild->SetName(String("far"));
  EXPECT_EQ(FindObjectByName(s.plot, "far"), nullptr);
  EXPECT_EQ(FindObjectByName(deep, "deep"), deep);
  EXPECT_EQ(FindChildOfType(deep, Onull), nullptr);
}

}  // namespace
