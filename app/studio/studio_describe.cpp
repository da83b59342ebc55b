#include "studio_describe.h"

#include <cmath>
#include <map>

#include "font_text.h"
#include "gltf_frame.h"
#include "gradient_text.h"
#include "host_app.h"
#include "json_dump.h"
#include "plot_kinds.h"

namespace zvapp {
namespace {
using nlohmann::json;

json Number(double v) {
  if (std::isfinite(v)) return v;
  return std::isnan(v) ? "nan" : (v > 0 ? "inf" : "-inf");
}

// A value as the dump writes it; a gradient or a font also in the runner's text syntax.
void AddValue(json& out, const char* key, const char* textKey, const GeData* d,
              const std::string& type) {
  out[key] = d ? ValueToJson(*d, type) : json(nullptr);
  if (!d) return;
  if (const auto* g = d->GetCustomDataType<Gradient>()) out[textKey] = GradientText(*g);
  if (const auto* f = d->GetCustomDataType<FontData>()) out[textKey] = FontText(*f);
}

json Groups(Int32 type) {
  json groups = json::array();
  for (const zvhost::GroupInfo& g : zvhost::ListGroups(type))
    groups.push_back(
        {{"id", g.id}, {"identifier", g.symbol}, {"label", g.label}, {"parent", g.parent}});
  return groups;
}

// Whether the object's own description (as its plug-in adjusts it) hides the parameter now.
bool Hidden(Description& desc, Int32 id) {
  const BaseContainer* item = desc.GetParameterI(CreateDescID(DescLevel(id)), nullptr);
  return item && item->GetBool(DESC_HIDE);
}

json Parameter(const zvhost::ParameterInfo& p, BaseObject* op, const BaseObject* fresh,
               Description& desc) {
  json j = {{"identifier", p.symbol},
            {"name", ShortName(p.symbol)},
            {"id", p.id},
            {"label", p.label},
            {"type", p.type},
            {"group", p.group}};
  if (p.type != "BUTTON") {
    AddValue(j, "default", "defaultText",
             fresh ? fresh->GetDataInstanceRef().GetDataPointer(p.id) : nullptr, p.type);
    AddValue(j, "value", "text", op->GetDataInstanceRef().GetDataPointer(p.id), p.type);
  }
  if (p.hasMin) j["min"] = Number(p.min);
  if (p.hasMax) j["max"] = Number(p.max);
  if (p.hasStep) j["step"] = Number(p.step);
  json choices = json::array();
  for (const auto& [value, label] : p.cycle)
    choices.push_back({{"value", value}, {"label", label}});
  j["choices"] = std::move(choices);
  j["enabled"] = static_cast<bool>(zvhost::IsParameterEnabled(op, p.id));
  j["shown"] = !Hidden(desc, p.id);
  return j;
}

json Parameters(BaseObject* op) {
  json params = json::array();
  Description desc;
  if (!zvhost::GetObjectDescription(op, &desc)) return params;
  BaseObject* fresh = BaseObject::Alloc(op->GetType());
  for (const zvhost::ParameterInfo& p : zvhost::ListParameters(op->GetType()))
    params.push_back(Parameter(p, op, fresh, desc));
  BaseObject::Free(fresh);
  return params;
}

// The path of the nearest object above that the scene names, or null for the plot.
json ParentPath(BaseObject* op, const std::map<const BaseObject*, std::string>& paths) {
  for (BaseObject* up = op->GetUp(); up; up = up->GetUp()) {
    const auto it = paths.find(up);
    if (it != paths.end()) return it->second;
  }
  return nullptr;
}

json Fonts() {
  json fonts = json::array();
  for (const FontFamily& f : InstalledFontFamilies())
    fonts.push_back({{"family", f.family}, {"styles", f.styles}});
  return fonts;
}

json Gradients() {
  json gradients = json::array();
  for (const std::string& name : GradientNames()) {
    Gradient g;
    if (!ParseGradient(name, &g, nullptr)) continue;
    gradients.push_back(
        {{"name", name}, {"text", GradientText(g)}, {"value", ValueToJson(GeData(g), "GRADIENT")}});
  }
  return gradients;
}

json Vec(const Vector& v) { return json::array({Number(v.x), Number(v.y), Number(v.z)}); }

}  // namespace

json DescribeScene(const PlotScene& scene) {
  const auto objects = scene.Objects();
  std::map<const BaseObject*, std::string> paths;
  for (const auto& [path, op] : objects) paths[op] = path;
  json list = json::array();
  for (const auto& [path, op] : objects) {
    const Kind* kind = FindKindOfType(op->GetType());
    list.push_back({{"path", path},
                    {"kind", kind ? kind->name : "object"},
                    {"type", op->GetType()},
                    {"name", op->GetName().GetStdString()},
                    {"enabled", static_cast<bool>(op->GetDeformMode())},
                    {"parent", ParentPath(op, paths)},
                    {"groups", Groups(op->GetType())},
                    {"parameters", Parameters(op)}});
  }
  return {{"objects", std::move(list)}, {"fonts", Fonts()}, {"gradients", Gradients()}};
}

json SceneHandles(const PlotScene& scene) {
  json handles = json::array();
  for (const auto& [path, op] : scene.Objects()) {
    const Matrix mg = op->GetMg();
    const std::vector<HandleInfo> infos = zvhost::GetObjectHandles(op);
    for (size_t i = 0; i < infos.size(); ++i) {
      const HandleInfo& h = infos[i];
      handles.push_back(
          {{"path", path},
           {"index", i},
           {"local", {{"position", Vec(h.position)}, {"direction", Vec(h.direction)}}},
           {"world",
            {{"position", Vec(gltf::Mirror(mg * h.position))},
             {"direction", Vec(gltf::Mirror(mg.TransformVector(h.direction)))}}}});
    }
  }
  return {{"handles", std::move(handles)}};
}

}  // namespace zvapp
