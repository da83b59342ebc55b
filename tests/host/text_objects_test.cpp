// The host's text and extrude objects: text laid out from real outlines, solids built from it,
// caches kept while nothing changed, and bounding sizes that are true before any evaluation.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <utility>

#include "c4d.h"
#include "text_geometry.h"

namespace {

class TextObjects : public ::testing::Test {
 protected:
  TextObjects() : doc(BaseDocument::Alloc()) {}
  ~TextObjects() override { BaseDocument::Free(doc); }

  static BaseObject* NewText(const char* str, Float height = 10.0, Int32 align = 0) {
    BaseObject* text = BaseObject::Alloc(Osplinetext);
    text->SetParameter(DescID(PRIM_TEXT_TEXT), GeData(str));
    text->SetParameter(DescID(PRIM_TEXT_HEIGHT), GeData(height));
    text->SetParameter(DescID(PRIM_TEXT_ALIGN), GeData(align));
    return text;
  }
  // An extrude object at the top of the document holding a new text.
  BaseObject* AddExtrude(const char* str, Float depth = 5.0) {
    BaseObject* extrude = BaseObject::Alloc(Oextrude);
    extrude->SetParameter(DescID(EXTRUDEOBJECT_MOVE), GeData(Vector(0, 0, depth)));
    NewText(str)->InsertUnder(extrude);
    doc->InsertObject(extrude, nullptr, nullptr);
    return extrude;
  }
  void Evaluate() { doc->ExecutePasses(nullptr, true, true, true); }

