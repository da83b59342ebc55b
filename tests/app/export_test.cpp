// Export of evaluated documents: glTF read back with tinygltf and the HTML page. The checks by the
// Khronos validator and the browser are in slow/external_test.cpp.
#include <gtest/gtest.h>
#include <sys/wait.h>

// The same configuration as the exporter's, which holds tinygltf's implementation.
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#include <tiny_gltf.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "base64.h"
#include "export_gltf.h"
#include "export_html.h"
#include "export_support.h"
#include "host_utf8.h"
#include "output_formats.h"
#include "test_support.h"

namespace fs = std::filesystem;

namespace {
using namespace zvtest;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ---- Reading the file back ---------------------------------------------------------------------

tinygltf::Model Load(const std::vector<unsigned char>& glb) {
  tinygltf::TinyGLTF loader;
  tinygltf::Model model;
  std::string err, warn;
  EXPECT_TRUE(loader.LoadBinaryFromMemory(&model, &err, &warn, glb.data(),
                                          static_cast<unsigned>(glb.size())))
      << err;
  return model;
}

tinygltf::Model Export(BaseDocument* doc, zvapp::ExportReport* report = nullptr) {
  std::vector<unsigned char> glb;
  std::string error;
  EXPECT_TRUE(zvapp::BuildGlb(doc, "test", &glb, report, &error)) << error;
  return Load(glb);
}

template <int N>
std::vector<std::array<float, N>> Floats(const tinygltf::Model& m, int accessor) {
  const tinygltf::Accessor& a = m.accessors[accessor];
  const tinygltf::BufferView& v = m.bufferViews[a.bufferView];
  std::vector<std::array<float, N>> out(a.count);
  std::memcpy(out.data(), m.buffers[v.buffer].data.data() + v.byteOffset + a.byteOffset,
              a.count * sizeof(float) * N);
  return out;
}

std::vector<uint32_t> Indices(const tinygltf::Model& m, int accessor) {
  const tinygltf::Accessor& a = m.accessors[accessor];
  const tinygltf::BufferView& v = m.bufferViews[a.bufferView];
  const unsigned char* p = m.buffers[v.buffer].data.data() + v.byteOffset + a.byteOffset;
  std::vector<uint32_t> out(a.count);
  for (size_t i = 0; i < a.count; ++i) {
    if (a.componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT) {
      uint16_t s;
      std::memcpy(&s, p + 2 * i, 2);
      out[i] = s;
    } else {
      std::memcpy(&out[i], p + 4 * i, 4);
    }
  }
  return out;
}

const tinygltf::Node* FindNode(const tinygltf::Model& m, const std::string& name) {
  for (const auto& n : m.nodes) {
    if (n.name == name) return &n;
  }
  return nullptr;
}

using F3 = std::array<float, 3>;
F3 Sub(const F3& a, const F3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
F3 CrossF(const F3& a, const F3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
float DotF(const F3& a, const F3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// ---- glTF content ------------------------------------------------------------------------------

TEST(GltfExport, SmoothSurfaceKeepsPointsUvsColoursAndFacesUp) {
  Doc d;
  d.Add(MakeSurface(3, 10.0, [](double, double) { return 0.0; },
                    {.uvw = true, .phong = true, .colors = true}),
        nullptr, "Surface");
  zvapp::ExportReport report;
  const tinygltf::Model m = Export(d.doc, &report);
  ASSERT_EQ(m.meshes.size(), 1u);
  EXPECT_EQ(report.meshes, 1);
  EXPECT_EQ(report.nonFiniteSamples, 0);
  const tinygltf::Primitive& prim = m.meshes[0].primitives.at(0);
  EXPECT_EQ(prim.mode, TINYGLTF_MODE_TRIANGLES);
  // One vertex per point: every point has one UV on all its faces.
  const auto pos = Floats<3>(m, prim.attributes.at("POSITION"));
  ASSERT_EQ(pos.size(), 9u);
  EXPECT_EQ(Floats<2>(m, prim.attributes.at("TEXCOORD_0")).size(), 9u);
  EXPECT_EQ(Floats<3>(m, prim.attributes.at("COLOR_0")).size(), 9u);
  // The host's z is mirrored: its first point (-10, 0, -10) is at z = +10.
  EXPECT_EQ(pos[0], (F3{-10.0f, 0.0f, 10.0f}));
  const auto idx = Indices(m, prim.indices);
  ASSERT_EQ(idx.size(), 8u * 3);
  // Faces point up (the host's front side) by their winding and by their normals.
  const auto normals = Floats<3>(m, prim.attributes.at("NORMAL"));
  for (size_t t = 0; t < idx.size(); t += 3) {
    const F3 n = CrossF(Sub(pos[idx[t + 1]], pos[idx[t]]), Sub(pos[idx[t + 2]], pos[idx[t]]));
    EXPECT_GT(n[1], 0.0f) << "triangle " << t / 3;
    EXPECT_NEAR(normals[idx[t]][1], 1.0f, 1e-6);
  }
  // Vertex colours carry the colour: the material stays white, matt and double-sided.
  const tinygltf::Material& mat = m.materials.at(prim.material);
  EXPECT_EQ(mat.pbrMetallicRoughness.baseColorFactor, (std::vector<double>{1, 1, 1, 1}));
  EXPECT_EQ(mat.pbrMetallicRoughness.metallicFactor, 0.0);
  EXPECT_TRUE(mat.doubleSided);
  const tinygltf::Node* node = FindNode(m, "Surface");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->mesh, 0);
  EXPECT_EQ(m.asset.extras.Get("title").Get<std::string>(), "test");
}

TEST(GltfExport, FlatShadingAndUvSeamsSplitVertices) {
  Doc d;
  // Without a phong tag every face gets vertices of its own with the face's normal.
  d.Add(MakeSurface(3, 10.0, [](double x, double) { return 5.0 * x; }), nullptr, "Flat");
  // A cube whose faces all carry the same UV square (as the marker meshes do): a smooth shading
  // shares positions but must split them where UVs differ.
  PolygonObject* cube = PolygonObject::Alloc(8, 6);
  const std::array<Vector, 8> corners = {Vector(-1, 1, -1), Vector(-1, 1, 1),   Vector(1, 1, 1),
                                         Vector(1, 1, -1),  Vector(-1, -1, -1), Vector(-1, -1, 1),
                                         Vector(1, -1, 1),  Vector(1, -1, -1)};
  std::copy(corners.begin(), corners.end(), cube->GetPointW());
  const std::array<CPolygon, 6> faces = {CPolygon(0, 1, 2, 3), CPolygon(7, 6, 5, 4),
                                         CPolygon(0, 4, 5, 1), CPolygon(3, 2, 6, 7),
                                         CPolygon(0, 3, 7, 4), CPolygon(1, 5, 6, 2)};
  std::copy(faces.begin(), faces.end(), cube->GetPolygonW());
  auto* uvw = UVWTag::Alloc(6);
  auto* entries = static_cast<UVWStruct*>(uvw->GetLowlevelDataAddressW());
  for (int k = 0; k < 6; ++k)
    entries[k] = {Vector(1, 0, 0), Vector(0, 0, 0), Vector(0, 1, 0), Vector(1, 1, 0)};
  cube->InsertTag(uvw);
  cube->MakeTag(Tphong);
  d.Add(cube, nullptr, "Cube");
  const tinygltf::Model m = Export(d.doc);
  ASSERT_EQ(m.meshes.size(), 2u);
  const auto& flat = m.meshes[0].primitives[0];
  EXPECT_EQ(Floats<3>(m, flat.attributes.at("POSITION")).size(), 16u);
  EXPECT_EQ(flat.attributes.count("TEXCOORD_0"), 0u);
  const auto n = Floats<3>(m, flat.attributes.at("NORMAL"));
  const float s = 1.0f / std::sqrt(1.25f);  // the plane y = x / 2 in host units
  for (const F3& v : n) EXPECT_NEAR(DotF(v, F3{-0.5f * s, s, 0.0f}), 1.0f, 1e-5);
  const auto& smooth = m.meshes[1].primitives[0];
  const size_t vertices = Floats<3>(m, smooth.attributes.at("POSITION")).size();
  EXPECT_GT(vertices, 8u);
  EXPECT_LE(vertices, 24u);
  EXPECT_EQ(Indices(m, smooth.indices).size(), 36u);
}

TEST(GltfExport, NonFinitePointsNeverReachTheFile) {
  Doc d;
  // 4 x 4 points: a NaN in a corner takes one quad, a point a float cannot hold takes the four
  // around it (one of them the corner's).
  PolygonObject* s = MakeSurface(4, 10.0, [](double, double) { return 1.0; }, {.phong = true});
  s->GetPointW()[0].y = kNaN;
  s->GetPointW()[5].y = 1e300;
  d.Add(s, nullptr, "Surface");
  BaseObject* marker =
      d.Add(MakeSurface(2, 1.0, [](double, double) { return 0.0; }), nullptr, "Marker");
  marker->SetRelPos(Vector(0, kNaN, 0));
  zvapp::ExportReport report;
  const tinygltf::Model m = Export(d.doc, &report);
  EXPECT_EQ(report.nonFiniteSamples, 3);  // two points and one object
  EXPECT_EQ(FindNode(m, "Marker"), nullptr);
  ASSERT_EQ(m.meshes.size(), 1u);
  const auto& prim = m.meshes[0].primitives[0];
  EXPECT_EQ(Indices(m, prim.indices).size(), 5u * 2 * 3);  // 9 quads less 4
  for (const F3& p : Floats<3>(m, prim.attributes.at("POSITION")))
    EXPECT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]));
  for (double v : m.accessors[prim.attributes.at("POSITION")].maxValues)
    EXPECT_TRUE(std::isfinite(v));
}

