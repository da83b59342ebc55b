// Bounding boxes of objects (BaseObject::GetRad and GetMp), in the object's own coordinates.
//
// A point object is measured from its points; any other object from its cache as the last scene
// evaluation built it, including the objects below the cache root in their places, so a generator
// measures nothing before it is built (a text object too: its size is known once the host has laid
// it out). A plug-in object without geometry answers through its GetDimension.
#include "c4d_objectdata.h"
#include "host_generators.h"
#include "no_throw.h"

namespace {

struct Box {
  Vector lo{MAXVALUE_FLOAT}, hi{-MAXVALUE_FLOAT};
  bool empty = true;
  void Add(const Vector& p) {
    lo = Vector(std::fmin(lo.x, p.x), std::fmin(lo.y, p.y), std::fmin(lo.z, p.z));
    hi = Vector(std::fmax(hi.x, p.x), std::fmax(hi.y, p.y), std::fmax(hi.z, p.z));
    empty = false;
  }
};

void AddGeometry(const BaseObject* op, const Matrix& m, Box& box);

void AddTree(const BaseObject* op, const Matrix& m, Box& box) {
  AddGeometry(op, m, box);
  for (const BaseObject* child = op->GetDown(); child; child = child->GetNext())
    AddTree(child, m * child->GetMl(), box);
}

void AddGeometry(const BaseObject* op, const Matrix& m, Box& box) {
  if (op->IsInstanceOf(Opoint)) {
    const auto* points = static_cast<const PointObject*>(op);
    const Vector* p = points->GetPointR();
    for (Int32 i = 0; i < points->GetPointCount(); ++i) box.Add(m * p[i]);
  } else if (const BaseObject* cache = op->GetCache()) {
    AddTree(cache, m * cache->GetMl(), box);
  }
}

Box OwnBox(const BaseObject* op) {
  Box box;
  AddGeometry(op, Matrix(), box);
  if (box.empty && op->GetNodeData<NodeData>()) {
    Vector mp, rad;
    op->GetNodeData<ObjectData>()->GetDimension(op, &mp, &rad);
    box.Add(mp - rad);
    box.Add(mp + rad);
  }
  return box;
}

}  // namespace

// Measuring a text lays it out; without the memory for that the object measures as empty.
Vector BaseObject::GetRad() const {
  const Box box = zvhost::FailingWith(Box{}, [this] { return OwnBox(this); });
  return box.empty ? Vector() : (box.hi - box.lo) * 0.5;
}

Vector BaseObject::GetMp() const {
  const Box box = zvhost::FailingWith(Box{}, [this] { return OwnBox(this); });
  return box.empty ? Vector() : (box.hi + box.lo) * 0.5;
}
