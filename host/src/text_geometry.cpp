// Text geometry for the headless host. See text_geometry.h for the contract.
//
// Fonts come from fontconfig, glyph outlines from FreeType (loaded unscaled, in font units, and
// flattened once per glyph); caps are tessellated with the GLU tessellator, which needs no GL
// context.

#include "text_geometry.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace zvhost {
namespace {

// ---------------------------------------------------------------------------------------------
// fontconfig

std::mutex& FontconfigMutex() {
  static std::mutex m;
  return m;
}

// The pattern's `object` in English when the font names it in several languages, else the first.
std::string PatternString(FcPattern* pattern, const char* object, const char* langObject) {
  int chosen = 0;
  FcChar8* lang = nullptr;
  for (int i = 0; FcPatternGetString(pattern, langObject, i, &lang) == FcResultMatch; ++i) {
    if (std::string_view(reinterpret_cast<const char*>(lang)) == "en") {
      chosen = i;
      break;
    }
  }
  FcChar8* value = nullptr;
  if (FcPatternGetString(pattern, object, chosen, &value) != FcResultMatch &&
      FcPatternGetString(pattern, object, 0, &value) != FcResultMatch) {
    return {};
  }
  return reinterpret_cast<const char*>(value);
}

// True when the pattern does not state the boolean or states it as true.
bool BoolOrTrue(FcPattern* pattern, const char* object) {
  FcBool value = FcTrue;
  return FcPatternGetBool(pattern, object, 0, &value) != FcResultMatch || value != FcFalse;
}

std::optional<FontInfo> InfoFromPattern(FcPattern* pattern) {
  FcChar8* file = nullptr;
  if (FcPatternGetString(pattern, FC_FILE, 0, &file) != FcResultMatch || file == nullptr ||
      *file == 0) {
    return std::nullopt;
  }
  if (!BoolOrTrue(pattern, FC_OUTLINE) || !BoolOrTrue(pattern, FC_SCALABLE)) return std::nullopt;
  FontInfo info;
  info.file = reinterpret_cast<const char*>(file);
  info.family = PatternString(pattern, FC_FAMILY, FC_FAMILYLANG);
  info.style = PatternString(pattern, FC_STYLE, FC_STYLELANG);
  if (info.family.empty()) return std::nullopt;
  if (info.style.empty()) info.style = "Regular";
  int index = 0;
  if (FcPatternGetInteger(pattern, FC_INDEX, 0, &index) == FcResultMatch) info.index = index;
  return info;
}

// ---------------------------------------------------------------------------------------------
// FreeType

// Messages from FreeType's own error list (FT_Error_String is not compiled in by default).
struct FreeTypeErrorEntry {
  int code;
  const char* message;
};
// clang-format off
#undef FTERRORS_H_
#define FT_ERRORDEF(e, v, s) {e, s},
#define FT_ERROR_START_LIST {
#define FT_ERROR_END_LIST {0, nullptr}}
const FreeTypeErrorEntry kFreeTypeErrors[] =
#include FT_ERRORS_H
;
// clang-format on

std::string FreeTypeErrorText(FT_Error code) {
  for (const FreeTypeErrorEntry& entry : kFreeTypeErrors) {
    if (entry.message != nullptr && entry.code == code) return entry.message;
  }
  return "FreeType error " + std::to_string(code);
}

struct GlyphShape {
  std::vector<std::vector<Point2>> contours;  // font units, outer contours counter-clockwise
  double advance = 0;                         // font units
};

struct CachedFace {
  std::string file;
  int index = 0;
  FT_Face face = nullptr;
  double unitsPerEm = 0;  // font units per em
  double coordScale = 1;  // outline coordinate -> font units
  FT_Int32 loadFlags = 0;
  std::unordered_map<FT_UInt, GlyphShape> glyphs;
};

// One FreeType library with a small LRU cache of opened faces and their flattened glyphs. FreeType
// faces are not thread-safe, so everything runs under the one mutex; laying out a label takes
// microseconds.
class FaceCache {
 public:
  static constexpr std::size_t kMaxFaces = 8;
  static constexpr std::size_t kMaxGlyphsPerFace = 4096;

