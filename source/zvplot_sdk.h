// The host's plug-in interface as the module uses it, whichever release of the host's SDK it is
// built against (2023 and later). The module is written against the 2024 interface; every
// difference of another release is bridged here and nowhere else, so the module's files include
// this header instead of "c4d.h".
#pragma once

#include "c4d.h"
#include "lib_clipmap.h"
#include "maxon/parallelfor.h"

// ---- 2025: the classic interface in its own namespace -------------------------------------------

#if API_VERSION >= 2024900
using namespace cinema;
// The module's entry points are the host's declarations, so they are defined in its namespace.
#define ZVPLOT_ENTRY_BEGIN namespace cinema {
#define ZVPLOT_ENTRY_END }
#else
#define ZVPLOT_ENTRY_BEGIN
#define ZVPLOT_ENTRY_END
#endif

// ---- The base of the module's objects ---------------------------------------------------------

#if API_VERSION >= 2024000
using PluginObjectData = ObjectData;
#else
// The 2023 interface passes nodes the 2024 one passes as const, and has no clone flag in Init:
// each 2023 operation hands on to the 2024 form, which the module's objects override.
class PluginObjectData : public ObjectData {
 public:
  virtual Bool Init(GeListNode* node, Bool) { return ObjectData::Init(node); }
  Bool Init(GeListNode* node) final { return Init(node, false); }

  virtual Bool CopyTo(NodeData* dest, const GeListNode* snode, GeListNode* dnode, COPYFLAGS flags,
                      AliasTrans* trn) const {
    return const_cast<PluginObjectData*>(this)->ObjectData::CopyTo(
        dest, const_cast<GeListNode*>(snode), dnode, flags, trn);
  }
  Bool CopyTo(NodeData* dest, GeListNode* snode, GeListNode* dnode, COPYFLAGS flags,
              AliasTrans* trn) final {
    return static_cast<const PluginObjectData*>(this)->CopyTo(
        dest, static_cast<const GeListNode*>(snode), dnode, flags, trn);
  }

  virtual Bool GetDDescription(const GeListNode* node, Description* description,
                               DESCFLAGS_DESC& flags) const {
    return const_cast<PluginObjectData*>(this)->ObjectData::GetDDescription(
        const_cast<GeListNode*>(node), description, flags);
  }
  Bool GetDDescription(GeListNode* node, Description* description, DESCFLAGS_DESC& flags) final {
    return static_cast<const PluginObjectData*>(this)->GetDDescription(
        static_cast<const GeListNode*>(node), description, flags);
  }

  virtual Bool GetDEnabling(const GeListNode* node, const DescID& id, const GeData& t_data,
                            DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc) const {
    return const_cast<PluginObjectData*>(this)->ObjectData::GetDEnabling(
        const_cast<GeListNode*>(node), id, t_data, flags, itemdesc);
  }
  Bool GetDEnabling(GeListNode* node, const DescID& id, const GeData& t_data,
                    DESCFLAGS_ENABLE flags, const BaseContainer* itemdesc) final {
    return static_cast<const PluginObjectData*>(this)->GetDEnabling(
        static_cast<const GeListNode*>(node), id, t_data, flags, itemdesc);
  }

  virtual void GetDimension(const BaseObject* op, Vector* mp, Vector* rad) const {
    const_cast<PluginObjectData*>(this)->ObjectData::GetDimension(const_cast<BaseObject*>(op), mp,
                                                                  rad);
  }
  void GetDimension(BaseObject* op, Vector* mp, Vector* rad) final {
    static_cast<const PluginObjectData*>(this)->GetDimension(static_cast<const BaseObject*>(op), mp,
                                                             rad);
  }

  virtual BaseObject* GetVirtualObjects(BaseObject* op, const HierarchyHelp* hh) {
    return ObjectData::GetVirtualObjects(op, const_cast<HierarchyHelp*>(hh));
  }
  BaseObject* GetVirtualObjects(BaseObject* op, HierarchyHelp* hh) final {
    return GetVirtualObjects(op, static_cast<const HierarchyHelp*>(hh));
  }

  virtual void CheckDirty(BaseObject* op, const BaseDocument* doc) {
    ObjectData::CheckDirty(op, const_cast<BaseDocument*>(doc));
  }
  void CheckDirty(BaseObject* op, BaseDocument* doc) final {
    CheckDirty(op, static_cast<const BaseDocument*>(doc));
  }

