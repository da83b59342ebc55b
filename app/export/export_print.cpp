#include "export_print.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "c4d.h"
#include "export_print_model.h"
#include "host_app.h"
#include "plot_kinds.h"

namespace zvapp {
namespace {

bool EndsWith(const std::string& path, const char* ending) {
  const size_t n = std::strlen(ending);
  if (path.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(path[path.size() - n + i])) != ending[i])
      return false;
  return true;
}

// ---- What is printed ---------------------------------------------------------------------------

bool IsKind(const BaseObject* op, const char* name) {
  const Kind* kind = FindKindOfType(op->GetType());
  return kind && std::strcmp(kind->name, name) == 0;
}

Int32 Identifier(Int32 type, const char* symbol) {
  return zvhost::FindDescriptionIdentifier(type, symbol).value_or(-1);
}

// An open surface: the mesh in surface mode with its solid switched off.
bool IsOpenSurface(const BaseObject* mesh) {
  const Int32 type = mesh->GetType();
  const BaseContainer& bc = mesh->GetDataInstanceRef();
  return bc.GetInt32(Identifier(type, "O3DPLOTMESH_MODE")) ==
             Identifier(type, "O3DPLOTMESH_MODE_SURFACE") &&
         bc.GetInt32(Identifier(type, "O3DPLOTMESH_SOLID")) ==
             Identifier(type, "O3DPLOTMESH_SOLID_OFF");
}

class Collector {
 public:
  Collector(const PrintOptions& options, PrintModel* model) : options_(options), model_(model) {}

  // Every polygon object the scene shows, the labels' only when asked for.
  void Scene(BaseObject* op, const Matrix& parent, const PrintColour* inherited) {
    for (; op; op = op->GetNext()) {
      if (op->GetEditorMode() == MODE_OFF) continue;
      if (!options_.all && IsKind(op, "labels")) continue;
      const Matrix mg = parent * op->GetMl();
      const PrintColour own = OwnColour(*op, inherited);
      const bool enabled = op->GetDeformMode();
      if (enabled && IsKind(op, "mesh") && IsOpenSurface(op)) model_->open = true;
      if (enabled && op->GetCache())
        Cache(op->GetCache(), mg, &own);
      else if (enabled)
        Geometry(*op, mg, &own);
      // An extrude shows its text child through its cache.
      if (!(enabled && op->GetType() == Oextrude)) Scene(op->GetDown(), mg, &own);
    }
  }

 private:
  static PrintColour OwnColour(const BaseObject& op, const PrintColour* inherited) {
    ObjectColorProperties cp;
    op.GetColorProperties(&cp);
    if (cp.usecolor != ID_BASEOBJECT_USECOLOR_OFF) return PrintColour{true, cp.color};
    return inherited ? *inherited : PrintColour{};
  }

  void Cache(BaseObject* op, const Matrix& parent, const PrintColour* inherited) {
    for (; op; op = op->GetNext()) {
      if (op->GetEditorMode() == MODE_OFF || !op->GetDeformMode()) continue;
      const Matrix mg = parent * op->GetMl();
      const PrintColour own = OwnColour(*op, inherited);
      Geometry(*op, mg, &own);
      if (op->GetCache()) Cache(op->GetCache(), mg, &own);
      Cache(op->GetDown(), mg, &own);
    }
  }

  void Geometry(const BaseObject& op, const Matrix& mg, const PrintColour* colour) {
    if (op.IsInstanceOf(Ospline)) {
      if (options_.all) ++model_->lines;  // told only where the user asked for everything
    } else if (const auto* poly = dynamic_cast<const PolygonObject*>(&op)) {
      if (poly->GetPolygonCount() > 0) model_->parts.push_back(MakePart(*poly, mg, colour));
    }
  }

  static PrintPart MakePart(const PolygonObject& poly, const Matrix& mg,
                            const PrintColour* colour) {
    PrintPart part;
    part.poly = &poly;
    part.mg = mg;
    part.name = poly.GetName().GetStdString();
    if (const auto* tag = static_cast<const VertexColorTag*>(poly.GetTag(Tvertexcolor))) {
      const auto* data = static_cast<const Float32*>(tag->GetDataAddressR());
      if (tag->IsPerPointColor() && tag->GetDataCount() == poly.GetPointCount())
        part.pointColours = data;
      else if (!tag->IsPerPointColor() && tag->GetDataCount() == poly.GetPolygonCount())
        part.cornerColours = data;
    }
    if (colour) part.colour = *colour;
    return part;
  }

