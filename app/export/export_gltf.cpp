#include "export_gltf.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <sstream>
#include <string_view>
#include <unordered_map>
#include <utility>

// tinygltf is used for its model and writer only: no images are read or written.
#define TINYGLTF_IMPLEMENTATION
#define TINYGLTF_NO_STB_IMAGE
#define TINYGLTF_NO_STB_IMAGE_WRITE
#define TINYGLTF_NO_EXTERNAL_IMAGE
#include <tiny_gltf.h>

#include "atomic_file.h"
#include "base64.h"
#include "c4d.h"
#include "gltf_frame.h"
#include "gltf_lines.h"
#include "gltf_polygons.h"
#include "host_utf8.h"
#include "viewport_marks.h"

namespace zvapp {
namespace {

using namespace gltf;

constexpr double kDefaultGrey = 0.8;     // display colour of objects that have none
constexpr double kRoughness = 0.6;       // a soft sheen that still shows the surface's shape
constexpr size_t kShareLimit = 1 << 16;  // data up to this size is shared between equal accessors
constexpr const char* kUnlit = "KHR_materials_unlit";

// ---- The model ---------------------------------------------------------------------------------

class GltfBuilder {
 public:
  explicit GltfBuilder(ExportReport* report) : report_(report) { model_.buffers.emplace_back(); }
  void AddDocument(BaseDocument* doc, const std::string& title);
  tinygltf::Model& Model() { return model_; }

 private:
  int AddObject(BaseObject* op, const Rgb* inherited, bool inCache);
  void AddGeometry(int node, BaseObject* op, const Rgb* colour);
  int AddMesh(BaseObject* op, const Rgb* colour);
  int AddPolygonMesh(const PolygonObject& op, const Rgb* colour);
  int AddSplineMesh(const SplineObject& op, const Rgb* colour);
  void AddMarks(int node, BaseObject* op);
  int AddMarkMesh(const MarkSet& marks);
  int AddView(const void* data, size_t bytes, int target);
  int AddAccessor(int view, size_t offset, size_t count, int componentType, int type);
  int AddData(const void* data, size_t count, int componentType, int type, int target);
  int AddPositions(const Float3* data, size_t count, int view, size_t offset);
  int AddIndices(const std::vector<uint32_t>& indices, size_t vertexCount);
  int AddMaterial(const Rgb& colour, bool unlit);

