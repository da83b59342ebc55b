// Text layout: UTF-8 text set in a font into flattened glyph outlines (FreeType).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text_fonts.h"
#include "text_outline.h"

namespace zvhost {

// The longest text laid out, in characters (code points). Laying out and extruding cost about a
// millisecond per glyph for the most intricate ones; a label holds a number or a formula.
inline constexpr std::size_t kMaxLayoutCharacters = 4096;

// Lays out one line (or several lines separated by '\n') of UTF-8 text with the font so that the
// font's em square is `height` units tall (height <= 0 or non-finite gives an empty outline).
// Baseline of the first line at y = 0, y up, x right; following lines move down by the font's
// line spacing. Alignment PRIM_TEXT_ALIGN_LEFT starts the text at x = 0, PRIM_TEXT_ALIGN_MIDDLE
// centres each line's advance width on x = 0, PRIM_TEXT_ALIGN_RIGHT ends it at x = 0; other values
// are treated as left.
// Uses kerning where the font has it. Quadratic and cubic curves are flattened finely enough that
// the deviation is below height/500. Glyphs missing from the font use the font's .notdef glyph.
// Blanks advance; a tab advances like a blank, other control characters are skipped, malformed
// UTF-8 becomes U+FFFD. Outer contours run counter-clockwise, holes clockwise.
// Returns false and sets *error (when error is not null) when the font file cannot be opened or
// holds no scalable outlines, when the text is longer than kMaxLayoutCharacters, or when out is
// null. Thread-safe; opened faces are cached.
bool LayoutText(const FontInfo& font, std::string_view utf8, double height, int alignment,
                TextOutline* out, std::string* error);

}  // namespace zvhost
