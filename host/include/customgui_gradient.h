// The colour gradient custom data type.
#pragma once

#include "c4d_basecontainer.h"
#include "c4d_customdatatype.h"
#include "c4d_shader.h"
#include "maxon/gradient.h"

constexpr Int32 CUSTOMDATATYPE_GRADIENT = 1000481;
// The gradient's own settings.
constexpr Int32 GRADIENT_MODE = 1002;
constexpr Int32 GRADIENTMODE_COLOR = 0;

// A colour gradient over 0 ... 1.
class Gradient : public CustomDataTypeT<CUSTOMDATATYPE_GRADIENT> {
 public:
  static Gradient* Alloc();
  static void Free(Gradient*& grad);

  // The knots sorted for sampling; an error when the gradient has none.
  maxon::Result<maxon::GradientRenderData> PrepareRenderData(const InitRenderStruct& irs) const;
  Int32 GetKnotCount() const { return static_cast<Int32>(knots_.size()); }
  // Appends a knot; its index among the knots.
  Int32 InsertKnot(const maxon::GradientKnot& knot);
  maxon::GradientKnot GetKnot(Int32 index) const { return knots_[static_cast<size_t>(index)]; }
  GeData GetData(Int32 id) const;
  Bool SetData(Int32 id, const GeData& data);

  // The stand-in host's own: the gradient's settings.
  const BaseContainer& GetSettings() const { return settings_; }

 private:
  Int32 GetCustomDataTypeId() const override { return DATATYPEID; }
  std::unique_ptr<CustomDataType> Clone() const override;
  Bool IsEqual(const CustomDataType& other) const override;

  std::vector<maxon::GradientKnot> knots_;
  BaseContainer settings_;
};