TEST(GltfExport, SplinesBecomeLineStripsAndLoops) {
  Doc d;
  BaseObject* lines = d.Add(MakeSpline({Vector(0, 0, 0), Vector(1, 0, 0), Vector(2, 0, 0),
                                        Vector(0, 1, 0), Vector(0, 2, 0)},
                                       {3, 2}, SPLINETYPE::LINEAR, false),
                            nullptr, "Lines");
  SetColor(lines, Vector(1.0, 0.5, 0.0));
  d.Add(MakeSpline({Vector(0, 0, 0), Vector(1, 0, 0), Vector(1, 1, 0), Vector(0, 1, 0)}, {4},
                   SPLINETYPE::LINEAR, true),
        nullptr, "Square");
  std::vector<Vector> wave;
  for (int i = 0; i < 5; ++i) wave.emplace_back(i, i % 2, 0);
  d.Add(MakeSpline(wave, {5}, SPLINETYPE::CUBIC, false), nullptr, "Wave");
  // A closed ring with a gap: one open strip that wraps round the ring's start.
  std::vector<Vector> ring = {Vector(0, 0, 0), Vector(1, 0, 0), Vector(kNaN, 0, 0),
                              Vector(1, 1, 0), Vector(0, 1, 0), Vector(0, 0.5, 0)};
  d.Add(MakeSpline(ring, {6}, SPLINETYPE::LINEAR, true), nullptr, "Ring");
  zvapp::ExportReport report;
  const tinygltf::Model m = Export(d.doc, &report);
  EXPECT_EQ(report.lines, 2 + 1 + 1 + 1);
  const auto mesh = [&](const char* name) -> const tinygltf::Mesh& {
    return m.meshes.at(FindNode(m, name)->mesh);
  };
  const auto count = [&](const tinygltf::Primitive& p) {
    return m.accessors[p.attributes.at("POSITION")].count;
  };
  ASSERT_EQ(mesh("Lines").primitives.size(), 2u);
  EXPECT_EQ(mesh("Lines").primitives[0].mode, TINYGLTF_MODE_LINE_STRIP);
  EXPECT_EQ(count(mesh("Lines").primitives[0]), 3u);
  EXPECT_EQ(count(mesh("Lines").primitives[1]), 2u);
  EXPECT_EQ(mesh("Square").primitives[0].mode, TINYGLTF_MODE_LINE_LOOP);
  // Cubic: 4 spans of 4 steps through the spline's own points.
  const auto& wp = mesh("Wave").primitives.at(0);
  const auto curve = Floats<3>(m, wp.attributes.at("POSITION"));
  ASSERT_EQ(curve.size(), 17u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(curve[4 * i], (F3{float(i), float(i % 2), 0.0f}));
  const auto& rp = mesh("Ring").primitives;
  ASSERT_EQ(rp.size(), 1u);
  EXPECT_EQ(rp[0].mode, TINYGLTF_MODE_LINE_STRIP);
  const auto ringPoints = Floats<3>(m, rp[0].attributes.at("POSITION"));
  ASSERT_EQ(ringPoints.size(), 5u);
  EXPECT_EQ(ringPoints.front(), (F3{1.0f, 1.0f, 0.0f}));
  EXPECT_EQ(ringPoints.back(), (F3{1.0f, 0.0f, 0.0f}));
  // Lines show their display colour unlit; sRGB 0.5 is linear 0.214.
  const tinygltf::Material& mat = m.materials.at(mesh("Lines").primitives[0].material);
  EXPECT_EQ(mat.extensions.count("KHR_materials_unlit"), 1u);
  EXPECT_NEAR(mat.pbrMetallicRoughness.baseColorFactor[1], 0.214, 1e-3);
  EXPECT_EQ(m.extensionsUsed, std::vector<std::string>{"KHR_materials_unlit"});
}

// Where a host point lands in glTF's frame: through the nodes' placements, mirrored.
F3 WorldPoint(const tinygltf::Model& m, const std::vector<int>& path, F3 p) {
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    const tinygltf::Node& n = m.nodes[*it];
    if (n.rotation.size() == 4) {
      const double x = n.rotation[0], y = n.rotation[1], z = n.rotation[2], w = n.rotation[3];
      const double vx = p[0], vy = p[1], vz = p[2];
      const double tx = 2 * (y * vz - z * vy), ty = 2 * (z * vx - x * vz),
                   tz = 2 * (x * vy - y * vx);
      p = {float(vx + w * tx + y * tz - z * ty), float(vy + w * ty + z * tx - x * tz),
           float(vz + w * tz + x * ty - y * tx)};
    }
    if (n.translation.size() == 3)
      p = {float(p[0] + n.translation[0]), float(p[1] + n.translation[1]),
           float(p[2] + n.translation[2])};
  }
  return p;
}