  static FaceCache& Instance() {
    static FaceCache cache;
    return cache;
  }

  FaceCache(const FaceCache&) = delete;
  FaceCache& operator=(const FaceCache&) = delete;

  ~FaceCache() {
    for (CachedFace& entry : faces_) FT_Done_Face(entry.face);
    if (library_ != nullptr) FT_Done_FreeType(library_);
  }

  std::mutex& Mutex() { return mutex_; }

  // Caller holds Mutex(). The returned entry stays valid until the next Acquire.
  CachedFace* Acquire(const FontInfo& font, std::string* error) {
    for (auto it = faces_.begin(); it != faces_.end(); ++it) {
      if (it->index == font.index && it->file == font.file) {
        faces_.splice(faces_.begin(), faces_, it);
        return &faces_.front();
      }
    }
    if (library_ == nullptr) {
      const FT_Error err = FT_Init_FreeType(&library_);
      if (err != 0) {
        library_ = nullptr;
        *error = "cannot initialise FreeType: " + FreeTypeErrorText(err);
        return nullptr;
      }
    }
    FT_Face face = nullptr;
    const FT_Error err = FT_New_Face(library_, font.file.c_str(), font.index, &face);
    if (err != 0) {
      *error = "cannot open font file \"" + font.file + "\" (face " + std::to_string(font.index) +
               "): " + FreeTypeErrorText(err);
      return nullptr;
    }
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
      FT_Done_Face(face);
      *error = "font file \"" + font.file + "\" holds no scalable outlines";
      return nullptr;
    }
    if (face->charmap == nullptr && face->num_charmaps > 0) FT_Set_Charmap(face, face->charmaps[0]);

    CachedFace entry;
    entry.file = font.file;
    entry.index = font.index;
    entry.face = face;
    entry.unitsPerEm = face->units_per_EM;
    if (FT_IS_TRICKY(face)) {
      // Tricky fonts only draw correctly when hinted: hint at one pixel per font unit and read
      // the 26.6 coordinates.
      FT_Set_Pixel_Sizes(face, face->units_per_EM, face->units_per_EM);
      entry.loadFlags = FT_LOAD_NO_BITMAP;
      entry.coordScale = 1.0 / 64.0;
    } else {
      entry.loadFlags = FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING;
    }
    faces_.push_front(std::move(entry));
    while (faces_.size() > kMaxFaces) {
      FT_Done_Face(faces_.back().face);
      faces_.pop_back();
    }
    return &faces_.front();
  }

 private:
  FaceCache() = default;

  std::mutex mutex_;
  FT_Library library_ = nullptr;
  std::list<CachedFace> faces_;  // most recently used first
};

// Collects a glyph outline as polylines, flattening Bézier segments with a fixed tolerance.
struct Flattener {
  double scale = 1;      // outline coordinates -> font units
  double tolerance = 1;  // font units
  std::vector<std::vector<Point2>> contours;
  Point2 current{0, 0};

  Point2 Map(const FT_Vector* v) const {
    return {static_cast<double>(v->x) * scale, static_cast<double>(v->y) * scale};
  }
  void Add(const Point2& p) {
    contours.back().push_back(p);
    current = p;
  }

  // Chords over parameter steps of 1/n deviate from the curve by at most max|B''| / (8 n^2).
  int Segments(double maxSecondDerivative) const {
    const double n = std::ceil(std::sqrt(maxSecondDerivative / (8.0 * tolerance)));
    return static_cast<int>(std::clamp(n, 1.0, 1000.0));
  }

