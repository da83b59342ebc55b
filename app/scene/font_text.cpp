#include "font_text.h"

#include <vector>

#include "refusal.h"
#include "suggest.h"
#include "words.h"

namespace zvapp {
namespace {

std::string Join(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += (text.empty() ? "\"" : ", \"") + n + "\"";
  return text;
}

bool IsRegular(const std::string& style) {
  for (const char* regular : {"regular", "book", "roman", "normal"})
    if (Lower(style) == regular) return true;
  return false;
}

// The installed fonts' descriptions as the host lists them.
std::vector<BaseContainer> InstalledFonts() {
  BaseContainer list;
  std::vector<BaseContainer> fonts;
  GeClipMap::EnumerateFonts(&list, GE_CM_FONTSORT::FLAT);
  for (Int32 i = 0; i < list.GetEntryCount(); ++i)
    if (const BaseContainer* font = list.GetIndexData(i)->GetContainer()) fonts.push_back(*font);
  return fonts;
}

std::string Family(const BaseContainer& font) { return font.GetString(FONT_FAMILY).GetStdString(); }
std::string Style(const BaseContainer& font) { return font.GetString(FONT_STYLE).GetStdString(); }

}  // namespace

bool ParseFont(const std::string& text, FontData* out, std::string* error) {
  const size_t colon = text.rfind(':');
  const std::string family = Trim(text.substr(0, colon));
  const std::string style = colon == std::string::npos ? "" : Trim(text.substr(colon + 1));
  if (family.empty()) return Fail(error, "a font is written FAMILY or FAMILY:STYLE");
  const std::vector<BaseContainer> fonts = InstalledFonts();
  std::vector<std::string> families, styles;
  const BaseContainer* first = nullptr;
  const BaseContainer* match = nullptr;
  for (const BaseContainer& font : fonts) {
    if (families.empty() || families.back() != Family(font)) families.push_back(Family(font));
    if (Lower(Family(font)) != Lower(family)) continue;
    styles.push_back(Style(font));
    if (!first) first = &font;
    const bool fits = style.empty() ? IsRegular(Style(font)) : Lower(Style(font)) == Lower(style);
    if (fits && !match) match = &font;
  }
  // Without a style the family's regular one, else its first: the list is sorted by style name.
  const BaseContainer* chosen = match ? match : style.empty() ? first : nullptr;
  if (styles.empty()) {
    const std::vector<std::string> near = ClosestNames(family, families, 3);
    return Fail(error, "no installed font family \"" + family + "\"" +
                           (near.empty() ? "" : " (nearest: " + Join(near) + ")"));
  }
  if (!chosen)
    return Fail(error,
                "\"" + family + "\" has no style \"" + style + "\" (styles: " + Join(styles) + ")");
  out->SetFont(chosen);
  return true;
}

std::string FontText(const FontData& font) {
  return Family(font.GetFont()) + ":" + Style(font.GetFont());
}

std::vector<FontFamily> InstalledFontFamilies() {
  std::vector<FontFamily> families;
  for (const BaseContainer& font : InstalledFonts()) {
    if (families.empty() || families.back().family != Family(font))
      families.push_back({Family(font), {}});
    families.back().styles.push_back(Style(font));
  }
  return families;
}

}  // namespace zvapp
