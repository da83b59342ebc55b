// Bounding boxes of objects (BaseObject::GetRad and GetMp), in the object's own coordinates.
//
// A text object is measured from its laid-out text, so its size is true the moment its parameters
// are set, before any scene evaluation (the labels place vertical values by it). A point object is
// measured from its points; any other object from its cache, including the objects below the cache
// root in their places. A plug-in object without geometry answers through its GetDimension.
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

void AddText(const BaseObject* op, const Matrix& m, Box& box) {
  zvhost::TextOutline outline;
  if (!zvhost::LayoutTextObject(op, &outline) || outline.contours.empty()) return;
  for (const Float x : {outline.minX, outline.maxX})
    for (const Float y : {outline.minY, outline.maxY}) box.Add(m * Vector(x, y, 0.0));
}

void AddGeometry(const BaseObject* op, const Matrix& m, Box& box) {
  if (op->GetType() == Osplinetext) {
    AddText(op, m, box);
  } else if (op->IsInstanceOf(Opoint)) {
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
  if (box.empty && op->GetNodeData()) {
    Vector mp, rad;
    static_cast<ObjectData*>(op->GetNodeData())
        ->GetDimension(const_cast<BaseObject*>(op), &mp, &rad);
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