  const PrintOptions& options_;
  PrintModel* model_;
};

// Host points into the printer's frame: x stays, the host's depth z becomes y, its height y
// becomes z (up). Swapping two axes mirrors, so the faces are wound the other way round.
Vector ToPrintFrame(const Vector& p) { return Vector(p.x, p.z, p.y); }

bool Finite(const Vector& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

}  // namespace

bool IsPrintFile(const std::string& path) {
  return EndsWith(path, ".stl") || EndsWith(path, ".3mf") || EndsWith(path, ".obj");
}

void PrintPart::ForEachTriangle(const std::function<void(const PrintTriangle&)>& take) const {
  const Vector* p = poly->GetPointR();
  const CPolygon* q = poly->GetPolygonR();
  const Int32 points = poly->GetPointCount();
  for (Int32 f = 0; f < poly->GetPolygonCount(); ++f) {
    const Int32 c[4] = {q[f].a, q[f].b, q[f].c, q[f].d};
    bool usable = true;
    for (const Int32 v : c) usable = usable && v >= 0 && v < points && Finite(p[v]);
    if (!usable) {
      take(PrintTriangle{f, {-1, -1, -1}, {0, 0, 0}});  // counted as a hole
      continue;
    }
    const int corners = q[f].IsTriangle() ? 3 : 4;
    for (int t = 0; t + 2 < corners; ++t) {
      const int k1 = t + 1, k2 = t + 2;
      if (c[0] == c[k1] || c[k1] == c[k2] || c[0] == c[k2]) continue;
      // The host's (a, b, c) wound the other way round for the mirrored frame.
      take(PrintTriangle{f, {c[0], c[k2], c[k1]}, {0, k2, k1}});
    }
  }
}

Vector PrintPart::CornerColour(Int32 polygon, int corner, Int32 point) const {
  const Float32* rgba = nullptr;
  if (cornerColours)
    rgba = cornerColours + 16 * static_cast<size_t>(polygon) + 4 * corner;
  else if (pointColours)
    rgba = pointColours + 4 * static_cast<size_t>(point);
  if (rgba) return Vector(rgba[0], rgba[1], rgba[2]);
  return colour.set ? colour.value : Vector(1.0);
}

bool PrintModel::Place(const PrintOptions& options, std::string* error) {
  Vector lo(std::numeric_limits<Float>::infinity()), hi(-std::numeric_limits<Float>::infinity());
  for (const PrintPart& part : parts) {
    const Vector* p = part.poly->GetPointR();
    part.ForEachTriangle([&](const PrintTriangle& t) {
      if (t.points[0] < 0) {
        ++holes;
        return;
      }
      ++triangles;
      for (const Int32 v : t.points) {
        const Vector w = ToPrintFrame(part.mg * p[v]);
        lo = Vector(std::min(lo.x, w.x), std::min(lo.y, w.y), std::min(lo.z, w.z));
        hi = Vector(std::max(hi.x, w.x), std::max(hi.y, w.y), std::max(hi.z, w.z));
      }
    });
  }
  if (triangles == 0) {
    if (error) *error = "there is nothing to print: the scene has no surface, solid or markers";
    return false;
  }
  const Vector extent = hi - lo;
  const Float longest = std::max({extent.x, extent.y, extent.z});
  scale = 1.0;
  if (options.size > 0.0) {
    if (!(longest > 0.0)) {
      if (error)
        *error = "the model has no extent to scale to " + std::to_string(options.size) + " mm";
      return false;
    }
    scale = options.size / longest;
  }
  // On the bed: centred over the origin, standing on z = 0.
  origin = Vector((lo.x + hi.x) * 0.5, (lo.y + hi.y) * 0.5, lo.z);
  size = extent * scale;
  if (!Finite(size) || std::max({size.x, size.y, size.z}) > 3.0e38) {
    if (error) *error = "the model is too large to write as 32-bit numbers";
    return false;
  }
  return true;
}

Vector PrintModel::Position(const PrintPart& part, Int32 point) const {
  return (ToPrintFrame(part.mg * part.poly->GetPointR()[point]) - origin) * scale;
}

bool CollectPrintModel(BaseDocument* doc, const PrintOptions& options, PrintModel* model,
                       std::string* error) {
  *model = PrintModel{};
  Collector(options, model).Scene(doc->GetFirstObject(), Matrix(), nullptr);
  return model->Place(options, error);
}

bool StagePrintFile(StagedOutputs& staged, BaseDocument* doc, const std::string& path,
                    const PrintOptions& options, PrintReport* report, std::string* error) {
  if (!(options.size >= 0.0) || !std::isfinite(options.size)) {
    if (error) *error = "the print size must be a positive number of millimetres";
    return false;
  }
  PrintModel model;
  if (!CollectPrintModel(doc, options, &model, error)) return false;
  if (report) {
    report->parts = static_cast<long long>(model.parts.size());
    report->triangles = model.triangles;
    report->size[0] = model.size.x;
    report->size[1] = model.size.y;
    report->size[2] = model.size.z;
    report->open = model.open;
    report->lines = model.lines;
    report->holes = model.holes;
  }
  if (EndsWith(path, ".stl")) return StageStl(staged, path, model, error);
  if (EndsWith(path, ".obj")) return StageObj(staged, path, model, error);
  if (EndsWith(path, ".3mf")) return Stage3mf(staged, path, model, error);
  if (error) *error = "'" + path + "': a print file's name ends in .stl, .3mf or .obj";
  return false;
}

std::vector<std::string> PrintNotes(const std::string& path, const PrintReport& report,
                                    const PrintOptions& options) {
  std::vector<std::string> notes;
  char size[128];
  std::snprintf(size, sizeof size, "%.1f x %.1f x %.1f mm", report.size[0], report.size[1],
                report.size[2]);
  notes.push_back(path + ": " + size +
                  (options.size > 0.0 ? std::string(" (the longest side scaled to the print size)")
                                      : std::string(" (a scene unit is a millimetre)")));
  if (report.open)
    notes.push_back(path +
                    ": the surface is not closed, so a slicer cannot print it; "
                    "--set mesh.solid=base (or shell) makes it a solid");
  if (report.lines > 0)
    notes.push_back(path + ": " + std::to_string(report.lines) +
                    " line objects (the cage, the grid) have no volume and are left out");
  return notes;
}

}  // namespace zvapp
