// The font custom data type: a font description chosen for text objects.
#pragma once

#include "c4d_basecontainer.h"
#include "c4d_customdatatype.h"

constexpr Int32 FONTCHOOSER_DATA = 1009372;

// Font data is made by the host, as a parameter's value (GeData(FONTCHOOSER_DATA, DEFAULTVALUE)).
class FontData : public CustomDataTypeT<FONTCHOOSER_DATA> {
 public:
  BaseContainer GetFont() const { return font_; }
  void SetFont(const BaseContainer* bc) { font_ = bc ? *bc : BaseContainer(); }

 private:
  friend class GeData;
  FontData() = default;
  Int32 GetCustomDataTypeId() const override { return DATATYPEID; }
  std::unique_ptr<CustomDataType> Clone() const override;
  Bool IsEqual(const CustomDataType& other) const override;

  BaseContainer font_;
};