  static int MoveTo(const FT_Vector* to, void* user) {
    auto* self = static_cast<Flattener*>(user);
    self->contours.emplace_back();
    self->Add(self->Map(to));
    return 0;
  }
  static int LineTo(const FT_Vector* to, void* user) {
    auto* self = static_cast<Flattener*>(user);
    self->Add(self->Map(to));
    return 0;
  }
  static int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    auto* self = static_cast<Flattener*>(user);
    const Point2 p0 = self->current, p1 = self->Map(control), p2 = self->Map(to);
    // B'' = 2 (p0 - 2 p1 + p2)
    const double d = 2.0 * std::hypot(p0[0] - 2 * p1[0] + p2[0], p0[1] - 2 * p1[1] + p2[1]);
    const int n = self->Segments(d);
    for (int i = 1; i <= n; ++i) {
      const double t = static_cast<double>(i) / n, u = 1 - t;
      self->Add({u * u * p0[0] + 2 * u * t * p1[0] + t * t * p2[0],
                 u * u * p0[1] + 2 * u * t * p1[1] + t * t * p2[1]});
    }
    return 0;
  }
  static int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
    auto* self = static_cast<Flattener*>(user);
    const Point2 p0 = self->current, p1 = self->Map(c1), p2 = self->Map(c2), p3 = self->Map(to);
    // B'' = 6 ((1-t)(p0 - 2 p1 + p2) + t (p1 - 2 p2 + p3)), bounded by its value at either end.
    const double d =
        6.0 * std::max(std::hypot(p0[0] - 2 * p1[0] + p2[0], p0[1] - 2 * p1[1] + p2[1]),
                       std::hypot(p1[0] - 2 * p2[0] + p3[0], p1[1] - 2 * p2[1] + p3[1]));
    const int n = self->Segments(d);
    for (int i = 1; i <= n; ++i) {
      const double t = static_cast<double>(i) / n, u = 1 - t;
      const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, e = t * t * t;
      self->Add({a * p0[0] + b * p1[0] + c * p2[0] + e * p3[0],
                 a * p0[1] + b * p1[1] + c * p2[1] + e * p3[1]});
    }
    return 0;
  }
};

double SignedArea(const std::vector<Point2>& contour) {
  double sum = 0;
  for (std::size_t i = 0, n = contour.size(); i < n; ++i) {
    const Point2& a = contour[i];
    const Point2& b = contour[(i + 1) % n];
    sum += a[0] * b[1] - b[0] * a[1];
  }
  return 0.5 * sum;
}

// Drops repeated points and the closing point; false when too little is left to enclose an area.
bool CleanContour(std::vector<Point2>& contour) {
  contour.erase(std::unique(contour.begin(), contour.end()), contour.end());
  while (contour.size() > 1 && contour.front() == contour.back()) contour.pop_back();
  return contour.size() >= 3 && SignedArea(contour) != 0;
}

// Glyph shape in font units, flattened and oriented outer-counter-clockwise; loaded once per face.
const GlyphShape& LoadGlyph(CachedFace& cached, FT_UInt glyphIndex) {
  if (auto it = cached.glyphs.find(glyphIndex); it != cached.glyphs.end()) return it->second;
  if (cached.glyphs.size() >= FaceCache::kMaxGlyphsPerFace) cached.glyphs.clear();

  GlyphShape shape;
  FT_Face face = cached.face;
  FT_Error err = FT_Load_Glyph(face, glyphIndex, cached.loadFlags);
  if (err != 0 && glyphIndex != 0) err = FT_Load_Glyph(face, 0, cached.loadFlags);
  if (err == 0) {
    shape.advance = static_cast<double>(face->glyph->advance.x) * cached.coordScale;
    if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
      Flattener flattener;
      flattener.scale = cached.coordScale;
      // Deviation stays below em/1000, half of what labels can tolerate.
      flattener.tolerance = cached.unitsPerEm / 1000.0;
      FT_Outline_Funcs funcs{};
      funcs.move_to = &Flattener::MoveTo;
      funcs.line_to = &Flattener::LineTo;
      funcs.conic_to = &Flattener::ConicTo;
      funcs.cubic_to = &Flattener::CubicTo;
      if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &flattener) == 0) {
        double total = 0;
        for (auto& contour : flattener.contours) {
          if (!CleanContour(contour)) continue;
          total += SignedArea(contour);
          shape.contours.push_back(std::move(contour));
        }
        // TrueType draws outer contours clockwise, PostScript counter-clockwise; keep the latter.
        if (total < 0) {
          for (auto& contour : shape.contours) std::reverse(contour.begin(), contour.end());
        }
      }
    }
  }
  return cached.glyphs.emplace(glyphIndex, std::move(shape)).first->second;
}

