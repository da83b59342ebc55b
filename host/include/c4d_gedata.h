// Parameter values (GeData), parameter containers (BaseContainer), description identifiers (DescID),
// document time (BaseTime) and the base class of custom data types.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "c4d_basetypes.h"
#include "c4d_string.h"

class BaseContainer;

// A rational time: numerator / denominator seconds.
struct BaseTime {
  Float num = 0.0, den = 1.0;
  constexpr BaseTime() = default;
  constexpr BaseTime(Float n, Float d) : num(n), den(d) {}
  constexpr Float GetNumerator() const { return num; }
  constexpr Float GetDenominator() const { return den; }
  Float Get() const { return den != 0.0 ? num / den : 0.0; }
  constexpr bool operator==(const BaseTime&) const = default;
};

// Data of a registered custom data type (gradient, font). Values are copied deeply.
class CustomDataType {
 public:
  virtual ~CustomDataType() = default;

 private:
  // What a parameter value needs to hold its own copy and to compare it.
  friend class GeData;
  virtual Int32 GetCustomDataTypeId() const = 0;
  virtual std::unique_ptr<CustomDataType> Clone() const = 0;
  virtual Bool IsEqual(const CustomDataType& other) const = 0;
};

enum class DA : Int32 { NIL = 0, LONG = 15, REAL = 19, TIME = 22, VECTOR = 23, CONTAINER = 24,
  STRING = 130, CUSTOMDATATYPE = 1000000 };

class GeData {
 public:
  GeData() = default;
  GeData(Int32 v) : type_(DA::LONG), int_(v) {}   // NOLINT: values convert implicitly, as in the host
  GeData(Bool v) : type_(DA::LONG), int_(v ? 1 : 0) {}  // NOLINT: a bool is stored as 0 or 1
  GeData(Float v) : type_(DA::REAL), float_(v) {}  // NOLINT
  GeData(const Vector& v) : type_(DA::VECTOR), vector_(v) {}  // NOLINT
  GeData(const String& v) : type_(DA::STRING), string_(v) {}  // NOLINT
  GeData(const char* v) : type_(DA::STRING), string_(v) {}    // NOLINT
  GeData(const BaseTime& v) : type_(DA::TIME), time_(v) {}    // NOLINT
  GeData(const BaseContainer& v);  // NOLINT
  GeData(Int32 customType, const CustomDataType& v);
  GeData(const GeData& o);
  GeData(GeData&& o) noexcept = default;
  GeData& operator=(const GeData& o);
  GeData& operator=(GeData&& o) noexcept = default;
  ~GeData();

  DA GetType() const { return type_; }
  Int32 GetCustomType() const;  // the custom data type id, 0 for other data
  Bool GetBool() const { return GetInt32() != 0; }
  Int32 GetInt32() const;
  Float GetFloat() const;
  Vector GetVector() const { return type_ == DA::VECTOR ? vector_ : Vector(); }
  const String& GetString() const;
  BaseTime GetTime() const { return type_ == DA::TIME ? time_ : BaseTime(); }
  const BaseContainer* GetContainer() const { return container_.get(); }
  const CustomDataType* GetCustomDataType(Int32 customType) const;
  template <typename T> const T* GetCustomDataType() const {
    return static_cast<const T*>(GetCustomDataType(T::kTypeId));
  }
  bool operator==(const GeData& o) const;
  bool operator!=(const GeData& o) const { return !(*this == o); }

 private:
  DA type_ = DA::NIL;
  Int32 int_ = 0;
  Float float_ = 0.0;
  Vector vector_;
  String string_;
  BaseTime time_;
  std::unique_ptr<BaseContainer> container_;
  std::unique_ptr<CustomDataType> custom_;
};

// An ordered map of parameter id to value, the store of every object's parameters.
class BaseContainer {
 public:
  BaseContainer() = default;
  explicit BaseContainer(Int32 id) : id_(id) {}

  Int32 GetId() const { return id_; }
  void SetId(Int32 id) { id_ = id; }

  Bool GetBool(Int32 id, Bool def = false) const;
  Int32 GetInt32(Int32 id, Int32 def = 0) const;
  Float GetFloat(Int32 id, Float def = 0.0) const;
  Vector GetVector(Int32 id, const Vector& def = Vector()) const;
  String GetString(Int32 id, const String& def = String()) const;
  BaseTime GetTime(Int32 id, const BaseTime& def = BaseTime()) const;
  const BaseContainer* GetContainerInstance(Int32 id) const;
  const CustomDataType* GetCustomDataType(Int32 id, Int32 customType) const;
  template <typename T> const T* GetCustomDataType(Int32 id) const {
    return static_cast<const T*>(GetCustomDataType(id, T::kTypeId));
  }
  const GeData* GetDataPointer(Int32 id) const;
  const GeData& GetData(Int32 id) const;

  void SetBool(Int32 id, Bool v) { SetData(id, GeData(v)); }
  void SetInt32(Int32 id, Int32 v) { SetData(id, GeData(v)); }
  void SetFloat(Int32 id, Float v) { SetData(id, GeData(v)); }
  void SetVector(Int32 id, const Vector& v) { SetData(id, GeData(v)); }
  void SetString(Int32 id, const String& v) { SetData(id, GeData(v)); }
  void SetTime(Int32 id, const BaseTime& v) { SetData(id, GeData(v)); }
  void SetContainer(Int32 id, const BaseContainer& v) { SetData(id, GeData(v)); }
  GeData* SetData(Int32 id, const GeData& v);
  void FlushAll() { entries_.clear(); }

  Int32 GetEntryCount() const { return static_cast<Int32>(entries_.size()); }
  Int32 GetIndexId(Int32 index) const;
  const GeData* GetIndexData(Int32 index) const;

  bool operator==(const BaseContainer& o) const;

 private:
  Int32 id_ = 0;
  std::vector<std::pair<Int32, GeData>> entries_;
};

struct DescLevel {
  Int32 id = 0;
  Int32 dtype = 0;
  Int32 creator = 0;
  constexpr DescLevel() = default;
  constexpr DescLevel(Int32 i) : id(i) {}  // NOLINT
  constexpr DescLevel(Int32 i, Int32 t, Int32 c) : id(i), dtype(t), creator(c) {}
  constexpr bool operator==(const DescLevel& o) const { return id == o.id; }
};

// The identifier of a description entry: one level per step into a parameter's sub-values.
class DescID {
 public:
  DescID() = default;
  DescID(Int32 id) : levels_{DescLevel(id)} {}     // NOLINT
  DescID(const DescLevel& l) : levels_{l} {}        // NOLINT
  Int32 GetDepth() const { return static_cast<Int32>(levels_.size()); }
  const DescLevel& operator[](Int32 pos) const;
  // True when this identifier is a leading part of `cmp` (or equal to it); *pos receives its depth.
  Bool IsPartOf(const DescID& cmp, Int32* pos) const;
  bool operator==(const DescID& o) const { return levels_ == o.levels_; }

 private:
  std::vector<DescLevel> levels_;
};

// Data of message 18: the button that was pressed.
struct DescriptionCommand {
  DescID _descId;
};

// Data of message 17: the parameter that was set.
struct DescriptionPostSetValue {
  const DescID* descid = nullptr;
};