  BaseDocument* doc;
};

const PolygonObject* Solid(const BaseObject* extrude) {
  const BaseObject* cache = extrude->GetCache();
  return cache && cache->IsInstanceOf(Opolygon) ? static_cast<const PolygonObject*>(cache) : nullptr;
}

// Every directed edge is used once and its reverse once: a closed, consistently wound surface.
bool IsClosed(const PolygonObject* mesh) {
  std::map<std::pair<Int32, Int32>, int> edges;
  for (Int32 i = 0; i < mesh->GetPolygonCount(); ++i) {
    const CPolygon& p = mesh->GetPolygonR()[i];
    const Int32 v[3] = {p.a, p.b, p.c};
    for (int k = 0; k < 3; ++k) ++edges[{v[k], v[(k + 1) % 3]}];
  }
  for (const auto& [edge, count] : edges) {
    const auto reverse = edges.find({edge.second, edge.first});
    if (count != 1 || reverse == edges.end() || reverse->second != 1) return false;
  }
  return true;
}

// V - E + F of a closed triangle surface: 2 per separate piece, minus 2 per hole through it.
Int32 EulerCharacteristic(const PolygonObject* mesh) {
  std::set<Int32> used;
  for (Int32 i = 0; i < mesh->GetPolygonCount(); ++i) {
    const CPolygon& p = mesh->GetPolygonR()[i];
    used.insert({p.a, p.b, p.c});
  }
  const Int32 faces = mesh->GetPolygonCount();
  return static_cast<Int32>(used.size()) - faces * 3 / 2 + faces;
}

Float SignedVolume(const PolygonObject* mesh) {
  Float sum = 0;
  const Vector* pt = mesh->GetPointR();
  for (Int32 i = 0; i < mesh->GetPolygonCount(); ++i) {
    const CPolygon& p = mesh->GetPolygonR()[i];
    sum += Dot(pt[p.a], Cross(pt[p.b], pt[p.c]));
  }
  return sum / 6.0;
}

// The area the closed segments of a spline enclose, holes (wound the other way) subtracted.
Float EnclosedArea(const SplineObject* spline) {
  Float sum = 0;
  const Vector* pt = spline->GetPointR();
  Int32 start = 0;
  for (Int32 s = 0; s < spline->GetSegmentCount(); ++s) {
    const Int32 n = spline->GetSegmentR()[s].cnt;
    for (Int32 i = 0; i < n; ++i) {
      const Vector& a = pt[start + i];
      const Vector& b = pt[start + (i + 1) % n];
      sum += a.x * b.y - b.x * a.y;
    }
    start += n;
  }
  return sum / 2.0;
}

void ExpectNear(const Vector& a, const Vector& b, Float tol) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

TEST_F(TextObjects, TextCacheIsOneClosedSegmentPerGlyphContour) {
  BaseObject* text = NewText("08");
  doc->InsertObject(text, nullptr, nullptr);
  Evaluate();
  ASSERT_NE(text->GetCache(), nullptr);
  ASSERT_TRUE(text->GetCache()->IsInstanceOf(Ospline));
  const auto* spline = static_cast<const SplineObject*>(text->GetCache());
  EXPECT_TRUE(spline->IsClosed());
  // "0": outline and one hole, "8": outline and two holes.
  ASSERT_EQ(spline->GetSegmentCount(), 5);
  Int32 total = 0;
  for (Int32 s = 0; s < spline->GetSegmentCount(); ++s) {
    EXPECT_TRUE(spline->GetSegmentR()[s].closed);
    total += spline->GetSegmentR()[s].cnt;
  }
  EXPECT_EQ(total, spline->GetPointCount());
  for (Int32 i = 0; i < spline->GetPointCount(); ++i) EXPECT_EQ(spline->GetPointR()[i].z, 0.0);
}

TEST_F(TextObjects, BoundsAreTrueBeforeEvaluationAndMatchTheOutline) {
  BaseObject* text = NewText("180.0", 7.0);
  const Vector rad = text->GetRad(), mp = text->GetMp();
  // Figures stand on the baseline and reach about three quarters of the em height.
  EXPECT_GT(rad.y, 0.3 * 7.0);
  EXPECT_LT(rad.y, 0.5 * 7.0);
  EXPECT_NEAR(mp.y, rad.y, 0.02 * 7.0);
  EXPECT_EQ(rad.z, 0.0);
  doc->InsertObject(text, nullptr, nullptr);
  Evaluate();
  ExpectNear(text->GetCache()->GetRad(), rad, 1e-9);
  ExpectNear(text->GetCache()->GetMp(), mp, 1e-9);
}

TEST_F(TextObjects, AlignmentAndHeightPlaceTheText) {
  const Float h = 10.0;
  BaseObject* left = NewText("-180.0", h, 0);
  BaseObject* centre = NewText("-180.0", h, 1);
  BaseObject* right = NewText("-180.0", h, 2);
  BaseObject* twice = NewText("-180.0", 2 * h, 0);
  // Only the side bearings lie between the ink and the alignment point.
  EXPECT_NEAR(left->GetMp().x - left->GetRad().x, 0.0, 0.15 * h);
  EXPECT_NEAR(centre->GetMp().x, 0.0, 0.15 * h);
  EXPECT_NEAR(right->GetMp().x + right->GetRad().x, 0.0, 0.15 * h);
  EXPECT_GE(left->GetMp().x - left->GetRad().x, 0.0);
  EXPECT_LE(right->GetMp().x + right->GetRad().x, 0.0);
  ExpectNear(centre->GetRad(), left->GetRad(), 1e-9);
  ExpectNear(twice->GetRad(), left->GetRad() * 2.0, 1e-3 * h);
  for (BaseObject* op : {left, centre, right, twice}) BaseObject::Free(op);
}

TEST_F(TextObjects, ChosenFontIsUsedAndAMissingOneFallsBackToTheDefault) {
  const auto fallback = zvhost::DefaultFont();
  ASSERT_TRUE(fallback.has_value());
  const auto fonts = zvhost::ListInstalledFonts();
  const zvhost::FontInfo* other = nullptr;
  for (const auto& f : fonts)
    if (f.family != fallback->family) other = &f;
  ASSERT_NE(other, nullptr) << "needs a second installed font family";

  const auto withFont = [](const char* file, Int32 index) {
    BaseContainer desc;
    desc.SetString(FONT_FILE, file);
    desc.SetInt32(FONT_INDEX, index);
    FontData font;
    font.SetFont(&desc);
    BaseObject* text = NewText("Wide Text 0123");
    text->SetParameter(DescID(PRIM_TEXT_FONT), GeData(CUSTOMDATATYPE_FONT, font));
    return text;
  };
  BaseObject* plain = NewText("Wide Text 0123");
  BaseObject* chosen = withFont(other->file.c_str(), other->index);
  BaseObject* missing = withFont("/nonexistent/font.ttf", 0);
  EXPECT_GT(std::fabs(chosen->GetRad().x - plain->GetRad().x), 1e-3);
  ExpectNear(missing->GetRad(), plain->GetRad(), 1e-12);
  for (BaseObject* op : {plain, chosen, missing}) BaseObject::Free(op);
}

TEST_F(TextObjects, ExtrudedTextIsAClosedSolidWithItsHolesOpen) {
  BaseObject* one = AddExtrude("1");
  BaseObject* zero = AddExtrude("0");
  BaseObject* eight = AddExtrude("8");
  Evaluate();
  for (BaseObject* op : {one, zero, eight}) {
    const PolygonObject* solid = Solid(op);
    ASSERT_NE(solid, nullptr);
    for (Int32 i = 0; i < solid->GetPolygonCount(); ++i)
      EXPECT_TRUE(solid->GetPolygonR()[i].IsTriangle());
    EXPECT_TRUE(IsClosed(solid));
    // Outward faces: the volume is the cap area (holes taken out) times the depth.
    const Float area = EnclosedArea(static_cast<const SplineObject*>(op->GetDown()->GetCache()));
    EXPECT_NEAR(SignedVolume(solid), area * 5.0, 1e-6 * area * 5.0);
  }
  // Genus 0, 1 and 2: caps filled around each hole, none across it.
  EXPECT_EQ(EulerCharacteristic(Solid(one)), 2);
  EXPECT_EQ(EulerCharacteristic(Solid(zero)), 0);
  EXPECT_EQ(EulerCharacteristic(Solid(eight)), -2);
}

TEST_F(TextObjects, ExtrudeExtentMatchesTheTextBoundsAndTheDepth) {
  BaseObject* extrude = AddExtrude("-180.0", 0.1);
  EXPECT_EQ(extrude->GetRad(), Vector());  // nothing built yet
  Evaluate();
  const BaseObject* text = extrude->GetDown();
  const Vector rad = extrude->GetRad(), mp = extrude->GetMp();
  EXPECT_NEAR(rad.x, text->GetRad().x, 1e-9);
  EXPECT_NEAR(rad.y, text->GetRad().y, 1e-9);
  EXPECT_NEAR(rad.z, 0.05, 1e-12);
  EXPECT_NEAR(mp.x, text->GetMp().x, 1e-9);
  EXPECT_NEAR(mp.y, text->GetMp().y, 1e-9);
  EXPECT_NEAR(mp.z, 0.05, 1e-12);
}

TEST_F(TextObjects, CachesAreRebuiltOnlyWhenTheirSourceChanged) {
  BaseObject* extrude = AddExtrude("12");
  BaseObject* text = extrude->GetDown();
  Evaluate();
  const BaseObject* first = extrude->GetCache();
  Evaluate();
  EXPECT_EQ(extrude->GetCache(), first);
  EXPECT_EQ(extrude->GetCacheBuildCount(), 1);
  EXPECT_EQ(text->GetCacheBuildCount(), 1);

  text->SetParameter(DescID(PRIM_TEXT_TEXT), GeData("8"));
  Evaluate();
  EXPECT_EQ(extrude->GetCacheBuildCount(), 2);
  EXPECT_EQ(text->GetCacheBuildCount(), 2);
  EXPECT_EQ(EulerCharacteristic(Solid(extrude)), -2);

  extrude->SetParameter(DescID(EXTRUDEOBJECT_MOVE), GeData(Vector(0, 0, 3)));
  Evaluate();
  EXPECT_EQ(extrude->GetCacheBuildCount(), 3);
  EXPECT_EQ(text->GetCacheBuildCount(), 2);
  EXPECT_NEAR(extrude->GetRad().z, 1.5, 1e-12);

  // The same text in a new object: the solid stays.
  BaseObject* copy = text->GetClone();
  BaseObject::Free(text);
  copy->InsertUnder(extrude);
  Evaluate();
  EXPECT_EQ(extrude->GetCacheBuildCount(), 3);
}

TEST_F(TextObjects, ExtrudeWithoutTextAndEmptyTextBuildNothingVisible) {
  BaseObject* bare = BaseObject::Alloc(Oextrude);
  doc->InsertObject(bare, nullptr, nullptr);
  BaseObject* empty = AddExtrude("");
  Evaluate();
  EXPECT_EQ(bare->GetCache(), nullptr);
  ASSERT_NE(Solid(empty), nullptr);
  EXPECT_EQ(Solid(empty)->GetPolygonCount(), 0);
  EXPECT_EQ(empty->GetRad(), Vector());
  EXPECT_EQ(empty->GetDown()->GetRad(), Vector());

  // Taking the text away takes the solid with it.
  BaseObject* text = AddExtrude("1")->GetDown();
  Evaluate();
  BaseObject* owner = text->GetUp();
  ASSERT_NE(owner->GetCache(), nullptr);
  BaseObject::Free(text);
  Evaluate();
  EXPECT_EQ(owner->GetCache(), nullptr);
}

TEST_F(TextObjects, PointObjectsAndPlainObjectsReportTheirOwnBounds) {
  PolygonObject* poly = PolygonObject::Alloc(3, 1);
  poly->GetPointW()[0] = Vector(-1, 2, 3);
  poly->GetPointW()[1] = Vector(5, 4, 3);
  poly->GetPointW()[2] = Vector(1, 0, -7);
  ExpectNear(poly->GetRad(), Vector(3, 2, 5), 0);
  ExpectNear(poly->GetMp(), Vector(2, 2, -2), 0);
  BaseObject* null = BaseObject::Alloc(Onull);
  EXPECT_EQ(null->GetRad(), Vector());
  EXPECT_EQ(null->GetMp(), Vector());
  BaseObject* op = poly;
  BaseObject::Free(op);
  BaseObject::Free(null);
}

}  // namespace
