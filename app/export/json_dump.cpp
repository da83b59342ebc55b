#include "json_dump.h"

#include <cmath>
#include <map>

#include "atomic_file.h"
#include "host_app.h"
#include "host_records.h"
#include "json_writer.h"
#include "plot_kinds.h"

namespace zvapp {
namespace {
using nlohmann::json;

// JSON has no NaN or infinity: such numbers are written as texts.
json Num(double v) {
  if (std::isfinite(v)) return json(v);
  return json(std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf"));
}
json Vec(const Vector& v) { return json::array({Num(v.x), Num(v.y), Num(v.z)}); }

void WriteVec(JsonWriter& w, const Vector& v) {
  w.BeginArray();
  w.Number(v.x);
  w.Number(v.y);
  w.Number(v.z);
  w.EndArray();
}

// An object's members in name order, as a tree orders them: small values held, large arrays
// written straight out when their turn comes.
using Stream = std::function<void(JsonWriter&)>;
struct Member {
  Member() = default;
  Member(json v) : value(std::move(v)) {}  // NOLINT: a member is given as its value
  json value;
  Stream stream;
};
using Members = std::map<std::string, Member>;

void WriteMembers(JsonWriter& w, const Members& members) {
  w.BeginObject();
  for (const auto& [name, m] : members) {
    w.Key(name);
    if (m.stream)
      m.stream(w);
    else
      w.Value(m.value);
  }
  w.EndObject();
}

// An array of `count` items written one by one.
template <typename Item>
Stream Items(Int64 count, Item item) {
  return [count, item](JsonWriter& w) {
    w.BeginArray();
    for (Int64 i = 0; i < count; ++i) item(w, i);
    w.EndArray();
  };
}

const char* TypeName(Int32 type) {
  if (const Kind* k = FindKindOfType(type)) return k->name;
  switch (type) {
    case Opolygon:
      return "polygon";
    case Ospline:
      return "spline";
    case Onull:
      return "null";
    case Oextrude:
      return "extrude";
    case Osplinetext:
      return "text";
    default:
      return "object";
  }
}

// Without the arrays, a member's count stays and its array goes: what a page polls after each edit.
void DropArrays(Members* m, bool arrays, std::initializer_list<const char*> names) {
  if (arrays) return;
  for (const char* name : names) m->erase(name);
}

Members Tag(BaseTag* tag, bool arrays) {
  Members t = {{"type", {tag->GetType()}}};
  if (tag->GetType() == Tuvw) {
    const auto* uvw = static_cast<UVWTag*>(tag);
    t["count"] = {uvw->GetDataCount()};
    t["data"].stream = Items(uvw->GetDataCount(), [uvw](JsonWriter& w, Int64 i) {
      const UVWStruct u = uvw->GetSlow(static_cast<Int32>(i));
      w.BeginArray();
      for (const Vector& v : {u.a, u.b, u.c, u.d}) WriteVec(w, v);
      w.EndArray();
    });
  } else if (tag->GetType() == Tvertexcolor) {
    const auto* vc = static_cast<VertexColorTag*>(tag);
    t["count"] = {vc->GetDataCount()};
    const auto* c = static_cast<const Float32*>(vc->GetDataAddressR());
    t["data"].stream = Items(vc->GetDataCount(), [c](JsonWriter& w, Int64 i) {
      w.BeginArray();
      for (Int64 k = 4 * i; k < 4 * i + 4; ++k) w.Number(c[k]);
      w.EndArray();
    });
  }
  DropArrays(&t, arrays, {"data"});
  return t;
}

Stream Tags(BaseObject* op, bool arrays) {
  return [op, arrays](JsonWriter& w) {
    w.BeginArray();
    for (BaseTag* tag : op->GetTags()) WriteMembers(w, Tag(tag, arrays));
    w.EndArray();
  };
}

Stream Points(const Vector* points, Int32 count) {
  return Items(count, [points](JsonWriter& w, Int64 i) { WriteVec(w, points[i]); });
}

json Color(BaseObject* op) {
  ObjectColorProperties c;
  op->GetColorProperties(&c);
  return {{"mode", c.usecolor}, {"rgb", Vec(c.color)}, {"xray", c.xray}};
}

json Bounds(const Vector* points, Int32 count) {
  Vector lo(MAXVALUE_FLOAT), hi(-MAXVALUE_FLOAT);
  for (Int32 i = 0; i < count; ++i) {
    const Vector& p = points[i];
    lo = Vector(std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z));
    hi = Vector(std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z));
  }
  return count > 0 ? json{{"min", Vec(lo)}, {"max", Vec(hi)}} : json(nullptr);
}

// The children of an object, each written by `write`; no member when there are none.
void AddChildren(BaseObject* op, Members* members, bool arrays,
                 void (*write)(JsonWriter&, BaseObject*, bool)) {
  if (!op->GetDown()) return;
  (*members)["children"].stream = [op, arrays, write](JsonWriter& w) {
    w.BeginArray();
    for (BaseObject* child = op->GetDown(); child; child = child->GetNext())
      write(w, child, arrays);
    w.EndArray();
  };
}

void AddPolygons(PolygonObject* poly, Members* g) {
  const Vector* points = poly->GetPointR();
  g->emplace("pointCount", Member(poly->GetPointCount()));
  g->emplace("polygonCount", Member(poly->GetPolygonCount()));
  g->emplace("bounds", Member(Bounds(points, poly->GetPointCount())));
  (*g)["points"].stream = Points(points, poly->GetPointCount());
  const CPolygon* polys = poly->GetPolygonR();
  (*g)["polygons"].stream = Items(poly->GetPolygonCount(), [polys](JsonWriter& w, Int64 i) {
    w.BeginArray();
    for (const Int32 k : {polys[i].a, polys[i].b, polys[i].c, polys[i].d}) w.Integer(k);
    w.EndArray();
  });
}

void AddSpline(SplineObject* spline, Members* g) {
  const Vector* points = spline->GetPointR();
  g->emplace("pointCount", Member(spline->GetPointCount()));
  g->emplace("segmentCount", Member(spline->GetSegmentCount()));
  g->emplace("splineType",
             Member(spline->GetInterpolationType() == SPLINETYPE::CUBIC ? "cubic" : "linear"));
  g->emplace("closed", Member(spline->IsClosed()));
  g->emplace("bounds", Member(Bounds(points, spline->GetPointCount())));
  (*g)["points"].stream = Points(points, spline->GetPointCount());
  json segs = json::array();
  for (Int32 i = 0; i < spline->GetSegmentCount(); ++i)
    segs.push_back({spline->GetSegmentR()[i].cnt, spline->GetSegmentR()[i].closed});
  g->emplace("segments", Member(std::move(segs)));
}

void WriteGeometry(JsonWriter& w, BaseObject* op, bool arrays) {
  Members g = {{"type", {op->GetType()}},
               {"kind", {TypeName(op->GetType())}},
               {"name", {op->GetName().GetStdString()}},
               {"position", {Vec(op->GetRelPos())}},
               {"rotation", {Vec(op->GetRelRot())}},
               {"editorMode", {op->GetEditorMode()}},
               {"renderMode", {op->GetRenderMode()}},
               {"enabled", {op->GetDeformMode()}},
               {"color", {Color(op)}}};
  if (op->IsInstanceOf(Opolygon))
    AddPolygons(static_cast<PolygonObject*>(op), &g);
  else if (op->IsInstanceOf(Ospline))
    AddSpline(static_cast<SplineObject*>(op), &g);
  DropArrays(&g, arrays, {"points", "polygons", "segments"});
  g["tags"].stream = Tags(op, arrays);
  AddChildren(op, &g, arrays, WriteGeometry);
  WriteMembers(w, g);
}

json Parameters(BaseObject* op) {
  json params = json::object();
  const BaseContainer& bc = op->GetDataInstanceRef();
  for (const zvhost::ParameterInfo& p : zvhost::ListParameters(op->GetType())) {
    if (p.type == "BUTTON") continue;
    const GeData* d = bc.GetDataPointer(p.id);
    params[std::to_string(p.id)] = d ? ValueToJson(*d, p.type) : json(nullptr);
  }
  return params;
}

Members Samples(BaseObject* plot, bool arrays) {
  const ZVPlotSampleView view = PlotSamples(plot);
  Members s = {{"count", {view.count}},
               {"nonFinite", {CountNonFiniteSamples(plot)}},
               {"resolution", {view.resolution}},
               {"valueMin", {Num(view.valueMin)}},
               {"valueMax", {Num(view.valueMax)}},
               {"timeDependent", {view.timeDependent}}};
  if (view.count > 0) {
    const PlotSample& first = view.samples[0];
    const PlotSample& last = view.samples[view.count - 1];
    s["first"] = json{{"position", Vec(first.position)}, {"color", Vec(first.color)}};
    s["last"] = json{{"position", Vec(last.position)}, {"color", Vec(last.color)}};
  }
  s["samples"].stream = Items(view.count, [samples = view.samples](JsonWriter& w, Int64 i) {
    const PlotSample& p = samples[i];
    w.BeginArray();
    for (const double v :
         {p.position.x, p.position.y, p.position.z, p.color.x, p.color.y, p.color.z})
      w.Number(v);
    w.EndArray();
  });
  DropArrays(&s, arrays, {"samples"});
  return s;
}

void WriteObject(JsonWriter& w, BaseObject* op, bool arrays) {
  Members o = {{"name", {op->GetName().GetStdString()}},
               {"type", {op->GetType()}},
               {"kind", {TypeName(op->GetType())}},
               {"enabled", {op->GetDeformMode()}},
               {"editorMode", {op->GetEditorMode()}},
               {"renderMode", {op->GetRenderMode()}},
               {"position", {Vec(op->GetRelPos())}},
               {"rotation", {Vec(op->GetRelRot())}},
               {"color", {Color(op)}}};
  o["tags"].stream = Tags(op, arrays);
  if (op->GetNodeData<NodeData>() || op->GetType() == Osplinetext || op->GetType() == Oextrude)
    o["parameters"] = Parameters(op);
  if (op->GetType() == Osplinetext) {
    const BaseContainer& bc = op->GetDataInstanceRef();
    o["text"] = json{{"text", bc.GetString(PRIM_TEXT_TEXT).GetStdString()},
                     {"alignment", bc.GetInt32(PRIM_TEXT_ALIGN)},
                     {"height", Num(bc.GetFloat(PRIM_TEXT_HEIGHT))}};
  }
  if (IsPlot(op)) {
    o["samples"].stream = [op, arrays](JsonWriter& out) { WriteMembers(out, Samples(op, arrays)); };
  }
  o["stats"] = json{{"dirty", op->GetDirty(DIRTYFLAGS::DATA)},
                    {"executions", zvhost::GetExecutionCount(*op)},
                    {"cacheBuilds", zvhost::GetCacheBuildCount(*op)},
                    {"cacheReuses", zvhost::GetCacheReuseCount(*op)}};
  if (BaseObject* cache = op->GetCache())
    o["cache"].stream = [cache, arrays](JsonWriter& out) { WriteGeometry(out, cache, arrays); };
  AddChildren(op, &o, arrays, WriteObject);
  WriteMembers(w, o);
}

}  // namespace

