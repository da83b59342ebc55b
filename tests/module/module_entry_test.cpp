// Loading the module: version check, registration and icons.
#include <tiffio.h>

#include <filesystem>
#include <vector>

#include "test_support.h"
#include "zvplot.h"
#include "zvplot_hierarchy.h"
#include "zvplot_icons.h"
#include "zvplot_ids.h"

namespace {

TEST(ModuleEntry, RegistersThePlotWithItsRow) {
  const zvhost::ObjectPluginInfo* plot = zvhost::FindObjectPlugin(ID_ZVPLOT);
  ASSERT_NE(plot, nullptr);
  EXPECT_EQ(plot->info, 0x8104);
  EXPECT_EQ(plot->description, String("o3dplot"));
  EXPECT_EQ(plot->name, String("Zorvantix Plot"));
  ASSERT_NE(plot->icon, nullptr);
  EXPECT_EQ(plot->icon->GetBw(), 64);
  EXPECT_EQ(plot->icon->GetBh(), 64);
}

TEST(ModuleEntry, OlderHostIsRefusedAndNewerAccepted) {
  zvhost::UnloadModule();
  zvhost::SetAPIVersion(API_VERSION_MIN - 1);
  std::string error;
  EXPECT_FALSE(zvhost::LoadModule(ZV_PLUGIN_DIR, &error));
  EXPECT_NE(error.find("2023000"), std::string::npos) << error;
  EXPECT_EQ(zvhost::FindObjectPlugin(ID_ZVPLOT), nullptr);
  zvhost::SetAPIVersion(API_VERSION_MIN);
  EXPECT_TRUE(zvhost::LoadModule(ZV_PLUGIN_DIR, &error)) << error;
  EXPECT_NE(zvhost::FindObjectPlugin(ID_ZVPLOT), nullptr);
}

TEST(ModuleEntry, MissingFolderIsReported) {
  zvhost::UnloadModule();
  std::string error;
  EXPECT_FALSE(zvhost::LoadModule("/nonexistent/plugins", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(zvhost::LoadModule(ZV_PLUGIN_DIR "/res", &error));
  EXPECT_NE(error.find("holds no plug-in library"), std::string::npos) << error;
  ASSERT_TRUE(zvhost::LoadModule(ZV_PLUGIN_DIR, &error)) << error;
}

}  // namespace

namespace {

namespace fs = std::filesystem;

// A plug-in folder beside the real one, with the module and its resources but an icon strip of
// our choosing (or none).
class IconStripFolder {
 public:
  explicit IconStripFolder(int stripWidth) {
    dir_ = fs::path(ZV_BINARY_DIR) / ("icon_strip_" + std::to_string(stripWidth));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    // Under a name of its own: the host loads whatever plug-in library the folder holds.
    fs::create_symlink(fs::path(ZV_PLUGIN_DIR) / "zorvantix.so", dir_ / "plot-module.so");
    fs::copy(fs::path(ZV_PLUGIN_DIR) / "res", dir_ / "res", fs::copy_options::recursive);
    fs::remove(dir_ / "res" / "3dPlot.tif");
    if (stripWidth > 0) WriteStrip((dir_ / "res" / "3dPlot.tif").string(), stripWidth);
  }
  ~IconStripFolder() { fs::remove_all(dir_); }
  std::string Path() const { return dir_.string(); }

 private:
  static void WriteStrip(const std::string& path, int width) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 64);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    std::vector<unsigned char> row(static_cast<size_t>(width) * 3, 200);
    for (int y = 0; y < 64; ++y) TIFFWriteScanline(tif, row.data(), static_cast<uint32_t>(y), 0);
    TIFFClose(tif);
  }
  fs::path dir_;
};

void Reload(const std::string& folder) {
  zvhost::UnloadModule();
  std::string error;
  ASSERT_TRUE(zvhost::LoadModule(folder, &error)) << error;
}

TEST(ModuleEntry, MissingIconStripRegistersWithoutIcons) {
  {
    IconStripFolder folder(0);
    Reload(folder.Path());
    const zvhost::ObjectPluginInfo* plot = zvhost::FindObjectPlugin(ID_ZVPLOT);
    ASSERT_NE(plot, nullptr);
    EXPECT_EQ(plot->icon, nullptr);
    zvtest::Scene s;  // the plot still works
    s.Evaluate();
    EXPECT_EQ(s.Data<ZVPlot>(s.plot)->GetSamples().GetCount(), 2601);
  }
  Reload(ZV_PLUGIN_DIR);
}

TEST(ModuleEntry, NarrowIconStripStillRegisters) {
  {
    IconStripFolder folder(100);  // one whole tile and part of the second
    Reload(folder.Path());
    const zvhost::ObjectPluginInfo* plot = zvhost::FindObjectPlugin(ID_ZVPLOT);
    ASSERT_NE(plot, nullptr);
    ASSERT_NE(plot->icon, nullptr);
    UChar px[4];
    plot->icon->GetPixelRGBA(10, 10, px);
    EXPECT_EQ(px[0], 200);
  }
  Reload(ZV_PLUGIN_DIR);
}

}  // namespace