FT_UInt GlyphFor(FT_Face face, char32_t codepoint) {
  FT_UInt glyph = FT_Get_Char_Index(face, codepoint);
  // Symbol fonts map their characters into the private use area at U+F000.
  if (glyph == 0 && codepoint < 0x100 && face->charmap != nullptr &&
      face->charmap->encoding == FT_ENCODING_MS_SYMBOL) {
    glyph = FT_Get_Char_Index(face, 0xF000 + codepoint);
  }
  return glyph;
}

// Decodes UTF-8; every malformed or truncated sequence, surrogate or overlong form yields U+FFFD
// for its first byte.
std::u32string DecodeUtf8(std::string_view text) {
  std::u32string result;
  result.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    int length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      length = 1;
      cp = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      cp = lead & 0x1F;
      minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      cp = lead & 0x0F;
      minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      cp = lead & 0x07;
      minimum = 0x10000;
    }
    bool valid = length > 0 && i + length <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto byte = static_cast<unsigned char>(text[i + k]);
      if ((byte & 0xC0) != 0x80) valid = false;
      cp = (cp << 6) | (byte & 0x3F);
    }
    if (valid && (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) valid = false;
    if (valid) {
      result.push_back(cp);
      i += length;
    } else {
      result.push_back(0xFFFD);
      ++i;
    }
  }
  return result;
}

// ---------------------------------------------------------------------------------------------
// GLU tessellation

void* ToData(int index) { return reinterpret_cast<void*>(static_cast<std::intptr_t>(index) + 1); }
int FromData(void* data) { return static_cast<int>(reinterpret_cast<std::intptr_t>(data) - 1); }

// Collects what the tessellator emits. Vertices are passed as indices into `vertices`; vertices
// created at intersections are appended (or mapped onto an existing vertex at the same position).
struct TessState {
  std::vector<Point2>* vertices = nullptr;
  std::map<Point2, int>* lookup = nullptr;
  std::vector<std::vector<int>> loops;        // boundary mode
  std::vector<std::array<int, 3>> triangles;  // triangle mode
  GLenum primitive = 0;
  std::vector<int> primitiveVertices;
  bool failed = false;
};

void GLAPIENTRY OnBegin(GLenum type, void* state) {
  auto* s = static_cast<TessState*>(state);
  s->primitive = type;
  s->primitiveVertices.clear();
}

void GLAPIENTRY OnVertex(void* vertex, void* state) {
  static_cast<TessState*>(state)->primitiveVertices.push_back(FromData(vertex));
}

void GLAPIENTRY OnEnd(void* state) {
  auto* s = static_cast<TessState*>(state);
  const std::vector<int>& v = s->primitiveVertices;
  const std::size_t n = v.size();
  switch (s->primitive) {
    case GL_LINE_LOOP:
      s->loops.push_back(v);
      break;
    case GL_TRIANGLES:
      for (std::size_t i = 0; i + 2 < n; i += 3) s->triangles.push_back({v[i], v[i + 1], v[i + 2]});
      break;
    case GL_TRIANGLE_FAN:
      for (std::size_t i = 1; i + 1 < n; ++i) s->triangles.push_back({v[0], v[i], v[i + 1]});
      break;
    case GL_TRIANGLE_STRIP:
      for (std::size_t i = 0; i + 2 < n; ++i) {
        if (i % 2 == 0) {
          s->triangles.push_back({v[i], v[i + 1], v[i + 2]});
        } else {
          s->triangles.push_back({v[i + 1], v[i], v[i + 2]});
        }
      }
      break;
    default:
      break;
  }
  s->primitiveVertices.clear();
}

