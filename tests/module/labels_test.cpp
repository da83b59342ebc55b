// The labels component driven as the host drives it: added by the plot's command, rebuilt by the
// plot's evaluations, changed through its parameters, and read back from the scene.
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "o3dplot.h"
#include "sdk_support.h"
#include "test_support.h"
#include "zvplot.h"
#include "zvplot_hierarchy.h"
#include "zvplot_ids.h"
#include "zvplot_labels.h"

namespace {

constexpr Int32 kMark = 1999999;  // an entry no one writes: present only until a rebuild

struct LabelScene : zvtest::Scene {
  LabelScene() { labels = AddLabels(plot); }
  BaseObject* AddLabels(BaseObject* owner) {
    Set(owner, O3DPLOT_ADD_COMPONENT, GeData(Int32(O3DPLOT_ADD_COMPONENT_LABELS)));
    Press(owner, O3DPLOT_ADD_COMPONENT);
    // The only child. Without it every test of this file would fail at its first step: stop there
    // with the reason instead (the test framework reports the exception as the test's failure).
    if (!owner->GetDown()) throw std::runtime_error("the plot's command added no labels component");
    return owner->GetDown();
  }
  static BaseObject* Child(BaseObject* labels, const std::string& name) {
    for (BaseObject* c = labels->GetDown(); c; c = c->GetNext())
      if (c->GetName().GetStdString() == name) return c;
    return nullptr;
  }
  BaseObject* H(Int32 i, BaseObject* l = nullptr) {
    return Child(l ? l : labels, "_3dPlotHLabel" + std::to_string(i) + "_");
  }
  BaseObject* V(Int32 i) { return Child(labels, "_3dPlotVLabel" + std::to_string(i) + "_"); }
  BaseObject* Legend() { return Child(labels, "_3dPlotLegend_"); }
  static std::vector<BaseObject*> All(BaseObject* labels) {
    std::vector<BaseObject*> out;
    for (const char* prefix : {"_3dPlotHLabel", "_3dPlotVLabel"})
      for (Int32 i = 0; i < 6; ++i) out.push_back(Child(labels, prefix + std::to_string(i) + "_"));
    out.push_back(Child(labels, "_3dPlotLegend_"));
    return out;
  }
  static void Mark(BaseObject* labels) {
    for (BaseObject* op : All(labels)) op->GetDataInstance()->SetBool(kMark, true);
  }
  static int Marked(BaseObject* labels) {  // label objects not rebuilt since Mark
    int n = 0;
    for (BaseObject* op : All(labels)) n += op && op->GetDataInstanceRef().GetBool(kMark);
    return n;
  }
  BaseObject* labels;
};

std::string Text(BaseObject* label) {
  return label->GetDown()->GetDataInstanceRef().GetString(PRIM_TEXT_TEXT).GetStdString();
}
Int32 Align(BaseObject* label) {
  return label->GetDown()->GetDataInstanceRef().GetInt32(PRIM_TEXT_ALIGN);
}
bool Shown(BaseObject* op) {
  return op->GetEditorMode() == MODE_ON && op->GetRenderMode() == MODE_ON;
}
bool Hidden(BaseObject* op) {
  return op->GetEditorMode() == MODE_OFF && op->GetRenderMode() == MODE_OFF;
}

void ExpectAt(BaseObject* op, const Vector& pos, Float heading) {
  ASSERT_NE(op, nullptr);
  EXPECT_NEAR((op->GetRelPos() - pos).GetLength(), 0.0, 1e-9) << op->GetName().GetStdString();
  EXPECT_EQ(op->GetRelRot(), Vector(heading, 0, 0)) << op->GetName().GetStdString();
}

TEST(Labels, DefaultPlotGetsItsValuesAndLegendInTheDefaultFont) {
  LabelScene s;
  s.Evaluate();
  const char* texts[] = {"-180.0", "0.0", "180.0"};
  for (Int32 i = 0; i < 3; ++i) {
    ExpectAt(s.H(i), Vector(-100.0 + 100.0 * i, -32, -100), 0.0);
    EXPECT_EQ(Text(s.H(i)), texts[i]);
    EXPECT_EQ(Align(s.H(i)), i);
    EXPECT_TRUE(Shown(s.H(i)) && Shown(s.V(i)));
    EXPECT_TRUE(Hidden(s.H(i + 3)) && Hidden(s.V(i + 3)));
  }
  ExpectAt(s.H(4), Vector(100, -32, 0), PI05);
  EXPECT_EQ(Text(s.V(0)) + Text(s.V(1)) + Text(s.V(2)), "1.00.0-1.0");  // Sin(x) * Cos(z)
  EXPECT_EQ(Text(s.Legend()), "Formula: Sin(x) * Cos(z)");
  ExpectAt(s.Legend(), Vector(0, 27, 0), 0.0);
  EXPECT_EQ(Align(s.Legend()), 1);
  // No "Helvetica" on this machine: the host's default font, given to every text.
  BaseContainer fallback;
  ASSERT_TRUE(GeClipMap::GetDefaultFont(GE_FONT_DEFAULT_SYSTEM, &fallback));
  for (BaseObject* op : LabelScene::All(s.labels)) {
    const BaseContainer& text = op->GetDown()->GetDataInstanceRef();
    ASSERT_NE(text.GetCustomDataType<FontData>(PRIM_TEXT_FONT), nullptr);
    EXPECT_EQ(text.GetCustomDataType<FontData>(PRIM_TEXT_FONT)->GetFont(), fallback);
    EXPECT_EQ(text.GetFloat(PRIM_TEXT_HEIGHT), 7.0);
    EXPECT_EQ(op->GetDataInstanceRef().GetVector(EXTRUDEOBJECT_MOVE), Vector(0, 0, 0.1));
  }
  // The solid of "180.0": five closed pieces, one hole in each "0" and two in the "8".
  const auto* solid = static_cast<const PolygonObject*>(s.H(2)->GetCache());
  ASSERT_TRUE(solid && solid->IsInstanceOf(Opolygon));
  std::map<std::pair<Int32, Int32>, int> edges;
  std::set<Int32> points;
  for (Int32 i = 0; i < solid->GetPolygonCount(); ++i) {
    const CPolygon& p = solid->GetPolygonR()[i];
    const Int32 v[3] = {p.a, p.b, p.c};
    for (int k = 0; k < 3; ++k) ++edges[{v[k], v[(k + 1) % 3]}];
    points.insert(v, v + 3);
  }
  for (const auto& [edge, count] : edges)
    EXPECT_EQ(count * edges.count({edge.second, edge.first}), 1u);
  EXPECT_EQ(static_cast<Int32>(points.size()) - solid->GetPolygonCount() / 2, 2 * 5 - 2 * 4);
  const Vector rad = s.H(2)->GetRad(), text = s.H(2)->GetDown()->GetRad();
  EXPECT_NEAR((rad - Vector(text.x, text.y, 0.05)).GetLength(), 0.0, 1e-9);
}

TEST(Labels, FlipAndSeparateZMoveAndRelabelTheAxes) {
  LabelScene s;
  s.Set(s.plot, O3DPLOT_XMIN, GeData(-10.0));
  s.Set(s.plot, O3DPLOT_XMAX, GeData(30.0));
  s.Evaluate();
  EXPECT_EQ(Text(s.H(3)) + " " + Text(s.H(5)), "-10.0 30.0");  // z labels show the x range
  s.Set(s.labels, O3DPLOTLABEL_FLIP, GeData(true));
  ExpectAt(s.H(0), Vector(-100, -32, 100), PI);
  ExpectAt(s.H(5), Vector(-100, -32, 100), 3 * PI05);
  EXPECT_EQ(Align(s.H(0)) * 100 + Align(s.H(1)) * 10 + Align(s.H(2)), 210);
  s.Evaluate();  // the new texts are measured once the host has built them
  const Float r = s.V(1)->GetDown()->GetRad().y;
  ExpectAt(s.V(1), Vector(102, -r, 100), PI);
  ExpectAt(s.V(4), Vector(-98, -r, 100), 3 * PI05);
  ExpectAt(s.Legend(), Vector(0, 27, 0), 0.0);
  s.Set(s.plot, O3DPLOT_SEPARATE_Z, GeData(true));
  s.Set(s.plot, O3DPLOT_ZMIN, GeData(-5.0));
  s.Set(s.plot, O3DPLOT_ZMAX, GeData(2.0));
  s.Evaluate();
  EXPECT_EQ(Text(s.H(0)) + " " + Text(s.H(3)) + " " + Text(s.H(4)), "-10.0 -5.0 -1.5");
}

// Fitted into the box, the larger extreme stands at the top and its negative at the bottom.
TEST(Labels, VerticalValuesTakeTheLargerExtremeAndStandByTheirTextHeight) {
  LabelScene s;
  s.Set(s.plot, O3DPLOT_FORMULA, GeData("Min(Max(x; -1.5); 2.4)"));
  s.Evaluate();
  EXPECT_EQ(Text(s.V(0)) + " " + Text(s.V(1)) + " " + Text(s.V(2)), "2.4 0.0 -2.4");
  s.Set(s.labels, O3DPLOTLABEL_DIGITS, GeData(Int32(2)));
  EXPECT_EQ(Text(s.V(3)) + " " + Text(s.V(5)) + " " + Text(s.H(0)), "2.40 -2.40 -180.00");
  s.Set(s.plot, O3DPLOT_FORMULA, GeData("Max(Min(x; 1.5); -2.4)"));
  s.Set(s.labels, O3DPLOTLABEL_TEXTSIZE, GeData(12.0));
  s.Evaluate();
  EXPECT_EQ(Text(s.V(0)) + " " + Text(s.V(2)), "2.40 -2.40");
  // Measured on the solids: the top value ends at the box top, the middle one is centred on 0,
  // the bottom one starts at the box bottom (up to the figures' overshoot of the baseline).
  const Float r = s.V(1)->GetDown()->GetRad().y;
  ExpectAt(s.V(4), Vector(98, -r, -100), PI05);
  const Float wanted[] = {25.0, 0.0, -25.0};
  for (Int32 i = 0; i < 3; ++i) {
    BaseObject* label = s.V(i);
    const Float edge = i == 0 ? 1.0 : (i == 1 ? 0.0 : -1.0);
    const Float measured = label->GetRelPos().y + label->GetMp().y + edge * label->GetRad().y;
    EXPECT_NEAR(measured, wanted[i], 0.02 * 12.0) << i;
  }
}

// Each vertical value names the formula value plotted at its height. The straight line x / 90
// runs over -2 ... 2; its values next to 0 are never clipped, so their heights give the scale of
// each side, against which the texts are measured too.
TEST(Labels, VerticalValuesNameTheValuePlottedAtTheirHeight) {
  struct Case {
    const char* formula;
    Int32 mode;
    Float positive, negative;
    const char* texts;
  };
  const Int32 fit = O3DPLOT_HEIGHTMODE_FIT, clip = O3DPLOT_HEIGHTMODE_CLIP;
  const Int32 computed = O3DPLOT_HEIGHTMODE_COMPUTED;
  const Case cases[] = {
      {"x / 360", fit, 1, 1, "1.0 0.0 -1.0"},  // nothing to fit: 1 stands at the top
      {"x / 90", fit, 1, 1, "2.0 0.0 -2.0"},   // fitted: the largest magnitude does
      {"x / 90", clip, 1, 1, "1.0 0.0 -1.0"},  // 1 at the top in the other modes
      {"x / 90", computed, 1, 1, "1.0 0.0 -1.0"},
      {"x / 360", fit, 2, 0.5, "0.5 0.0 -2.0"},  // the scale factors stretch each side
      {"x / 90", fit, 2, 0.5, "1.0 0.0 -4.0"},
      {"x / 90", clip, 5, 0, "0.2 0.0 -2.0"},         // nothing negative reaches the bottom
      {"x / 90", computed, 0, 0.25, "2.0 0.0 -4.0"},  // nothing positive reaches the top
      {"x / 90", computed, 1, -1, "1.0 0.0 -2.0"},    // the negative values fold up
  };
  LabelScene s;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.formula) + " mode " + std::to_string(c.mode) + " scales " +
                 std::to_string(c.positive) + " " + std::to_string(c.negative));
    s.Set(s.plot, O3DPLOT_FORMULA, GeData(c.formula));
    s.Set(s.plot, O3DPLOT_HEIGHTMODE, GeData(c.mode));
    s.Set(s.plot, O3DPLOT_SCALE_POSITIVE, GeData(c.positive));
    s.Set(s.plot, O3DPLOT_SCALE_NEGATIVE, GeData(c.negative));
    s.Evaluate();
    EXPECT_EQ(Text(s.V(0)) + " " + Text(s.V(1)) + " " + Text(s.V(2)), c.texts);
    EXPECT_EQ(Text(s.V(3)) + " " + Text(s.V(5)), Text(s.V(0)) + " " + Text(s.V(2)));
    // Rows 26 and 24 hold x = 7.2 and -7.2.
    const auto& smp = s.Data<ZVPlot>(s.plot)->GetSamples();
    const Float value = 7.2 / (std::string(c.formula) == "x / 90" ? 90.0 : 360.0);
    const Float up = smp[26 * 51].position.y / value, down = -smp[24 * 51].position.y / value;
    if (up > 0) {
      EXPECT_NEAR(std::stod(Text(s.V(0))), 25.0 / up, 0.05);
    }
    if (down > 0) {
      EXPECT_NEAR(std::stod(Text(s.V(2))), -25.0 / down, 0.05);
    }
  }
  // The values stand where they always stood, flipped or not.
  const Float top = s.V(0)->GetDown()->GetRad().y;
  ExpectAt(s.V(0), Vector(-102, 25 - 2 * top, -100), 0.0);
  ExpectAt(s.V(5), Vector(98, -25, -100), PI05);
  s.Set(s.labels, O3DPLOTLABEL_FLIP, GeData(true));
  EXPECT_EQ(Text(s.V(0)) + " " + Text(s.V(2)), "1.0 -2.0");
  ExpectAt(s.V(0), Vector(102, 25 - 2 * top, 100), PI);
  ExpectAt(s.V(2), Vector(102, -25, 100), PI);
  ExpectAt(s.V(3), Vector(-98, 25 - 2 * top, 100), 3 * PI05);
}

