// Text layout. Glyph outlines are loaded unscaled, in font units, and flattened once per glyph;
// a layout only places and scales them.
#include "text_layout.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <list>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "c4d.h"
#include "host_utf8.h"

namespace zvhost {
namespace {

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

}  // namespace

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
  const std::u32string text = DecodeUtf8(utf8);
  if (text.size() > kMaxLayoutCharacters) {
    message = "a text of " + std::to_string(text.size()) + " characters is not laid out: at most " +
              std::to_string(kMaxLayoutCharacters) + " are";
    return false;
  }
  if (!(height > 0) || !std::isfinite(height) || text.empty()) return true;

  FT_Face face = cached->face;
  const double scale = height / cached->unitsPerEm;  // font units -> output units
  double lineSpacing = face->height;                 // font units
  if (lineSpacing <= 0) lineSpacing = face->ascender - face->descender;
  if (lineSpacing <= 0) lineSpacing = 1.2 * cached->unitsPerEm;
  const bool kerning = FT_HAS_KERNING(face);

  std::size_t lineStartContour = 0;
  double pen = 0;  // font units along the current line
  double baseline = 0;
  FT_UInt previous = 0;
  bool hasPrevious = false;

  const auto finishLine = [&]() {
    double shift = 0;
    if (alignment == PRIM_TEXT_ALIGN_MIDDLE) shift = -0.5 * pen;
    if (alignment == PRIM_TEXT_ALIGN_RIGHT) shift = -pen;
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
    if (!shape.contours.empty()) out->glyphStarts.push_back(out->contours.size());
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

}  // namespace zvhost
