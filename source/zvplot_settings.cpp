#include "zvplot_settings.h"

#include "o3dplot.h"

namespace {

constexpr const char* kPresets[PRESET_COUNT] = {
    "Sin(x) * Cos(z)",
    "x^3 * Sin(z * 10)",
    "x * x * z",
    "Tan(x) * Atan(z)",
    "Pow(Sin(x); 3)",
    "(x * x) / (z * z)",
    "Pow((x * x) + (z * z); 0.5)",
    "Cos(Abs(x) + Abs(z))",
    "Log(x)",
    "x * Cos(z)",
    "Sin(Sqrt((x * x) + (z * z)))",
};

// What a change of a setting does to the samples.
enum class Change { EVALUATES, KEEPS };

// Every setting once, in the order the container's entries are written: its parameter, its member,
// its default, and whether a change means evaluating the formula anew. Size and height keep the
// samples because the plot rescales them.
template <typename Visit>
void ForEachSetting(Visit&& visit) {
  using S = PlotSettings;
  using C = Change;
  visit(O3DPLOT_PRESET, &S::preset, Int32(O3DPLOT_PRESET_0), C::KEEPS);
  visit(O3DPLOT_RESOLUTION, &S::resolution, Int32(50), C::EVALUATES);
  visit(O3DPLOT_SIZE, &S::size, Float(200.0), C::KEEPS);
  visit(O3DPLOT_HEIGHT, &S::height, Float(50.0), C::KEEPS);
  visit(O3DPLOT_HEIGHTMODE, &S::heightMode, Int32(O3DPLOT_HEIGHTMODE_FIT), C::EVALUATES);
  visit(O3DPLOT_FORMULA, &S::formula, String(kPresets[O3DPLOT_PRESET_0]), C::EVALUATES);
  visit(O3DPLOT_ANIMATE, &S::animate, Bool(true), C::KEEPS);
  visit(O3DPLOT_SCALE_POSITIVE, &S::scalePositive, Float(1.0), C::EVALUATES);
  visit(O3DPLOT_SCALE_NEGATIVE, &S::scaleNegative, Float(1.0), C::EVALUATES);
  visit(O3DPLOT_SEPARATE_Z, &S::separateZ, Bool(false), C::EVALUATES);
  visit(O3DPLOT_XMIN, &S::xMin, Float(-180.0), C::EVALUATES);
  visit(O3DPLOT_XMAX, &S::xMax, Float(180.0), C::EVALUATES);
  visit(O3DPLOT_ZMIN, &S::zMin, Float(-180.0), C::EVALUATES);
  visit(O3DPLOT_ZMAX, &S::zMax, Float(180.0), C::EVALUATES);
  visit(O3DPLOT_COLORMODE, &S::colorMode, Int32(O3DPLOT_COLORMODE_GRADIENT), C::KEEPS);
  visit(O3DPLOT_COLOR, &S::color, Vector(1, 1, 1), C::KEEPS);
  visit(O3DPLOT_POINTSTYLE, &S::pointStyle, Int32(O3DPLOT_POINTSTYLE_DOT), C::KEEPS);
  visit(O3DPLOT_POINTSIZE, &S::pointSize, Float(1.0), C::KEEPS);
  visit(O3DPLOT_GRADIENT_ABSOLUTE, &S::gradientAbsolute, Bool(false), C::KEEPS);
  // Last, so that the containers of plots made before it list their entries as they did.
  visit(O3DPLOT_COLORRANGE, &S::colorRange, Int32(O3DPLOT_COLORRANGE_VALUES), C::KEEPS);
}

void Get(const BaseContainer& bc, Int32 id, Int32& value) { value = bc.GetInt32(id); }
void Get(const BaseContainer& bc, Int32 id, Float& value) { value = bc.GetFloat(id); }
void Get(const BaseContainer& bc, Int32 id, Bool& value) { value = bc.GetBool(id); }
void Get(const BaseContainer& bc, Int32 id, Vector& value) { value = bc.GetVector(id); }
void Get(const BaseContainer& bc, Int32 id, String& value) { value = bc.GetString(id); }

void Set(BaseContainer* bc, Int32 id, const Int32& value) { bc->SetInt32(id, value); }
void Set(BaseContainer* bc, Int32 id, const Float& value) { bc->SetFloat(id, value); }
void Set(BaseContainer* bc, Int32 id, const Bool& value) { bc->SetBool(id, value); }
void Set(BaseContainer* bc, Int32 id, const Vector& value) { bc->SetVector(id, value); }
void Set(BaseContainer* bc, Int32 id, const String& value) { bc->SetString(id, value); }

// Values compare by value; a NaN never equals anything, so it always counts as a change.
template <typename T>
bool Differs(const T& a, const T& b) {
  return !(a == b);
}

Gradient* MakeDefaultGradient() {
  Gradient* g = Gradient::Alloc();
  if (!g) return nullptr;
  g->SetData(GRADIENT_MODE, GeData(Int32(GRADIENTMODE_COLOR)));
  const Vector colours[] = {Vector(0, 0, 1), Vector(0, 1, 0), Vector(1, 0, 0)};
  for (Int32 i = 0; i < 3; ++i) AddSmoothKnot(g, colours[i], 0.5 * i);
  return g;
}

}  // namespace

const char* PresetFormula(Int32 index) {
  return index >= 0 && index < PRESET_COUNT ? kPresets[index] : nullptr;
}

PlotSettings PlotSettings::Defaults() {
  PlotSettings s;
  ForEachSetting([&s](Int32, auto member, const auto& value, Change) { s.*member = value; });
  return s;
}

PlotSettings PlotSettings::Read(const BaseContainer& bc) {
  PlotSettings s;
  ForEachSetting([&](Int32 id, auto member, const auto&, Change) { Get(bc, id, s.*member); });
  return s;
}

void PlotSettings::Write(BaseContainer* bc) const {
  if (!bc) return;
  ForEachSetting([&](Int32 id, auto member, const auto&, Change) { Set(bc, id, this->*member); });
}

Bool PlotSettings::SamplesDiffer(const PlotSettings& evaluated) const {
  Bool differ = false;
  ForEachSetting([&](Int32, auto member, const auto&, Change change) {
    if (change == Change::EVALUATES && Differs(this->*member, evaluated.*member)) differ = true;
  });
  return differ;
}

void WriteDefaultGradient(BaseContainer* bc) {
  if (Gradient* g = MakeDefaultGradient()) {
    if (bc) bc->SetData(O3DPLOT_GRADIENT, CustomDataValue(*g));
    Gradient::Free(g);
  }
}