  tinygltf::Model model_;
  ExportReport* report_;
  std::unordered_multimap<size_t, int> shared_;  // small accessors by a hash of their data
  std::map<std::pair<bool, Rgb>, int> materials_;
};

int GltfBuilder::AddView(const void* data, size_t bytes, int target) {
  std::vector<unsigned char>& buffer = model_.buffers[0].data;
  buffer.resize((buffer.size() + 3) & ~size_t{3});  // every view starts 4-byte aligned
  tinygltf::BufferView view;
  view.buffer = 0;
  view.byteOffset = buffer.size();
  view.byteLength = bytes;
  view.target = target;
  const auto* bytesIn = static_cast<const unsigned char*>(data);
  buffer.insert(buffer.end(), bytesIn, bytesIn + bytes);
  model_.bufferViews.push_back(std::move(view));
  return static_cast<int>(model_.bufferViews.size() - 1);
}

int GltfBuilder::AddAccessor(int view, size_t offset, size_t count, int componentType, int type) {
  tinygltf::Accessor a;
  a.bufferView = view;
  a.byteOffset = offset;
  a.count = count;
  a.componentType = componentType;
  a.type = type;
  model_.accessors.push_back(std::move(a));
  return static_cast<int>(model_.accessors.size() - 1);
}

// An accessor of tightly packed data with a view of its own. Small data equal to data written
// before reuses that accessor: markers of one shape share their geometry.
int GltfBuilder::AddData(const void* data, size_t count, int componentType, int type, int target) {
  const size_t bytes =
      count * static_cast<size_t>(tinygltf::GetComponentSizeInBytes(componentType) *
                                  tinygltf::GetNumComponentsInType(type));
  const std::string_view content(static_cast<const char*>(data), bytes);
  size_t key = 0;
  if (bytes <= kShareLimit) {
    key = std::hash<std::string_view>{}(content) ^ static_cast<size_t>(componentType * 131 + type);
    const auto [first, last] = shared_.equal_range(key);
    for (auto it = first; it != last; ++it) {
      const tinygltf::Accessor& a = model_.accessors[it->second];
      const tinygltf::BufferView& v = model_.bufferViews[a.bufferView];
      if (a.componentType == componentType && a.type == type && a.count == count &&
          v.target == target && v.byteLength == bytes &&
          std::memcmp(model_.buffers[0].data.data() + v.byteOffset, data, bytes) == 0)
        return it->second;
    }
  }
  const int accessor = AddAccessor(AddView(data, bytes, target), 0, count, componentType, type);
  if (bytes <= kShareLimit) shared_.emplace(key, accessor);
  return accessor;
}

// POSITION accessors must state their bounds.
int GltfBuilder::AddPositions(const Float3* data, size_t count, int view, size_t offset) {
  const int accessor = view < 0 ? AddData(data, count, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                          TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER)
                                : AddAccessor(view, offset, count, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                              TINYGLTF_TYPE_VEC3);
  tinygltf::Accessor& a = model_.accessors[accessor];
  if (!a.minValues.empty()) return accessor;  // shared, bounds already set
  Float3 lo = data[0], hi = data[0];
  for (size_t i = 1; i < count; ++i) {
    for (int k = 0; k < 3; ++k) {
      lo[k] = std::min(lo[k], data[i][k]);
      hi[k] = std::max(hi[k], data[i][k]);
    }
  }
  a.minValues.assign(lo.begin(), lo.end());
  a.maxValues.assign(hi.begin(), hi.end());
  return accessor;
}

int GltfBuilder::AddIndices(const std::vector<uint32_t>& indices, size_t vertexCount) {
  if (vertexCount <= UINT16_MAX) {
    const std::vector<uint16_t> small(indices.begin(), indices.end());
    return AddData(small.data(), small.size(), TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT,
                   TINYGLTF_TYPE_SCALAR, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
  }
  return AddData(indices.data(), indices.size(), TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT,
                 TINYGLTF_TYPE_SCALAR, TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
}

// Surfaces are lit, double-sided and matt; lines are unlit so that they show in their exact
// display colour from every side.
int GltfBuilder::AddMaterial(const Rgb& colour, bool unlit) {
  const auto [it, inserted] = materials_.try_emplace({unlit, colour}, 0);
  if (!inserted) return it->second;
  tinygltf::Material m;
  m.name = unlit ? "line" : "surface";
  m.pbrMetallicRoughness.baseColorFactor = {colour[0], colour[1], colour[2], 1.0};
  m.pbrMetallicRoughness.metallicFactor = 0.0;
  m.pbrMetallicRoughness.roughnessFactor = unlit ? 1.0 : kRoughness;
  m.doubleSided = !unlit;
  if (unlit) {
    m.extensions[kUnlit] = tinygltf::Value(tinygltf::Value::Object());
    if (std::find(model_.extensionsUsed.begin(), model_.extensionsUsed.end(), kUnlit) ==
        model_.extensionsUsed.end())
      model_.extensionsUsed.push_back(kUnlit);
  }
  model_.materials.push_back(std::move(m));
  return it->second = static_cast<int>(model_.materials.size() - 1);
}

int GltfBuilder::AddPolygonMesh(const PolygonObject& op, const Rgb* colour) {
  PolygonConverter converter(op);
  report_->nonFiniteSamples += converter.NonFinitePoints();
  MeshArrays a;
  if (!converter.Convert(&a)) return -1;
  const size_t n = a.positions.size();
  std::vector<unsigned char>& buffer = model_.buffers[0].data;
  buffer.reserve(buffer.size() + 16 + n * (3 * sizeof(Float3) + sizeof(Float2)) +
                 a.indices.size() * sizeof(uint32_t));
  tinygltf::Primitive prim;
  prim.mode = TINYGLTF_MODE_TRIANGLES;
  prim.attributes["POSITION"] = AddPositions(a.positions.data(), n, -1, 0);
  prim.attributes["NORMAL"] = AddData(a.normals.data(), n, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                      TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER);
  if (!a.uvs.empty())
    prim.attributes["TEXCOORD_0"] = AddData(a.uvs.data(), n, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                            TINYGLTF_TYPE_VEC2, TINYGLTF_TARGET_ARRAY_BUFFER);
  if (!a.colors.empty())
    prim.attributes["COLOR_0"] = AddData(a.colors.data(), n, TINYGLTF_COMPONENT_TYPE_FLOAT,
                                         TINYGLTF_TYPE_VEC3, TINYGLTF_TARGET_ARRAY_BUFFER);
  prim.indices = AddIndices(a.indices, n);
  // Vertex colours are the surface's colour: the factor stays white so as not to tint them.
  const float grey = LinearChannel(kDefaultGrey);
  prim.material = AddMaterial(!a.colors.empty() ? Rgb{1.0f, 1.0f, 1.0f}
                              : colour          ? *colour
                                                : Rgb{grey, grey, grey},
                              false);
  tinygltf::Mesh mesh;
  mesh.name = zvhost::ValidUtf8(op.GetName().GetStdString());
  mesh.primitives.push_back(std::move(prim));
  model_.meshes.push_back(std::move(mesh));
  ++report_->meshes;
  return static_cast<int>(model_.meshes.size() - 1);
}

int GltfBuilder::AddSplineMesh(const SplineObject& op, const Rgb* colour) {
  const Int32 pointCount = op.GetPointCount();
  std::vector<Segment> segments(op.GetSegmentR(), op.GetSegmentR() + op.GetSegmentCount());
  if (segments.empty()) segments.push_back({pointCount, false});  // no segments: one of all points
  const bool cubic = op.GetInterpolationType() == SPLINETYPE::CUBIC;
  std::vector<Float3> points;
  std::vector<Strip> strips;
  Int32 start = 0;
  for (const Segment& seg : segments) {
    const Int32 count = std::clamp(seg.cnt, 0, pointCount - start);
    for (const Run& run : FiniteRuns(op.GetPointR() + start, count, seg.closed || op.IsClosed()))
      AppendStrips(cubic ? SmoothRun(run) : run.points, run.closed, &points, &strips);
    start += count;
  }
  if (strips.empty()) return -1;
  // One view holds all strips; views that several accessors read must state their stride.
  const int view =
      AddView(points.data(), points.size() * sizeof(Float3), TINYGLTF_TARGET_ARRAY_BUFFER);
  if (strips.size() > 1) model_.bufferViews[view].byteStride = sizeof(Float3);
  const float grey = LinearChannel(kDefaultGrey);
  const int material = AddMaterial(colour ? *colour : Rgb{grey, grey, grey}, true);
  tinygltf::Mesh mesh;
  mesh.name = zvhost::ValidUtf8(op.GetName().GetStdString());
  for (const Strip& s : strips) {
    tinygltf::Primitive prim;
    prim.mode = s.closed ? TINYGLTF_MODE_LINE_LOOP : TINYGLTF_MODE_LINE_STRIP;
    prim.attributes["POSITION"] =
        AddPositions(points.data() + s.first, s.count, view, s.first * sizeof(Float3));
    prim.material = material;
    mesh.primitives.push_back(std::move(prim));
  }
  report_->lines += static_cast<long long>(strips.size());
  model_.meshes.push_back(std::move(mesh));
  ++report_->meshes;
  return static_cast<int>(model_.meshes.size() - 1);
}

// One mesh of the marks, white and unlit so that each point shows its own colour.
int GltfBuilder::AddMarkMesh(const MarkSet& marks) {
  const bool lines = marks.style == MarkSet::Style::LINES;
  const size_t perMark = lines ? 2 : 1;
  std::vector<Float3> positions, colours;
  positions.reserve(marks.points.size());
  colours.reserve(marks.points.size());
  for (size_t i = 0; i + perMark <= marks.points.size(); i += perMark) {
    std::array<Float3, 2> p;
    // A mark at finite numbers too large for a float is left out like one at a NaN.
    if (!ToGltfPoint(marks.points[i], &p[0]) || (lines && !ToGltfPoint(marks.points[i + 1], &p[1])))
      continue;
    for (size_t k = 0; k < perMark; ++k) {
      positions.push_back(p[k]);
      const Vector& c = marks.colours[i + k];
      colours.push_back(LinearColor(c.x, c.y, c.z));
    }
  }
  if (positions.empty()) return -1;
  tinygltf::Primitive prim;
  prim.mode = lines ? TINYGLTF_MODE_LINE : TINYGLTF_MODE_POINTS;
  prim.attributes["POSITION"] = AddPositions(positions.data(), positions.size(), -1, 0);
  prim.attributes["COLOR_0"] =
      AddData(colours.data(), colours.size(), TINYGLTF_COMPONENT_TYPE_FLOAT, TINYGLTF_TYPE_VEC3,
              TINYGLTF_TARGET_ARRAY_BUFFER);
  prim.material = AddMaterial(Rgb{1.0f, 1.0f, 1.0f}, true);
  tinygltf::Mesh mesh;
  mesh.name = "points";
  tinygltf::Value::Object extras;
  extras["layer"] = tinygltf::Value(std::string("points"));
  extras["marks"] = tinygltf::Value(std::string(StyleName(marks.style)));
  if (!lines) extras["size"] = tinygltf::Value(static_cast<double>(marks.size));
  mesh.extras = tinygltf::Value(std::move(extras));
  mesh.primitives.push_back(std::move(prim));
  model_.meshes.push_back(std::move(mesh));
  ++report_->meshes;
  report_->marks += static_cast<long long>(lines ? positions.size() / 2 : positions.size());
  return static_cast<int>(model_.meshes.size() - 1);
}

// The object's viewport marks, on nodes of their own below its node (they are drawn in the
// object's frame).
void GltfBuilder::AddMarks(int node, BaseObject* op) {
  for (const MarkSet& marks : ViewportMarks(op)) {
    const int mesh = AddMarkMesh(marks);
    if (mesh < 0) continue;
    tinygltf::Node n;
    n.name = zvhost::ValidUtf8(op->GetName().GetStdString()) + " points";
    n.mesh = mesh;
    model_.nodes.push_back(std::move(n));
    model_.nodes[node].children.push_back(static_cast<int>(model_.nodes.size() - 1));
  }
}

int GltfBuilder::AddMesh(BaseObject* op, const Rgb* colour) {
  if (const auto* poly = dynamic_cast<const PolygonObject*>(op))
    return AddPolygonMesh(*poly, colour);
  if (const auto* spline = dynamic_cast<const SplineObject*>(op))
    return AddSplineMesh(*spline, colour);
  return -1;
}

// A generator shows its cache; an object without one shows its own geometry. A cache that is a
// single unplaced object is shown on the generator's own node.
void GltfBuilder::AddGeometry(int node, BaseObject* op, const Rgb* colour) {
  BaseObject* cache = op->GetCache();
  if (!cache) {
    model_.nodes[node].mesh = AddMesh(op, colour);
    return;
  }
  ObjectColorProperties cp;
  cache->GetColorProperties(&cp);
  if (!cache->GetDown() && !cache->GetCache() && cache->GetEditorMode() != MODE_OFF &&
      cache->GetDeformMode() && cp.usecolor == ID_BASEOBJECT_USECOLOR_OFF &&
      cache->GetMl() == Matrix()) {
    model_.nodes[node].mesh = AddMesh(cache, colour);
    return;
  }
  const int child = AddObject(cache, colour, true);
  if (child >= 0) model_.nodes[node].children.push_back(child);
}

// Adds `op` with what it shows and its children; returns its node, or -1 when it is left out
// (hidden, or placed by a matrix that is not finite). Objects of caches that show nothing are
// dropped; scene objects keep their node so that the hierarchy and its names stay whole.
int GltfBuilder::AddObject(BaseObject* op, const Rgb* inherited, bool inCache) {
  if (op->GetEditorMode() == MODE_OFF) return -1;
  Placement placement;
  if (!NodePlacement(op->GetMl(), &placement)) {
    ++report_->nonFiniteSamples;  // a primitive marker standing on a sample that is not finite
    return -1;
  }
  tinygltf::Node n;
  n.matrix = std::move(placement.matrix);
  n.translation = std::move(placement.translation);
  n.rotation = std::move(placement.rotation);
  // Names come from users and scene files; the JSON writer refuses bytes that are no UTF-8.
  n.name = zvhost::ValidUtf8(op->GetName().GetStdString());
  // tinygltf writes a node with nothing set as null, which is no node: keep a name on every one.
  if (n.name.empty()) n.name = "object " + std::to_string(model_.nodes.size());
  const int node = static_cast<int>(model_.nodes.size());
  model_.nodes.push_back(std::move(n));
  ObjectColorProperties cp;
  op->GetColorProperties(&cp);
  Rgb own;
  const Rgb* colour = inherited;
  if (cp.usecolor != ID_BASEOBJECT_USECOLOR_OFF) {
    own = LinearColor(cp.color.x, cp.color.y, cp.color.z);
    colour = &own;
  }
  // A switched-off generator shows nothing of its own; its children show as they are.
  const bool enabled = op->GetDeformMode();
  if (enabled) AddGeometry(node, op, colour);
  if (enabled && !inCache) AddMarks(node, op);
  // An extrude shows its text child through its cache.
  if (!(enabled && op->GetType() == Oextrude)) {
    for (BaseObject* child = op->GetDown(); child; child = child->GetNext()) {
      const int c = AddObject(child, colour, inCache);
      if (c >= 0) model_.nodes[node].children.push_back(c);
    }
  }
  if (inCache && model_.nodes[node].mesh < 0 && model_.nodes[node].children.empty()) {
    model_.nodes.pop_back();  // the last node: every node added after it was dropped too
    return -1;
  }
  return node;
}

void GltfBuilder::AddDocument(BaseDocument* doc, const std::string& title) {
  model_.asset.version = "2.0";
  model_.asset.generator = "Zorvantix zvplot";
  tinygltf::Value::Object extras;
  extras["title"] = tinygltf::Value(zvhost::ValidUtf8(title));
  model_.asset.extras = tinygltf::Value(std::move(extras));
  tinygltf::Scene scene;
  for (BaseObject* op = doc ? doc->GetFirstObject() : nullptr; op; op = op->GetNext()) {
    const int node = AddObject(op, nullptr, false);
    if (node >= 0) scene.nodes.push_back(node);
  }
  // A scene must name at least one node; a file of an empty document has none.
  if (!scene.nodes.empty()) {
    model_.scenes.push_back(std::move(scene));
    model_.defaultScene = 0;
  }
  if (model_.buffers[0].data.empty()) model_.buffers.clear();  // a buffer may not be empty
}

// The model's JSON with its buffer described (binary: the GLB's chunk; text: a data URI). The
// buffer's bytes are taken out of the model first, so tinygltf never copies them.
std::string ModelJson(tinygltf::Model* model, const std::vector<unsigned char>& bin, bool binary) {
  std::ostringstream stream;
  tinygltf::TinyGLTF writer;
  if (!writer.WriteGltfSceneToStream(model, stream, false, false)) return {};
  std::string json = std::move(stream).str();
  const size_t end = json.rfind('}');
  if (end == std::string::npos || bin.empty()) return json;
  std::string buffer = ",\"buffers\":[{\"byteLength\":" + std::to_string(bin.size());
  if (!binary) {
    buffer += ",\"uri\":\"data:application/octet-stream;base64,";
    buffer += Base64(bin);
    buffer += '"';
  }
  json.insert(end, buffer + "}]");
  return json;
}

// The GLB container, piece by piece: header, JSON chunk (padded with spaces), binary chunk (padded
// with zeros). `put` takes each piece and returns false to stop.
template <typename Put>
bool PutGlb(const std::string& json, const std::vector<unsigned char>& bin, Put put) {
  const size_t jsonPadded = (json.size() + 3) & ~size_t{3};
  const size_t binPadded = (bin.size() + 3) & ~size_t{3};
  const size_t total = 12 + 8 + jsonPadded + (bin.empty() ? 0 : 8 + binPadded);
  const auto u32 = [](char* out, size_t v) {
    for (int k = 0; k < 4; ++k) out[k] = static_cast<char>(v >> (8 * k));
  };
  char head[20];
  std::memcpy(head, "glTF", 4);
  u32(head + 4, 2);
  u32(head + 8, total);
  u32(head + 12, jsonPadded);
  std::memcpy(head + 16, "JSON", 4);
  static constexpr char kBlanks[4] = {' ', ' ', ' ', ' '};
  static constexpr char kZeros[4] = {0, 0, 0, 0};
  if (!put(std::string_view(head, 20)) || !put(json) ||
      !put(std::string_view(kBlanks, jsonPadded - json.size())))
    return false;
  if (bin.empty()) return true;
  char binHead[8];
  u32(binHead, binPadded);
  std::memcpy(binHead + 4, "BIN", 4);  // with its NUL
  return put(std::string_view(binHead, 8)) &&
         put(std::string_view(reinterpret_cast<const char*>(bin.data()), bin.size())) &&
         put(std::string_view(kZeros, binPadded - bin.size()));
}

// The model's JSON and binary buffer; false with a message when the document cannot be written.
bool MakeModel(BaseDocument* doc, const std::string& title, bool binary, std::string* json,
               std::vector<unsigned char>* bin, ExportReport* report, std::string* error) {
  ExportReport local;
  if (!report) report = &local;
  *report = ExportReport{};
  try {
    GltfBuilder builder(report);
    builder.AddDocument(doc, title);
    tinygltf::Model& model = builder.Model();
    bin->clear();
    if (!model.buffers.empty()) bin->swap(model.buffers[0].data);
    model.buffers.clear();
    // GLB lengths are 32-bit; base64 text grows by a third.
    if (bin->size() > (binary ? size_t{UINT32_MAX} - (size_t{64} << 20) : size_t{UINT32_MAX} / 2)) {
      if (error) *error = "the plot is too large for a glTF file";
      return false;
    }
    *json = ModelJson(&model, *bin, binary);
    if (json->empty()) {
      if (error) *error = "cannot encode the glTF model";
      return false;
    }
    return true;
  } catch (const std::bad_alloc&) {
    throw;  // the command's edge tells what ran out, and ends the command
  } catch (const std::exception& e) {
    if (error) *error = std::string("cannot build the glTF model: ") + e.what();
    return false;
  }
}

bool HasExtension(const std::string& path, std::string_view ext) {
  if (path.size() < ext.size()) return false;
  return std::equal(
      ext.begin(), ext.end(), path.end() - static_cast<std::ptrdiff_t>(ext.size()),
      [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

bool WriteGlb(BaseDocument* doc, const std::string& title, ExportReport* report,
              const PieceSink& sink, std::string* error) {
  std::string json;
  std::vector<unsigned char> bin;
  return MakeModel(doc, title, true, &json, &bin, report, error) && PutGlb(json, bin, sink);
}

bool BuildGlb(BaseDocument* doc, const std::string& title, std::vector<unsigned char>* out,
              ExportReport* report, std::string* error) {
  out->clear();
  return WriteGlb(
      doc, title, report,
      [out](std::string_view piece) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(piece.data());
        out->insert(out->end(), bytes, bytes + piece.size());  // copied whole, not byte by byte
        return true;
      },
      error);
}

// A GLB goes to the file in its pieces, the binary buffer straight from where it was built.
bool StageGltfFile(StagedOutputs& staged, BaseDocument* doc, const std::string& path,
                   const std::string& title, ExportReport* report, std::string* error) {
  const bool binary = HasExtension(path, ".glb");
  if (!binary && !HasExtension(path, ".gltf")) {
    if (error) *error = "'" + path + "': the glTF file name must end in .glb or .gltf";
    return false;
  }
  std::string json;
  std::vector<unsigned char> bin;
  if (!MakeModel(doc, title, binary, &json, &bin, report, error)) return false;
  if (!binary) return staged.Stage(path, json, error);
  return staged.StagePieces(
      path, [&](const PieceSink& sink) { return PutGlb(json, bin, sink); }, error);
}

bool WriteGltfFile(BaseDocument* doc, const std::string& path, const std::string& title,
                   ExportReport* report, std::string* error) {
  StagedOutputs staged;
  return StageGltfFile(staged, doc, path, title, report, error) && staged.Commit(error);
}

}  // namespace zvapp