TEST(GltfExport, HierarchyKeepsNamesAndPlacementsAndLeavesHiddenObjectsOut) {
  Doc d;
  BaseObject* root = d.Add(BaseObject::Alloc(Onull), nullptr, "Root");
  root->SetRelPos(Vector(10, 20, 30));
  root->SetRelRot(Vector(0.4, 0.3, 0.2));
  BaseObject* child = d.Add(MakeSurface(2, 1.0, [](double, double) { return 0.0; }), root, "Child");
  child->SetRelPos(Vector(1, 2, 3));
  child->SetRelRot(Vector(-0.5, 0.0, 1.0));
  BaseObject* hidden = d.Add(BaseObject::Alloc(Onull), root, "Hidden");
  hidden->SetEditorMode(MODE_OFF);
  d.Add(MakeSurface(2, 1.0, [](double, double) { return 0.0; }), hidden, "UnderHidden");
  BaseObject* off = d.Add(MakeSurface(2, 1.0, [](double, double) { return 0.0; }), root, "Off");
  off->SetDeformMode(false);
  d.Add(BaseObject::Alloc(Onull), nullptr, "Bad \xff name");
  const tinygltf::Model m = Export(d.doc);
  EXPECT_EQ(FindNode(m, "Hidden"), nullptr);
  EXPECT_EQ(FindNode(m, "UnderHidden"), nullptr);
  ASSERT_NE(FindNode(m, "Off"), nullptr);
  EXPECT_EQ(FindNode(m, "Off")->mesh, -1);
  EXPECT_NE(FindNode(m, "Bad \xef\xbf\xbd name"), nullptr);
  ASSERT_EQ(m.scenes[0].nodes.size(), 2u);
  const int r = m.scenes[0].nodes[0];
  ASSERT_EQ(m.nodes[r].name, "Root");
  ASSERT_EQ(m.nodes[r].children.size(), 2u);
  const int c = m.nodes[r].children[0];
  EXPECT_EQ(m.nodes[c].name, "Child");
  // A point of the child lands where the host puts it, mirrored in z.
  const Vector local(0.3, -0.7, 0.9);
  const Vector host = child->GetMg() * local;
  const F3 got = WorldPoint(m, {r, c}, {float(local.x), float(local.y), float(-local.z)});
  EXPECT_NEAR(got[0], host.x, 1e-4);
  EXPECT_NEAR(got[1], host.y, 1e-4);
  EXPECT_NEAR(got[2], -host.z, 1e-4);
}

