// Scene files: a full scene survives save, load and save byte for byte and evaluates to the same
// samples; numbers come back bit for bit; hostile files are refused with their place named; and
// mutated files never crash, leak or load into something that does not save again.
#include "scene_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "o3dplot.h"
#include "o3dplotcage.h"
#include "o3dplotgrid.h"
#include "o3dplotlabel.h"
#include "o3dplotmesh.h"
#include "sdk_support.h"
#include "test_folder.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {

class SceneFileTest : public zvtest::FolderTest {
 protected:
  // Saves `doc` and returns the file's text; fails the test when saving fails.
  std::string Save(BaseDocument* doc, const std::string& name) const {
    std::string error;
    EXPECT_TRUE(zvapp::SaveScene(doc, Path(name), &error)) << error;
    return Read(Path(name));
  }
};

struct DocumentOwner {
  explicit DocumentOwner(BaseDocument* d) : doc(d) {}
  ~DocumentOwner() { BaseDocument::Free(doc); }
  DocumentOwner(const DocumentOwner&) = delete;
  DocumentOwner& operator=(const DocumentOwner&) = delete;
  BaseDocument* doc;
};

// A plot with every component the module registers, added by the plot's command, parameters away
// from their defaults, a gradient of its own, a chosen font and a transform; evaluated once at a
// frame other than 0, so the labels exist and the time-dependent formula depends on the time.
struct FullScene : zvtest::Scene {
  FullScene() {
    const std::pair<Int32, Int32> components[] = {{O3DPLOT_ADD_COMPONENT_MESH, Oo3dplotmesh},
                                                  {O3DPLOT_ADD_COMPONENT_GRID, Oo3dplotgrid},
                                                  {O3DPLOT_ADD_COMPONENT_CAGE, Oo3dplotcage},
                                                  {O3DPLOT_ADD_COMPONENT_LABELS, Oo3dplotlabel}};
    for (const auto& [choice, type] : components) {
      EXPECT_NE(zvhost::FindObjectPlugin(type), nullptr) << "type " << type << " is not registered";
      Set(plot, O3DPLOT_ADD_COMPONENT, GeData(choice));
      Press(plot, O3DPLOT_ADD_COMPONENT);
    }
    Set(plot, O3DPLOT_FORMULA, GeData("Sin(x + t * 40) * Cos(z) + 0.1"));
    Set(plot, O3DPLOT_RESOLUTION, GeData(Int32(14)));
    Set(plot, O3DPLOT_XMIN, GeData(-90.1));
    Set(plot, O3DPLOT_ZMAX, GeData(1.0 / 3.0));
    Set(plot, O3DPLOT_HEIGHTMODE, GeData(Int32(O3DPLOT_HEIGHTMODE_FIT)));
    Set(plot, O3DPLOT_GRADIENT, GeData(OwnGradient()));
    SetBelow(Oo3dplotmesh, O3DPLOTMESH_VERTEXCOLORS, GeData(true));
    SetBelow(Oo3dplotcage, O3DPLOTCAGE_LEVELS, GeData(Int32(3)));
    SetBelow(Oo3dplotgrid, O3DPLOTGRID_STEP, GeData(Int32(2)));
    SetBelow(Oo3dplotlabel, O3DPLOTLABEL_DIGITS, GeData(Int32(2)));
    SetBelow(Oo3dplotlabel, O3DPLOTLABEL_FONT, GeData(LastInstalledFont()));
    plot->SetRelPos(Vector(12.5, -3.0, 0.1));
    plot->SetRelRot(Vector(0.3, 0.0, -0.2));
    SetFrame(7);
    Evaluate();
  }
  void SetBelow(Int32 type, Int32 id, const GeData& value) {
    BaseObject* op = zvtest::FindBelow(plot, type);
    if (op)
      Set(op, id, value);
    else
      ADD_FAILURE() << "no component of type " << type << " below the plot";
  }
  static Gradient OwnGradient() {
    Gradient g;
    g.SetData(GRADIENT_MODE, GeData(Int32(GRADIENTMODE_COLOR)));
    using Interpolation = maxon::GRADIENT_INTERPOLATION_TYPE;
    const Interpolation interpolations[] = {Interpolation::LINEARKNOT, Interpolation::NONE,
                                            Interpolation::SMOOTHKNOT, Interpolation::CUBICKNOT};
    for (Int32 i = 0; i < 4; ++i) {
      maxon::GradientKnot k;
      k.col = maxon::Color(0.1 * i, 1.0 - 0.2 * i, 0.7);
      k.brightness = 0.8 + 0.1 * i;
      k.pos = i / 3.0;
      k.bias = 0.3 + 0.1 * i;
      k.index = i;
      k.interpolation = interpolations[i];
      g.InsertKnot(k);
    }
    return g;
  }
  static FontData LastInstalledFont() {
    BaseContainer fonts;
    GeData fontValue(FONTCHOOSER_DATA, DEFAULTVALUE);
    FontData& font = *fontValue.GetCustomDataTypeWritable<FontData>();
    if ((fonts = zvtest::InstalledFonts(), true) && fonts.GetEntryCount() > 0)
      font.SetFont(fonts.GetIndexData(fonts.GetEntryCount() - 1)->GetContainer());
    return font;
  }
};