json ValueToJson(const GeData& value, const std::string& type) {
  if (type == "BOOL") return value.GetBool();
  switch (value.GetType()) {
    case DA::LONG:
      return value.GetInt32();
    case DA::REAL:
      return Num(value.GetFloat());
    case DA::VECTOR:
      return Vec(value.GetVector());
    case DA::STRING:
      return value.GetString().GetStdString();
    case DA::TIME:
      return {{"num", value.GetTime().num}, {"den", value.GetTime().den}};
    default:
      break;
  }
  if (const auto* g = value.GetCustomDataType<Gradient>()) {
    json knots = json::array();
    for (Int32 i = 0; i < g->GetKnotCount(); ++i) {
      const maxon::GradientKnot k = g->GetKnot(i);
      knots.push_back({{"position", Num(k.pos)},
                       {"color", Vec(Vector(k.col.r, k.col.g, k.col.b))},
                       {"brightness", Num(k.brightness)},
                       {"bias", Num(k.bias)},
                       {"interpolation", static_cast<Int32>(k.interpolation)},
                       {"index", k.index}});
    }
    return {{"gradient", knots}};
  }
  if (const auto* f = value.GetCustomDataType<FontData>()) {
    const BaseContainer& font = f->GetFont();
    return {{"font",
             {{"family", font.GetString(FONT_FAMILY).GetStdString()},
              {"style", font.GetString(FONT_STYLE).GetStdString()}}}};
  }
  return nullptr;
}

