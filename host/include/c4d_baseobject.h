// Scene nodes: the list node hierarchy, named parameter-carrying nodes, objects, point, polygon and
// spline objects, and tags.
#pragma once

#include <cstdlib>
#include <memory>
#include <vector>

#include "c4d_gedata.h"
#include "c4d_ids.h"

class BaseDocument;
class BaseDraw;
class BaseTag;
class NodeData;
namespace zvhost {
struct HostAccess;  // the host's own bookkeeping, kept out of the plug-in interface
}

// A node of the scene tree. A node owns its children: freeing a node frees its subtree.
class GeListNode {
 public:
  virtual ~GeListNode();
  GeListNode(const GeListNode&) = delete;
  GeListNode& operator=(const GeListNode&) = delete;

  GeListNode* GetUp() const { return up_; }
  GeListNode* GetDown() const { return down_; }
  GeListNode* GetDownLast() const;
  GeListNode* GetNext() const { return next_; }
  // Inserts this node (which must not be in a tree) as first or last child of `parent`.
  void InsertUnder(GeListNode* parent);
  void InsertUnderLast(GeListNode* parent);
  void InsertAfter(GeListNode* node);
  // Takes this node (with its subtree) out of the tree; the caller owns it afterwards.
  void Remove();

  BaseDocument* GetDocument() const;
  NodeData* GetNodeData() const { return nodeData_; }
  template <typename T> T* GetNodeData() const { return static_cast<T*>(nodeData_); }

  Bool GetNBit(NBIT bit) const { return (nbits_ >> static_cast<Int32>(bit)) & 1u; }
  Bool ChangeNBit(NBIT bit, NBITCONTROL control);

 protected:
  explicit GeListNode(Int32 type) : type_(type) {}
  void SetNodeData(NodeData* data) { nodeData_ = data; }
  friend struct zvhost::HostAccess;

  Int32 type_;
  NodeData* nodeData_ = nullptr;  // owned: the plug-in instance of a plug-in node

 private:
  GeListNode* up_ = nullptr;
  GeListNode* down_ = nullptr;
  GeListNode* next_ = nullptr;
  GeListNode* pred_ = nullptr;
  BaseDocument* document_ = nullptr;  // set on a document's holder of its top objects
  UInt32 nbits_ = 0;
};

// A named node with a parameter container and a data dirty count.
class BaseList2D : public GeListNode {
 public:
  Int32 GetType() const { return type_; }
  virtual Bool IsInstanceOf(Int32 type) const { return type == type_; }
  const String& GetName() const { return name_; }
  void SetName(const String& name) { name_ = name; }

  BaseContainer* GetDataInstance() { return &data_; }
  const BaseContainer* GetDataInstance() const { return &data_; }
  BaseContainer& GetDataInstanceRef() { return data_; }
  const BaseContainer& GetDataInstanceRef() const { return data_; }
  // Writes a parameter as the module does: no checks, no messages; it raises the data dirty count.
  Bool SetParameter(const DescID& id, const GeData& t_data);

  // The data dirty count: the one count this host keeps.
  UInt32 GetDirty(DIRTYFLAGS) const { return dirtyData_; }
  void SetDirty(DIRTYFLAGS) { ++dirtyData_; }

  // Sends a message: the host reacts to the messages it knows (update raises the data dirty count),
  // then the plug-in instance gets it. Returns the plug-in's answer (true without plug-in).
  Bool Message(Int32 type, void* data = nullptr);

 protected:
  explicit BaseList2D(Int32 type) : GeListNode(type) {}
  void CopyBaseTo(BaseList2D* dest) const;

 private:
  String name_;
  BaseContainer data_;
  UInt32 dirtyData_ = 1;
};

struct ObjectColorProperties {
  Int32 usecolor = 0;
  Vector color;
  Bool xray = false;
};

class PolygonObject;
class SplineObject;

class BaseObject : public BaseList2D {
 public:
  // A new object of a host type or of a registered plug-in type; nothing when the type is unknown
  // or memory runs out. A plug-in object is initialised through its plug-in's Init.
  static BaseObject* Alloc(Int32 type);
  // Takes the object out of its tree, frees it with its subtree and sets the pointer to null.
  static void Free(BaseObject*& op);

  // A top-level object has no parent object: the document's holder of the top objects is no object.
  BaseObject* GetUp() const;
  BaseObject* GetDown() const { return static_cast<BaseObject*>(GeListNode::GetDown()); }
  BaseObject* GetNext() const { return static_cast<BaseObject*>(GeListNode::GetNext()); }

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
  void SetDeformMode(Bool on) { enabled_ = on; }

  void GetColorProperties(ObjectColorProperties* co) const { *co = color_; }
  void SetColorProperties(const ObjectColorProperties* co) { color_ = *co; }

  // Tags, in order. MakeTag creates a tag of the type and inserts it after `pred` (first if none).
  BaseTag* GetTag(Int32 type, Int32 nr = 0) const;
  BaseTag* MakeTag(Int32 type, BaseTag* pred = nullptr);
  void InsertTag(BaseTag* tag, BaseTag* pred = nullptr);
  void KillTag(Int32 type, Int32 nr = 0);
  const std::vector<BaseTag*>& GetTags() const { return tags_; }

  // The generated geometry of the last build (owned by this object), or nothing.
  BaseObject* GetCache() const { return cache_; }
  // Whether the data dirty count changed since the cache was built.
  Bool IsDirty(DIRTYFLAGS flags) const;