void ExpectSameObjects(const BaseObject* a, const BaseObject* b) {
  for (; a && b; a = a->GetNext(), b = b->GetNext()) {
    SCOPED_TRACE(a->GetName().GetStdString());
    EXPECT_EQ(a->GetType(), b->GetType());
    EXPECT_EQ(a->GetName(), b->GetName());
    EXPECT_EQ(a->GetRelPos(), b->GetRelPos());
    EXPECT_EQ(a->GetRelRot(), b->GetRelRot());
    EXPECT_EQ(a->GetEditorMode(), b->GetEditorMode());
    EXPECT_EQ(a->GetRenderMode(), b->GetRenderMode());
    EXPECT_EQ(a->GetDeformMode(), b->GetDeformMode());
    EXPECT_EQ(a->GetNBit(NBIT::OM1_FOLD), b->GetNBit(NBIT::OM1_FOLD));
    ObjectColorProperties ca, cb;
    a->GetColorProperties(&ca);
    b->GetColorProperties(&cb);
    EXPECT_TRUE(ca.usecolor == cb.usecolor && ca.color == cb.color && ca.xray == cb.xray);
    EXPECT_TRUE(a->GetDataInstanceRef() == b->GetDataInstanceRef());
    ExpectSameObjects(a->GetDown(), b->GetDown());
  }
  EXPECT_EQ(a == nullptr, b == nullptr) << "the hierarchies differ in length";
}

TEST_F(SceneFileTest, FullSceneRoundTripsByteForByteAndEvaluatesAlike) {
  FullScene scene;
  const BaseObject* labels = zvtest::FindBelow(scene.plot, Oo3dplotlabel);
  ASSERT_NE(labels, nullptr);
  ASSERT_NE(labels->GetDown(), nullptr) << "the evaluation made no label objects";
  const std::string first = Save(scene.doc, "first.json");

  // The text form, a snapshot or a scene sent over the network, holds the file's very bytes.
  std::string error, text;
  ASSERT_TRUE(zvapp::SaveSceneToText(scene.doc, &text, &error)) << error;
  EXPECT_EQ(text, first);
  DocumentOwner fromText(zvapp::LoadSceneFromText(text, &error));
  ASSERT_NE(fromText.doc, nullptr) << error;
  ExpectSameObjects(scene.doc->GetFirstObject(), fromText.doc->GetFirstObject());
  EXPECT_EQ(zvapp::LoadSceneFromText("{\"format\": 1}", &error), nullptr);
  EXPECT_NE(error.find("/format"), std::string::npos) << error;

  std::vector<std::string> notes;
  DocumentOwner loaded(zvapp::LoadScene(Path("first.json"), &error, &notes));
  ASSERT_NE(loaded.doc, nullptr) << error;
  EXPECT_TRUE(notes.empty()) << notes.front();
  ExpectSameObjects(scene.doc->GetFirstObject(), loaded.doc->GetFirstObject());
  EXPECT_EQ(loaded.doc->GetTime(), scene.doc->GetTime());
  EXPECT_EQ(loaded.doc->GetFps(), scene.doc->GetFps());
  EXPECT_EQ(Save(loaded.doc, "second.json"), first);

  // Loading sends no message and builds nothing: the first evaluation does, from the parameters.
  BaseObject* plot = loaded.doc->GetFirstObject();
  const auto published = [](BaseObject* op) {
    ZVPlotSampleView view;
    op->Message(MSG_ZVPLOT_GETSAMPLES, &view);
    return view;
  };
  const ZVPlotSampleView original = scene.Samples();
  EXPECT_EQ(published(plot).count, 0);
  loaded.doc->ExecutePasses(nullptr, true, true, true, BUILDFLAGS::NONE);
  const ZVPlotSampleView reloaded = published(plot);
  ASSERT_EQ(reloaded.count, original.count);
  ASSERT_GT(original.count, 0);
  EXPECT_EQ(std::memcmp(reloaded.samples, original.samples,
                        sizeof(PlotSample) * static_cast<size_t>(original.count)),
            0);
  // The rebuilt labels are the ones that were saved.
  EXPECT_EQ(Save(loaded.doc, "third.json"), first);
}