TEST(GltfExport, GeneratorCachesShowInTheirDisplayColour) {
  Doc d;
  BaseObject* extrude = d.Add(BaseObject::Alloc(Oextrude), nullptr, "Label");
  BaseObject* text = d.Add(BaseObject::Alloc(Osplinetext), extrude, "Text");
  text->GetDataInstance()->SetString(PRIM_TEXT_TEXT, String("42"));
  SetColor(extrude, Vector(1, 1, 1));
  d.doc->ExecutePasses(nullptr, true, true, true, BUILDFLAGS::NONE);
  ZV_REQUIRE_TOOL(extrude->GetCache(), "a font to lay out text with");
  zvapp::ExportReport report;
  const tinygltf::Model m = Export(d.doc, &report);
  EXPECT_EQ(report.lines, 0);  // the text spline shows through the extrude only
  EXPECT_EQ(FindNode(m, "Text"), nullptr);
  const tinygltf::Node* label = FindNode(m, "Label");
  ASSERT_NE(label, nullptr);
  ASSERT_GE(label->mesh, 0);
  const auto& prim = m.meshes[label->mesh].primitives[0];
  EXPECT_GT(Indices(m, prim.indices).size(), 30u);
  EXPECT_EQ(m.materials[prim.material].pbrMetallicRoughness.baseColorFactor,
            (std::vector<double>{1, 1, 1, 1}));
}