  // The bounding half-size and centre of the object's own geometry (for a text object: its text).
  Vector GetRad() const;
  Vector GetMp() const;

  // The handle of this object that is under the cursor in the view, or -1.
  Int32 GetHighlightHandle(BaseDraw* bd) const;

  // A deep copy with tags and children, plug-in instance copied through CopyTo.
  BaseObject* GetClone(COPYFLAGS flags = COPYFLAGS::NONE) const;

  ~BaseObject() override;

 protected:
  explicit BaseObject(Int32 type) : BaseList2D(type) {}
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
  std::vector<BaseTag*> tags_;  // owned
  BaseObject* cache_ = nullptr;  // owned
  UInt32 cacheStamp_ = 0;
  // The host's bookkeeping: caches built anew and handed back again, execution steps run.
  Int64 cacheBuilds_ = 0;
  Int64 cacheReuses_ = 0;
  Int64 executions_ = 0;
};

struct CPolygon {
  Int32 a = 0, b = 0, c = 0, d = 0;
  constexpr CPolygon() = default;
  constexpr CPolygon(Int32 aa, Int32 bb, Int32 cc) : a(aa), b(bb), c(cc), d(cc) {}
  constexpr CPolygon(Int32 aa, Int32 bb, Int32 cc, Int32 dd) : a(aa), b(bb), c(cc), d(dd) {}
  constexpr bool operator==(const CPolygon&) const = default;
  constexpr Bool IsTriangle() const { return c == d; }
};

class PointObject : public BaseObject {
 public:
  Bool IsInstanceOf(Int32 type) const override { return type == Opoint || BaseObject::IsInstanceOf(type); }
  Int32 GetPointCount() const { return static_cast<Int32>(points_.size()); }
  const Vector* GetPointR() const { return points_.data(); }
  Vector* GetPointW() { return points_.data(); }

 protected:
  using BaseObject::BaseObject;
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
  Bool IsInstanceOf(Int32 type) const override {
    return type == Ospline || PointObject::IsInstanceOf(type);
  }
  SPLINETYPE GetSplineType() const { return splineType_; }
  Bool IsClosed() const { return GetDataInstanceRef().GetBool(SPLINEOBJECT_CLOSED); }
  Int32 GetSegmentCount() const { return static_cast<Int32>(segments_.size()); }
  const Segment* GetSegmentR() const { return segments_.data(); }
  Segment* GetSegmentW() { return segments_.data(); }
  // New point and segment counts; -1 keeps a count. False (object unchanged) on failure.
  Bool ResizeObject(Int32 pcnt, Int32 scnt);

 protected:
  SplineObject() : PointObject(Ospline) {}
  BaseObject* CloneSelf() const override;
  SPLINETYPE splineType_ = SPLINETYPE::LINEAR;
  std::vector<Segment> segments_;
};

class BaseTag : public BaseList2D {
 public:
  static BaseTag* Alloc(Int32 type);
  static void Free(BaseTag*& tag);
  // Takes the tag off its object; the caller owns it afterwards.
  void Remove();
  BaseTag* GetClone(COPYFLAGS flags = COPYFLAGS::NONE) const;

 protected:
  explicit BaseTag(Int32 type) : BaseList2D(type) {}
  virtual BaseTag* CloneSelf() const;
  friend class BaseObject;
  friend struct zvhost::HostAccess;

 private:
  BaseObject* object_ = nullptr;
  Bool evaluationOutput_ = false;  // inserted by scene evaluation: output, not scene content
};

// A tag with one fixed-size entry per element (UVW sets, vertex colours).
class VariableTag : public BaseTag {
 public:
  static VariableTag* Alloc(Int32 type, Int32 count);
  Int32 GetDataCount() const { return count_; }
  Int32 GetDataSize() const { return entrySize_; }
  const void* GetLowlevelDataAddressR() const { return data_.get(); }
  void* GetLowlevelDataAddressW() { return data_.get(); }

 protected:
  VariableTag(Int32 type, Int32 count, Int32 entrySize);
  BaseTag* CloneSelf() const override;
  friend struct zvhost::HostAccess;
  Int32 count_ = 0;
  Int32 entrySize_ = 0;
  struct FreeData {
    void operator()(unsigned char* p) const { std::free(p); }
  };
  std::unique_ptr<unsigned char[], FreeData> data_;
};

struct UVWStruct {
  Vector a, b, c, d;
  constexpr bool operator==(const UVWStruct&) const = default;
};

class UVWTag : public VariableTag {
 public:
  using VariableTag::VariableTag;
  static UVWTag* Alloc(Int32 count);
  UVWStruct GetSlow(Int32 i) const;
};

// Colour entries of four floats (r, g, b, alpha) per point (point mode) or per polygon corner.
using VertexColorHandle = Float32*;
class VertexColorTag : public VariableTag {
 public:
  using VariableTag::VariableTag;
  static VertexColorTag* Alloc(Int32 count);
  VertexColorHandle GetDataAddressW() { return static_cast<Float32*>(GetLowlevelDataAddressW()); }
  const Float32* GetDataAddressR() const {
    return static_cast<const Float32*>(GetLowlevelDataAddressR());
  }
  Bool IsPerPointColor() const { return perPoint_; }
  void SetPerPointMode(Bool perPoint) { perPoint_ = perPoint; }

 protected:
  BaseTag* CloneSelf() const override;
  Bool perPoint_ = true;
};
