// The host's font queries: the installed fonts, a font's names and the host's default fonts. A
// font description is a container the host fills; a text object takes it through FontData.
#pragma once

#include "c4d_basecontainer.h"

enum GeFontNameType {
  GE_FONT_NAME_DISPLAY = 0,
  GE_FONT_NAME_FAMILY = 1,
  GE_FONT_NAME_STYLE = 2,
  GE_FONT_NAME_POSTSCRIPT = 3,
};

enum GeFontDefaultType {
  GE_FONT_DEFAULT_SYSTEM = 0,
  GE_FONT_DEFAULT_MONOSPACED = 1,
};

enum class GE_CM_FONTSORT { FLAT = 0, HIERARCHICAL = 1 };

// The stand-in host's own: what its font descriptions hold, for its application (scene files).
constexpr Int32 FONT_FAMILY = 500;
constexpr Int32 FONT_STYLE = 501;
constexpr Int32 FONT_FILE = 502;
constexpr Int32 FONT_INDEX = 503;

class GeClipMap {
 public:
  // One font description per installed font, as sub-containers of `dst` (emptied first).
  static void EnumerateFonts(BaseContainer* dst, GE_CM_FONTSORT sort_mode);
  // A name of the font; false when the description names no font.
  static Bool GetFontName(const BaseContainer* font_description, GeFontNameType type, String* dst);
  static Bool GetDefaultFont(GeFontDefaultType type, BaseContainer* font_description);
};