TEST(GltfExport, FileFormatFollowsTheExtension) {
  Doc d;
  d.Add(MakeSurface(3, 1.0, [](double, double) { return 0.0; }), nullptr, "S");
  const fs::path dir = fs::path(ZV_BINARY_DIR) / "test-output" / "export-format";
  fs::create_directories(dir);
  std::string error;
  ASSERT_TRUE(zvapp::WriteGltfFile(d.doc, (dir / "a.glb").string(), "t", nullptr, &error)) << error;
  ASSERT_TRUE(zvapp::WriteGltfFile(d.doc, (dir / "a.GLTF").string(), "t", nullptr, &error))
      << error;
  std::ifstream glb(dir / "a.glb", std::ios::binary);
  std::string magic(4, '\0');
  glb.read(magic.data(), 4);
  EXPECT_EQ(magic, "glTF");
  tinygltf::TinyGLTF loader;
  tinygltf::Model m;
  std::string warn;
  ASSERT_TRUE(loader.LoadASCIIFromFile(&m, &error, &warn, (dir / "a.GLTF").string())) << error;
  EXPECT_EQ(m.meshes.size(), 1u);
  EXPECT_FALSE(zvapp::WriteGltfFile(d.doc, (dir / "a.obj").string(), "t", nullptr, &error));
  EXPECT_NE(error.find(".glb or .gltf"), std::string::npos);
}

