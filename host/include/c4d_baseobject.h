// Objects: the base object, point, polygon and spline objects, what a generator is handed, and the
// host's primitives.
#pragma once

#include <vector>

#include "c4d_basetag.h"
#include "description/obase.h"
#include "description/ospline.h"

class BaseDraw;
class BaseThread;

// Editor and render visibility.
constexpr Int32 MODE_ON = 0;
constexpr Int32 MODE_OFF = 1;
constexpr Int32 MODE_UNDEF = 2;

struct ObjectColorProperties {
  Vector color;
  Int32 usecolor = 0;
  Bool xray = false;
};

// What a generator is handed when the host asks for its geometry.
class HierarchyHelp {
 public:
  Float GetLOD() const { return lod_; }
  BaseThread* GetThread() const { return thread_; }

 private:
  friend struct zvhost::HostAccess;
  HierarchyHelp(Float lod, BaseThread* thread) : lod_(lod), thread_(thread) {}
  Float lod_;
  BaseThread* thread_;
};

class BaseObject : public BaseList2D {
 public:
  // A new object of a host type or of a registered plug-in type; nothing when the type is unknown
  // or memory runs out. A plug-in object is initialised through its plug-in's Init.
  static BaseObject* Alloc(Int32 type);
  // Takes the object out of its tree, frees it with its subtree and sets the pointer to null.
  static void Free(BaseObject*& bl);

  // A top-level object has no parent object: the document's holder of the top objects is no object.
  BaseObject* GetUp();
  const BaseObject* GetUp() const;
  BaseObject* GetDown() { return static_cast<BaseObject*>(GeListNode::GetDown()); }
  const BaseObject* GetDown() const {
    return static_cast<const BaseObject*>(GeListNode::GetDown());
  }
  BaseObject* GetNext() { return static_cast<BaseObject*>(GeListNode::GetNext()); }
  const BaseObject* GetNext() const {
    return static_cast<const BaseObject*>(GeListNode::GetNext());
  }

  // Position, rotation (heading, pitch, bank in radians) and the local and world matrices.
  Vector GetRelPos() const { return pos_; }
  void SetRelPos(const Vector& v) { pos_ = v; }
  Vector GetRelRot() const { return rot_; }
  void SetRelRot(const Vector& v) { rot_ = v; }
  Matrix GetMl() const;
  Matrix GetMg() const;

  // Modes: editor and render visibility (MODE_ON, MODE_OFF, MODE_UNDEF) and the enabled switch.
  Int32 GetEditorMode() const { return editorMode_; }
  void SetEditorMode(Int32 mode) { editorMode_ = mode; }
  Int32 GetRenderMode() const { return renderMode_; }
  void SetRenderMode(Int32 mode) { renderMode_ = mode; }
  Bool GetDeformMode() const { return enabled_; }
  void SetDeformMode(Bool mode) { enabled_ = mode; }

  void GetColorProperties(ObjectColorProperties* prop) const { *prop = color_; }
  void SetColorProperties(ObjectColorProperties* prop) { color_ = *prop; }

  // Tags, in order. MakeTag creates a tag of the type and inserts it after `pred` (first if none).
  BaseTag* GetTag(Int32 type, Int32 nr = 0);
  const BaseTag* GetTag(Int32 type, Int32 nr = 0) const;
  BaseTag* MakeTag(Int32 type, BaseTag* pred = nullptr);
  void InsertTag(BaseTag* tp, BaseTag* pred = nullptr);
  void KillTag(Int32 type, Int32 nr = 0);

  // The generated geometry of the last build (owned by this object), or nothing.
  BaseObject* GetCache() { return cache_; }
  const BaseObject* GetCache() const { return cache_; }
  // Whether the data dirty count changed since the cache was built.
  Bool IsDirty(DIRTYFLAGS flags) const;

  // The bounding half-size and centre of the object's geometry: a point object's points, a
  // generator's cache as the host last built it (nothing before that).
  Vector GetRad() const;
  Vector GetMp() const;

  // The handle of this object that is under the cursor in the view, or -1.
  Int32 GetHighlightHandle(BaseDraw* bd);

  // The stand-in host's own: the object's tags in order.
  const std::vector<BaseTag*>& GetTags() const { return tags_; }

