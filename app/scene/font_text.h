// Fonts written as text: "FAMILY" or "FAMILY:STYLE" ("DejaVu Serif:Bold"), chosen among the fonts
// the host lists as installed.
#pragma once

#include <string>
#include <vector>

#include "c4d.h"

namespace zvapp {

// The installed font the text names (family and style in any case; without a style, the family's
// regular style). False with a message: an unknown family with the nearest installed family names,
// an unknown style with the family's styles.
bool ParseFont(const std::string& text, FontData* out, std::string* error);

// The font as ParseFont reads it: "FAMILY:STYLE".
std::string FontText(const FontData& font);

// The installed fonts by family, as the host lists them: each family once, with its styles.
struct FontFamily {
  std::string family;
  std::vector<std::string> styles;
};
std::vector<FontFamily> InstalledFontFamilies();

}  // namespace zvapp