TEST_F(SceneFileTest, NumbersTextsAndNestedContainersComeBackBitForBit) {
  DocumentOwner owner(BaseDocument::Alloc());
  BaseDocument* doc = owner.doc;
  doc->SetTime(BaseTime(-1.0 / 3.0, 7.0));
  doc->SetFps(25);
  const double values[] = {-0.0,
                           0.1,
                           1.0 / 3.0,
                           std::numeric_limits<double>::denorm_min(),
                           std::numeric_limits<double>::max(),
                           -1e-320,
                           1152921504606846976.0,
                           12345678901234567000.0,
                           std::numeric_limits<double>::quiet_NaN(),
                           std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity()};
  BaseObject* null = BaseObject::Alloc(Onull);
  doc->InsertObject(null, nullptr, nullptr);
  null->SetName(
      String("quote \" backslash \\ tab \t bell \x07 umlaut \xc3\xa4 emoji \xf0\x9f\x98\x80"));
  null->SetRelPos(Vector(-0.0, 5e-324, 1e308));
  BaseContainer* bc = null->GetDataInstance();
  for (Int32 i = 0; i < static_cast<Int32>(std::size(values)); ++i)
    bc->SetFloat(100 + i, values[i]);
  bc->SetInt32(-7, std::numeric_limits<Int32>::min());
  bc->SetInt32(7, std::numeric_limits<Int32>::max());
  bc->SetTime(8, BaseTime(3, 0));
  bc->SetData(9, GeData());
  BaseContainer inner(42), innermost(-3);
  innermost.SetVector(1, Vector(std::numeric_limits<double>::quiet_NaN(), -0.0, 2.5));
  inner.SetContainer(5, innermost);
  bc->SetContainer(6, inner);
  const std::string first = Save(doc, "numbers.json");

  std::string error;
  DocumentOwner loaded(zvapp::LoadScene(Path("numbers.json"), &error));
  ASSERT_NE(loaded.doc, nullptr) << error;
  const BaseObject* back = loaded.doc->GetFirstObject();
  EXPECT_EQ(back->GetName(), null->GetName());
  const auto bits = [](double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
  };
  const BaseContainer& got = back->GetDataInstanceRef();
  for (Int32 i = 0; i < static_cast<Int32>(std::size(values)); ++i)
    EXPECT_EQ(bits(got.GetFloat(100 + i)), bits(values[i])) << values[i];
  EXPECT_EQ(bits(back->GetRelPos().x), bits(-0.0));
  EXPECT_EQ(got.GetInt32(-7), std::numeric_limits<Int32>::min());
  EXPECT_EQ(got.GetData(9).GetType(), DA::NIL);
  ASSERT_NE(got.GetContainerInstance(6), nullptr);
  EXPECT_EQ(got.GetContainerInstance(6)->GetId(), 42);
  EXPECT_EQ(got.GetContainerInstance(6)->GetContainerInstance(5)->GetId(), -3);
  EXPECT_EQ(Save(loaded.doc, "again.json"), first);
}

