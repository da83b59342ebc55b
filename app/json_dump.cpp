#include "json_dump.h"

#include <cmath>

#include "host_app.h"
#include "host_inspect.h"
#include "plot_kinds.h"

namespace zvapp {
namespace {
using nlohmann::json;

// JSON has no NaN or infinity: such numbers are written as texts.
json Num(double v) { return std::isfinite(v) ? json(v) : json(std::to_string(v)); }
json Vec(const Vector& v) { return json::array({Num(v.x), Num(v.y), Num(v.z)}); }

const char* TypeName(Int32 type) {
  if (const Kind* k = FindKindOfType(type)) return k->name;
  switch (type) {
    case Opolygon: return "polygon";
    case Ospline: return "spline";
    case Onull: return "null";
    case Oextrude: return "extrude";
    case Osplinetext: return "text";
    default: return "object";
  }
}

json Tags(BaseObject* op) {
  json tags = json::array();
  for (BaseTag* tag : op->GetTags()) {
    json t = {{"type", tag->GetType()}};
    if (tag->GetType() == Tuvw) {
      auto* uvw = static_cast<UVWTag*>(tag);
      t["count"] = uvw->GetDataCount();
      json data = json::array();
      for (Int32 i = 0; i < uvw->GetDataCount(); ++i) {
        const UVWStruct u = uvw->GetSlow(i);
        data.push_back({Vec(u.a), Vec(u.b), Vec(u.c), Vec(u.d)});
      }
      t["data"] = data;
    } else if (tag->GetType() == Tvertexcolor) {
      auto* vc = static_cast<VertexColorTag*>(tag);
      t["count"] = vc->GetDataCount();
      json data = json::array();
      const Float32* c = vc->GetDataAddressR();
      for (Int32 i = 0; i < vc->GetDataCount(); ++i, c += 4)
        data.push_back({Num(c[0]), Num(c[1]), Num(c[2]), Num(c[3])});
      t["data"] = data;
    }
    tags.push_back(t);
  }
  return tags;
}

json Points(const Vector* points, Int32 count) {
  json out = json::array();
  for (Int32 i = 0; i < count; ++i) out.push_back(Vec(points[i]));
  return out;
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

json Geometry(BaseObject* op) {
  json g = {{"type", op->GetType()}, {"kind", TypeName(op->GetType())},
            {"name", op->GetName().GetStdString()}, {"position", Vec(op->GetRelPos())}};
  g["rotation"] = Vec(op->GetRelRot());
  g["editorMode"] = op->GetEditorMode();
  g["renderMode"] = op->GetRenderMode();
  g["enabled"] = op->GetDeformMode();
  g["color"] = Color(op);
  if (op->IsInstanceOf(Opolygon)) {
    auto* poly = static_cast<PolygonObject*>(op);
    g["pointCount"] = poly->GetPointCount();
    g["polygonCount"] = poly->GetPolygonCount();
    g["bounds"] = Bounds(poly->GetPointR(), poly->GetPointCount());
    g["points"] = Points(poly->GetPointR(), poly->GetPointCount());
    json polys = json::array();
    for (Int32 i = 0; i < poly->GetPolygonCount(); ++i) {
      const CPolygon& p = poly->GetPolygonR()[i];
      polys.push_back({p.a, p.b, p.c, p.d});
    }
    g["polygons"] = polys;
  } else if (op->IsInstanceOf(Ospline)) {
    auto* spline = static_cast<SplineObject*>(op);
    g["pointCount"] = spline->GetPointCount();
    g["segmentCount"] = spline->GetSegmentCount();
    g["splineType"] = spline->GetSplineType() == SPLINETYPE::CUBIC ? "cubic" : "linear";
    g["closed"] = spline->IsClosed();
    g["bounds"] = Bounds(spline->GetPointR(), spline->GetPointCount());
    g["points"] = Points(spline->GetPointR(), spline->GetPointCount());
    json segs = json::array();
    for (Int32 i = 0; i < spline->GetSegmentCount(); ++i)
      segs.push_back({spline->GetSegmentR()[i].cnt, spline->GetSegmentR()[i].closed});
    g["segments"] = segs;
  }
  g["tags"] = Tags(op);
  json children = json::array();
  for (BaseObject* child = op->GetDown(); child; child = child->GetNext()) children.push_back(Geometry(child));
  if (!children.empty()) g["children"] = children;
  return g;
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

json Samples(BaseObject* plot) {
  const ZVPlotSampleView view = PlotSamples(plot);
  json s = {{"count", view.count}, {"nonFinite", CountNonFiniteSamples(plot)},
            {"resolution", view.resolution}, {"valueMin", Num(view.valueMin)},
            {"valueMax", Num(view.valueMax)}, {"timeDependent", view.timeDependent}};
  if (view.count > 0) {
    const PlotSample& first = view.samples[0];
    const PlotSample& last = view.samples[view.count - 1];
    s["first"] = {{"position", Vec(first.position)}, {"color", Vec(first.color)}};
    s["last"] = {{"position", Vec(last.position)}, {"color", Vec(last.color)}};
  }
  json all = json::array();
  for (Int64 i = 0; i < view.count; ++i) {
    const PlotSample& p = view.samples[i];
    all.push_back({Num(p.position.x), Num(p.position.y), Num(p.position.z), Num(p.color.x),
                   Num(p.color.y), Num(p.color.z)});
  }
  s["samples"] = all;
  return s;
}

json Object(BaseObject* op) {
  json o = {{"name", op->GetName().GetStdString()}, {"type", op->GetType()},
            {"kind", TypeName(op->GetType())}, {"enabled", op->GetDeformMode()},
            {"editorMode", op->GetEditorMode()}, {"renderMode", op->GetRenderMode()},
            {"position", Vec(op->GetRelPos())}, {"rotation", Vec(op->GetRelRot())},
            {"color", Color(op)}, {"tags", Tags(op)}};
  if (op->GetNodeData() || op->GetType() == Osplinetext || op->GetType() == Oextrude) {
    o["parameters"] = Parameters(op);
  }
  if (op->GetType() == Osplinetext) {
    const BaseContainer& bc = op->GetDataInstanceRef();
    o["text"] = {{"text", bc.GetString(PRIM_TEXT_TEXT).GetStdString()},
                 {"alignment", bc.GetInt32(PRIM_TEXT_ALIGN)},
                 {"height", Num(bc.GetFloat(PRIM_TEXT_HEIGHT))}};
  }
  if (IsPlot(op)) o["samples"] = Samples(op);
  o["stats"] = {{"dirty", op->GetDirty(DIRTYFLAGS::DATA)},
                {"executions", zvhost::GetExecutionCount(*op)},
                {"cacheBuilds", zvhost::GetCacheBuildCount(*op)},
                {"cacheReuses", zvhost::GetCacheReuseCount(*op)}};
  if (BaseObject* cache = op->GetCache()) o["cache"] = Geometry(cache);
  json children = json::array();
  for (BaseObject* child = op->GetDown(); child; child = child->GetNext()) children.push_back(Object(child));
  if (!children.empty()) o["children"] = children;
  return o;
}

}  // namespace

json ValueToJson(const GeData& value, const std::string& type) {
  if (type == "BOOL") return value.GetBool();
  switch (value.GetType()) {
    case DA::LONG: return value.GetInt32();
    case DA::REAL: return Num(value.GetFloat());
    case DA::VECTOR: return Vec(value.GetVector());
    case DA::STRING: return value.GetString().GetStdString();
    case DA::TIME: return {{"num", value.GetTime().num}, {"den", value.GetTime().den}};
    default: break;
  }
  if (const auto* g = value.GetCustomDataType<Gradient>()) {
    json knots = json::array();
    for (Int32 i = 0; i < g->GetKnotCount(); ++i) {
      const GradientKnot& k = g->GetKnot(i);
      knots.push_back({{"position", Num(k.pos)}, {"color", Vec(k.col)}, {"brightness", Num(k.brightness)},
                       {"bias", Num(k.bias)}, {"interpolation", k.interpolation}, {"index", k.index}});
    }
    return {{"gradient", knots}};
  }
  if (const auto* f = value.GetCustomDataType<FontData>()) {
    const BaseContainer& font = f->GetFont();
    return {{"font", {{"family", font.GetString(FONT_FAMILY).GetStdString()},
                      {"style", font.GetString(FONT_STYLE).GetStdString()}}}};
  }
  return nullptr;
}

json DumpDocument(BaseDocument* doc) {
  const BaseTime t = doc->GetTime();
  json d = {{"document", {{"time", t.Get()}, {"fps", doc->GetFps()}}}};
  json objects = json::array();
  for (BaseObject* op = doc->GetFirstObject(); op; op = op->GetNext()) objects.push_back(Object(op));
  d["objects"] = objects;
  const zvhost::BuildStats stats = zvhost::GetBuildStats(*doc);
  d["stats"] = {{"evaluations", stats.evaluations}, {"builds", stats.builds}};
  return d;
}

}  // namespace zvapp
