// Values and names as a user types them: gradients, fonts, and the nearest names to a typo.
#include "value_text.h"

#include <gtest/gtest.h>

#include "font_text.h"
#include "gradient_text.h"
#include "host_app.h"
#include "o3dplot.h"
#include "o3dplotlabel.h"
#include "plot_scene.h"
#include "sdk_support.h"
#include "suggest.h"

namespace {

maxon::GradientKnot Knot(double pos, const Vector& colour, double bias = 0.5) {
  maxon::GradientKnot k;
  k.col = maxon::Color(colour.x, colour.y, colour.z);
  k.pos = pos;
  k.bias = bias;
  return k;
}

void ExpectKnots(const Gradient& g, const std::vector<maxon::GradientKnot>& knots) {
  ASSERT_EQ(g.GetKnotCount(), static_cast<Int32>(knots.size()));
  for (size_t i = 0; i < knots.size(); ++i)
    EXPECT_EQ(g.GetKnot(Int32(i)), knots[i]) << "knot " << i;
}

TEST(GradientText, KnotListsGiveKnotsAsTheDefaultGradientHasThem) {
  Gradient g;
  std::string error;
  ASSERT_TRUE(zvapp::ParseGradient(" 1:#ff0000, 0:#0000FF@0.25 ,0.5:#00ff00", &g, &error)) << error;
  ExpectKnots(g, {Knot(1.0, Vector(1, 0, 0)), Knot(0.0, Vector(0, 0, 1), 0.25),
                  Knot(0.5, Vector(0, 1, 0))});
  EXPECT_EQ(g.GetData(GRADIENT_MODE).GetInt32(), GRADIENTMODE_COLOR);
  // Knots in any order sample by position.
  EXPECT_EQ(zvtest::GradientColour(g, 0.5), Vector(0, 1, 0));
  // "rgb" is the plot's own default gradient, knot for knot.
  zvapp::PlotScene scene;
  Gradient rgb;
  ASSERT_TRUE(zvapp::ParseGradient("RGB", &rgb, &error)) << error;
  const GeData* fresh = scene.Plot()->GetDataInstanceRef().GetDataPointer(O3DPLOT_GRADIENT);
  ASSERT_NE(fresh, nullptr);
  EXPECT_TRUE(*fresh == GeData(rgb));
  for (const std::string& name : zvapp::GradientNames()) {
    ASSERT_TRUE(zvapp::ParseGradient(name, &g, &error)) << name << ": " << error;
    EXPECT_GE(g.GetKnotCount(), 2) << name;
  }
}

TEST(GradientText, BadTextsAreRefusedWithTheKnotAtFault) {
  const struct {
    const char* text;
    const char* message;
  } bad[] = {
      {"virdis", "(did you mean viridis?)"},
      {"", "neither a knot list"},
      {"0:#0000ff,", "the knot \"\" is not POSITION:#RRGGBB"},
      {"0:#0000ff,1.5:#ff0000", "the knot \"1.5:#ff0000\" has no position from 0 to 1"},
      {"0:blue", "has no colour #rrggbb"},
      {"0:#00f", "has no colour #rrggbb"},
      {"0:#0000ff@2", "has no bias from 0 to 1"},
      {"nan:#0000ff", "has no position"},
  };
  for (const auto& b : bad) {
    Gradient g;
    std::string error;
    EXPECT_FALSE(zvapp::ParseGradient(b.text, &g, &error)) << b.text;
    EXPECT_NE(error.find(b.message), std::string::npos) << b.text << ": " << error;
    EXPECT_EQ(g.GetKnotCount(), 0) << b.text << ": nothing is written";
  }
  std::string many;
  for (size_t i = 0; i <= zvapp::kMaxGradientKnots; ++i)
    many += (i ? "," : "") + std::string("0.5:#000000");
  Gradient g;
  std::string error;
  EXPECT_FALSE(zvapp::ParseGradient(many, &g, &error));
  EXPECT_NE(error.find("at most 1000 knots"), std::string::npos) << error;
}

// A gradient as large as a scene file may hold, with the longest positions and biases, is typed
// back in from its text, and the text fits one command-line argument (128 KB).
TEST(GradientText, TheLargestGradientOfAFileReadsBackAsText) {
  Gradient g;
  for (size_t i = 0; i < zvapp::kMaxGradientKnots; ++i)
    g.InsertKnot(Knot(1.0 / 3 + 1e-9 * double(i), Vector(0.1, 0.2, 0.3), 2.0 / 3 - 1e-9));
  const std::string text = zvapp::GradientText(g);
  EXPECT_LT(text.size(), size_t{128} << 10);
  Gradient back;
  std::string error;
  ASSERT_TRUE(zvapp::ParseGradient(text, &back, &error)) << error;
  EXPECT_EQ(back.GetKnotCount(), Int32(zvapp::kMaxGradientKnots));
}

// A user's new gradient recolours the plot at once, as any colour parameter does.
TEST(GradientText, SettingAGradientRecoloursWithoutEvaluating) {
  zvapp::PlotScene scene;
  std::string error;
  ASSERT_TRUE(scene.Set("resolution", "4", &error)) << error;
  scene.Evaluate();
  const Int64 evaluations = zvhost::GetExecutionCount(*scene.Plot());
  ASSERT_TRUE(scene.Set("gradient", "grey", &error)) << error;
  const ZVPlotSampleView view = zvapp::PlotSamples(scene.Plot());
  ASSERT_EQ(view.count, 25);
  for (Int64 k = 0; k < view.count; ++k) {
    const Vector& c = view.samples[k].color;
    EXPECT_TRUE(c.x == c.y && c.y == c.z) << "sample " << k;
  }
  EXPECT_EQ(zvhost::GetExecutionCount(*scene.Plot()), evaluations);
}

TEST(FontText, InstalledFamiliesAndStylesAreFoundInAnyCase) {
  BaseContainer fonts;
  ASSERT_TRUE((fonts = zvtest::InstalledFonts(), true));
  ASSERT_GT(fonts.GetEntryCount(), 0) << "no fonts installed";
  const BaseContainer installed = *fonts.GetIndexData(0)->GetContainer();
  const std::string family = installed.GetString(FONT_FAMILY).GetStdString();
  const std::string style = installed.GetString(FONT_STYLE).GetStdString();
  GeData fValue(FONTCHOOSER_DATA, DEFAULTVALUE);
  FontData& f = *fValue.GetCustomDataTypeWritable<FontData>();
  std::string error;
  ASSERT_TRUE(zvapp::ParseFont(zvapp::Lower(family) + " : " + style, &f, &error)) << error;
  EXPECT_TRUE(f.GetFont() == installed);
  // Without a style, the family's regular one when it has one.
  ASSERT_TRUE(zvapp::ParseFont(family, &f, &error)) << error;
  EXPECT_EQ(f.GetFont().GetString(FONT_FAMILY).GetStdString(), family);
  for (Int32 i = 0; i < fonts.GetEntryCount(); ++i) {
    const BaseContainer* font = fonts.GetIndexData(i)->GetContainer();
    if (font->GetString(FONT_FAMILY).GetStdString() == family &&
        zvapp::Lower(font->GetString(FONT_STYLE).GetStdString()) == "regular") {
      EXPECT_TRUE(f.GetFont() == *font);
    }
  }
}

TEST(FontText, UnknownFamiliesAndStylesAreRefusedWithWhatIsThere) {
  BaseContainer fonts;
  ASSERT_TRUE((fonts = zvtest::InstalledFonts(), true));
  ASSERT_GT(fonts.GetEntryCount(), 0) << "no fonts installed";
  const std::string family =
      fonts.GetIndexData(0)->GetContainer()->GetString(FONT_FAMILY).GetStdString();
  GeData fValue(FONTCHOOSER_DATA, DEFAULTVALUE);
  FontData& f = *fValue.GetCustomDataTypeWritable<FontData>();
  std::string error;
  EXPECT_FALSE(zvapp::ParseFont(family + "x", &f, &error));
  EXPECT_NE(error.find("no installed font family \"" + family + "x\" (nearest: \"" + family + "\""),
            std::string::npos)
      << error;
  EXPECT_FALSE(zvapp::ParseFont(family + ":No Such Style", &f, &error));
  EXPECT_NE(error.find("has no style \"No Such Style\" (styles: "), std::string::npos) << error;
  EXPECT_FALSE(zvapp::ParseFont(":Bold", &f, &error));
  EXPECT_TRUE(f.GetFont() == BaseContainer()) << "a refused font writes nothing";
}

TEST(ValueText, FontsReachTheLabelsAsAUserSetsThem) {
  zvapp::PlotScene scene;
  std::string error;
  ASSERT_TRUE(scene.Add("labels", &error)) << error;
  BaseContainer fonts;
  ASSERT_TRUE((fonts = zvtest::InstalledFonts(), true));
  const BaseContainer* last = fonts.GetIndexData(fonts.GetEntryCount() - 1)->GetContainer();
  const std::string text = last->GetString(FONT_FAMILY).GetStdString() + ":" +
                           last->GetString(FONT_STYLE).GetStdString();
  ASSERT_TRUE(scene.Set("labels.font", text, &error)) << error;
  const auto* f =
      scene.Find("labels")->GetDataInstanceRef().GetCustomDataType<FontData>(O3DPLOTLABEL_FONT);
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->GetFont() == *last);
  EXPECT_FALSE(scene.Set("labels.font", "No Such Family", &error));
  EXPECT_TRUE(f->GetFont() == *last);
}

TEST(Suggestions, NearNamesForSlipsOnly) {
  EXPECT_EQ(zvapp::EditDistance("resolutoin", "resolution"), 1u);  // two letters swapped
  EXPECT_EQ(zvapp::EditDistance("formla", "FORMULA"), 1u);
  EXPECT_EQ(zvapp::EditDistance("", "abc"), 3u);
  const std::vector<std::string> names = {"mesh", "grid", "cage", "labels", "plot"};
  EXPECT_EQ(zvapp::DidYouMean("msh", names), " (did you mean mesh?)");
  EXPECT_EQ(zvapp::DidYouMean("wheel", names), "");
  EXPECT_EQ(zvapp::DidYouMean("gage", {"cage", "page", "gauge"}),
            " (did you mean cage, page or gauge?)");
  EXPECT_EQ(zvapp::ClosestNames("zzzz", names, 2).size(), 2u);
}

}  // namespace