// A new size or height moves the labels to the new box at once, without evaluating the formula.
TEST(Labels, FollowTheBoxWhenOnlyItsSizeOrHeightChanges) {
  LabelScene s;
  s.Evaluate();
  const UInt32 dirty = s.plot->GetDirty(DIRTYFLAGS::DATA);
  s.Set(s.plot, O3DPLOT_SIZE, GeData(100.0));
  s.Evaluate();
  ExpectAt(s.H(2), Vector(50, -32, -50), 0.0);
  s.Set(s.plot, O3DPLOT_HEIGHT, GeData(80.0));
  s.Evaluate();
  EXPECT_EQ(s.plot->GetDirty(DIRTYFLAGS::DATA), dirty + 2);  // the two changes alone
  ExpectAt(s.H(0), Vector(-50, -47, -50), 0.0);
  const Float r = s.V(0)->GetDown()->GetRad().y;
  ExpectAt(s.V(0), Vector(-52, 40 - 2 * r, -50), 0.0);
  ExpectAt(s.V(2), Vector(-52, -40, -50), 0.0);
  ExpectAt(s.Legend(), Vector(0, 42, 0), 0.0);
  EXPECT_EQ(Text(s.V(0)), "1.0");
}

TEST(Labels, VisibilityChangesKeepTheLabelObjects) {
  LabelScene s;
  s.Evaluate();
  LabelScene::Mark(s.labels);
  const auto shown = [&](Int32 first) {  // how many of labels first..first+2 of both groups show
    int n = 0;
    for (Int32 i = first; i < first + 3; ++i) n += Shown(s.H(i)) + Shown(s.V(i));
    return n;
  };
  s.Set(s.labels, O3DPLOTLABEL_AXES, GeData(Int32(0)));
  EXPECT_EQ(shown(0) * 10 + shown(3), 6);
  s.Set(s.labels, O3DPLOTLABEL_AXES, GeData(Int32(2)));
  EXPECT_EQ(shown(0) * 10 + shown(3), 66);
  s.Set(s.labels, O3DPLOTLABEL_SHOW_HORIZONTAL, GeData(false));
  EXPECT_EQ(shown(0) * 10 + shown(3), 33);
  // The vertical labels still follow the axes choice, but only the horizontal flag enables it.
  EXPECT_FALSE(zvhost::IsParameterEnabled(s.labels, O3DPLOTLABEL_AXES));
  EXPECT_TRUE(zvhost::IsParameterEnabled(s.labels, O3DPLOTLABEL_DIGITS));
  s.Set(s.labels, O3DPLOTLABEL_SHOW_VERTICAL, GeData(false));
  EXPECT_FALSE(zvhost::IsParameterEnabled(s.labels, O3DPLOTLABEL_FLIP));
  s.Set(s.labels, O3DPLOTLABEL_SHOW_HORIZONTAL, GeData(true));
  s.Set(s.labels, O3DPLOTLABEL_AXES, GeData(Int32(1)));
  EXPECT_EQ(shown(0) * 10 + shown(3), 30);
  s.Set(s.labels, O3DPLOTLABEL_SHOW_LEGEND, GeData(false));
  EXPECT_TRUE(Hidden(s.Legend()));
  EXPECT_FALSE(zvhost::IsParameterEnabled(s.labels, O3DPLOTLABEL_LEGEND_OFFSET));
  EXPECT_EQ(LabelScene::Marked(s.labels), 13);

  // An axes value the description does not offer hides all axis labels at the next rebuild, and
  // showing a group again leaves them so.
  s.Set(s.labels, O3DPLOTLABEL_SHOW_VERTICAL, GeData(true));
  s.labels->GetDataInstance()->SetInt32(O3DPLOTLABEL_AXES, 5);
  s.Press(s.labels, O3DPLOTLABEL_UPDATE);
  s.Set(s.labels, O3DPLOTLABEL_SHOW_HORIZONTAL, GeData(false));
  s.Set(s.labels, O3DPLOTLABEL_SHOW_HORIZONTAL, GeData(true));
  EXPECT_EQ(shown(0) + shown(3), 0);
  EXPECT_TRUE(Hidden(s.Legend()));
}