bool WriteDump(BaseDocument* doc, const TextSink& sink, const DumpOptions& options) {
  JsonWriter w(sink);
  const BaseTime t = doc->GetTime();
  const zvhost::BuildStats stats = zvhost::GetBuildStats(*doc);
  Members d = {
      {"document",
       json{{"time", t.Get()}, {"fps", doc->GetFps()}, {"maxTime", doc->GetMaxTime().Get()}}},
      {"stats", json{{"evaluations", stats.evaluations}, {"builds", stats.builds}}}};
  d["objects"].stream = [doc, arrays = options.arrays](JsonWriter& out) {
    out.BeginArray();
    for (BaseObject* op = doc->GetFirstObject(); op; op = op->GetNext())
      WriteObject(out, op, arrays);
    out.EndArray();
  };
  WriteMembers(w, d);
  w.EndLine();
  return w.Finish();
}

bool StageDumpFile(StagedOutputs& staged, BaseDocument* doc, const std::string& path,
                   std::string* error) {
  return staged.StagePieces(
      path, [doc](const PieceSink& sink) { return WriteDump(doc, sink); }, error);
}

bool WriteDumpFile(BaseDocument* doc, const std::string& path, std::string* error) {
  StagedOutputs staged;
  return StageDumpFile(staged, doc, path, error) && staged.Commit(error);
}

}  // namespace zvapp
