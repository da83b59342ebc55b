// Installed fonts as fontconfig lists them, and the host's default font. fontconfig's default
// configuration is shared state, so every call here holds one lock; the first call arranges for
// fontconfig to free its configuration and caches when the process exits.
#include "text_fonts.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <tuple>
#include <utility>

namespace zvhost {
namespace {

struct Fontconfig {
  std::mutex mutex;
  bool finished = false;  // freed at exit: a later call finds no fonts
};

Fontconfig& State() {
  static Fontconfig state;
  return state;
}

// Runs at exit before State()'s destructor, as it is registered after State() is made. The
// process's threads have ended by then, and a call that still comes takes the lock first.
void FinishFontconfig() {
  std::lock_guard lock(State().mutex);
  State().finished = true;
  FcFini();
}

// The lock of one call, and whether fontconfig may still be used.
class FontconfigLock {
 public:
  FontconfigLock() : lock_(State().mutex) {
    static const bool registered = std::atexit(FinishFontconfig) == 0;
    (void)registered;
  }
  bool Usable() const { return !State().finished; }

 private:
  std::lock_guard<std::mutex> lock_;
};

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

}  // namespace

std::vector<FontInfo> ListInstalledFonts() {
  std::vector<FontInfo> fonts;
  {
    const FontconfigLock lock;
    if (!lock.Usable()) return fonts;
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
  const FontconfigLock lock;
  if (!lock.Usable()) return std::nullopt;
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

}  // namespace zvhost
