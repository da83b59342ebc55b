// The module's icon strip, small TIFFs written here with libtiff, and files that are no TIFF.
// ZV_SOURCE_DIR (set by the build) is the repository root.
#include "tiff_image.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include <array>
#include <climits>
#include <filesystem>
#include <fstream>
#include <random>

#ifndef ZV_SOURCE_DIR
#error "ZV_SOURCE_DIR must name the repository root"
#endif

namespace zvhost {
namespace {

namespace fs = std::filesystem;
const std::string kStrip = std::string(ZV_SOURCE_DIR) + "/res/3dPlot.tif";
constexpr int kTile = 64;

using Pixel = std::array<int, 4>;

Pixel At(const RgbaImage& image, int x, int y) {
  const std::size_t i = (static_cast<std::size_t>(y) * image.width + x) * 4;
  return {image.pixels[i], image.pixels[i + 1], image.pixels[i + 2], image.pixels[i + 3]};
}

RgbaImage LoadStrip() {
  RgbaImage image;
  std::string error;
  EXPECT_TRUE(LoadTiff(kStrip, -1, &image, &error)) << error;
  return image;
}

TEST(IconStrip, HoldsFiveDistinctPixelArtTiles) {
  const RgbaImage strip = LoadStrip();
  ASSERT_EQ(strip.width, 5 * kTile);
  ASSERT_EQ(strip.height, kTile);
  ASSERT_EQ(strip.pixels.size(), std::size_t{5 * kTile * kTile * 4});
  std::vector<RgbaImage> tiles;
  for (int t = 0; t < 5; ++t) {
    tiles.push_back(CopyPart(strip, t * kTile, 0, kTile, kTile));
    int opaque = 0, clear = 0;
    for (int y = 0; y < kTile; ++y) {
      for (int x = 0; x < kTile; ++x) {
        const Pixel p = At(tiles.back(), x, y);
        opaque += p[3] == 255;
        clear += p == Pixel{0, 0, 0, 0};
      }
    }
    EXPECT_EQ(opaque + clear, kTile * kTile)
        << "tile " << t << " has soft or coloured-clear pixels";
    EXPECT_GT(opaque, kTile * kTile / 10) << "tile " << t;
    EXPECT_GT(clear, kTile * kTile / 3) << "tile " << t;
    for (int other = 0; other < t; ++other) EXPECT_NE(tiles[other].pixels, tiles.back().pixels);
  }
}

TEST(CopyPart, CopiesInsideAndClearsOutside) {
  const RgbaImage strip = LoadStrip();
  const struct {
    int x, y, w, h;
  } parts[] = {{0, 0, 64, 64},     {64, 0, 64, 64},   {128, 0, 64, 64},   {192, 0, 64, 64},
               {256, 0, 64, 64},   {300, 40, 64, 64}, {-10, -20, 64, 64}, {400, 0, 8, 8},
               {INT_MAX, 0, 4, 4}, {-5, 3, 330, 2}};
  for (const auto& p : parts) {
    SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
    const RgbaImage part = CopyPart(strip, p.x, p.y, p.w, p.h);
    ASSERT_EQ(part.width, p.w);
    ASSERT_EQ(part.height, p.h);
    for (int y = 0; y < p.h; ++y) {
      for (int x = 0; x < p.w; ++x) {
        const long long sx = static_cast<long long>(p.x) + x, sy = static_cast<long long>(p.y) + y;
        const bool inside = sx >= 0 && sy >= 0 && sx < strip.width && sy < strip.height;
        const Pixel want = inside ? At(strip, static_cast<int>(sx), static_cast<int>(sy)) : Pixel{};
        ASSERT_EQ(At(part, x, y), want) << x << "," << y;
      }
    }
  }
  EXPECT_TRUE(CopyPart(strip, 0, 0, 0, 64).pixels.empty());
  EXPECT_EQ(CopyPart(RgbaImage{}, 0, 0, 2, 2).pixels, std::vector<std::uint8_t>(16, 0));
}

class TiffFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    // Unique per run: a sanitizer build may run the same test at the same time.
    dir_ = fs::temp_directory_path() /
           ("zv_tiff_" + std::to_string(std::random_device()()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const char* name) const { return (dir_ / name).string(); }

  // Writes one directory per entry of `pages`, each a width x height RGBA (or RGB) image with
  // unassociated alpha stored in the given orientation.
  void WriteTiff(const std::string& path, int width, int height,
                 const std::vector<std::vector<std::uint8_t>>& pages, int samples = 4,
                 int orientation = ORIENTATION_TOPLEFT) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    for (const auto& page : pages) {
      TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
      TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
      TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
      TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
      TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
      TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
      TIFFSetField(tif, TIFFTAG_ORIENTATION, orientation);
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, height);
      if (samples == 4) {
        const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
      }
      std::vector<std::uint8_t> row(static_cast<std::size_t>(width * samples));
      for (int y = 0; y < height; ++y) {
        std::copy_n(page.begin() + y * width * samples, width * samples, row.begin());
        ASSERT_EQ(TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y)), 1);
      }
      TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
  }

  fs::path dir_;
};