TEST(Labels, DisabledLabelsHideAllThirteenAndRebuildWhenEnabled) {
  LabelScene s;
  s.Evaluate();
  LabelScene::Mark(s.labels);
  zvhost::SetEnabled(s.labels, false);
  for (BaseObject* op : LabelScene::All(s.labels)) EXPECT_TRUE(Hidden(op));
  for (const auto& p : zvhost::ListParameters(ID_ZVPLOTLABELS))
    EXPECT_FALSE(zvhost::IsParameterEnabled(s.labels, p.id)) << p.symbol;
  s.Set(s.plot, O3DPLOT_FORMULA, GeData("x"));
  s.Evaluate();  // the plot's rebuild command is ignored while disabled
  EXPECT_EQ(LabelScene::Marked(s.labels), 13);
  zvhost::SetEnabled(s.labels, true);
  EXPECT_EQ(LabelScene::Marked(s.labels), 0);
  EXPECT_EQ(Text(s.Legend()), "Formula: x");
  EXPECT_TRUE(Shown(s.H(0)) && Hidden(s.H(3)) && Shown(s.Legend()));
}

TEST(Labels, LegendMovesAndTurnsInPlace) {
  LabelScene s;
  s.Evaluate();
  LabelScene::Mark(s.labels);
  s.Set(s.labels, O3DPLOTLABEL_LEGEND_OFFSET, GeData(Vector(10, 5, -20)));
  s.Set(s.labels, O3DPLOTLABEL_LEGEND_ORIENTATION, GeData(Int32(2)));
  ExpectAt(s.Legend(), Vector(10, 32, -20), PI);
  s.Set(s.labels, O3DPLOTLABEL_LEGEND_ORIENTATION, GeData(Int32(1)));
  ExpectAt(s.Legend(), Vector(10, 32, -20), 3 * PI05);
  s.labels->GetDataInstance()->SetInt32(O3DPLOTLABEL_LEGEND_ORIENTATION, 9);
  ZVPlotLabels::UpdateLegend(s.labels, s.doc, O3DPLOTLABEL_LEGEND_ORIENTATION);
  ExpectAt(s.Legend(), Vector(10, 32, -20), 0.0);
  EXPECT_EQ(LabelScene::Marked(s.labels), 13);
}

