#include "text_fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <tuple>

namespace zvhost {
namespace {

TEST(FontDiscovery, ListIsSortedUniqueAndHoldsTheDefault) {
  const auto fonts = ListInstalledFonts();
  ASSERT_FALSE(fonts.empty());
  for (std::size_t i = 1; i < fonts.size(); ++i) {
    EXPECT_LT(std::tie(fonts[i - 1].family, fonts[i - 1].style),
              std::tie(fonts[i].family, fonts[i].style));
  }
  for (const auto& f : fonts) EXPECT_TRUE(std::filesystem::exists(f.file)) << f.file;
  const auto def = DefaultFont();
  ASSERT_TRUE(def.has_value());
  EXPECT_TRUE(std::any_of(
      fonts.begin(), fonts.end(),
      [&](const FontInfo& f) { return f.family == def->family && f.style == def->style; }))
      << def->family << " " << def->style;
}

}  // namespace
}  // namespace zvhost
