#include "json_dump.h"

#include <cmath>

#include "host_app.h"
#include "plot_scene.h"
#include "zvplot.h"

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
    if (tag->GetType() == Tuvw || tag->GetType() == Tvertexcolor)
      t["count"] = static_cast<VariableTag*>(tag)->GetDataCount();
    tags.push_back(t);
  }
  return tags;
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
  json g = {{"type", TypeName(op->GetType())}, {"typeId", op->GetType()},
            {"name", op->GetName().GetStdString()}, {"position", Vec(op->GetRelPos())}};
  if (op->IsInstanceOf(Opolygon)) {
    auto* poly = static_cast<PolygonObject*>(op);
    g["points"] = poly->GetPointCount();
    g["polygons"] = poly->GetPolygonCount();
    g["bounds"] = Bounds(poly->GetPointR(), poly->GetPointCount());
  } else if (op->IsInstanceOf(Ospline)) {
    auto* spline = static_cast<SplineObject*>(op);
    g["points"] = spline->GetPointCount();
    g["segments"] = spline->GetSegmentCount();
    g["splineType"] = spline->GetSplineType() == SPLINETYPE::CUBIC ? "cubic" : "linear";
    g["closed"] = spline->IsClosed();
    g["bounds"] = Bounds(spline->GetPointR(), spline->GetPointCount());
  }
  ObjectColorProperties color;
  op->GetColorProperties(&color);
  if (color.usecolor != 0) g["displayColor"] = Vec(color.color);
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
    params[p.symbol] = d ? ValueToJson(*d, p.type) : json(nullptr);
  }
  if (op->GetType() == Osplinetext || op->GetType() == Oextrude) {
    params["text"] = bc.GetString(PRIM_TEXT_TEXT).GetStdString();
  }
  return params;
}

json Samples(BaseObject* plot) {
  auto* data = plot->GetNodeData<ZVPlot>();
  json s = {{"count", data->samples.GetCount()}, {"nonFinite", CountNonFiniteSamples(plot)},
            {"resolution", data->GetResolution()}, {"valueMin", Num(data->GetValueMin())},
            {"valueMax", Num(data->GetValueMax())}, {"timeDependent", data->IsTimeDependent()}};
  if (data->samples.GetCount() > 0) {
    const PlotSample& first = data->samples[0];
    const PlotSample& last = data->samples[data->samples.GetCount() - 1];
    s["first"] = {{"position", Vec(first.position)}, {"color", Vec(first.color)}};
    s["last"] = {{"position", Vec(last.position)}, {"color", Vec(last.color)}};
  }
  return s;
}

json Object(BaseObject* op) {
  json o = {{"name", op->GetName().GetStdString()}, {"type", TypeName(op->GetType())},
            {"typeId", op->GetType()}, {"enabled", op->GetDeformMode()},
            {"editorMode", op->GetEditorMode()}, {"renderMode", op->GetRenderMode()},
            {"position", Vec(op->GetRelPos())}, {"rotation", Vec(op->GetRelRot())}};
  if (op->GetNodeData() || op->GetType() == Osplinetext || op->GetType() == Oextrude) {
    o["parameters"] = Parameters(op);
  }
  if (op->GetType() == Osplinetext) {
    const BaseContainer& bc = op->GetDataInstanceRef();
    o["text"] = {{"text", bc.GetString(PRIM_TEXT_TEXT).GetStdString()},
                 {"alignment", bc.GetInt32(PRIM_TEXT_ALIGN)},
                 {"height", Num(bc.GetFloat(PRIM_TEXT_HEIGHT))}};
  }
  if (op->GetType() == kPlotType && op->GetNodeData()) o["samples"] = Samples(op);
  o["stats"] = {{"cacheBuilds", op->GetCacheBuildCount()}};
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

long long CountNonFiniteSamples(BaseObject* plot) {
  auto* data = plot ? plot->GetNodeData<ZVPlot>() : nullptr;
  if (!data) return 0;
  long long n = 0;
  for (Int64 i = 0; i < data->samples.GetCount(); ++i) {
    const Vector& p = data->samples[i].position;
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) ++n;
  }
  return n;
}

json DumpDocument(BaseDocument* doc) {
  const BaseTime t = doc->GetTime();
  json d = {{"document", {{"time", t.Get()}, {"fps", doc->GetFps()}}}};
  json objects = json::array();
  for (BaseObject* op = doc->GetFirstObject(); op; op = op->GetNext()) objects.push_back(Object(op));
  d["objects"] = objects;
  d["stats"] = {{"evaluations", doc->GetBuildStats().evaluations},
                {"builds", doc->GetBuildStats().builds}};
  return d;
}

}  // namespace zvapp
