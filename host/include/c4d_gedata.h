// Parameter values: one value of any of the host's data types.
#pragma once

#include <memory>
#include <utility>

#include "c4d_basetime.h"
#include "c4d_customdatatype.h"
#include "c4d_string.h"

class BaseContainer;

enum class DA : Int32 {
  NIL = 0,
  LONG = 15,
  REAL = 19,
  TIME = 22,
  VECTOR = 23,
  CONTAINER = 24,
  STRING = 130,
  CUSTOMDATATYPE = 1000000
};

// Chooses the constructor that makes a custom data type's default value.
enum DEFAULTVALUETYPE { DEFAULTVALUE };

class GeData {
 public:
  GeData() = default;
  GeData(Int32 v)
      : type_(DA::LONG), int_(v) {}  // NOLINT: values convert implicitly, as in the host
  GeData(double v) : type_(DA::REAL), float_(v) {}                   // NOLINT
  GeData(const Vector& v) : type_(DA::VECTOR), vector_(v) {}         // NOLINT
  GeData(const maxon::String& v) : type_(DA::STRING), string_(v) {}  // NOLINT
  GeData(const Char* v) : type_(DA::STRING), string_(v) {}           // NOLINT
  GeData(const BaseTime& v) : type_(DA::TIME), time_(v) {}           // NOLINT
  GeData(const BaseContainer& v);                                    // NOLINT
  // A value of a custom data type.
  template <typename DATATYPE, size_t = sizeof(DATATYPE::DATATYPEID)>
  explicit GeData(const DATATYPE& data) : GeData(data, DATATYPE::DATATYPEID) {}
  GeData(const CustomDataType& data, Int32 type);
  // The default value of the custom data type `type` (nothing for a type the host has not).
  GeData(Int32 type, DEFAULTVALUETYPE);
  // The stand-in host's own: a switch stored as 0 or 1.
  GeData(Bool v) : type_(DA::LONG), int_(v ? 1 : 0) {}  // NOLINT
  GeData(const GeData& o);
  GeData(GeData&& o) noexcept = default;
  GeData& operator=(const GeData& o);
  GeData& operator=(GeData&& o) noexcept = default;
  ~GeData();

  Bool GetBool() const { return GetInt32() != 0; }
  Int32 GetInt32() const;
  Float GetFloat() const;
  const Vector& GetVector() const { return vector_; }
  const String& GetString() const;
  const BaseTime& GetTime() const { return time_; }
  const BaseContainer* GetContainer() const { return container_.get(); }
  template <typename DATATYPE>
  const DATATYPE* GetCustomDataType() const {
    return static_cast<const DATATYPE*>(GetCustomDataTypeI(DATATYPE::DATATYPEID));
  }
  template <typename DATATYPE>
  DATATYPE* GetCustomDataTypeWritable() {
    return static_cast<DATATYPE*>(
        const_cast<CustomDataType*>(GetCustomDataTypeI(DATATYPE::DATATYPEID)));
  }
  const CustomDataType* GetCustomDataTypeI(Int32 datatype) const;
  Bool operator==(const GeData& o) const;
  Bool operator!=(const GeData& o) const { return !(*this == o); }

  // The stand-in host's own: the kind of value, and the custom data type id (0 for other data).
  DA GetType() const { return type_; }
  Int32 GetCustomType() const;

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
