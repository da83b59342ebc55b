// The plot's colour range: what the two ends of the gradient stand for, and that recolouring
// gives the colours of an evaluation.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "o3dplot.h"
#include "sdk_support.h"
#include "test_support.h"
#include "zvplot.h"

namespace {

using zvtest::Scene;

const PlotSampleArray& SamplesOf(Scene& s) { return s.Data<ZVPlot>(s.plot)->GetSamples(); }

// The colour the plot's own gradient gives at a position.
Vector GradientAt(Scene& s, Float p) {
  const Gradient* g = s.plot->GetDataInstanceRef().GetCustomDataType<Gradient>(O3DPLOT_GRADIENT);
  if (!g || g->GetKnotCount() == 0) return Vector(-1, -1, -1);
  return zvtest::GradientColour(*g, p);
}

// Sets the gradient to itself, as a user who touches it does: the plot recolours.
void TouchGradient(Scene& s, BaseObject* plot) {
  const Gradient g = *plot->GetDataInstanceRef().GetCustomDataType<Gradient>(O3DPLOT_GRADIENT);
  s.Set(plot, O3DPLOT_GRADIENT, GeData(g));
}

std::vector<Vector> Colours(const PlotSampleArray& smp) {
  std::vector<Vector> out;
  for (Int64 k = 0; k < smp.GetCount(); ++k) out.push_back(smp[k].color);
  return out;
}

bool SameBits(const std::vector<Vector>& a, const std::vector<Vector>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(Vector)) == 0;
}

const Vector kFirst(0, 0, 1), kMiddle(0, 1, 0), kLast(1, 0, 0);

TEST(ColourRange, DataSpansTheGradientOverTheFiniteHeights) {
  Scene s;
  const auto& smp = SamplesOf(s);
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("x * x + z * z")));
  s.Evaluate();
  EXPECT_EQ(smp[26 * 51 + 25].color, kLast);  // "Values": all red but the centre
  s.Set(s.plot, O3DPLOT_COLORRANGE, GeData(Int32(O3DPLOT_COLORRANGE_DATA)));
  for (Bool absolute : {false, true}) {
    s.Set(s.plot, O3DPLOT_GRADIENT_ABSOLUTE, GeData(absolute));
    EXPECT_EQ(smp[25 * 51 + 25].color, kFirst) << absolute;  // the bottom of the bowl
    EXPECT_EQ(smp[0].color, kLast) << absolute;              // its corners
    EXPECT_EQ(smp[2600].color, kLast) << absolute;
  }
  s.Set(s.plot, O3DPLOT_GRADIENT_ABSOLUTE, GeData(false));
  EXPECT_EQ(smp[25].color, kMiddle);  // half the corners' height
  // Holes and the pole at x = 0 take no part: x = 7.2 is the lowest number, x = 180 the highest.
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("Log(x)")));
  s.Set(s.plot, O3DPLOT_HEIGHTMODE, GeData(Int32(O3DPLOT_HEIGHTMODE_COMPUTED)));
  s.Evaluate();
  EXPECT_EQ(smp[26 * 51].color, kFirst);
  EXPECT_EQ(smp[50 * 51 + 7].color, kLast);
}

TEST(ColourRange, PlotBoxFollowsThePlottedHeight) {
  Scene s;
  const auto& smp = SamplesOf(s);
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("x / 90")));  // -2 ... 2, fitted into the box
  s.Evaluate();
  EXPECT_EQ(smp[12 * 51].color, kFirst);  // "Values": -1.04 before the fit is below the box
  s.Set(s.plot, O3DPLOT_COLORRANGE, GeData(Int32(O3DPLOT_COLORRANGE_BOX)));
  EXPECT_EQ(smp[0].color, kFirst);
  EXPECT_EQ(smp[25 * 51].color, kMiddle);
  EXPECT_EQ(smp[50 * 51].color, kLast);
  for (Int64 k : {12 * 51, 30 * 51 + 3, 44 * 51})
    EXPECT_EQ(smp[k].color, GradientAt(s, (smp[k].position.y + 25.0) / 50.0)) << k;
  s.Set(s.plot, O3DPLOT_GRADIENT_ABSOLUTE, GeData(true));
  for (Int64 k : {0 * 51, 12 * 51, 30 * 51 + 3})
    EXPECT_EQ(smp[k].color, GradientAt(s, std::fabs(smp[k].position.y) / 25.0)) << k;
  // Clipped, then halved: the hills end halfway up the box, and so do their colours.
  s.Set(s.plot, O3DPLOT_GRADIENT_ABSOLUTE, GeData(false));
  s.Set(s.plot, O3DPLOT_HEIGHTMODE, GeData(Int32(O3DPLOT_HEIGHTMODE_CLIP)));
  s.Set(s.plot, O3DPLOT_SCALE_POSITIVE, GeData(0.5));
  s.Evaluate();
  EXPECT_EQ(smp[50 * 51].color, GradientAt(s, 0.75));
  EXPECT_EQ(smp[0].color, kFirst);
}