TEST_F(SceneFileTest, WhatAFileCannotHoldIsRefusedAndTheOldFileStays) {
  const std::string target = Write("scene.json", "the old file\n");
  zvtest::Scene scene;
  std::string error;

  BaseObject* tagged = scene.Add(Onull);
  tagged->MakeTag(Tphong);
  EXPECT_FALSE(zvapp::SaveScene(scene.doc, target, &error));
  EXPECT_NE(error.find("/objects/0/children/0: "), std::string::npos) << error;
  EXPECT_NE(error.find("a tag of type 5612"), std::string::npos) << error;
  BaseObject::Free(tagged);

  // The module writes its container freely; a value no user could give makes no file.
  scene.plot->GetDataInstance()->SetInt32(O3DPLOT_RESOLUTION, 5000);
  EXPECT_FALSE(zvapp::SaveScene(scene.doc, target, &error));
  EXPECT_NE(error.find("/objects/0/parameters/10000: "), std::string::npos) << error;
  scene.plot->GetDataInstance()->SetInt32(O3DPLOT_RESOLUTION, 20);

  // Deeper than a file's nesting allows: refused where the file would become too deep.
  BaseObject* deep = scene.Add(Onull);
  for (int i = 0; i < 40; ++i) deep = scene.Add(Onull, deep);
  EXPECT_FALSE(zvapp::SaveScene(scene.doc, target, &error));
  EXPECT_NE(error.find("/objects/0/children/0/children/0/"), std::string::npos) << error;
  EXPECT_NE(error.find("objects nested deeper than 24 levels"), std::string::npos) << error;
  BaseObject* top = scene.plot->GetDown();
  BaseObject::Free(top);

  EXPECT_FALSE(zvapp::SaveScene(scene.doc, Path("no/such/folder/scene.json"), &error));
  EXPECT_EQ(Read(target), "the old file\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
      << "a temporary file was left behind";
  EXPECT_TRUE(zvapp::SaveScene(scene.doc, target, &error)) << error;
}

// ---- Limits -------------------------------------------------------------------------------------

// A chain of `levels` objects, one below the other: nulls, and at the bottom `last`.
std::string Chain(int levels, const std::string& last) {
  std::string s = last;
  for (int i = 1; i < levels; ++i) s = R"({"type": 5140, "children": [)" + s + "]}";
  return s;
}
std::string Pointer(int levels) {
  std::string at = "/objects/0";
  for (int i = 1; i < levels; ++i) at += "/children/0";
  return at;
}
// Parameter 1 a container holding entry 2 a container ... down to entry `levels`, `last`.
std::string Containers(int levels, const std::string& last) {
  std::string s = last;
  for (int i = levels - 1; i >= 1; --i)
    s = R"({"container": {"entries": {")" + std::to_string(i + 1) + R"(": )" + s + "}}}";
  return R"({"1": )" + s + "}";
}
std::string ContainerPointer(int levels) {
  std::string at = "/objects/0/parameters/1";
  for (int i = 2; i <= levels; ++i) at += "/container/entries/" + std::to_string(i);
  return at;
}

// Reading and writing agree on every limit: at the edge a scene loads, evaluates, saves and loads
// again to the same bytes; one step past it, loading and saving refuse it alike.
TEST_F(SceneFileTest, WhatLoadsSavesAtEveryLimitAndOnePastItNeitherDoes) {
  const auto file = [](const std::string& objects) {
    return R"({"format": "zvplot scene", "version": 1, "objects": [)" + objects + "]}";
  };
  // Values in containers four levels down, the last a gradient: its knots' colours are what
  // nests deepest in a file, here at the deepest object too.
  const std::string containers =
      Containers(4, R"({"gradient": {"knots": [{"color": [1, 0, 0]}]}})");
  const std::string plot = R"({"type": 1055349})";
  const std::string deepNull = R"({"type": 5140, "parameters": )" + containers + "}";
  for (const std::string& last : {std::string(R"({"type": 5140})"), plot, deepNull}) {
    SCOPED_TRACE(last);
    std::string error;
    DocumentOwner loaded(zvapp::LoadScene(Write("deepest.json", file(Chain(24, last))), &error));
    ASSERT_NE(loaded.doc, nullptr) << error;
    loaded.doc->ExecutePasses(nullptr, true, true, true, BUILDFLAGS::NONE);
    const std::string saved = Save(loaded.doc, "saved.json");
    DocumentOwner again(zvapp::LoadScene(Path("saved.json"), &error));
    ASSERT_NE(again.doc, nullptr) << error;
    EXPECT_EQ(Save(again.doc, "again.json"), saved);

    // One object more is refused, naming the object too deep.
    BaseObject* bottom = loaded.doc->GetFirstObject();
    while (bottom->GetDown()) bottom = bottom->GetDown();
    BaseObject::Alloc(Onull)->InsertUnder(bottom);
    EXPECT_FALSE(zvapp::SaveScene(loaded.doc, Path("deeper.json"), &error));
    EXPECT_NE(error.find(Pointer(25) + ": objects nested deeper than 24 levels"), std::string::npos)
        << error;
  }

  // A file holding one object more is refused alike. (A file whose deepest object has values in it
  // is refused sooner, its JSON nested too deep.)
  std::string error;
  EXPECT_EQ(zvapp::LoadScene(Write("deeper.json", file(Chain(25, R"({"type": 5140})"))), &error),
            nullptr);
  EXPECT_NE(error.find(Pointer(25) + ": objects nested deeper than 24 levels"), std::string::npos)
      << error;

  // A value one level further down: refused by both.
  const std::string fifth =
      R"({"type": 5140, "parameters": )" + Containers(5, R"({"long": 1})") + "}";
  const std::string at = ContainerPointer(5);
  EXPECT_EQ(zvapp::LoadScene(Write("fifth.json", file(fifth)), &error), nullptr);
  EXPECT_NE(error.find(at + ": values nested deeper than 4 levels"), std::string::npos) << error;
  DocumentOwner owner(BaseDocument::Alloc());
  BaseObject* null = BaseObject::Alloc(Onull);
  owner.doc->InsertObject(null, nullptr, nullptr);
  BaseContainer inner;
  inner.SetInt32(5, 1);
  for (Int32 id = 4; id >= 2; --id) {
    BaseContainer outer;
    outer.SetContainer(id, inner);
    inner = outer;
  }
  null->GetDataInstance()->SetContainer(1, inner);
  EXPECT_FALSE(zvapp::SaveScene(owner.doc, Path("fifth.json"), &error));
  EXPECT_NE(error.find(at + ": values nested deeper than 4 levels"), std::string::npos) << error;

  // Parameters: the file's and those the object is created with count together.
  BaseObject* probe = BaseObject::Alloc(Osplinetext);
  const int own = probe->GetDataInstanceRef().GetEntryCount();
  BaseObject::Free(probe);
  const auto text = [&](int added) {
    std::string entries;
    for (int i = 0; i < added; ++i)
      entries += (i ? ", \"" : "\"") + std::to_string(-1 - i) + "\": {\"long\": 1}";
    return file(R"({"type": 5178, "parameters": {)" + entries + "}}");
  };
  DocumentOwner full(zvapp::LoadScene(Write("full.json", text(10000 - own)), &error));
  ASSERT_NE(full.doc, nullptr) << error;
  Save(full.doc, "full-saved.json");
  EXPECT_EQ(zvapp::LoadScene(Write("over.json", text(10001 - own)), &error), nullptr);
  EXPECT_NE(error.find("/objects/0/parameters: more than 10000 parameters"), std::string::npos)
      << error;
}

// ---- Hostile files ------------------------------------------------------------------------------

std::string File(const std::string& objects, const std::string& extra = "") {
  return R"({"format": "zvplot scene", "version": 1, )" + extra + R"("objects": [)" + objects +
         "]}";
}
std::string Plot(const std::string& parameters) {
  return File(R"({"type": 1055349, "parameters": {)" + parameters + "}}");
}
std::string Nested(const std::string& open, const std::string& close, int levels,
                   const std::string& inner) {
  std::string s;
  for (int i = 0; i < levels; ++i) s += open;
  s += inner;
  for (int i = 0; i < levels; ++i) s += close;
  return s;
}
std::string Repeated(const std::string& item, size_t count) {
  std::string s;
  for (size_t i = 0; i < count; ++i) s += (i ? "," : "") + item;
  return s;
}

struct HostileCase {
  const char* what;
  std::string text;
  std::string at;       // the place the message names
  std::string problem;  // a piece of the problem it names
};

std::vector<HostileCase> HostileCases() {
  const std::string null = R"({"type": 5140)";
  const std::string knots = R"("10008": {"gradient": {"knots": [)";
  std::string deepChildren = R"({"type": 5140})";
  for (int i = 0; i < 31; ++i)
    deepChildren = R"({"type": 5140, "children": [)" + deepChildren + "]}";
  return {
      {"not JSON", R"({"format": )", "", "not valid JSON: parse error at line 1"},
      {"trailing text", File("") + " x", "", "not valid JSON"},
      {"empty file", "", "", "not valid JSON"},
      {"no object at the top", "[]", "", "one JSON object"},
      {"another format", R"({"format": "gltf", "version": 1})", "/format", "not a scene file"},
      {"a later version", R"({"format": "zvplot scene", "version": 2})", "/version", "version 1"},
      {"unknown key", File("", R"("extra": 1, )"), "/extra", "unknown key"},
      {"duplicate key", File(null + R"(, "name": "a", "name": "b"})"), "/objects/0/name",
       "appears twice"},
      {"invalid UTF-8", File(null + ", \"name\": \"a\xff\"}"), "/objects/0/name", "UTF-8"},
      {"lone surrogate", File(null + R"(, "name": "\ud800"})"), "/objects/0/name",
       "not valid JSON"},
      {"raw control character", File(null + ", \"name\": \"a\x01\"}"), "/objects/0/name",
       "not valid JSON"},
      {"objects not an array", R"({"format": "zvplot scene", "version": 1, "objects": {}})",
       "/objects", "array"},
      {"type missing", File(R"({"name": "x"})"), "/objects/0", "\"type\""},
      {"type as text", File(R"({"type": "5140"})"), "/objects/0/type", "whole number"},
      {"unknown type", File(R"({"type": 12345})"), "/objects/0/type", "unknown object type 12345"},
      {"point object", File(R"({"type": 5100})"), "/objects/0/type", "unknown object type 5100"},
      {"children not an array", File(null + R"(, "children": {}})"), "/objects/0/children",
       "array"},
      {"short position", File(null + R"(, "position": [1, 2]})"), "/objects/0/position",
       "three numbers"},
      {"infinite position", File(null + R"(, "position": [1, "inf", 2]})"), "/objects/0/position/1",
       "finite"},
      {"unknown mode", File(null + R"(, "editorMode": "sideways"})"), "/objects/0/editorMode",
       "\"default\""},
      {"unknown colour mode", File(null + R"(, "display": {"mode": 4}})"),
       "/objects/0/display/mode", "text"},
      {"folded as number", File(null + R"(, "folded": 1})"), "/objects/0/folded", "true or false"},
      {"unknown plug-in parameter", Plot(R"("99999": {"long": 1})"), "/objects/0/parameters/99999",
       "no parameter 99999"},
      {"key not plain", Plot(R"("010000": {"long": 10})"), "/objects/0/parameters/010000",
       "plain whole number"},
      {"resolution out of range", Plot(R"("10000": {"long": 5000})"), "/objects/0/parameters/10000",
       "between 1 and 1000"},
      {"resolution as real", Plot(R"("10000": {"real": 10.0})"), "/objects/0/parameters/10000",
       "whole number"},
      {"no such choice", Plot(R"("10017": {"long": 7})"), "/objects/0/parameters/10017",
       "no choice 7"},
      {"NaN range", Plot(R"("10002": {"real": "nan"})"), "/objects/0/parameters/10002", "finite"},
      {"misspelt NaN", Plot(R"("10002": {"real": "NaN"})"), "/objects/0/parameters/10002/real",
       "expected a number"},
      {"beyond 32 bits", Plot(R"("10000": {"long": 4294967296})"),
       "/objects/0/parameters/10000/long", "2147483647"},
      {"number overflow", Plot(R"("10002": {"real": 1e400})"), "/objects/0/parameters/10002/real",
       "overflow"},
      {"two kinds", Plot(R"("10000": {"long": 1, "real": 2})"), "/objects/0/parameters/10000",
       "one member"},
      {"bare number", Plot(R"("10000": 5)"), "/objects/0/parameters/10000", "one member"},
      {"unknown kind", Plot(R"("10000": {"double": 1})"), "/objects/0/parameters/10000/double",
       "unknown kind"},
      {"none not null", Plot(R"("10000": {"none": 0})"), "/objects/0/parameters/10000/none",
       "null"},
      {"button as value", Plot(R"("10020": {"long": 1})"), "/objects/0/parameters/10020", "BUTTON"},
      {"gradient as number", Plot(R"("10008": {"long": 1})"), "/objects/0/parameters/10008",
       "gradient"},
      {"knot outside", Plot(knots + R"({}, {"position": 2}]}})"),
       "/objects/0/parameters/10008/gradient/knots/1/position", "0 to 1"},
      {"unknown interpolation", Plot(knots + R"({"interpolation": 9}]}})"),
       "/objects/0/parameters/10008/gradient/knots/0/interpolation", "9"},
      {"too many knots", Plot(knots + Repeated("{}", 1001) + "]}}"),
       "/objects/0/parameters/10008/gradient/knots", "more than 1000"},
      {"huge array", Plot(knots + Repeated("0", 100001) + "]}}"),
       "/objects/0/parameters/10008/gradient/knots/100000", "more than 100000 items"},
      {"extrude NaN", File(R"({"type": 5116, "parameters": {"1002": {"vector": [0, "nan", 0]}}})"),
       "/objects/0/parameters/1002", "finite"},
      {"text as number", File(R"({"type": 5178, "parameters": {"2111": {"long": 3}}})"),
       "/objects/0/parameters/2111", "\"string\""},
      {"font id", File(R"({"type": 5178, "parameters": {"2117": {"font": {"id": "x"}}}})"),
       "/objects/0/parameters/2117/font/id", "whole number"},
      {"zero denominator", File("", R"("document": {"time": [1, 0]}, )"), "/document/time/1",
       "above 0"},
      {"negative fps", File("", R"("document": {"fps": -1}, )"), "/document/fps", "from 0"},
      {"fractional fps", File("", R"("document": {"fps": 29.97}, )"), "/document/fps",
       "whole number"},
      {"deep arrays", File(Nested("[", "]", 70, "")), "/objects/0/0/0", "deeper than 64"},
      {"deep children", File(deepChildren), "/objects/0/children/0/children/0", "deeper than 64"},
      {"deep containers",
       File(null + R"(, "parameters": {"1": )" +
            Nested(R"({"container": {"entries": {"1": )", "}}}", 30, R"({"long": 1})") + "}}"),
       "/objects/0/parameters/1/container/entries/1", "deeper than 64"},
      {"long text", File(null + R"(, "name": ")" + std::string(70000, 'a') + "\"}"),
       "/objects/0/name", "longer than 65536"},
      {"long key", File(null + ", \"" + std::string(300, 'k') + "\": 1}"), "/objects/0/kkkk",
       "longer than 256"},
      {"too many objects",
       File(null + R"(, "children": [)" + Repeated(null + "}", 50000) + "]}," +
            Repeated(null + "}", 50000)),
       "/objects/50000", "more than 100000 objects"},
  };
}

