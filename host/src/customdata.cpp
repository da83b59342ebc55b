// The colour gradient and font data.
#include <algorithm>
#include <cmath>

#include "c4d.h"
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

Int32 Gradient::InsertKnot(const maxon::GradientKnot& knot) {
  knots_.push_back(knot);
  return GetKnotCount() - 1;
}

Bool Gradient::SetData(Int32 id, const GeData& data) { return settings_.SetData(id, data); }

GeData Gradient::GetData(Int32 id) const { return settings_.GetData(id); }

maxon::Result<maxon::GradientRenderData> Gradient::PrepareRenderData(
    const InitRenderStruct&) const {
  if (knots_.empty()) return maxon::FAILED;
  auto sorted = std::make_shared<std::vector<maxon::GradientKnot>>(knots_);
  std::stable_sort(
      sorted->begin(), sorted->end(),
      [](const maxon::GradientKnot& a, const maxon::GradientKnot& b) { return a.pos < b.pos; });
  maxon::GradientRenderData data;
  data.knots_ = std::move(sorted);
  return data;
}

namespace {
using Interpolation = maxon::GRADIENT_INTERPOLATION_TYPE;

Float BlendWeight(const maxon::GradientKnot& k, Float f) {
  const Float bias = std::clamp(k.bias, 0.001, 0.999);
  if (bias != 0.5) f = std::pow(f, std::log(0.5) / std::log(bias));
  switch (k.interpolation) {
    case Interpolation::NONE:
      return 0.0;
    case Interpolation::LINEARKNOT:
      return f;
    default:
      return f * f * (3.0 - 2.0 * f);  // smooth and cubic knots ease in and out
  }
}

maxon::Color Scaled(const maxon::Color& c, Float s) {
  return maxon::Color(c.r * s, c.g * s, c.b * s);
}
}  // namespace

maxon::Color maxon::GradientRenderData::CalcGradientPixel(Float pos) const {
  if (!knots_ || knots_->empty()) return Color();
  const std::vector<GradientKnot>& knots = *knots_;
  if (!(pos >= 0.0)) pos = 0.0;  // NaN samples the start
  if (pos > 1.0) pos = 1.0;
  const GradientKnot& first = knots.front();
  const GradientKnot& last = knots.back();
  if (pos <= first.pos) return Scaled(first.col, first.brightness);
  if (pos >= last.pos) return Scaled(last.col, last.brightness);
  auto next = std::upper_bound(knots.begin(), knots.end(), pos,
                               [](Float p, const GradientKnot& k) { return p < k.pos; });
  const GradientKnot& b = *next;
  const GradientKnot& a = *(next - 1);
  const Float span = b.pos - a.pos;
  const Float w = span > 0.0 ? BlendWeight(a, (pos - a.pos) / span) : 1.0;
  const Color ca = Scaled(a.col, a.brightness * (1.0 - w));
  const Color cb = Scaled(b.col, b.brightness * w);
  return Color(ca.r + cb.r, ca.g + cb.g, ca.b + cb.b);
}

std::unique_ptr<CustomDataType> FontData::Clone() const {
  std::unique_ptr<FontData> copy(new FontData());
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

void GeClipMap::EnumerateFonts(BaseContainer* dst, GE_CM_FONTSORT) {
  if (!dst) return;
  dst->FlushAll();
  Int32 id = 1;
  for (const zvhost::FontInfo& f : zvhost::ListInstalledFonts())
    dst->SetContainer(id++, FontDescription(f));
}

// The host keeps a font's family and style; the display and postscript names are made of them.
Bool GeClipMap::GetFontName(const BaseContainer* font_description, GeFontNameType type,
                            String* dst) {
  if (!font_description || !dst || !font_description->GetDataPointer(FONT_FAMILY)) return false;
  const String family = font_description->GetString(FONT_FAMILY);
  const String style = font_description->GetString(FONT_STYLE);
  switch (type) {
    case GE_FONT_NAME_FAMILY:
      *dst = family;
      break;
    case GE_FONT_NAME_STYLE:
      *dst = style;
      break;
    case GE_FONT_NAME_POSTSCRIPT:
      *dst = style.IsEmpty() ? family : family + "-" + style;
      break;
    default:
      *dst = style.IsEmpty() ? family : family + " " + style;
      break;
  }
  return true;
}

Bool GeClipMap::GetDefaultFont(GeFontDefaultType, BaseContainer* font_description) {
  const auto f = zvhost::DefaultFont();
  if (!f || !font_description) return false;
  *font_description = FontDescription(*f);
  return true;
}