void GLAPIENTRY OnEdgeFlag(GLboolean, void*) {
  // Registering this makes the tessellator emit plain triangles.
}

void GLAPIENTRY OnCombine(GLdouble coords[3], void* /*data*/[4], GLfloat /*weight*/[4], void** out,
                          void* state) {
  auto* s = static_cast<TessState*>(state);
  const Point2 p{coords[0], coords[1]};
  auto [it, inserted] = s->lookup->emplace(p, static_cast<int>(s->vertices->size()));
  if (inserted) s->vertices->push_back(p);
  *out = ToData(it->second);
}

void GLAPIENTRY OnError(GLenum, void* state) { static_cast<TessState*>(state)->failed = true; }

using GluCallback = _GLUfuncptr;

// Runs the tessellator with the non-zero winding rule over closed loops of vertex indices. In
// boundary mode the result is the boundary of the filled region as loops, outer ones
// counter-clockwise and holes clockwise (seen from +z); otherwise it is triangles,
// counter-clockwise seen from +z.
bool Tessellate(const std::vector<std::vector<int>>& loops, std::vector<Point2>& vertices,
                std::map<Point2, int>& lookup, bool boundaryOnly, TessState& state) {
  GLUtesselator* tess = gluNewTess();
  if (tess == nullptr) return false;
  state.vertices = &vertices;
  state.lookup = &lookup;
  gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<GluCallback>(&OnBegin));
  gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<GluCallback>(&OnVertex));
  gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<GluCallback>(&OnEnd));
  gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<GluCallback>(&OnCombine));
  gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<GluCallback>(&OnError));
  if (!boundaryOnly)
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<GluCallback>(&OnEdgeFlag));
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
  gluTessProperty(tess, GLU_TESS_BOUNDARY_ONLY, boundaryOnly ? GL_TRUE : GL_FALSE);
  gluTessNormal(tess, 0, 0, 1);

  // The tessellator keeps pointers to the coordinates until the polygon ends: size them once.
  std::size_t total = 0;
  for (const auto& loop : loops) total += loop.size();
  std::vector<std::array<GLdouble, 3>> coords(total);
  std::size_t k = 0;
  gluTessBeginPolygon(tess, &state);
  for (const auto& loop : loops) {
    gluTessBeginContour(tess);
    for (int index : loop) {
      coords[k] = {vertices[index][0], vertices[index][1], 0.0};
      gluTessVertex(tess, coords[k].data(), ToData(index));
      ++k;
    }
    gluTessEndContour(tess);
  }
  gluTessEndPolygon(tess);
  gluDeleteTess(tess);
  return !state.failed;
}

}  // namespace

// -----------------------------------------------------------------------------------------------

std::vector<FontInfo> ListInstalledFonts() {
  std::vector<FontInfo> fonts;
  {
    std::lock_guard lock(FontconfigMutex());
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects =
        FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, FC_STYLE, FC_STYLELANG, FC_FILE, FC_INDEX,
                         FC_OUTLINE, FC_SCALABLE, FC_VARIABLE, nullptr);
    FcFontSet* set = nullptr;
    if (pattern != nullptr && objects != nullptr) {
      FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
      FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
      set = FcFontList(nullptr, pattern, objects);
    }
    for (int i = 0; set != nullptr && i < set->nfont; ++i) {
      FcPattern* font = set->fonts[i];
      // A variable font is also listed once per named instance; its default pattern adds nothing.
      FcBool variable = FcFalse;
      if (FcPatternGetBool(font, FC_VARIABLE, 0, &variable) == FcResultMatch && variable != FcFalse)
        continue;
      if (auto info = InfoFromPattern(font)) fonts.push_back(std::move(*info));
    }
    if (set != nullptr) FcFontSetDestroy(set);
    if (objects != nullptr) FcObjectSetDestroy(objects);
    if (pattern != nullptr) FcPatternDestroy(pattern);
  }
  std::sort(fonts.begin(), fonts.end(), [](const FontInfo& a, const FontInfo& b) {
    return std::tie(a.family, a.style, a.file, a.index) <
           std::tie(b.family, b.style, b.file, b.index);
  });
  fonts.erase(std::unique(fonts.begin(), fonts.end(),
                          [](const FontInfo& a, const FontInfo& b) {
                            return a.family == b.family && a.style == b.style;
                          }),
              fonts.end());
  return fonts;
}

