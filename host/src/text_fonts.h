// The host's fonts: the installed scalable fonts and the default one, found through fontconfig.
#pragma once

#include <optional>
#include <string>
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

}  // namespace zvhost
