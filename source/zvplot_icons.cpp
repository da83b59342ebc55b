#include "zvplot_icons.h"

#include <new>

namespace {
BaseBitmap* g_iconStrip = nullptr;
BaseBitmap** g_icons = nullptr;  // ICON_COUNT slots, absent when the strip could not be used
constexpr Int32 kTile = 64;
}  // namespace

BaseBitmap* GetPlotIcon(Int32 slot) {
  return g_icons && slot >= 0 && slot < ICON_COUNT ? g_icons[slot] : nullptr;
}

Bool RegisterPlotIcon() {
  const Filename path = GeGetPluginPath() + Filename("res"_s) + Filename("3dPlot.tif"_s);
  if (!GeFExist(path)) return false;
  g_icons = new (std::nothrow) BaseBitmap*[ICON_COUNT]();
  if (!g_icons) return false;
  g_iconStrip = BaseBitmap::Alloc();
  if (!g_iconStrip || g_iconStrip->Init(path, -1) != IMAGERESULT::OK) return false;
  g_icons[0] = g_iconStrip->GetClonePart(0, 0, kTile, kTile);
  for (Int32 i = 0; i < 4; ++i)
    g_icons[i + 1] = g_iconStrip->GetClonePart(kTile * i + kTile, 0, kTile, kTile);
  return true;
}

void FreePlotIcons() {
  BaseBitmap::Free(g_iconStrip);
  if (g_icons) {
    for (Int32 i = 0; i < ICON_COUNT; ++i) BaseBitmap::Free(g_icons[i]);
    delete[] g_icons;
    g_icons = nullptr;
  }
}