// Each format of -o is found by its ending alone, and each written frame by frame stages a file.
TEST(OutputFormats, EachEndingFindsItsFormatAndEachFrameFormatWritesItsFile) {
  Doc d;
  d.Add(MakeSurface(3, 1.0, [](double, double) { return 0.0; }), nullptr, "S");
  const fs::path dir = OutputDir("output-formats");
  for (const zvapp::OutputFormat& f : zvapp::OutputFormats()) {
    SCOPED_TRACE(f.ending);
    const std::string path = (dir / ("a" + std::string(f.ending))).string();
    EXPECT_EQ(zvapp::FindOutputFormat(path), &f);
    EXPECT_EQ(zvapp::FindOutputFormat("folder" + std::string(f.ending) + "/plot"), nullptr);
    if (f.staging == zvapp::Staging::kOnePage) continue;  // the page writer's, tested below
    ASSERT_TRUE(f.stage);
    fs::remove(path);
    zvapp::StagedOutputs staged;
    std::string error;
    ASSERT_TRUE(f.stage(staged, d.doc, path, zvapp::OutputContext{"t", {}, nullptr}, &error))
        << error;
    ASSERT_TRUE(staged.Commit(&error)) << error;
    EXPECT_GT(fs::file_size(path), 0u);
  }
  EXPECT_EQ(zvapp::FindOutputFormat((dir / "a.ply").string()), nullptr);
  EXPECT_EQ(zvapp::FindOutputFormat((dir / "glb").string()), nullptr);
}

// ---- The plot's viewport points ----------------------------------------------------------------

// The node of the object's points layer and its one primitive.
struct PointsLayer {
  const tinygltf::Node* node = nullptr;
  const tinygltf::Mesh* mesh = nullptr;
};
PointsLayer FindPoints(const tinygltf::Model& m, const std::string& object) {
  PointsLayer layer;
  const tinygltf::Node* owner = FindNode(m, object);
  layer.node = FindNode(m, object + " points");
  if (!owner || !layer.node) return {};
  EXPECT_NE(std::find(owner->children.begin(), owner->children.end(),
                      static_cast<int>(layer.node - m.nodes.data())),
            owner->children.end())
      << "the points hang below their object";
  layer.mesh = &m.meshes.at(layer.node->mesh);
  EXPECT_EQ(layer.mesh->primitives.size(), 1u);
  EXPECT_EQ(layer.mesh->extras.Get("layer").Get<std::string>(), "points");
  return layer;
}

