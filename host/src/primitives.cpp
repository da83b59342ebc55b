// Host primitives generated as polygon objects, and the modelling commands.
#include <algorithm>

#include "c4d_general.h"
#include "mesh_ops.h"

namespace {

zvhost::Vec3 ToVec3(const Vector& v) { return {v.x, v.y, v.z}; }

// A polygon object holding the mesh, or nothing when memory runs out.
PolygonObject* ToPolygonObject(const zvhost::MeshData& mesh) {
  PolygonObject* op = PolygonObject::Alloc(static_cast<Int32>(mesh.points.size()),
                                           static_cast<Int32>(mesh.polygons.size()));
  if (!op) return nullptr;
  Vector* points = op->GetPointW();
  for (size_t i = 0; i < mesh.points.size(); ++i)
    points[i] = Vector(mesh.points[i].x, mesh.points[i].y, mesh.points[i].z);
  CPolygon* polys = op->GetPolygonW();
  for (size_t i = 0; i < mesh.polygons.size(); ++i) {
    const zvhost::Quad& q = mesh.polygons[i];
    polys[i] = CPolygon(q.a, q.b, q.c, q.d);
  }
  return op;
}

// Keeps segment counts in a range that cannot exhaust memory.
int Segments(Int32 v) { return std::clamp(v, 1, 1000); }

}  // namespace

BaseObject* GeneratePrimitive(BaseDocument*, Int32 type, const BaseContainer& bc, Float, Bool,
                              BaseThread*) {
  zvhost::MeshData mesh;
  switch (type) {
    case Ocube:
      mesh = zvhost::MakeCube(ToVec3(bc.GetVector(PRIM_CUBE_LEN, Vector(200))),
                              Segments(bc.GetInt32(PRIM_CUBE_SUBX, 1)),
                              Segments(bc.GetInt32(PRIM_CUBE_SUBY, 1)),
                              Segments(bc.GetInt32(PRIM_CUBE_SUBZ, 1)));
      break;
    case Osphere:
      mesh = zvhost::MakeSphere(bc.GetFloat(PRIM_SPHERE_RAD, 100.0),
                                Segments(bc.GetInt32(PRIM_SPHERE_SUB, 24)));
      break;
    case Opyramid:
      mesh = zvhost::MakePyramid(ToVec3(bc.GetVector(PRIM_PYRAMID_LEN, Vector(200))), 1, 1, 1);
      break;
    case Oplatonic:
      if (bc.GetInt32(PRIM_PLATONIC_TYPE, PRIM_PLATONIC_TYPE_ICOSA) != PRIM_PLATONIC_TYPE_ICOSA)
        return nullptr;
      mesh = zvhost::MakeIcosahedron(bc.GetFloat(PRIM_PLATONIC_RAD, 100.0));
      break;
    default: return nullptr;
  }
  PolygonObject* op = ToPolygonObject(mesh);
  // A generated sphere is shaded smoothly.
  if (op && type == Osphere) op->MakeTag(Tphong);
  return op;
}

Bool SendModelingCommand(Int32 command, ModelingCommandData& data) {
  if (command != MCOMMAND_ALIGNNORMALS || !data.op || !data.op->IsInstanceOf(Opolygon))
    return false;
  auto* op = static_cast<PolygonObject*>(data.op);
  zvhost::MeshData mesh;
  mesh.points.reserve(static_cast<size_t>(op->GetPointCount()));
  for (Int32 i = 0; i < op->GetPointCount(); ++i) mesh.points.push_back(ToVec3(op->GetPointR()[i]));
  mesh.polygons.reserve(static_cast<size_t>(op->GetPolygonCount()));
  for (Int32 i = 0; i < op->GetPolygonCount(); ++i) {
    const CPolygon& p = op->GetPolygonR()[i];
    mesh.polygons.push_back({p.a, p.b, p.c, p.d});
  }
  zvhost::AlignNormals(mesh);
  CPolygon* polys = op->GetPolygonW();
  for (size_t i = 0; i < mesh.polygons.size(); ++i) {
    const zvhost::Quad& q = mesh.polygons[i];
    polys[i] = CPolygon(q.a, q.b, q.c, q.d);
  }
  op->SetDirty(DIRTYFLAGS::DATA);
  return true;
}