  ~BaseObject() override;

 protected:
  explicit BaseObject(Int32 type) : BaseList2D(type) {}
  C4DAtom* CloneAtom(COPYFLAGS flags, AliasTrans* trn) const override;
  virtual BaseObject* CloneSelf() const;
  void CopyObjectTo(BaseObject* dest) const;
  friend class BaseTag;
  friend struct zvhost::HostAccess;

 private:
  Vector pos_, rot_;
  Int32 editorMode_ = MODE_UNDEF;
  Int32 renderMode_ = MODE_UNDEF;
  Bool enabled_ = true;
  ObjectColorProperties color_;
  std::vector<BaseTag*> tags_;   // owned
  BaseObject* cache_ = nullptr;  // owned
  UInt32 cacheStamp_ = 0;
  // The host's bookkeeping: caches built anew and handed back again, execution steps run.
  Int64 cacheBuilds_ = 0;
  Int64 cacheReuses_ = 0;
  Int64 executions_ = 0;
};

struct CPolygon {
  Int32 a = 0, b = 0, c = 0, d = 0;
  CPolygon() {}
  CPolygon(Int32 t_a, Int32 t_b, Int32 t_c) : a(t_a), b(t_b), c(t_c), d(t_c) {}
  CPolygon(Int32 t_a, Int32 t_b, Int32 t_c, Int32 t_d) : a(t_a), b(t_b), c(t_c), d(t_d) {}
  Bool IsTriangle() const { return c == d; }
  // The stand-in host's own comparison.
  Bool operator==(const CPolygon& o) const { return a == o.a && b == o.b && c == o.c && d == o.d; }
};

class PointObject : public BaseObject {
 public:
  Int32 GetPointCount() const { return static_cast<Int32>(points_.size()); }
  const Vector* GetPointR() const { return points_.data(); }
  Vector* GetPointW() { return points_.data(); }

 protected:
  using BaseObject::BaseObject;
  Bool IsInFamily(Int32 type) const override { return type == Opoint; }
  Bool ResizePoints(Int32 count);
  std::vector<Vector> points_;
};

class PolygonObject : public PointObject {
 public:
  // A polygon object with the given counts; nothing when a count is negative or memory runs out.
  static PolygonObject* Alloc(Int32 pcnt, Int32 vcnt);
  Int32 GetPolygonCount() const { return static_cast<Int32>(polygons_.size()); }
  const CPolygon* GetPolygonR() const { return polygons_.data(); }
  CPolygon* GetPolygonW() { return polygons_.data(); }
  // New counts; existing elements are kept, new ones are zero. False (object unchanged) on failure.
  Bool ResizeObject(Int32 pcnt, Int32 vcnt);

 protected:
  PolygonObject() : PointObject(Opolygon) {}
  BaseObject* CloneSelf() const override;
  std::vector<CPolygon> polygons_;
};

struct Segment {
  Int32 cnt = 0;
  Bool closed = false;
};

class SplineObject : public PointObject {
 public:
  static SplineObject* Alloc(Int32 pcnt, SPLINETYPE type);
  SPLINETYPE GetInterpolationType() const { return splineType_; }
  Bool IsClosed() const { return GetDataInstanceRef().GetBool(SPLINEOBJECT_CLOSED); }
  Int32 GetSegmentCount() const { return static_cast<Int32>(segments_.size()); }
  const Segment* GetSegmentR() const { return segments_.data(); }
  Segment* GetSegmentW() { return segments_.data(); }
  // New point and segment counts; -1 keeps a count. False (object unchanged) on failure.
  Bool ResizeObject(Int32 pcnt, Int32 scnt);

 protected:
  SplineObject() : PointObject(Ospline) {}
  Bool IsInFamily(Int32 type) const override {
    return type == Ospline || PointObject::IsInFamily(type);
  }
  BaseObject* CloneSelf() const override;
  SPLINETYPE splineType_ = SPLINETYPE::LINEAR;
  std::vector<Segment> segments_;
};

// Generates a host primitive (cube, sphere, platonic, pyramid) as a polygon object.
BaseObject* GeneratePrimitive(const BaseDocument* doc, Int32 type, const BaseContainer& bc,
                              Float lod, Bool isoparm, BaseThread* bt = nullptr);