TEST(GltfExport, ThePlotsSampleMarkersBecomeAPointsLayer) {
  zvtest::Scene s;
  s.plot->SetName(String("Plot"));
  s.Set(s.plot, O3DPLOT_RESOLUTION, GeData(Int32(4)));
  EXPECT_EQ(FindPoints(Export(s.doc), "Plot").node, nullptr) << "no samples before an evaluation";
  s.Evaluate();
  zvapp::ExportReport report;
  tinygltf::Model m = Export(s.doc, &report);
  PointsLayer layer = FindPoints(m, "Plot");
  ASSERT_NE(layer.mesh, nullptr);
  EXPECT_EQ(report.marks, 25);
  EXPECT_EQ(layer.mesh->extras.Get("marks").Get<std::string>(), "dots");
  EXPECT_EQ(layer.mesh->extras.Get("size").GetNumberAsDouble(), 2.0);  // the view's pixels
  const tinygltf::Primitive& dots = layer.mesh->primitives[0];
  EXPECT_EQ(dots.mode, TINYGLTF_MODE_POINTS);
  const auto pos = Floats<3>(m, dots.attributes.at("POSITION"));
  const auto colours = Floats<3>(m, dots.attributes.at("COLOR_0"));
  const ZVPlotSampleView view = s.Samples();
  ASSERT_EQ(pos.size(), 25u);
  ASSERT_EQ(colours.size(), 25u);
  for (size_t k = 0; k < pos.size(); ++k) {
    const PlotSample& sample = view.samples[k];
    EXPECT_EQ(pos[k],
              (F3{float(sample.position.x), float(sample.position.y), float(-sample.position.z)}));
    for (int ch = 0; ch < 3; ++ch) {  // sRGB 0 and 1 stay, 0.5 is about 0.214 in linear light
      const double c = ch == 0 ? sample.color.x : ch == 1 ? sample.color.y : sample.color.z;
      EXPECT_NEAR(colours[k][ch], c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4),
                  1e-6);
    }
  }
  EXPECT_TRUE(m.materials.at(dots.material).extensions.count("KHR_materials_unlit"));

  s.Set(s.plot, O3DPLOT_POINTSTYLE, GeData(Int32(O3DPLOT_POINTSTYLE_SPHERE)));
  s.Set(s.plot, O3DPLOT_POINTSIZE, GeData(3.0));
  m = Export(s.doc);
  layer = FindPoints(m, "Plot");
  ASSERT_NE(layer.mesh, nullptr);
  EXPECT_EQ(layer.mesh->extras.Get("marks").Get<std::string>(), "spheres");
  EXPECT_EQ(layer.mesh->extras.Get("size").GetNumberAsDouble(), 3.0);  // the radius
  EXPECT_EQ(layer.mesh->primitives[0].mode, TINYGLTF_MODE_POINTS);

  s.Set(s.plot, O3DPLOT_POINTSTYLE, GeData(Int32(O3DPLOT_POINTSTYLE_CROSS)));
  m = Export(s.doc, &report);
  layer = FindPoints(m, "Plot");
  ASSERT_NE(layer.mesh, nullptr);
  EXPECT_EQ(layer.mesh->extras.Get("marks").Get<std::string>(), "lines");
  EXPECT_EQ(layer.mesh->primitives[0].mode, TINYGLTF_MODE_LINE);
  EXPECT_EQ(Floats<3>(m, layer.mesh->primitives[0].attributes.at("POSITION")).size(), 25u * 4);
  EXPECT_EQ(report.marks, 50);  // two pieces a cross

  s.Set(s.plot, O3DPLOT_FORMULA, GeData(String("Log(x)")));  // no number where x <= 0
  s.Set(s.plot, O3DPLOT_POINTSTYLE, GeData(Int32(O3DPLOT_POINTSTYLE_DOT)));
  s.Evaluate();
  m = Export(s.doc, &report);
  EXPECT_EQ(report.marks, 10);  // the two columns of x > 0
  EXPECT_EQ(report.nonFiniteSamples, 0) << "the plot alone has no surface to count them";

  zvhost::SetEnabled(s.plot, false);
  s.Evaluate();
  EXPECT_EQ(FindPoints(Export(s.doc), "Plot").node, nullptr);
}

// ---- The HTML page -----------------------------------------------------------------------------