TEST_F(SceneFileTest, HostileFilesAreRefusedNamingThePlace) {
  int n = 0;
  for (const HostileCase& c : HostileCases()) {
    SCOPED_TRACE(c.what);
    std::string error;
    const std::string path = Write("case" + std::to_string(n++) + ".json", c.text);
    BaseDocument* doc = zvapp::LoadScene(path, &error);
    EXPECT_EQ(doc, nullptr);
    BaseDocument::Free(doc);
    const std::string lead = "scene file '" + path + "': " + (c.at.empty() ? "" : c.at);
    EXPECT_EQ(error.rfind(lead, 0), 0u) << error;
    EXPECT_NE(error.find(c.problem), std::string::npos) << error;
  }
}

TEST_F(SceneFileTest, OnlyRegularFilesOfSaneSizeAreRead) {
  std::string error;
  EXPECT_EQ(zvapp::LoadScene(Path("missing.json"), &error), nullptr);
  EXPECT_NE(error.find("cannot open the file"), std::string::npos) << error;
  EXPECT_EQ(zvapp::LoadScene(dir.string(), &error), nullptr);
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
  // A pipe with no writer would block a reader for ever.
  ASSERT_EQ(::mkfifo(Path("pipe").c_str(), 0600), 0);
  EXPECT_EQ(zvapp::LoadScene(Path("pipe"), &error), nullptr);
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
  fs::resize_file(Write("huge.json", "{"), (std::uintmax_t{64} << 20) + 1);  // sparse: no disk used
  EXPECT_EQ(zvapp::LoadScene(Path("huge.json"), &error), nullptr);
  EXPECT_NE(error.find("larger than 64 MB"), std::string::npos) << error;
}

