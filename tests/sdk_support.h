// The host's plug-in interface in the few steps the tests take again and again.
#pragma once

#include "c4d.h"

namespace zvtest {

inline BaseObject* Clone(const BaseObject* op) {
  return static_cast<BaseObject*>(op->GetClone(COPYFLAGS::NONE, nullptr));
}

inline BaseContainer InstalledFonts() {
  BaseContainer fonts;
  GeClipMap::EnumerateFonts(&fonts, GE_CM_FONTSORT::FLAT);
  return fonts;
}

// A font parameter's value holding the font description.
inline GeData FontValue(const BaseContainer& font) {
  GeData value(FONTCHOOSER_DATA, DEFAULTVALUE);
  if (FontData* f = value.GetCustomDataTypeWritable<FontData>()) f->SetFont(&font);
  return value;
}

// The gradient's colour at `pos`, sampled as a plug-in samples it.
inline Vector GradientColour(const Gradient& g, Float pos) {
  maxon::Result<maxon::GradientRenderData> prepared = g.PrepareRenderData(InitRenderStruct());
  if (prepared == maxon::FAILED) return Vector();
  const maxon::Color c = prepared.GetValue().CalcGradientPixel(pos);
  return Vector(c.r, c.g, c.b);
}

inline Vector KnotColour(const maxon::GradientKnot& k) { return Vector(k.col.r, k.col.g, k.col.b); }

}  // namespace zvtest
