// The host's custom data types: the colour gradient and font data.
#pragma once

#include <memory>
#include <vector>

#include "c4d_gedata.h"
#include "c4d_ids.h"

class BaseDocument;

struct InitRenderStruct {
  BaseDocument* doc = nullptr;
  explicit InitRenderStruct(BaseDocument* d) : doc(d) {}
};

struct GradientKnot {
  Vector col;
  Float brightness = 1.0;
  Float pos = 0.0;
  Float bias = 0.5;
  Int32 index = 0;
  Int32 interpolation = GRADIENT_INTERPOLATION_SMOOTHKNOT;
  bool operator==(const GradientKnot&) const = default;
};

// A colour gradient over 0 ... 1. Sampling needs InitRender first and FreeRender after.
class Gradient : public CustomDataType {
 public:
  static constexpr Int32 kTypeId = CUSTOMDATATYPE_GRADIENT;
  static Gradient* Alloc();
  static void Free(Gradient*& g);

  Int32 InsertKnot(const GradientKnot& knot);
  Int32 GetKnotCount() const { return static_cast<Int32>(knots_.size()); }
  const GradientKnot& GetKnot(Int32 i) const { return knots_[static_cast<size_t>(i)]; }
  Bool SetData(Int32 id, const GeData& data);
  GeData GetData(Int32 id) const;
  const BaseContainer& GetSettings() const { return settings_; }

  // Sorts the knots for sampling; false when the gradient has none.
  Bool InitRender(const InitRenderStruct& irs) const;
  // The colour at `pos` (clamped to 0 ... 1), knot brightness applied.
  Vector CalcGradientPixel(Float pos) const;
  void FreeRender() const;

 private:
  Int32 GetCustomDataTypeId() const override { return kTypeId; }
  std::unique_ptr<CustomDataType> Clone() const override;
  Bool IsEqual(const CustomDataType& other) const override;

  std::vector<GradientKnot> knots_;
  BaseContainer settings_;
  mutable std::vector<GradientKnot> render_;
};

// Font description ids inside a font container.
constexpr Int32 FONT_FAMILY = 500;
constexpr Int32 FONT_STYLE = 501;
constexpr Int32 FONT_FILE = 502;
constexpr Int32 FONT_INDEX = 503;

// The font queries' choices: the list of installed fonts as one container per font, the family
// name of a font, and the host's system font as the default font.
constexpr Int32 GE_CM_FONTSORT_FLAT = 0;
constexpr Int32 GE_FONT_NAME_FAMILY = 1;
constexpr Int32 GE_FONT_DEFAULT_SYSTEM = 0;

// A font chosen for text objects: a font description container.
class FontData : public CustomDataType {
 public:
  static constexpr Int32 kTypeId = CUSTOMDATATYPE_FONT;
  static FontData* Alloc();
  static void Free(FontData*& f);

  void SetFont(const BaseContainer* font) { font_ = font ? *font : BaseContainer(); }
  const BaseContainer& GetFont() const { return font_; }

  // The installed fonts: one font description container per font, as sub-containers of `dst`.
  static Bool GetInstalledFonts(Int32 sort, BaseContainer* dst);
  // The name of a font description. The host keeps the family name only, so every kind of name
  // answers with it.
  static Bool GetFontName(const BaseContainer* font, Int32 nameKind, String* dst);
  // The host's default font description.
  static Bool GetDefaultFont(Int32 kind, BaseContainer* dst);

 private:
  Int32 GetCustomDataTypeId() const override { return kTypeId; }
  std::unique_ptr<CustomDataType> Clone() const override;
  Bool IsEqual(const CustomDataType& other) const override;

  BaseContainer font_;
};
