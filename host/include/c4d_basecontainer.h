// Parameter containers: an ordered map of parameter id to value, the store of every object's
// parameters.
#pragma once

#include <utility>
#include <vector>

#include "c4d_gedata.h"

class BaseContainer {
 public:
  BaseContainer() = default;
  explicit BaseContainer(Int32 id) : id_(id) {}

  Int32 GetId() const { return id_; }
  void SetId(Int32 id) { id_ = id; }

  Bool GetBool(Int32 id, Bool preset = false) const;
  Int32 GetInt32(Int32 id, Int32 preset = 0) const;
  Float GetFloat(Int32 id, Float preset = 0.0) const;
  Vector GetVector(Int32 id, const Vector& preset = Vector()) const;
  String GetString(Int32 id, const maxon::String& preset = maxon::String()) const;
  BaseTime GetTime(Int32 id, const BaseTime& preset = BaseTime()) const;
  const BaseContainer* GetContainerInstance(Int32 id) const;
  template <typename DATATYPE>
  const DATATYPE* GetCustomDataType(Int32 id) const {
    return GetData(id).GetCustomDataType<DATATYPE>();
  }
  const CustomDataType* GetCustomDataTypeI(Int32 id, Int32 datatype) const {
    return GetData(id).GetCustomDataTypeI(datatype);
  }
  const GeData* GetDataPointer(Int32 id) const;
  const GeData& GetData(Int32 id) const;

  void SetBool(Int32 id, Bool b) { SetData(id, GeData(b)); }
  void SetInt32(Int32 id, Int32 l) { SetData(id, GeData(l)); }
  void SetFloat(Int32 id, Float r) { SetData(id, GeData(r)); }
  void SetVector(Int32 id, const Vector& v) { SetData(id, GeData(v)); }
  void SetString(Int32 id, const maxon::String& s) { SetData(id, GeData(s)); }
  void SetTime(Int32 id, const BaseTime& b) { SetData(id, GeData(b)); }
  void SetContainer(Int32 id, const BaseContainer& s) { SetData(id, GeData(s)); }
  Bool SetData(Int32 id, const GeData& n);
  void FlushAll() { entries_.clear(); }

  // The id and the value of the entry at `index`: NOTOK and nothing past the last entry.
  Int32 GetIndexId(Int32 index) const;
  const GeData* GetIndexData(Int32 index) const;

  // The stand-in host's own: the number of entries, and the value stored under `id` for writing
  // (nothing when there is none).
  Int32 GetEntryCount() const { return static_cast<Int32>(entries_.size()); }
  GeData* GetDataPointerWritable(Int32 id);

  Bool operator==(const BaseContainer& o) const;

 private:
  Int32 id_ = 0;
  std::vector<std::pair<Int32, GeData>> entries_;
};