TEST_F(SceneFileTest, MessagesQuoteTheFileHarmlessly) {
  std::string error;
  const std::string path = Write("escape.json", File("", "\"\\u001b[2J\": 1, "));
  EXPECT_EQ(zvapp::LoadScene(path, &error), nullptr);
  EXPECT_EQ(error.find('\x1b'), std::string::npos) << "a terminal escape reached the message";
  EXPECT_NE(error.find("/\\x1b[2J: unknown key"), std::string::npos) << error;
}

TEST_F(SceneFileTest, AFontNotInstalledHereIsReplacedByAnInstalledOne) {
  BaseContainer installed;
  ASSERT_TRUE((installed = zvtest::InstalledFonts(), true));
  ASSERT_GT(installed.GetEntryCount(), 0);
  BaseContainer font = *installed.GetIndexData(0)->GetContainer();
  const String installedFile = font.GetString(FONT_FILE);
  font.SetString(FONT_FILE, String(Path("moved-away.ttf")));
  DocumentOwner owner(BaseDocument::Alloc());
  BaseObject* text = BaseObject::Alloc(Osplinetext);
  owner.doc->InsertObject(text, nullptr, nullptr);
  GeData dataValue(FONTCHOOSER_DATA, DEFAULTVALUE);
  FontData& data = *dataValue.GetCustomDataTypeWritable<FontData>();
  data.SetFont(&font);
  text->GetDataInstance()->SetData(PRIM_TEXT_FONT, GeData(data));
  Save(owner.doc, "font.json");

  std::string error;
  std::vector<std::string> notes;
  DocumentOwner loaded(zvapp::LoadScene(Path("font.json"), &error, &notes));
  ASSERT_NE(loaded.doc, nullptr) << error;
  const auto* got = loaded.doc->GetFirstObject()->GetDataInstanceRef().GetCustomDataType<FontData>(
      PRIM_TEXT_FONT);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got->GetFont().GetString(FONT_FAMILY), font.GetString(FONT_FAMILY));
  EXPECT_NE(got->GetFont().GetString(FONT_FILE), font.GetString(FONT_FILE));
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("/objects/0/parameters/2117/font: "), std::string::npos) << notes[0];
}

