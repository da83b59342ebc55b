// Bitmaps: loaded from files, copied in parts (icons).
#pragma once

#include <vector>

#include "c4d_file.h"
#include "ge_prepass.h"

class BaseBitmap {
 public:
  static BaseBitmap* Alloc();
  static void Free(BaseBitmap*& bm);
  IMAGERESULT Init(const Filename& name, Int32 frame = -1, Bool* ismovie = nullptr);
  Int32 GetBw() const { return width_; }
  Int32 GetBh() const { return height_; }
  // A new bitmap with the w x h part at (x, y); pixels outside this bitmap are transparent black.
  BaseBitmap* GetClonePart(Int32 x, Int32 y, Int32 w, Int32 h) const;
  // The stand-in host's own: RGBA of one pixel; all zero outside the bitmap.
  void GetPixelRGBA(Int32 x, Int32 y, UChar rgba[4]) const;

 private:
  Int32 width_ = 0, height_ = 0;
  std::vector<UChar> pixels_;
};