std::optional<FontInfo> DefaultFont() {
  std::lock_guard lock(FontconfigMutex());
  FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>("sans-serif"));
  if (pattern == nullptr) return std::nullopt;
  FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  std::optional<FontInfo> info;
  if (FcConfigSubstitute(nullptr, pattern, FcMatchPattern) != FcFalse) {
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
      info = InfoFromPattern(match);
      FcPatternDestroy(match);
    }
  }
  FcPatternDestroy(pattern);
  return info;
}

bool LayoutText(const FontInfo& font, std::string_view utf8, double height, int alignment,
                TextOutline* out, std::string* error) {
  std::string ignored;
  std::string& message = error != nullptr ? *error : ignored;
  if (out == nullptr) {
    message = "no output outline given";
    return false;
  }
  *out = TextOutline{};

  FaceCache& cache = FaceCache::Instance();
  std::lock_guard lock(cache.Mutex());
  CachedFace* cached = cache.Acquire(font, &message);
  if (cached == nullptr) return false;
  if (!(height > 0) || !std::isfinite(height) || utf8.empty()) return true;

  FT_Face face = cached->face;
  const double scale = height / cached->unitsPerEm;  // font units -> output units
  double lineSpacing = face->height;                 // font units
  if (lineSpacing <= 0) lineSpacing = face->ascender - face->descender;
  if (lineSpacing <= 0) lineSpacing = 1.2 * cached->unitsPerEm;
  const bool kerning = FT_HAS_KERNING(face);

  const std::u32string text = DecodeUtf8(utf8);
  std::size_t lineStartContour = 0;
  double pen = 0;  // font units along the current line
  double baseline = 0;
  FT_UInt previous = 0;
  bool hasPrevious = false;

  const auto finishLine = [&]() {
    double shift = 0;
    if (alignment == 1) shift = -0.5 * pen;
    if (alignment == 2) shift = -pen;
    shift *= scale;
    for (std::size_t c = lineStartContour; c < out->contours.size(); ++c) {
      for (Point2& p : out->contours[c]) p[0] += shift;
    }
    lineStartContour = out->contours.size();
    pen = 0;
    hasPrevious = false;
  };

  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp == U'\n') {
      finishLine();
      baseline -= lineSpacing * scale;
      continue;
    }
    if (cp == U'\t') cp = U' ';
    if (cp < 0x20 || cp == 0x7F) continue;

    const FT_UInt glyphIndex = GlyphFor(face, cp);
    if (kerning && hasPrevious) {
      FT_Vector delta{0, 0};
      if (FT_Get_Kerning(face, previous, glyphIndex, FT_KERNING_UNSCALED, &delta) == 0) {
        pen += static_cast<double>(delta.x);
      }
    }
    const GlyphShape& shape = LoadGlyph(*cached, glyphIndex);
    for (const auto& contour : shape.contours) {
      std::vector<Point2> placed;
      placed.reserve(contour.size());
      for (const Point2& p : contour)
        placed.push_back({(pen + p[0]) * scale, p[1] * scale + baseline});
      out->contours.push_back(std::move(placed));
    }
    pen += shape.advance;
    previous = glyphIndex;
    hasPrevious = true;
  }
  finishLine();

  bool first = true;
  for (const auto& contour : out->contours) {
    for (const Point2& p : contour) {
      if (first) {
        out->minX = out->maxX = p[0];
        out->minY = out->maxY = p[1];
        first = false;
      }
      out->minX = std::min(out->minX, p[0]);
      out->maxX = std::max(out->maxX, p[0]);
      out->minY = std::min(out->minY, p[1]);
      out->maxY = std::max(out->maxY, p[1]);
    }
  }
  return true;
}