// With "Plot Box" and "Data" the recolouring takes the evaluation's rule: touching the gradient
// or choosing the range afterwards gives the evaluation's colours, bit for bit, wherever the plot
// stands and whatever its height mode did.
TEST(ColourRange, RecolouringGivesTheColoursOfAnEvaluation) {
  struct Setup {
    const char* formula;
    Int32 heightMode;
  };
  const Setup setups[] = {{"x * x * z", O3DPLOT_HEIGHTMODE_FIT},
                          {"Log(x) + z / 100", O3DPLOT_HEIGHTMODE_CLIP},
                          {"x / 90", O3DPLOT_HEIGHTMODE_COMPUTED}};
  for (const Setup& setup : setups) {
    for (Int32 range : {O3DPLOT_COLORRANGE_BOX, O3DPLOT_COLORRANGE_DATA}) {
      for (Bool absolute : {false, true}) {
        SCOPED_TRACE(std::string(setup.formula) + " range " + std::to_string(range) +
                     (absolute ? " absolute" : ""));
        const auto prepare = [&](Scene& s) {
          s.plot->SetRelPos(Vector(0, 30, 0));
          s.Set(s.plot, O3DPLOT_FORMULA, GeData(String(setup.formula)));
          s.Set(s.plot, O3DPLOT_HEIGHTMODE, GeData(setup.heightMode));
          s.Set(s.plot, O3DPLOT_GRADIENT_ABSOLUTE, GeData(absolute));
        };
        Scene evaluated;
        prepare(evaluated);
        evaluated.Set(evaluated.plot, O3DPLOT_COLORRANGE, GeData(range));
        evaluated.Evaluate();
        const std::vector<Vector> colours = Colours(SamplesOf(evaluated));
        TouchGradient(evaluated, evaluated.plot);
        EXPECT_TRUE(SameBits(Colours(SamplesOf(evaluated)), colours));

        Scene chosenLater;
        prepare(chosenLater);
        chosenLater.Evaluate();
        chosenLater.Set(chosenLater.plot, O3DPLOT_COLORRANGE, GeData(range));
        EXPECT_TRUE(SameBits(Colours(SamplesOf(chosenLater)), colours));

        // A copy that has not run yet recolours its samples as the original would.
        BaseObject* copy = zvtest::Clone(evaluated.plot);
        ASSERT_NE(copy, nullptr);
        evaluated.doc->InsertObject(copy, nullptr, evaluated.plot);
        TouchGradient(evaluated, copy);
        EXPECT_TRUE(SameBits(Colours(copy->GetNodeData<ZVPlot>()->GetSamples()), colours));
      }
    }
  }
}

TEST(ColourRange, NewAndResetPlotsKeepTheValuesRule) {
  Scene s;
  EXPECT_EQ(s.plot->GetDataInstanceRef().GetInt32(O3DPLOT_COLORRANGE), O3DPLOT_COLORRANGE_VALUES);
  s.Set(s.plot, O3DPLOT_COLORRANGE, GeData(Int32(O3DPLOT_COLORRANGE_DATA)));
  s.Press(s.plot, O3DPLOT_RESET);
  EXPECT_EQ(s.plot->GetDataInstanceRef().GetInt32(O3DPLOT_COLORRANGE), O3DPLOT_COLORRANGE_VALUES);
  // A container without the entry, as a plot saved before it had one, reads as "Values".
  BaseContainer* bc = s.plot->GetDataInstance();
  BaseContainer old(bc->GetId());
  for (Int32 i = 0; i < bc->GetEntryCount(); ++i)
    if (bc->GetIndexId(i) != O3DPLOT_COLORRANGE)
      old.SetData(bc->GetIndexId(i), *bc->GetIndexData(i));
  *bc = old;
  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("x / 90")));
  s.Evaluate();
  EXPECT_EQ(SamplesOf(s)[12 * 51].color, kFirst);
}

}  // namespace
