// Scene nodes: hierarchy, parameters, dirty counts, objects, point/polygon/spline objects and tags.
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "c4d_basedocument.h"
#include "c4d_basedraw.h"
#include "c4d_objectdata.h"
#include "host_state.h"
#include "primitives.h"

using zvhost::HostAccess;

namespace {

// Resizes a vector without throwing: false (vector unchanged) when memory runs out.
template <typename T>
bool TryResize(std::vector<T>& v, Int32 count) {
  if (count < 0) return false;
  try {
    v.resize(static_cast<size_t>(count));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
}

// A host object type with parameters of its own: created with its defaults.
void WriteHostDefaults(BaseObject* op) {
  BaseContainer* bc = op->GetDataInstance();
  switch (op->GetType()) {
    case Oextrude:
      bc->SetVector(EXTRUDEOBJECT_MOVE, Vector(0, 0, 20));
      break;
    case Osplinetext:
      bc->SetString(PRIM_TEXT_TEXT, "Text"_s);
      bc->SetInt32(PRIM_TEXT_ALIGN, PRIM_TEXT_ALIGN_LEFT);
      bc->SetFloat(PRIM_TEXT_HEIGHT, 200.0);
      break;
    default:
      zvhost::WritePrimitiveDefaults(op->GetType(), bc);
      break;
  }
}

// A new object is named as the user sees its type in the host.
const char* HostTypeName(Int32 type) {
  switch (type) {
    case Onull:
      return "Null";
    case Oextrude:
      return "Extrude";
    case Osplinetext:
      return "Text";
    case Ocube:
      return "Cube";
    case Osphere:
      return "Sphere";
    case Oplatonic:
      return "Platonic";
    case Opyramid:
      return "Pyramid";
    case Opolygon:
      return "Polygon";
    case Ospline:
      return "Spline";
    default:
      return "";
  }
}

bool IsHostObjectType(Int32 type) {
  switch (type) {
    case Onull:
    case Oextrude:
    case Osplinetext:
    case Ocube:
    case Osphere:
    case Oplatonic:
    case Opyramid:
      return true;
    default:
      return false;
  }
}

class PlainObject : public BaseObject {
 public:
  explicit PlainObject(Int32 type) : BaseObject(type) {}
};

class PlainTag : public BaseTag {
 public:
  explicit PlainTag(Int32 type) : BaseTag(type) {}
};

}  // namespace

// ---- GeListNode ------------------------------------------------------------------------------

GeListNode::~GeListNode() {
  if (nodeData_) {
    nodeData_->Free(this);
    delete nodeData_;
    nodeData_ = nullptr;
  }
  while (down_) {
    GeListNode* child = down_;
    child->Remove();
    delete child;
  }
  Remove();
}

GeListNode* GeListNode::GetDownLast() {
  GeListNode* n = down_;
  while (n && n->next_) n = n->next_;
  return n;
}

const GeListNode* GeListNode::GetDownLast() const {
  return const_cast<GeListNode*>(this)->GetDownLast();
}

void GeListNode::InsertUnder(GeListNode* parent) {
  if (!parent || parent == this) return;
  Remove();
  up_ = parent;
  next_ = parent->down_;
  if (next_) next_->pred_ = this;
  parent->down_ = this;
}

void GeListNode::InsertUnderLast(GeListNode* parent) {
  if (!parent || parent == this) return;
  Remove();
  GeListNode* last = parent->GetDownLast();
  if (!last) {
    InsertUnder(parent);
    return;
  }
  up_ = parent;
  pred_ = last;
  last->next_ = this;
}

void GeListNode::InsertAfter(GeListNode* node) {
  if (!node || node == this || !node->up_) return;
  Remove();
  up_ = node->up_;
  pred_ = node;
  next_ = node->next_;
  if (next_) next_->pred_ = this;
  node->next_ = this;
}

void GeListNode::Remove() {
  if (pred_)
    pred_->next_ = next_;
  else if (up_ && up_->down_ == this)
    up_->down_ = next_;
  if (next_) next_->pred_ = pred_;
  up_ = next_ = pred_ = nullptr;
}

BaseDocument* GeListNode::GetDocument() {
  for (const GeListNode* n = this; n; n = n->up_)
    if (n->document_) return n->document_;
  return nullptr;
}

const BaseDocument* GeListNode::GetDocument() const {
  return const_cast<GeListNode*>(this)->GetDocument();
}

Bool GeListNode::ChangeNBit(NBIT bit, NBITCONTROL control) {
  const UInt32 mask = 1u << static_cast<Int32>(bit);
  switch (control) {
    case NBITCONTROL::SET:
      nbits_ |= mask;
      break;
    case NBITCONTROL::CLEAR:
      nbits_ &= ~mask;
      break;
  }
  return true;
}

// ---- BaseList2D ------------------------------------------------------------------------------

Bool C4DAtom::SetParameter(const DescID& id, const GeData& t_data, DESCFLAGS_SET) {
  return WriteParameter(id, t_data);
}

Bool BaseList2D::WriteParameter(const DescID& id, const GeData& t_data) {
  if (id.GetDepth() < 1) return false;
  data_.SetData(id[0].id, t_data);
  SetDirty(DIRTYFLAGS::DATA);
  return true;
}

Bool BaseList2D::ReceiveMessage(Int32 type, void* data) {
  if (type == MSG_UPDATE) SetDirty(DIRTYFLAGS::DATA);
  return nodeData_ ? nodeData_->Message(this, type, data) : true;
}

void BaseList2D::CopyBaseTo(BaseList2D* dest) const {
  dest->name_ = name_;
  dest->data_ = data_;
  dest->ChangeNBit(NBIT::OM1_FOLD, GetNBit(NBIT::OM1_FOLD) ? NBITCONTROL::SET : NBITCONTROL::CLEAR);
}

// ---- BaseObject ------------------------------------------------------------------------------

BaseObject* BaseObject::Alloc(Int32 type) {
  switch (type) {
    case Opolygon:
      return PolygonObject::Alloc(0, 0);
    case Ospline:
      return SplineObject::Alloc(0, SPLINETYPE::LINEAR);
    default:
      break;
  }
  if (IsHostObjectType(type)) {
    auto* op = new (std::nothrow) PlainObject(type);
    if (op) {
      op->SetName(String(HostTypeName(type)));
      WriteHostDefaults(op);
    }
    return op;
  }
  const zvhost::ObjectPluginInfo* info = zvhost::FindObjectPlugin(type);
  if (!info || !info->allocator) return nullptr;
  auto* op = new (std::nothrow) PlainObject(type);
  if (!op) return nullptr;
  op->SetName(info->name);
  NodeData* data = info->allocator();
  if (!data) {
    delete op;
    return nullptr;
  }
  op->SetNodeData(data);
  if (!data->Init(op, false)) {
    delete op;
    return nullptr;
  }
  return op;
}

void BaseObject::Free(BaseObject*& op) {
  delete op;  // the destructor takes it out of its tree
  op = nullptr;
}

BaseObject::~BaseObject() {
  for (BaseTag* tag : tags_) {
    tag->object_ = nullptr;
    delete tag;
  }
  tags_.clear();
  delete cache_;
  cache_ = nullptr;
}

BaseObject* BaseObject::GetUp() {
  GeListNode* up = GeListNode::GetUp();
  return up && !HostAccess::IsDocumentRoot(*up) ? static_cast<BaseObject*>(up) : nullptr;
}

const BaseObject* BaseObject::GetUp() const { return const_cast<BaseObject*>(this)->GetUp(); }

Matrix BaseObject::GetMl() const {
  Matrix m = HPBToMatrix(rot_);
  m.off = pos_;
  return m;
}

Matrix BaseObject::GetMg() const {
  Matrix m = GetMl();
  for (const BaseObject* p = GetUp(); p; p = p->GetUp()) m = p->GetMl() * m;
  return m;
}

BaseTag* BaseObject::GetTag(Int32 type, Int32 nr) {
  for (BaseTag* tag : tags_)
    if (tag->GetType() == type && nr-- == 0) return tag;
  return nullptr;
}

const BaseTag* BaseObject::GetTag(Int32 type, Int32 nr) const {
  return const_cast<BaseObject*>(this)->GetTag(type, nr);
}

BaseTag* BaseObject::MakeTag(Int32 type, BaseTag* pred) {
  BaseTag* tag = BaseTag::Alloc(type);
  if (tag) InsertTag(tag, pred);
  return tag;
}

void BaseObject::InsertTag(BaseTag* tag, BaseTag* pred) {
  if (!tag) return;
  tag->Remove();
  auto at = std::find(tags_.begin(), tags_.end(), pred);
  tags_.insert(at == tags_.end() ? tags_.begin() : at + 1, tag);
  tag->object_ = this;
  // A tag that a generator or an execution step puts on an object while the scene is evaluated is
  // what that evaluation made, like a cache: rebuilt at every evaluation, not part of the scene.
  if (zvhost::State().evaluationDepth > 0) tag->evaluationOutput_ = true;
}

void BaseObject::KillTag(Int32 type, Int32 nr) {
  BaseTag* tag = GetTag(type, nr);
  if (tag) BaseTag::Free(tag);
}

Bool BaseObject::IsDirty(DIRTYFLAGS flags) const { return GetDirty(flags) != cacheStamp_; }

Int32 BaseObject::GetHighlightHandle(BaseDraw* bd) {
  return bd ? HostAccess::HighlightedHandle(*bd) : -1;
}

BaseObject* BaseObject::CloneSelf() const { return new (std::nothrow) PlainObject(type_); }

void BaseObject::CopyObjectTo(BaseObject* dest) const {
  CopyBaseTo(dest);
  dest->pos_ = pos_;
  dest->rot_ = rot_;
  dest->editorMode_ = editorMode_;
  dest->renderMode_ = renderMode_;
  dest->enabled_ = enabled_;
  dest->color_ = color_;
  for (auto it = tags_.rbegin(); it != tags_.rend(); ++it) {
    auto* copy = static_cast<BaseTag*>((*it)->GetClone(COPYFLAGS::NONE, nullptr));
    if (copy) dest->InsertTag(copy);
  }
}

C4DAtom* BaseObject::CloneAtom(COPYFLAGS flags, AliasTrans* trn) const {
  BaseObject* dest = CloneSelf();
  if (!dest) return nullptr;
  CopyObjectTo(dest);
  if (nodeData_) {
    const zvhost::ObjectPluginInfo* info = zvhost::FindObjectPlugin(type_);
    NodeData* data = info && info->allocator ? info->allocator() : nullptr;
    if (!data) {
      delete dest;
      return nullptr;
    }
    dest->SetNodeData(data);
    if (!data->Init(dest, true) || !nodeData_->CopyTo(data, this, dest, flags, trn)) {
      delete dest;
      return nullptr;
    }
    dest->GetDataInstanceRef() = GetDataInstanceRef();  // Init wrote defaults over the copy
  }
  BaseObject* last = nullptr;
  for (const BaseObject* child = GetDown(); child; child = child->GetNext()) {
    auto* copy = static_cast<BaseObject*>(child->GetClone(flags, trn));
    if (!copy) continue;
    if (last)
      copy->InsertAfter(last);
    else
      copy->InsertUnder(dest);
    last = copy;
  }
  return dest;
}

// ---- Point, polygon and spline objects -------------------------------------------------------

Bool PointObject::ResizePoints(Int32 count) { return TryResize(points_, count); }

PolygonObject* PolygonObject::Alloc(Int32 pcnt, Int32 vcnt) {
  auto* op = new (std::nothrow) PolygonObject();
  if (op && !op->ResizeObject(pcnt, vcnt)) {
    delete op;
    return nullptr;
  }
  return op;
}

Bool PolygonObject::ResizeObject(Int32 pcnt, Int32 vcnt) {
  if (pcnt < 0 || vcnt < 0) return false;
  std::vector<Vector> points = points_;
  if (!TryResize(points, pcnt)) return false;
  if (!TryResize(polygons_, vcnt)) return false;
  points_.swap(points);
  SetDirty(DIRTYFLAGS::DATA);
  return true;
}

BaseObject* PolygonObject::CloneSelf() const {
  auto* op = new (std::nothrow) PolygonObject();
  if (!op) return nullptr;
  try {
    op->points_ = points_;
    op->polygons_ = polygons_;
  } catch (const std::bad_alloc&) {
    delete op;
    return nullptr;
  }
  return op;
}

SplineObject* SplineObject::Alloc(Int32 pcnt, SPLINETYPE type) {
  auto* op = new (std::nothrow) SplineObject();
  if (!op) return nullptr;
  op->splineType_ = type;
  if (!op->ResizePoints(pcnt)) {
    delete op;
    return nullptr;
  }
  return op;
}

Bool SplineObject::ResizeObject(Int32 pcnt, Int32 scnt) {
  if (pcnt < -1 || scnt < -1) return false;
  if (pcnt >= 0) {
    std::vector<Vector> points = points_;
    if (!TryResize(points, pcnt)) return false;
    if (scnt >= 0 && !TryResize(segments_, scnt)) return false;
    points_.swap(points);
  } else if (scnt >= 0 && !TryResize(segments_, scnt)) {
    return false;
  }
  SetDirty(DIRTYFLAGS::DATA);
  return true;
}

BaseObject* SplineObject::CloneSelf() const {
  auto* op = new (std::nothrow) SplineObject();
  if (!op) return nullptr;
  op->splineType_ = splineType_;
  try {
    op->points_ = points_;
    op->segments_ = segments_;
  } catch (const std::bad_alloc&) {
    delete op;
    return nullptr;
  }
  return op;
}

// ---- Tags ------------------------------------------------------------------------------------

BaseTag* BaseTag::Alloc(Int32 type) {
  switch (type) {
    case Tuvw:
      return UVWTag::Alloc(0);
    case Tvertexcolor:
      return VertexColorTag::Alloc(0);
    default:
      return new (std::nothrow) PlainTag(type);
  }
}

void BaseTag::Free(BaseTag*& tag) {
  if (tag) tag->Remove();
  delete tag;
  tag = nullptr;
}

void BaseTag::Remove() {
  if (!object_) return;
  auto& tags = object_->tags_;
  tags.erase(std::remove(tags.begin(), tags.end(), this), tags.end());
  object_ = nullptr;
}

BaseTag* BaseTag::CloneSelf() const { return new (std::nothrow) PlainTag(type_); }

C4DAtom* BaseTag::CloneAtom(COPYFLAGS, AliasTrans*) const {
  BaseTag* copy = CloneSelf();
  if (!copy) return nullptr;
  CopyBaseTo(copy);
  copy->evaluationOutput_ = evaluationOutput_;
  return copy;
}

namespace {
Int32 EntrySize(Int32 type) {
  switch (type) {
    case Tuvw:
      return static_cast<Int32>(sizeof(UVWStruct));
    case Tvertexcolor:
      return static_cast<Int32>(4 * sizeof(Float32));
    default:
      return 0;
  }
}
}  // namespace

VariableTag::VariableTag(Int32 type, Int32 count, Int32 entrySize)
    : BaseTag(type), count_(count), entrySize_(entrySize) {}

VariableTag* VariableTag::Alloc(Int32 type, Int32 count) {
  switch (type) {
    case Tuvw:
      return UVWTag::Alloc(count);
    case Tvertexcolor:
      return VertexColorTag::Alloc(count);
    default:
      return nullptr;
  }
}

namespace {
// A UVW set per polygon of a big surface runs to a hundred megabytes. Touching that in 4 KB pages
// costs a page fault each; asking for huge pages on the block's 2 MB-aligned interior, where the
// system offers them, makes it several times faster. A refused hint changes nothing.
void AdviseHugePages(void* block, size_t bytes) {
  constexpr uintptr_t kHugePage = uintptr_t(1) << 21;
  if (bytes < 2 * kHugePage) return;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kHugePage - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}
}  // namespace

namespace zvhost {
template <typename T>
T* HostAccess::NewVariableTag(Int32 type, Int32 count) {
  const Int32 entrySize = EntrySize(type);
  if (count < 0 ||
      static_cast<Int64>(count) * entrySize > std::numeric_limits<std::ptrdiff_t>::max() / 2)
    return nullptr;
  auto* tag = new (std::nothrow) T(type, count, entrySize);
  if (!tag) return nullptr;
  const size_t bytes = static_cast<size_t>(count) * static_cast<size_t>(entrySize);
  // Zeroed by the allocator: a large block comes as fresh pages, which are zero without a pass
  // over them, so a tag whose every entry is then written is written once.
  tag->data_.reset(static_cast<unsigned char*>(std::calloc(bytes > 0 ? bytes : 1, 1)));
  if (!tag->data_) {
    delete tag;
    return nullptr;
  }
  AdviseHugePages(tag->data_.get(), bytes);
  return tag;
}
}  // namespace zvhost

BaseTag* VariableTag::CloneSelf() const {
  auto* copy = HostAccess::NewVariableTag<VariableTag>(type_, count_);
  if (copy) std::memcpy(copy->data_.get(), data_.get(), static_cast<size_t>(count_) * entrySize_);
  return copy;
}

UVWTag* UVWTag::Alloc(Int32 count) { return HostAccess::NewVariableTag<UVWTag>(Tuvw, count); }

UVWStruct UVWTag::GetSlow(Int32 i) const {
  UVWStruct uvw;
  if (i >= 0 && i < count_)
    std::memcpy(&uvw, data_.get() + static_cast<size_t>(i) * sizeof(UVWStruct), sizeof(UVWStruct));
  return uvw;
}

// A new vertex colour tag holds black, fully opaque entries in point mode.
VertexColorTag* VertexColorTag::Alloc(Int32 count) {
  auto* tag = HostAccess::NewVariableTag<VertexColorTag>(Tvertexcolor, count);
  if (!tag) return nullptr;
  auto* c = static_cast<Float32*>(tag->GetDataAddressW());
  for (Int32 i = 0; i < count; ++i) c[4 * static_cast<size_t>(i) + 3] = 1.0f;
  return tag;
}

void VertexColorTag::SetColor(VertexColorHandle dataptr, Neighbor*, const CPolygon*, Int32 pIndex,
                              const maxon::Color32& color) {
  if (!dataptr || pIndex < 0) return;
  Float32* entry = static_cast<Float32*>(dataptr) + 4 * static_cast<size_t>(pIndex);
  entry[0] = color.r;
  entry[1] = color.g;
  entry[2] = color.b;
}

// A polygon-mode tag holds four point-mode entries per polygon.
constexpr Int32 kCornersPerPolygon = 4;

Bool VertexColorTag::SetPerPointMode(Bool perPointColor) {
  if (perPointColor == perPoint_) return true;
  if (perPointColor) return false;  // corner colours are not averaged back onto points
  const PolygonObject* poly =
      object_ && object_->IsInstanceOf(Opolygon) ? static_cast<PolygonObject*>(object_) : nullptr;
  const Int32 count = poly ? poly->GetPolygonCount() : count_;
  auto* converted = HostAccess::NewVariableTag<VertexColorTag>(type_, count * kCornersPerPolygon);
  if (!converted) return false;
  const auto* from = static_cast<const Float32*>(GetDataAddressR());
  auto* to = static_cast<Float32*>(converted->GetDataAddressW());
  const auto copy = [&](Int32 source, Float32* entry) {
    if (source >= 0 && source < count_)
      std::memcpy(entry, from + 4 * size_t(source), 16);
    else
      entry[3] = 1.0f;
  };
  for (Int32 e = 0; e < count; ++e) {
    for (Int32 k = 0; k < kCornersPerPolygon; ++k) {
      const CPolygon* q = poly ? poly->GetPolygonR() + e : nullptr;
      const Int32 corners[4] = {q ? q->a : e, q ? q->b : e, q ? q->c : e, q ? q->d : e};
      copy(corners[k], to + 4 * (size_t(e) * kCornersPerPolygon + size_t(k)));
    }
  }
  data_ = std::move(converted->data_);
  delete converted;
  count_ = count;
  entrySize_ = kCornersPerPolygon * static_cast<Int32>(4 * sizeof(Float32));
  perPoint_ = false;
  return true;
}

BaseTag* VertexColorTag::CloneSelf() const {
  const Int32 entries = perPoint_ ? count_ : count_ * kCornersPerPolygon;
  auto* copy = HostAccess::NewVariableTag<VertexColorTag>(type_, entries);
  if (!copy) return nullptr;
  std::memcpy(copy->data_.get(), data_.get(), static_cast<size_t>(count_) * entrySize_);
  copy->count_ = count_;
  copy->entrySize_ = entrySize_;
  copy->perPoint_ = perPoint_;
  return copy;
}
