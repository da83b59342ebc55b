// Text geometry for the headless host: font discovery (fontconfig), text layout into flattened
// glyph outlines (FreeType) and extrusion of those outlines into closed triangle meshes (GLU
// tessellator).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zvhost {

struct FontInfo {
  std::string family;  // e.g. "DejaVu Sans"
  std::string style;   // e.g. "Book", "Bold"
  std::string file;    // font file path
  int index = 0;       // face index in the file
};

// Installed fonts from fontconfig (scalable outline fonts only), sorted by family then style
// (byte-wise), no two entries with the same family and style.
std::vector<FontInfo> ListInstalledFonts();

// The host's default font: fontconfig's best match for "sans-serif" (regular). nullopt when none.
std::optional<FontInfo> DefaultFont();

using Point2 = std::array<double, 2>;

struct TextOutline {
  // Closed polylines (last point != first), curves flattened.
  std::vector<std::vector<Point2>> contours;
  double minX = 0, minY = 0, maxX = 0, maxY = 0;  // bounding box of all contours (0 when empty)
};

// Lays out one line (or several lines separated by '\n') of UTF-8 text with the font so that the
// font's em square is `height` units tall (height <= 0 or non-finite gives an empty outline).
// Baseline of the first line at y = 0, y up, x right; following lines move down by the font's
// line spacing. alignment 0 left (text starts at x = 0), 1 centred (each line's advance width is
// centred on x = 0), 2 right (ends at x = 0); other values are treated as left.
// Uses kerning where the font has it. Quadratic and cubic curves are flattened finely enough that
// the deviation is below height/500. Glyphs missing from the font use the font's .notdef glyph.
// Blanks advance; a tab advances like a blank, other control characters are skipped, malformed
// UTF-8 becomes U+FFFD. Outer contours run counter-clockwise, holes clockwise.
// Returns false and sets *error (when error is not null) when the font file cannot be opened or
// holds no scalable outlines, or when out is null. Thread-safe; opened faces are cached.
bool LayoutText(const FontInfo& font, std::string_view utf8, double height, int alignment,
                TextOutline* out, std::string* error);

using Point3 = std::array<double, 3>;

struct SolidMesh {
  std::vector<Point3> points;
  // Counter-clockwise seen from outside (outward normals).
  std::vector<std::array<int, 3>> triangles;
};

// Extrudes the outline along `extrusion` (e.g. (0,0,depth)): a front cap in the outline's plane
// (z = 0), a back cap moved by `extrusion`, and side walls. The filled region is the non-zero
// winding region of the contours, so holes (the inside of "0", "8", "A", "o") stay open and
// overlapping contours merge, whichever orientation convention the contours follow.
// An extrusion without a finite z component (in particular a zero one) gives just one cap in the
// z = 0 plane, facing +z, and no walls. Empty outline: empty mesh.
SolidMesh ExtrudeOutline(const TextOutline& outline, const Point3& extrusion);

}  // namespace zvhost
