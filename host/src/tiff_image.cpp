#include "tiff_image.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

namespace zvhost {
namespace {

// Far beyond any icon strip; refuses garbage headers that claim gigapixel images before we
// allocate for them.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;

// Per-handle handlers (libtiff 4.5): returning 1 tells libtiff the message was handled, so its
// global handlers never print to stderr, and concurrent loads do not share state.
int CaptureError(TIFF*, void* user, const char* module, const char* fmt, va_list args) {
  auto* message = static_cast<std::string*>(user);
  if (!message->empty()) return 1;  // the first error names the cause; later ones follow from it
  char text[512];
  std::vsnprintf(text, sizeof text, fmt, args);
  *message = (module && *module) ? std::string(module) + ": " + text : std::string(text);
  return 1;
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tif) const { TIFFClose(tif); }
};

struct OptionsFree {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// libtiff's RGBA interface hands back premultiplied colours; the host's bitmaps keep straight
// alpha, so icons with soft edges keep their true colour.
void StoreStraight(const std::vector<std::uint32_t>& abgr, RgbaImage* image) {
  image->pixels.resize(abgr.size() * 4);
  std::uint8_t* p = image->pixels.data();
  for (const std::uint32_t v : abgr) {
    const unsigned a = TIFFGetA(v);
    unsigned c[3] = {TIFFGetR(v), TIFFGetG(v), TIFFGetB(v)};
    for (unsigned& channel : c) {
      if (a == 0) {
        channel = 0;
      } else if (a < 255) {
        channel = std::min(255u, (channel * 255 + a / 2) / a);
      }
    }
    *p++ = static_cast<std::uint8_t>(c[0]);
    *p++ = static_cast<std::uint8_t>(c[1]);
    *p++ = static_cast<std::uint8_t>(c[2]);
    *p++ = static_cast<std::uint8_t>(a);
  }
}

}  // namespace

bool LoadTiff(const std::string& path, int frame, RgbaImage* out, std::string* error) {
  std::string message;  // outlives the handle: TIFFClose may still report through it
  const auto fail = [&](const std::string& what) {
    const std::string& why = message.empty() ? what : message;
    if (error) *error = why.find(path) != std::string::npos ? why : path + ": " + why;
    return false;
  };
  std::unique_ptr<TIFF, TiffCloser> tif;
  {
    const std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) return fail("out of memory");
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), CaptureError, &message);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), IgnoreWarning, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(kMaxPixels * 4));
    tif.reset(TIFFOpenExt(path.c_str(), "r", options.get()));  // the handle copies the options
  }
  if (!tif) return fail("cannot open TIFF file");
  if (frame > 0 && !TIFFSetDirectory(tif.get(), static_cast<tdir_t>(frame))) {
    return fail("has no image " + std::to_string(frame));
  }

  std::uint32_t width = 0, height = 0;
  if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0) {
    return fail("image has no size");
  }
  if (std::int64_t{width} * height > kMaxPixels) return fail("image too large");
  char reason[1024] = "";
  if (!TIFFRGBAImageOK(tif.get(), reason)) return fail(reason);

  std::vector<std::uint32_t> raster(std::size_t{width} * height);
  if (!TIFFReadRGBAImageOriented(tif.get(), width, height, raster.data(), ORIENTATION_TOPLEFT,
                                 /*stop_on_error=*/1)) {
    return fail("cannot decode image");
  }
  RgbaImage image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  StoreStraight(raster, &image);
  if (out) *out = std::move(image);
  return true;
}

RgbaImage CopyPart(const RgbaImage& src, int x, int y, int w, int h) {
  RgbaImage part;
  if (w <= 0 || h <= 0) return part;
  part.width = w;
  part.height = h;
  part.pixels.assign(std::size_t{static_cast<unsigned>(w)} * static_cast<unsigned>(h) * 4, 0);
  const bool consistent = src.width > 0 && src.height > 0 &&
                          src.pixels.size() >= std::size_t{static_cast<unsigned>(src.width)} *
                                                   static_cast<unsigned>(src.height) * 4;
  if (!consistent) return part;
  // The overlap in 64 bits: x + w may exceed the int range.
  const std::int64_t x0 = std::max<std::int64_t>(x, 0);
  const std::int64_t x1 = std::min<std::int64_t>(std::int64_t{x} + w, src.width);
  const std::int64_t y0 = std::max<std::int64_t>(y, 0);
  const std::int64_t y1 = std::min<std::int64_t>(std::int64_t{y} + h, src.height);
  if (x0 >= x1 || y0 >= y1) return part;
  for (std::int64_t sy = y0; sy < y1; ++sy) {
    const std::size_t from = static_cast<std::size_t>((sy * src.width + x0) * 4);
    const std::size_t to = static_cast<std::size_t>(((sy - y) * w + (x0 - x)) * 4);
    std::memcpy(&part.pixels[to], &src.pixels[from], static_cast<std::size_t>((x1 - x0) * 4));
  }
  return part;
}

}  // namespace zvhost