TEST(HtmlExport, RefusesWithoutThreeJsAndEscapesTheTitle) {
  const fs::path dir = OutputDir("html");
  const std::string saved = zvapp::ViewerDirectory();
  const std::vector<std::vector<unsigned char>> frames = {{'g', 'l', 'T', 'F'}};
  std::string error;
  zvapp::SetViewerDirectory((dir / "nowhere").string());
  EXPECT_FALSE(zvapp::WriteHtmlFile(frames, {"t", 30}, (dir / "none.html").string(), &error));
  EXPECT_NE(error.find("three.js not found: run the set-up command"), std::string::npos) << error;
  EXPECT_FALSE(fs::exists(dir / "none.html"));
  zvapp::SetViewerDirectory(saved);
  ZV_REQUIRE_TOOL(fs::exists(fs::path(saved) / "three.module.min.js"), "three.js");
  EXPECT_FALSE(zvapp::WriteHtmlFile({}, {"t", 30}, (dir / "empty.html").string(), &error));
  ASSERT_TRUE(
      zvapp::WriteHtmlFile(frames, {"a < b </script>", 30}, (dir / "t.html").string(), &error))
      << error;
  std::ifstream in(dir / "t.html");
  const std::string page(std::istreambuf_iterator<char>(in), {});
  EXPECT_NE(page.find("<title>a &lt; b &lt;/script&gt;</title>"), std::string::npos);
  // Only the page's own two script elements end; the embedded sources cannot close them early.
  size_t ends = 0;
  for (size_t at = page.find("</script"); at != std::string::npos;
       at = page.find("</script", at + 1))
    ++ends;
  EXPECT_EQ(ends, 2u);
  EXPECT_NE(page.find("Z2xURg=="), std::string::npos);  // the frame, in base64

  // A title that is no UTF-8 is repaired alike in the caption and the page's data.
  ASSERT_TRUE(zvapp::WriteHtmlFile(frames, {"y = \xe2\x82", 30}, (dir / "u.html").string(), &error))
      << error;
  std::ifstream bad(dir / "u.html");
  const std::string repaired(std::istreambuf_iterator<char>(bad), {});
  EXPECT_TRUE(zvhost::IsUtf8(repaired));
  EXPECT_NE(repaired.find("<title>y = \xef\xbf\xbd\xef\xbf\xbd</title>"), std::string::npos);
  EXPECT_NE(repaired.find("\"title\":\"y = \xef\xbf\xbd\xef\xbf\xbd\""), std::string::npos);
}

TEST(Base64, PadsEachRemainderAndUsesTheWholeAlphabet) {
  const auto encode = [](std::string_view text) {
    return zvapp::Base64({reinterpret_cast<const unsigned char*>(text.data()), text.size()});
  };
  EXPECT_EQ(encode(""), "");
  EXPECT_EQ(encode("f"), "Zg==");
  EXPECT_EQ(encode("fo"), "Zm8=");
  EXPECT_EQ(encode("foo"), "Zm9v");
  EXPECT_EQ(encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(encode("\xff\xfe\xfd\xfb\xff"), "//79+/8=");
}

// The page's frames are encoded as their GLB comes, in pieces of any length.
TEST(Base64, TextMadeOfPiecesIsTheTextOfTheWhole) {
  std::string bytes;
  for (int i = 0; i < 3000; ++i) bytes += static_cast<char>((i * 131 + i / 7) & 0xff);
  const std::string whole =
      zvapp::Base64({reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()});
  for (const size_t piece : {size_t{1}, size_t{2}, size_t{4}, size_t{5}, size_t{1000}}) {
    for (const size_t length : {bytes.size(), bytes.size() - 1, bytes.size() - 2}) {
      std::string text;
      zvapp::Base64Stream stream([&](std::string_view p) { return text.append(p), true; });
      for (size_t at = 0; at < length; at += piece)
        ASSERT_TRUE(stream.Put(std::string_view(bytes).substr(at, std::min(piece, length - at))));
      ASSERT_TRUE(stream.Finish());
      EXPECT_EQ(text, zvapp::Base64({reinterpret_cast<const unsigned char*>(bytes.data()), length}))
          << piece << " " << length;
    }
  }
  EXPECT_EQ(whole.size(), 4000u);
}

}  // namespace
