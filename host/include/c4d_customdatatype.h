// The base of the host's custom data types (gradient, font).
#pragma once

#include <memory>

#include "ge_math.h"

class GeData;

// Data of a registered custom data type. Values are copied deeply.
struct CustomDataType {
  virtual ~CustomDataType() = default;

 private:
  // What a parameter value needs to hold its own copy and to compare it.
  friend class GeData;
  virtual Int32 GetCustomDataTypeId() const = 0;
  virtual std::unique_ptr<CustomDataType> Clone() const = 0;
  virtual Bool IsEqual(const CustomDataType& other) const = 0;
};

template <Int32 TDATATYPEID>
struct CustomDataTypeT : public CustomDataType {
  static constexpr Int32 DATATYPEID = TDATATYPEID;
};