// Changes one to three bytes or pieces of the text: mostly no JSON any more.
void MutateBytes(std::string& text, std::mt19937& random) {
  static const std::vector<std::string> tokens = {
      "{",       "}",    "[",           "]",  "\"",      ",",    ":",   "-1e999",
      "\"nan\"", "null", "99999999999", "-0", "\\u0000", "\xff", "true"};
  const auto pick = [&random](size_t n) {
    return std::uniform_int_distribution<size_t>(0, n - 1)(random);
  };
  for (int edits = 1 + static_cast<int>(pick(3)); edits > 0 && !text.empty(); --edits) {
    const size_t at = pick(text.size());
    switch (pick(4)) {
      case 0:
        text[at] = static_cast<char>(pick(256));
        break;
      case 1:
        text.erase(at, 1 + pick(40));
        break;
      case 2:
        text.insert(at, tokens[pick(tokens.size())]);
        break;
      default:
        text.insert(at, text.substr(pick(text.size()), pick(200)));
        break;
    }
  }
}

// Replaces one plain value of the file's tree: still JSON, but maybe of the wrong kind or range.
void MutateTree(std::string& text, std::mt19937& random) {
  using Json = nlohmann::ordered_json;
  const Json replacements[] = {nullptr,
                               true,
                               -1,
                               0,
                               2,
                               1055349,
                               5116,
                               2147483648LL,
                               1e300,
                               -0.5,
                               0.5,
                               "nan",
                               "inf",
                               "x",
                               "on",
                               Json::array(),
                               Json::object(),
                               Json::array({1, 2, 3}),
                               Json::object({{"long", 1}})};
  Json tree = Json::parse(text);
  const Json leaves = tree.flatten();
  auto leaf = leaves.begin();
  std::advance(
      leaf, std::uniform_int_distribution<long>(0, static_cast<long>(leaves.size()) - 1)(random));
  tree[Json::json_pointer(leaf.key())] =
      replacements[std::uniform_int_distribution<size_t>(0, std::size(replacements) - 1)(random)];
  text = tree.dump(1);
}

// Bounded mutation of a valid file: nothing crashes or leaks (under the sanitizers), and whatever
// loads saves again, and that file reads back to the same bytes.
TEST_F(SceneFileTest, MutatedFilesNeverCrashAndWhatLoadsSavesAgain) {
  FullScene scene;
  const std::string valid = Save(scene.doc, "valid.json");
  ASSERT_FALSE(valid.empty());
  std::mt19937 random(20240607);
  int loaded = 0;
  for (int round = 0; round < 300; ++round) {
    std::string text = valid;
    if (round % 2)
      MutateBytes(text, random);
    else
      MutateTree(text, random);
    std::string error;
    DocumentOwner doc(zvapp::LoadScene(Write("mutated.json", text), &error));
    if (!doc.doc) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    ++loaded;
    const std::string saved = Save(doc.doc, "resaved.json");
    DocumentOwner again(zvapp::LoadScene(Path("resaved.json"), &error));
    ASSERT_NE(again.doc, nullptr) << error;
    EXPECT_EQ(Save(again.doc, "resaved2.json"), saved) << "round " << round;
  }
  EXPECT_GT(loaded, 0) << "no mutation kept the file loadable: the fuzzing tests too little";
}

}  // namespace
