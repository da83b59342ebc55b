// Bitmaps loaded with libtiff.
#include "c4d.h"
#include "tiff_image.h"

BaseBitmap* BaseBitmap::Alloc() { return new (std::nothrow) BaseBitmap(); }

void BaseBitmap::Free(BaseBitmap*& bmp) {
  delete bmp;
  bmp = nullptr;
}

IMAGERESULT BaseBitmap::Init(const Filename& name, Int32 frame, Bool*) {
  zvhost::RgbaImage img;
  std::string error;
  if (!zvhost::LoadTiff(name.GetString().GetStdString(), frame, &img, &error))
    return IMAGERESULT::WRONGTYPE;
  width_ = img.width;
  height_ = img.height;
  pixels_ = std::move(img.pixels);
  return IMAGERESULT::OK;
}

BaseBitmap* BaseBitmap::GetClonePart(Int32 x, Int32 y, Int32 w, Int32 h) const {
  if (w < 0 || h < 0) return nullptr;
  BaseBitmap* part = Alloc();
  if (!part) return nullptr;
  zvhost::RgbaImage src{width_, height_, pixels_};
  zvhost::RgbaImage img = zvhost::CopyPart(src, x, y, w, h);
  part->width_ = img.width;
  part->height_ = img.height;
  part->pixels_ = std::move(img.pixels);
  return part;
}

void BaseBitmap::GetPixelRGBA(Int32 x, Int32 y, UChar rgba[4]) const {
  for (int i = 0; i < 4; ++i) rgba[i] = 0;
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  const size_t at = (static_cast<size_t>(y) * width_ + x) * 4;
  for (int i = 0; i < 4; ++i) rgba[i] = pixels_[at + static_cast<size_t>(i)];
}
