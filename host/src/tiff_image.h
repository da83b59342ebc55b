// TIFF loading (libtiff) for the host's bitmaps, and the part copy that cuts icons from a strip.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zvhost {

// 8-bit RGBA with straight (not premultiplied) alpha, row 0 at the top, no row padding.
struct RgbaImage {
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;
};

// Loads directory `frame` of the TIFF file (-1 or 0: the first). On failure returns false, leaves
// *out untouched and puts libtiff's message into *error; nothing is written to stderr.
bool LoadTiff(const std::string& path, int frame, RgbaImage* out, std::string* error);

// Copies the w x h part at (x, y); pixels outside the source are transparent black.
RgbaImage CopyPart(const RgbaImage& src, int x, int y, int w, int h);

}  // namespace zvhost
