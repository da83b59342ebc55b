// The colour gradient and font data.
#include <algorithm>
#include <cmath>

#include "c4d_customdata.h"
#include "text_fonts.h"

Gradient* Gradient::Alloc() { return new (std::nothrow) Gradient(); }

void Gradient::Free(Gradient*& g) {
  delete g;
  g = nullptr;
}

std::unique_ptr<CustomDataType> Gradient::Clone() const {
  auto copy = std::make_unique<Gradient>();
  copy->knots_ = knots_;
  copy->settings_ = settings_;
  return copy;
}

Bool Gradient::IsEqual(const CustomDataType& other) const {
  const auto* g = dynamic_cast<const Gradient*>(&other);
  return g && knots_ == g->knots_ && settings_ == g->settings_;
}

Int32 Gradient::InsertKnot(const GradientKnot& knot) {
  knots_.push_back(knot);
  return GetKnotCount() - 1;
}

Bool Gradient::SetData(Int32 id, const GeData& data) {
  settings_.SetData(id, data);
  return true;
}

GeData Gradient::GetData(Int32 id) const { return settings_.GetData(id); }

Bool Gradient::InitRender(const InitRenderStruct&) const {
  render_ = knots_;
  std::stable_sort(render_.begin(), render_.end(),
                   [](const GradientKnot& a, const GradientKnot& b) { return a.pos < b.pos; });
  return !render_.empty();
}

namespace {
// Blend weight between two knots at fraction f (0 ... 1) of the way, by the left knot's
// interpolation; the bias moves the midpoint of the blend.
Float BlendWeight(const GradientKnot& k, Float f) {
  const Float bias = std::clamp(k.bias, 0.001, 0.999);
  if (bias != 0.5) f = std::pow(f, std::log(0.5) / std::log(bias));
  switch (k.interpolation) {
    case GRADIENT_INTERPOLATION_NONE: return 0.0;
    case GRADIENT_INTERPOLATION_LINEAR:
    case GRADIENT_INTERPOLATION_LINEARKNOT: return f;
    default: return f * f * (3.0 - 2.0 * f);  // smooth and cubic knots ease in and out
  }
}
}  // namespace

Vector Gradient::CalcGradientPixel(Float pos) const {
  if (render_.empty()) return Vector();
  if (!(pos >= 0.0)) pos = 0.0;  // NaN samples the start
  if (pos > 1.0) pos = 1.0;
  const GradientKnot& first = render_.front();
  const GradientKnot& last = render_.back();
  if (pos <= first.pos) return first.col * first.brightness;
  if (pos >= last.pos) return last.col * last.brightness;
  auto next = std::upper_bound(render_.begin(), render_.end(), pos,
                               [](Float p, const GradientKnot& k) { return p < k.pos; });
  const GradientKnot& b = *next;
  const GradientKnot& a = *(next - 1);
  const Float span = b.pos - a.pos;
  const Float w = span > 0.0 ? BlendWeight(a, (pos - a.pos) / span) : 1.0;
  return a.col * (a.brightness * (1.0 - w)) + b.col * (b.brightness * w);
}

void Gradient::FreeRender() const { render_.clear(); }

FontData* FontData::Alloc() { return new (std::nothrow) FontData(); }

void FontData::Free(FontData*& f) {
  delete f;
  f = nullptr;
}

std::unique_ptr<CustomDataType> FontData::Clone() const {
  auto copy = std::make_unique<FontData>();
  copy->font_ = font_;
  return copy;
}

Bool FontData::IsEqual(const CustomDataType& other) const {
  const auto* f = dynamic_cast<const FontData*>(&other);
  return f && font_ == f->font_;
}

namespace {
BaseContainer FontDescription(const zvhost::FontInfo& f) {
  BaseContainer bc;
  bc.SetString(FONT_FAMILY, String(f.family));
  bc.SetString(FONT_STYLE, String(f.style));
  bc.SetString(FONT_FILE, String(f.file));
  bc.SetInt32(FONT_INDEX, f.index);
  return bc;
}
}  // namespace

Bool FontData::GetInstalledFonts(Int32, BaseContainer* dst) {
  if (!dst) return false;
  dst->FlushAll();
  Int32 id = 1;
  for (const zvhost::FontInfo& f : zvhost::ListInstalledFonts())
    dst->SetContainer(id++, FontDescription(f));
  return true;
}

Bool FontData::GetFontName(const BaseContainer* font, Int32, String* dst) {
  if (!font || !dst || !font->GetDataPointer(FONT_FAMILY)) return false;
  *dst = font->GetString(FONT_FAMILY);
  return true;
}

Bool FontData::GetDefaultFont(Int32, BaseContainer* dst) {
  const auto f = zvhost::DefaultFont();
  if (!f || !dst) return false;
  *dst = FontDescription(*f);
  return true;
}