TEST(Labels, RebuiltAfterEachEvaluationOfTheirOwnPlotOnly) {
  LabelScene s;
  BaseObject* plot2 = BaseObject::Alloc(ID_ZVPLOT);
  s.doc->InsertObject(plot2, nullptr, nullptr);
  BaseObject* labels2 = s.AddLabels(plot2);
  s.Evaluate();
  LabelScene::Mark(s.labels);
  LabelScene::Mark(labels2);
  s.Evaluate();
  s.SetFrame(10);
  s.Evaluate();
  s.Set(s.plot, O3DPLOT_XMAX, GeData(90.0));
  EXPECT_EQ(LabelScene::Marked(s.labels), 13);
  s.Evaluate();
  EXPECT_EQ(LabelScene::Marked(s.labels), 0);
  EXPECT_EQ(LabelScene::Marked(labels2), 13);
  EXPECT_EQ(Text(s.H(2)) + " " + Text(s.H(2, labels2)), "90.0 180.0");
  s.Set(labels2, O3DPLOTLABEL_TEXTSIZE, GeData(3.0));
  EXPECT_EQ(LabelScene::Marked(labels2), 0);
}

TEST(Labels, ResetRestoresEveryDefault) {
  LabelScene s;
  s.Evaluate();
  BaseContainer* bc = s.labels->GetDataInstance();
  const BaseContainer defaults = *bc;
  BaseContainer fonts;
  ASSERT_TRUE((fonts = zvtest::InstalledFonts(), true));
  GeData oddValue(FONTCHOOSER_DATA, DEFAULTVALUE);
  FontData& odd = *oddValue.GetCustomDataTypeWritable<FontData>();
  odd.SetFont(fonts.GetContainerInstance(fonts.GetIndexId(fonts.GetEntryCount() - 1)));
  s.Set(s.labels, O3DPLOTLABEL_FONT, GeData(odd));
  EXPECT_FALSE(s.H(0)
                   ->GetDown()
                   ->GetDataInstanceRef()
                   .GetCustomDataType<FontData>(PRIM_TEXT_FONT)
                   ->GetFont() ==
               defaults.GetCustomDataType<FontData>(O3DPLOTLABEL_FONT)->GetFont());
  const std::pair<Int32, GeData> changes[] = {{O3DPLOTLABEL_TEXTSIZE, 3.0},
                                              {O3DPLOTLABEL_DEPTH, 2.0},
                                              {O3DPLOTLABEL_COLOR, Vector(1, 0, 0)},
                                              {O3DPLOTLABEL_DIGITS, Int32(4)},
                                              {O3DPLOTLABEL_AXES, Int32(2)},
                                              {O3DPLOTLABEL_FLIP, true},
                                              {O3DPLOTLABEL_LEGEND_ORIENTATION, Int32(0)},
                                              {O3DPLOTLABEL_LEGEND_OFFSET, Vector(1, 2, 3)},
                                              {O3DPLOTLABEL_SHOW_HORIZONTAL, false},
                                              {O3DPLOTLABEL_SHOW_VERTICAL, false},
                                              {O3DPLOTLABEL_SHOW_LEGEND, false}};
  for (const auto& [id, value] : changes) s.Set(s.labels, id, value);
  s.Press(s.labels, O3DPLOTLABEL_RESET);
  EXPECT_TRUE(bc->GetData(O3DPLOTLABEL_FONT) == defaults.GetData(O3DPLOTLABEL_FONT));
  for (const auto& [id, value] : changes)
    EXPECT_TRUE(bc->GetData(id) == defaults.GetData(id)) << id;
  EXPECT_EQ(Text(s.H(0)), "-180.0");
  EXPECT_TRUE(Shown(s.Legend()));
}

TEST(Labels, ObjectsOfOtherNamesAndPlacesAreLeftAlone) {
  LabelScene s;
  s.Evaluate();
  BaseObject* renamed = s.H(0);
  renamed->SetName(String("mine"));
  s.labels->SetName(String("_3dPlotLegend_"));  // must not take itself for its legend
  s.Press(s.labels, O3DPLOTLABEL_UPDATE);
  EXPECT_EQ(LabelScene::Child(s.labels, "mine"), renamed);
  EXPECT_NE(s.H(0), nullptr);
  EXPECT_NE(s.Legend(), nullptr);
  // Without a plot above, nothing is built and nothing is taken away.
  BaseObject* loose = BaseObject::Alloc(ID_ZVPLOTLABELS);
  s.doc->InsertObject(loose, nullptr, nullptr);
  BaseObject* own = BaseObject::Alloc(Onull);
  own->SetName(String("_3dPlotHLabel0_"));
  own->InsertUnder(loose);
  s.Press(loose, O3DPLOTLABEL_UPDATE);
  s.Set(loose, O3DPLOTLABEL_TEXTSIZE, GeData(9.0));
  EXPECT_TRUE(loose->GetDown() == own && !own->GetNext());
}

}  // namespace
