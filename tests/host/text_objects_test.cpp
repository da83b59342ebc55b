// The host's text and extrude objects: text laid out from real outlines, solids built from it,
// caches kept while nothing changed, and bounding sizes that are true before any evaluation.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "c4d.h"
#include "host_app.h"
#include "host_records.h"
#include "sdk_support.h"
#include "text_fonts.h"
#include "text_layout.h"

namespace {

BaseObject* NewText(const char* str, Float height = 10.0, Int32 align = PRIM_TEXT_ALIGN_LEFT) {
  BaseObject* text = BaseObject::Alloc(Osplinetext);
  text->SetParameter(CreateDescID(DescLevel(PRIM_TEXT_TEXT)), GeData(str), DESCFLAGS_SET::NONE);
  text->SetParameter(CreateDescID(DescLevel(PRIM_TEXT_HEIGHT)), GeData(height),
                     DESCFLAGS_SET::NONE);
  text->SetParameter(CreateDescID(DescLevel(PRIM_TEXT_ALIGN)), GeData(align), DESCFLAGS_SET::NONE);
  return text;
}

void SetFontFile(BaseObject* text, const std::string& file, Int32 index) {
  BaseContainer desc;
  desc.SetString(FONT_FILE, String(file));
  desc.SetInt32(FONT_INDEX, index);
  GeData fontValue(FONTCHOOSER_DATA, DEFAULTVALUE);
  FontData& font = *fontValue.GetCustomDataTypeWritable<FontData>();
  font.SetFont(&desc);
  text->SetParameter(CreateDescID(DescLevel(PRIM_TEXT_FONT)), GeData(font), DESCFLAGS_SET::NONE);
}

struct Scene {
  Scene() : doc(BaseDocument::Alloc()) {}
  ~Scene() { BaseDocument::Free(doc); }
  BaseObject* Extrude(BaseObject* text, Float depth = 5.0) {
    BaseObject* extrude = BaseObject::Alloc(Oextrude);
    extrude->SetParameter(CreateDescID(DescLevel(EXTRUDEOBJECT_MOVE)), GeData(Vector(0, 0, depth)),
                          DESCFLAGS_SET::NONE);
    text->InsertUnder(extrude);
    doc->InsertObject(extrude, nullptr, nullptr);
    return extrude;
  }
  void Evaluate() { doc->ExecutePasses(nullptr, true, true, true, BUILDFLAGS::NONE); }
  BaseDocument* doc;
};

// V - E + F of the extrude's solid, which for a closed surface is 2 per piece minus 2 per hole
// through it; -99 when the surface is open or not wound consistently.
Int32 SolidEuler(const BaseObject* extrude) {
  const BaseObject* cache = extrude->GetCache();
  if (!cache || !cache->IsInstanceOf(Opolygon)) return -99;
  const auto* mesh = static_cast<const PolygonObject*>(cache);
  std::map<std::pair<Int32, Int32>, int> edges;
  std::set<Int32> points;
  for (Int32 i = 0; i < mesh->GetPolygonCount(); ++i) {
    const CPolygon& p = mesh->GetPolygonR()[i];
    if (!p.IsTriangle()) return -99;
    const Int32 v[3] = {p.a, p.b, p.c};
    for (int k = 0; k < 3; ++k) ++edges[{v[k], v[(k + 1) % 3]}];
    points.insert(v, v + 3);
  }
  for (const auto& [edge, count] : edges)
    if (count != 1 || edges.count({edge.second, edge.first}) != 1) return -99;
  return static_cast<Int32>(points.size()) - mesh->GetPolygonCount() / 2;
}

void ExpectNear(const Vector& a, const Vector& b, Float tol) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

// A generator has no size before the host has built it; once built, a text measures as the
// closed outline of its figures.
TEST(TextObjects, TextIsMeasuredOnceBuiltAsItsClosedOutline) {
  Scene s;
  BaseObject* text = NewText("08", 7.0);
  ExpectNear(text->GetRad(), Vector(), 0.0);
  s.doc->InsertObject(text, nullptr, nullptr);
  s.Evaluate();
  const Vector rad = text->GetRad(), mp = text->GetMp();
  // Figures stand on the baseline and reach about three quarters of the em height.
  EXPECT_GT(rad.y, 0.3 * 7.0);
  EXPECT_LT(rad.y, 0.5 * 7.0);
  EXPECT_NEAR(mp.y, rad.y, 0.02 * 7.0);
  ASSERT_TRUE(text->GetCache() && text->GetCache()->IsInstanceOf(Ospline));
  const auto* spline = static_cast<const SplineObject*>(text->GetCache());
  EXPECT_TRUE(spline->IsClosed());
  EXPECT_EQ(spline->GetSegmentCount(), 5);  // "0" outline and hole, "8" outline and two holes
  ExpectNear(spline->GetRad(), rad, 1e-9);
  ExpectNear(spline->GetMp(), mp, 1e-9);

  // Right-aligned text ends at the origin (up to its side bearing); a font that cannot be opened
  // gives way to the default font.
  BaseObject* right = NewText("-180.0", 10.0, PRIM_TEXT_ALIGN_RIGHT);
  BaseObject* missing = NewText("-180.0", 10.0, PRIM_TEXT_ALIGN_RIGHT);
  SetFontFile(missing, "/nonexistent/font.ttf", 0);
  for (BaseObject* op : {right, missing}) s.doc->InsertObject(op, nullptr, nullptr);
  s.Evaluate();
  EXPECT_LE(right->GetMp().x + right->GetRad().x, 0.0);
  EXPECT_GT(right->GetMp().x + right->GetRad().x, -1.5);
  ExpectNear(missing->GetRad(), right->GetRad(), 1e-12);
}

TEST(TextObjects, ExtrudedTextIsAClosedSolidWithItsHolesOpen) {
  Scene s;
  BaseObject* one = s.Extrude(NewText("1"));
  BaseObject* zero = s.Extrude(NewText("0"));
  BaseObject* eight = s.Extrude(NewText("8"), 0.1);
  EXPECT_EQ(eight->GetRad(), Vector());  // nothing built yet
  s.Evaluate();
  EXPECT_EQ(SolidEuler(one), 2);
  EXPECT_EQ(SolidEuler(zero), 0);
  EXPECT_EQ(SolidEuler(eight), -2);
  const BaseObject* text = eight->GetDown();
  ExpectNear(eight->GetRad(), Vector(text->GetRad().x, text->GetRad().y, 0.05), 1e-9);
  ExpectNear(eight->GetMp(), Vector(text->GetMp().x, text->GetMp().y, 0.05), 1e-9);
}

TEST(TextObjects, SolidsAreRebuiltOnlyWhenTheirTextOrDepthChanged) {
  Scene s;
  const auto fonts = zvhost::ListInstalledFonts();
  ASSERT_GE(fonts.size(), 2u);
  BaseObject* extrude = s.Extrude(NewText("Wide 08"));
  BaseObject* styled = s.Extrude(NewText("Wide 08"));
  SetFontFile(styled->GetDown(), fonts.back().file, fonts.back().index);
  s.Evaluate();
  const BaseObject* first = extrude->GetCache();
  s.Evaluate();
  EXPECT_EQ(extrude->GetCache(), first);
  EXPECT_EQ(zvhost::GetCacheBuildCount(*extrude), 1);
  EXPECT_EQ(zvhost::GetCacheBuildCount(*extrude->GetDown()), 1);
  // Equal texts in another font make another solid.
  EXPECT_GT(std::fabs(styled->GetRad().x - extrude->GetRad().x), 1e-3);

  extrude->GetDown()->SetParameter(CreateDescID(DescLevel(PRIM_TEXT_HEIGHT)), GeData(20.0),
                                   DESCFLAGS_SET::NONE);
  s.Evaluate();
  EXPECT_EQ(zvhost::GetCacheBuildCount(*extrude), 2);
  EXPECT_EQ(zvhost::GetCacheBuildCount(*extrude->GetDown()), 2);
  ExpectNear(extrude->GetRad(),
             Vector(extrude->GetDown()->GetRad().x, extrude->GetDown()->GetRad().y, 2.5), 1e-9);

  extrude->SetParameter(CreateDescID(DescLevel(EXTRUDEOBJECT_MOVE)), GeData(Vector(0, 0, 3)),
                        DESCFLAGS_SET::NONE);
  s.Evaluate();
  EXPECT_EQ(zvhost::GetCacheBuildCount(*extrude), 3);
  EXPECT_EQ(zvhost::GetCacheBuildCount(*extrude->GetDown()), 2);
  EXPECT_NEAR(extrude->GetRad().z, 1.5, 1e-12);

  // Without its text the extrude shows nothing.
  BaseObject* text = extrude->GetDown();
  BaseObject::Free(text);
  s.Evaluate();
  EXPECT_EQ(extrude->GetCache(), nullptr);
}

// The host does not lay out a text past its limit: the text shows nothing, and the host's log
// says why once, however often the text is measured or built.
TEST(TextObjects, ATextPastTheLimitShowsNothingAndIsNotedOnce) {
  Scene s;
  zvhost::GetHostLog().notes.clear();
  const std::string tooLong = "Formula: " + std::string(zvhost::kMaxLayoutCharacters, 'x');
  BaseObject* extrude = s.Extrude(NewText(tooLong.c_str()));
  BaseObject* fits = s.Extrude(NewText(tooLong.substr(9).c_str()));
  EXPECT_EQ(extrude->GetDown()->GetRad(), Vector());
  s.Evaluate();
  s.Evaluate();
  EXPECT_EQ(extrude->GetCache(), nullptr);
  EXPECT_EQ(extrude->GetDown()->GetCache(), nullptr);
  EXPECT_NE(fits->GetCache(), nullptr);
  ASSERT_EQ(zvhost::GetHostLog().notes.size(), 1u);
  const std::string& note = zvhost::GetHostLog().notes[0];
  EXPECT_EQ(note.rfind("the text \"Formula: xxx", 0), 0u) << note;
  EXPECT_NE(
      note.find("...\" shows nothing: a text of 4105 characters is not laid out: at most 4096"),
      std::string::npos)
      << note;
  zvhost::GetHostLog().notes.clear();
}

TEST(TextObjects, PointObjectsAndPlainObjectsReportTheirOwnBounds) {
  PolygonObject* poly = PolygonObject::Alloc(3, 1);
  poly->GetPointW()[0] = Vector(-1, 2, 3);
  poly->GetPointW()[1] = Vector(5, 4, 3);
  poly->GetPointW()[2] = Vector(1, 0, -7);
  EXPECT_EQ(poly->GetRad(), Vector(3, 2, 5));
  EXPECT_EQ(poly->GetMp(), Vector(2, 2, -2));
  BaseObject* null = BaseObject::Alloc(Onull);
  EXPECT_EQ(null->GetRad(), Vector());
  BaseObject* op = poly;
  BaseObject::Free(op);
  BaseObject::Free(null);
}

}  // namespace
