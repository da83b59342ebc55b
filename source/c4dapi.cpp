#include "c4dapi.h"

#include <cmath>

Int32 FrameOfTime(const BaseTime& time, Int32 fps) {
  const Float frame = std::floor(fps * time.GetNumerator()) / std::floor(time.GetDenominator());
  // A frame outside the int32 range (or a time with a zero denominator) has no number; it reads
  // as frame 0 instead of overflowing the conversion.
  if (!std::isfinite(frame) || std::fabs(frame) >= 2147483647.0) return 0;
  return static_cast<Int32>(frame);
}

Int32 DocumentFrame(const BaseDocument* doc) {
  if (!doc) return 0;
  const BaseContainer& bc = doc->GetDataInstanceRef();
  return FrameOfTime(bc.GetTime(DOCUMENT_TIME, BaseTime(0, 1)), bc.GetInt32(DOCUMENT_FPS));
}

Int32 DocumentStartFrame(const BaseDocument* doc) {
  if (!doc) return 0;
  const BaseContainer& bc = doc->GetDataInstanceRef();
  return FrameOfTime(bc.GetTime(DOCUMENT_MINTIME, BaseTime(0, 1)), bc.GetInt32(DOCUMENT_FPS));
}

void SetDisplayColor(BaseObject* op, const Vector& color) {
  ObjectColorProperties props;
  props.usecolor = ID_BASEOBJECT_USECOLOR_AUTOMATIC;
  props.color = color;
  props.xray = false;
  op->SetColorProperties(&props);
}

Float DocumentSeconds(const BaseDocument* doc) {
  if (!doc) return 0.0;
  const BaseTime t = doc->GetDataInstanceRef().GetTime(DOCUMENT_TIME, BaseTime(0, 1));
  return t.GetDenominator() != 0.0 ? t.GetNumerator() / t.GetDenominator() : 0.0;
}

namespace {
Float32 ClampChannel(Float32 v) {
  if (v <= 0.0f) return 0.0f;
  if (v > 0.0f && v < 1.0f) return v;
  return 1.0f;  // 1 and above, and NaN
}
}  // namespace

void SetPolygonColors(VertexColorHandle handle, Int32 polygon, const Vector& a, const Vector& b,
                      const Vector& c, const Vector& d) {
  if (!handle || polygon < 0) return;
  const auto clamp = [](const Vector& v) {
    return Vector(ClampChannel(static_cast<Float32>(v.x)), ClampChannel(static_cast<Float32>(v.y)),
                  ClampChannel(static_cast<Float32>(v.z)));
  };
  VertexColorTag::Set(handle, polygon, VertexColorStruct(clamp(a), clamp(b), clamp(c), clamp(d)));
}

void SetVertexColor(VertexColorHandle handle, Neighbor* neighbor, const CPolygon* polygons,
                    Int32 index, const Vector32& color) {
  if (!handle || index < 0) return;
  VertexColorTag::SetColor(
      handle, neighbor, polygons, index,
      maxon::Color32(ClampChannel(color.x), ClampChannel(color.y), ClampChannel(color.z)));
}
