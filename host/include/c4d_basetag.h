// Tags: the data the host keeps beside an object's geometry (phong, UVW sets, vertex colours).
#pragma once

#include <cstdlib>
#include <memory>

#include "c4d_baselist.h"
#include "operatingsystem.h"

class BaseObject;
class Neighbor;
struct CPolygon;

class BaseTag : public BaseList2D {
 public:
  static BaseTag* Alloc(Int32 type);
  static void Free(BaseTag*& bl);
  // Takes the tag off its object; the caller owns it afterwards.
  void Remove();

 protected:
  explicit BaseTag(Int32 type) : BaseList2D(type) {}
  C4DAtom* CloneAtom(COPYFLAGS flags, AliasTrans* trn) const override;
  virtual BaseTag* CloneSelf() const;
  friend class BaseObject;
  friend struct zvhost::HostAccess;
  BaseObject* object_ = nullptr;  // the object the tag is on

 private:
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

// One UVW set per polygon.
class UVWTag : public VariableTag {
 public:
  using VariableTag::VariableTag;
  static UVWTag* Alloc(Int32 count);
  UVWStruct GetSlow(Int32 i) const;
  UVWHandle GetDataAddressW() { return GetLowlevelDataAddressW(); }
  ConstUVWHandle GetDataAddressR() const { return GetLowlevelDataAddressR(); }
  static void Set(UVWHandle dataptr, Int32 i, const UVWStruct& s) {
    static_cast<UVWStruct*>(dataptr)[i] = s;
  }
};

// Colour entries of four floats (r, g, b, alpha): one per point (point mode), or four per polygon,
// one for each corner (polygon mode).
class VertexColorTag : public VariableTag {
 public:
  using VariableTag::VariableTag;
  static VertexColorTag* Alloc(Int32 count);
  VertexColorHandle GetDataAddressW() { return GetLowlevelDataAddressW(); }
  ConstVertexColorHandle GetDataAddressR() const { return GetLowlevelDataAddressR(); }
  Bool IsPerPointColor() const { return perPoint_; }
  // Switching to polygon mode on a polygon object gives the tag an entry per polygon, each corner
  // taking its point's colour; off an object each entry's colour goes to all four corners.
  Bool SetPerPointMode(Bool perPointColor);
  // Writes the colour of entry `pIndex`, its alpha left as it is. Without neighbour information
  // (point mode) the entry is the point's.
  static void SetColor(VertexColorHandle dataptr, Neighbor* nb, const CPolygon* vadr, Int32 pIndex,
                       const maxon::Color32& color);
  // Writes the corner colours of polygon `i` of a tag in polygon mode.
  static void Set(VertexColorHandle dataptr, Int32 i, const VertexColorStruct& s) {
    static_cast<VertexColorStruct*>(dataptr)[i] = s;
  }

 protected:
  BaseTag* CloneSelf() const override;
  Bool perPoint_ = true;
};
