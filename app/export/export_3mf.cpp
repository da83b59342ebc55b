// 3MF through lib3mf: one mesh object holding every part (a slicer places the parts together, as
// the STL has them) with its colours (one per triangle corner), its build item, the unit
// millimetre. The package is made whole in memory, then staged.
#include <cmath>
#include <memory>
#include <vector>

#include "Model/COM/NMR_DLLInterfaces.h"
#include "export_print_model.h"

namespace zvapp {
namespace {

using namespace NMR;

// Releases what lib3mf hands out.
struct Release {
  void operator()(PLib3MFBase* p) const {
    if (p) lib3mf_release(p);
  }
};
using Handle = std::unique_ptr<PLib3MFBase, Release>;

BYTE Channel(Float v) {
  if (!(v > 0.0)) return 0;
  if (v >= 1.0) return 255;
  return static_cast<BYTE>(std::lround(v * 255.0));
}

MODELMESHCOLOR_SRGB Srgb(const Vector& c) {
  return MODELMESHCOLOR_SRGB{Channel(c.x), Channel(c.y), Channel(c.z), 255};
}

class Package {
 public:
  explicit Package(std::string* error) : error_(error) {}

  bool Fail(PLib3MFBase* on, const char* what) {
    DWORD code = 0;
    LPCSTR message = nullptr;
    if (on) lib3mf_getlasterror(on, &code, &message);
    if (error_)
      *error_ = std::string("the 3MF package cannot be made: ") + what +
                (message ? std::string(" (") + message + ")" : std::string());
    return false;
  }

  bool Make(const PrintModel& model, std::vector<BYTE>* out) {
    PLib3MFModel* created = nullptr;
    if (lib3mf_createmodel(&created) != LIB3MF_OK) return Fail(nullptr, "no model");
    model_.reset(created);
    if (lib3mf_model_setunit(created, MODELUNIT_MILLIMETER) != LIB3MF_OK)
      return Fail(created, "the unit");
    for (const PrintPart& part : model.parts) AddPart(model, part);
    if (!AddMesh(model)) return false;
    PLib3MFModelWriter* writer = nullptr;
    if (lib3mf_model_querywriter(created, "3mf", &writer) != LIB3MF_OK)
      return Fail(created, "no writer");
    Handle owned(writer);
    ULONG64 size = 0;
    if (lib3mf_writer_getstreamsize(writer, &size) != LIB3MF_OK) return Fail(writer, "its size");
    out->resize(static_cast<size_t>(size));
    if (lib3mf_writer_writetobuffer(writer, out->data(), size) != LIB3MF_OK)
      return Fail(writer, "writing it");
    return true;
  }

 private:
  void AddPart(const PrintModel& model, const PrintPart& part) {
    const Int32 points = part.poly->GetPointCount();
    std::vector<Int32> number(static_cast<size_t>(points), -1);
    part.ForEachTriangle([&](const PrintTriangle& t) {
      if (t.points[0] < 0) return;
      MODELMESHTRIANGLE tri;
      MODELMESH_TRIANGLECOLOR_SRGB colour;
      for (int k = 0; k < 3; ++k) {
        Int32& n = number[static_cast<size_t>(t.points[k])];
        if (n < 0) {
          n = static_cast<Int32>(vertices_.size());
          const Vector p = model.Position(part, t.points[k]);
          vertices_.push_back(MODELMESHVERTEX{
              {static_cast<FLOAT>(p.x), static_cast<FLOAT>(p.y), static_cast<FLOAT>(p.z)}});
        }
        tri.m_nIndices[k] = static_cast<DWORD>(n);
        colour.m_Colors[k] = Srgb(part.CornerColour(t.polygon, t.corners[k], t.points[k]));
      }
      triangles_.push_back(tri);
      colours_.push_back(colour);
      coloured_ = coloured_ || part.HasColours();
    });
  }

  bool AddMesh(const PrintModel& model) {
    if (triangles_.empty()) return true;
    PLib3MFModelMeshObject* mesh = nullptr;
    if (lib3mf_model_addmeshobject(model_.get(), &mesh) != LIB3MF_OK)
      return Fail(model_.get(), "a mesh");
    Handle ownedMesh(mesh);
    const std::string name = model.parts.size() == 1 && !model.parts[0].name.empty()
                                 ? model.parts[0].name
                                 : std::string("Plot");
    lib3mf_object_setnameutf8(mesh, name.c_str());
    if (lib3mf_meshobject_setgeometry(mesh, vertices_.data(), static_cast<DWORD>(vertices_.size()),
                                      triangles_.data(),
                                      static_cast<DWORD>(triangles_.size())) != LIB3MF_OK)
      return Fail(mesh, "the mesh's geometry");
    if (coloured_) {
      // A mesh of colours per triangle needs a default colour too: its first corner's.
      PLib3MFDefaultPropertyHandler* fallback = nullptr;
      if (lib3mf_object_createdefaultpropertyhandler(mesh, &fallback) != LIB3MF_OK)
        return Fail(mesh, "the mesh's default colour");
      Handle ownedFallback(fallback);
      const MODELMESHCOLOR_SRGB base = colours_.front().m_Colors[0];
      lib3mf_defaultpropertyhandler_setcolorrgb(fallback, base.m_Red, base.m_Green, base.m_Blue);
      PLib3MFPropertyHandler* handler = nullptr;
      if (lib3mf_meshobject_createpropertyhandler(mesh, &handler) != LIB3MF_OK)
        return Fail(mesh, "the mesh's colours");
      Handle ownedHandler(handler);
      if (lib3mf_propertyhandler_setgradientcolorarray(handler, colours_.data()) != LIB3MF_OK)
        return Fail(handler, "the mesh's colours");
    }
    PLib3MFModelBuildItem* item = nullptr;
    if (lib3mf_model_addbuilditem(model_.get(), mesh, nullptr, &item) != LIB3MF_OK)
      return Fail(model_.get(), "a build item");
    lib3mf_release(item);
    return true;
  }

  std::vector<MODELMESHVERTEX> vertices_;
  std::vector<MODELMESHTRIANGLE> triangles_;
  std::vector<MODELMESH_TRIANGLECOLOR_SRGB> colours_;
  bool coloured_ = false;
  std::string* error_;
  Handle model_;
};

}  // namespace

bool Stage3mf(StagedOutputs& staged, const std::string& path, const PrintModel& model,
              std::string* error) {
  std::vector<BYTE> data;
  Package package(error);
  if (!package.Make(model, &data)) return false;
  return staged.Stage(
      path, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), error);
}

}  // namespace zvapp