TEST_F(TiffFiles, KeepsRowOrderChannelOrderAndStraightAlpha) {
  // 2 x 2: red, half-transparent orange / opaque blue, clear.
  const std::vector<std::uint8_t> rgba = {255, 0, 0,   255, 200, 100, 50, 128,
                                          0,   0, 255, 255, 0,   0,   0,  0};
  for (const int orientation : {ORIENTATION_TOPLEFT, ORIENTATION_BOTLEFT}) {
    SCOPED_TRACE(orientation);
    WriteTiff(Path("a.tif"), 2, 2, {rgba}, 4, orientation);
    RgbaImage image;
    std::string error;
    ASSERT_TRUE(LoadTiff(Path("a.tif"), 0, &image, &error)) << error;
    ASSERT_EQ(image.width, 2);
    ASSERT_EQ(image.height, 2);
    const int top = orientation == ORIENTATION_TOPLEFT ? 0 : 1;
    EXPECT_EQ(At(image, 0, top), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(At(image, 0, 1 - top), (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(At(image, 1, 1 - top), (Pixel{0, 0, 0, 0}));
    const Pixel soft = At(image, 1, top);
    EXPECT_NEAR(soft[0], 200, 2);
    EXPECT_NEAR(soft[1], 100, 2);
    EXPECT_NEAR(soft[2], 50, 2);
    EXPECT_EQ(soft[3], 128);
  }
}

TEST_F(TiffFiles, ReadsRgbAsOpaqueAndPicksTheAskedDirectory) {
  WriteTiff(Path("rgb.tif"), 1, 1, {{10, 20, 30}, {40, 50, 60}}, 3);
  RgbaImage image;
  std::string error;
  ASSERT_TRUE(LoadTiff(Path("rgb.tif"), -1, &image, &error)) << error;
  EXPECT_EQ(At(image, 0, 0), (Pixel{10, 20, 30, 255}));
  ASSERT_TRUE(LoadTiff(Path("rgb.tif"), 1, &image, &error)) << error;
  EXPECT_EQ(At(image, 0, 0), (Pixel{40, 50, 60, 255}));
  EXPECT_FALSE(LoadTiff(Path("rgb.tif"), 2, &image, &error));
  EXPECT_EQ(At(image, 0, 0), (Pixel{40, 50, 60, 255})) << "a failed load left the image alone";
}

TEST_F(TiffFiles, FailsQuietlyWithAMessage) {
  std::ifstream in(kStrip, std::ios::binary);
  const std::string strip(std::istreambuf_iterator<char>(in), {});
  std::ofstream(Path("truncated.tif"), std::ios::binary) << strip.substr(0, 2000);
  std::ofstream(Path("garbage.tif"), std::ios::binary) << std::string("II*\0\xff\xff\0\0 junk", 13);
  std::ofstream(Path("text.tif"), std::ios::binary) << "hello";
  for (const char* name : {"missing.tif", "truncated.tif", "garbage.tif", "text.tif"}) {
    SCOPED_TRACE(name);
    RgbaImage image;
    std::string error;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(LoadTiff(Path(name), -1, &image, &error));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(error.find(name), std::string::npos) << error;
    EXPECT_GT(error.size(), Path(name).size() + 2) << error;
    EXPECT_EQ(image.width, 0);
  }
}

}  // namespace
}  // namespace zvhost
