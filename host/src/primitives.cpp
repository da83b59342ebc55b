// Host primitives generated as polygon objects, and the modelling commands.
#include "primitives.h"

#include <algorithm>
#include <utility>

#include "c4d_general.h"
#include "mesh_ops.h"
#include "no_throw.h"

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

// What a primitive's mesh is made from, read from its settings.
struct PrimitiveShape {
  Int32 type = 0;
  Vector size;
  Float radius = 0.0;
  int segX = 0, segY = 0, segZ = 0;
  bool operator==(const PrimitiveShape&) const = default;
};

// False for a type this host cannot generate.
bool ReadShape(Int32 type, const BaseContainer& given, PrimitiveShape* shape) {
  BaseContainer bc;
  zvhost::WritePrimitiveDefaults(type, &bc);
  for (Int32 i = 0; i < given.GetEntryCount(); ++i)
    bc.SetData(given.GetIndexId(i), *given.GetIndexData(i));
  shape->type = type;
  switch (type) {
    case Ocube:
      shape->size = bc.GetVector(PRIM_CUBE_LEN);
      shape->segX = Segments(bc.GetInt32(PRIM_CUBE_SUBX));
      shape->segY = Segments(bc.GetInt32(PRIM_CUBE_SUBY));
      shape->segZ = Segments(bc.GetInt32(PRIM_CUBE_SUBZ));
      return true;
    case Osphere:
      shape->radius = bc.GetFloat(PRIM_SPHERE_RAD);
      shape->segX = Segments(bc.GetInt32(PRIM_SPHERE_SUB));
      return true;
    case Opyramid:
      shape->size = bc.GetVector(PRIM_PYRAMID_LEN);
      return true;
    case Oplatonic:
      shape->radius = bc.GetFloat(PRIM_PLATONIC_RAD);
      return bc.GetInt32(PRIM_PLATONIC_TYPE) == PRIM_PLATONIC_TYPE_ICOSA;
    default:
      return false;
  }
}

zvhost::MeshData MakeMesh(const PrimitiveShape& shape) {
  switch (shape.type) {
    case Ocube:
      return zvhost::MakeCube(ToVec3(shape.size), shape.segX, shape.segY, shape.segZ);
    case Osphere:
      return zvhost::MakeSphere(shape.radius, shape.segX);
    case Opyramid:
      return zvhost::MakePyramid(ToVec3(shape.size), 1, 1, 1);
    default:
      return zvhost::MakeIcosahedron(shape.radius);
  }
}

// A generator asks for the same primitive once per element it marks (thousands in a row), so the
// last mesh made on each thread is kept with its settings and copied while they stay the same.
// Large meshes are not kept, so that one big primitive does not stay in memory.
PolygonObject* ShapeObject(const PrimitiveShape& shape) {
  constexpr size_t kKeepPoints = 1 << 16;
  thread_local PrimitiveShape lastShape;
  thread_local zvhost::MeshData lastMesh;
  thread_local bool valid = false;
  if (!valid || !(shape == lastShape)) {
    zvhost::MeshData mesh = MakeMesh(shape);
    if (mesh.points.size() > kKeepPoints) return ToPolygonObject(mesh);
    lastMesh = std::move(mesh);
    lastShape = shape;
    valid = true;
  }
  return ToPolygonObject(lastMesh);
}

}  // namespace

BaseObject* GeneratePrimitive(const BaseDocument*, Int32 type, const BaseContainer& bc, Float, Bool,
                              BaseThread*) {
  return zvhost::FailingWith<BaseObject*>(nullptr, [&]() -> BaseObject* {
    PrimitiveShape shape;
    if (!ReadShape(type, bc, &shape)) return nullptr;
    PolygonObject* op = ShapeObject(shape);
    // A generated sphere is shaded smoothly.
    if (op && type == Osphere) op->MakeTag(Tphong);
    return op;
  });
}

namespace {

// The polygons are rewritten only once the whole command has succeeded: a failure leaves the
// object as it was.
bool AlignPolygonNormals(PolygonObject* op) {
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

}  // namespace

Bool SendModelingCommand(Int32 command, ModelingCommandData& data) {
  if (command != MCOMMAND_ALIGNNORMALS || !data.op || !data.op->IsInstanceOf(Opolygon))
    return false;
  auto* op = static_cast<PolygonObject*>(data.op);
  return zvhost::FailingWith(false, [op] { return AlignPolygonNormals(op); });
}

namespace zvhost {

void WritePrimitiveDefaults(Int32 type, BaseContainer* bc) {
  switch (type) {
    case Ocube:
      bc->SetVector(PRIM_CUBE_LEN, Vector(200));
      bc->SetInt32(PRIM_CUBE_SUBX, 1);
      bc->SetInt32(PRIM_CUBE_SUBY, 1);
      bc->SetInt32(PRIM_CUBE_SUBZ, 1);
      break;
    case Osphere:
      bc->SetFloat(PRIM_SPHERE_RAD, 100.0);
      bc->SetInt32(PRIM_SPHERE_SUB, 24);
      break;
    case Oplatonic:
      bc->SetFloat(PRIM_PLATONIC_RAD, 100.0);
      bc->SetInt32(PRIM_PLATONIC_TYPE, PRIM_PLATONIC_TYPE_ICOSA);
      break;
    case Opyramid:
      bc->SetVector(PRIM_PYRAMID_LEN, Vector(200));
      break;
    default:
      break;
  }
}

}  // namespace zvhost