SolidMesh ExtrudeOutline(const TextOutline& outline, const Point3& extrusion) {
  // Vertices shared by position, so that contours touching at a point also share the vertex.
  std::vector<Point2> vertices;
  std::map<Point2, int> lookup;
  std::vector<std::vector<int>> input;
  for (const auto& contour : outline.contours) {
    std::vector<Point2> clean = contour;
    if (!std::all_of(clean.begin(), clean.end(),
                     [](const Point2& p) { return std::isfinite(p[0]) && std::isfinite(p[1]); }) ||
        !CleanContour(clean)) {
      continue;
    }
    std::vector<int> loop;
    for (const Point2& p : clean) {
      auto [it, inserted] = lookup.emplace(p, static_cast<int>(vertices.size()));
      if (inserted) vertices.push_back(p);
      loop.push_back(it->second);
    }
    input.push_back(std::move(loop));
  }
  if (input.empty()) return {};

  // First the boundary of the filled region: overlaps are merged and every edge separates filled
  // from empty, so it can carry a side wall. Then the caps are triangulated from that boundary.
  TessState boundary;
  if (!Tessellate(input, vertices, lookup, true, boundary)) return {};
  std::vector<std::vector<int>> loops;
  for (auto& loop : boundary.loops) {
    loop.erase(std::unique(loop.begin(), loop.end()), loop.end());
    while (loop.size() > 1 && loop.front() == loop.back()) loop.pop_back();
    if (loop.size() >= 3) loops.push_back(std::move(loop));
  }
  if (loops.empty()) return {};
  TessState caps;
  if (!Tessellate(loops, vertices, lookup, false, caps)) return {};
  for (auto& t : caps.triangles) {
    const Point2 &a = vertices[t[0]], &b = vertices[t[1]], &c = vertices[t[2]];
    if ((b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]) < 0) std::swap(t[1], t[2]);
  }

  // Keep only the vertices in use.
  std::vector<int> remap(vertices.size(), -1);
  std::vector<Point2> used;
  const auto use = [&](int& index) {
    if (remap[index] < 0) {
      remap[index] = static_cast<int>(used.size());
      used.push_back(vertices[index]);
    }
    index = remap[index];
  };
  for (auto& loop : loops) std::for_each(loop.begin(), loop.end(), use);
  for (auto& t : caps.triangles) std::for_each(t.begin(), t.end(), use);

  SolidMesh mesh;
  const int n = static_cast<int>(used.size());
  for (const Point2& p : used) mesh.points.push_back({p[0], p[1], 0.0});
  if (extrusion[2] == 0 || !std::isfinite(extrusion[2])) {
    mesh.triangles = std::move(caps.triangles);
    return mesh;
  }
  for (const Point2& p : used)
    mesh.points.push_back({p[0] + extrusion[0], p[1] + extrusion[1], extrusion[2]});

  // Extruding towards +z the front cap faces -z and the back cap +z; towards -z the other way.
  const bool towardsPlusZ = extrusion[2] > 0;
  for (const auto& t : caps.triangles) {
    const std::array<int, 3> front{t[0], t[2], t[1]};
    const std::array<int, 3> back{t[0] + n, t[1] + n, t[2] + n};
    mesh.triangles.push_back(towardsPlusZ ? front
                                          : std::array<int, 3>{front[0], front[2], front[1]});
    mesh.triangles.push_back(towardsPlusZ ? back : std::array<int, 3>{back[0], back[2], back[1]});
  }
  // Each boundary edge a->b has the filled region on its left, so the wall faces right.
  for (const auto& loop : loops) {
    for (std::size_t i = 0; i < loop.size(); ++i) {
      const int a = loop[i], b = loop[(i + 1) % loop.size()];
      if (towardsPlusZ) {
        mesh.triangles.push_back({a, b, b + n});
        mesh.triangles.push_back({a, b + n, a + n});
      } else {
        mesh.triangles.push_back({a, b + n, b});
        mesh.triangles.push_back({a, a + n, b + n});
      }
    }
  }
  return mesh;
}

}  // namespace zvhost