  virtual Int32 GetHandleCount(const BaseObject* op) const {
    return const_cast<PluginObjectData*>(this)->ObjectData::GetHandleCount(
        const_cast<BaseObject*>(op));
  }
  Int32 GetHandleCount(BaseObject* op) final {
    return static_cast<const PluginObjectData*>(this)->GetHandleCount(
        static_cast<const BaseObject*>(op));
  }
};
#endif

// ---- Description identifiers ------------------------------------------------------------------

#ifndef ConstDescID
#define ConstDescID(...) DescID(__VA_ARGS__)
#endif

// ---- Custom data: gradients and fonts ---------------------------------------------------------

#if API_VERSION >= 2024000
template <typename T>
const T* GetCustomData(const BaseContainer& bc, Int32 id) {
  return bc.GetCustomDataType<T>(id);
}
template <typename T>
T* GetWritableCustomData(GeData& value) {
  return value.GetCustomDataTypeWritable<T>();
}
template <typename T>
GeData CustomDataValue(const T& data) {
  return GeData(data);
}
#else
template <typename T>
struct CustomDataId;
template <>
struct CustomDataId<Gradient> {
  static constexpr Int32 value = CUSTOMDATATYPE_GRADIENT;
};
template <>
struct CustomDataId<FontData> {
  static constexpr Int32 value = FONTCHOOSER_DATA;
};
template <typename T>
const T* GetCustomData(const BaseContainer& bc, Int32 id) {
  return static_cast<const T*>(bc.GetCustomDataType(id, CustomDataId<T>::value));
}
template <typename T>
T* GetWritableCustomData(GeData& value) {
  return static_cast<T*>(value.GetCustomDataType(CustomDataId<T>::value));
}
template <typename T>
GeData CustomDataValue(const T& data) {
  return GeData(CustomDataId<T>::value, data);
}
#endif

// Appends a knot of smooth interpolation to the gradient.
inline void AddSmoothKnot(Gradient* gradient, const Vector& colour, Float pos) {
#if API_VERSION >= 2024000
  maxon::GradientKnot knot;
  knot.col = maxon::Color(colour.x, colour.y, colour.z);
  knot.interpolation = maxon::GRADIENT_INTERPOLATION_TYPE::SMOOTHKNOT;
#else
  GradientKnot knot;
  knot.col = colour;
  knot.interpolation = GRADIENT_INTERPOLATION_SMOOTHKNOT;
#endif
  knot.brightness = 1.0;
  knot.pos = pos;
  knot.bias = 0.5;
  knot.index = 0;
  gradient->InsertKnot(knot);
}

// A gradient made ready for sampling, as long as it lives; its colours may be read from any thread.
#if API_VERSION >= 2024000
class PreparedGradient {
 public:
  // False when there is no gradient or the host cannot prepare it.
  Bool Prepare(const Gradient* gradient, const BaseDocument* doc) {
    if (!gradient) return false;
    maxon::Result<maxon::GradientRenderData> prepared =
        gradient->PrepareRenderData(InitRenderStruct(doc));
    if (prepared == maxon::FAILED) return false;
    data_ = prepared.GetValue();
    return true;
  }
  // The colour at `pos` (0 ... 1).
  Vector Colour(Float pos) const {
    const maxon::Color c = data_.CalcGradientPixel(pos);
    return Vector(c.r, c.g, c.b);
  }

 private:
  maxon::GradientRenderData data_;
};
#else
// The 2023 gradient is prepared in place and released after.
class PreparedGradient {
 public:
  PreparedGradient() = default;
  PreparedGradient(const PreparedGradient&) = delete;
  PreparedGradient& operator=(const PreparedGradient&) = delete;
  ~PreparedGradient() {
    if (gradient_) gradient_->FreeRender();
  }
  Bool Prepare(const Gradient* gradient, const BaseDocument* doc) {
    if (!gradient) return false;
    auto* g = const_cast<Gradient*>(gradient);
    if (g->InitRender(InitRenderStruct(const_cast<BaseDocument*>(doc))) == maxon::FAILED) {
      g->FreeRender();
      return false;
    }
    gradient_ = g;
    return true;
  }
  Vector Colour(Float pos) const { return gradient_->CalcGradientPixel(pos); }

 private:
  Gradient* gradient_ = nullptr;
};
#endif

// ---- What a generator is handed ---------------------------------------------------------------

inline Float HierarchyLod(const HierarchyHelp* hh) {
  return hh ? const_cast<HierarchyHelp*>(hh)->GetLOD() : 1.0;
}
inline BaseThread* HierarchyThread(const HierarchyHelp* hh) {
  return hh ? const_cast<HierarchyHelp*>(hh)->GetThread() : nullptr;
}
