// Loading the module: version check, registration and icons.
#include "test_support.h"
#include "zvplot_utils.h"

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
  zvhost::SetAPIVersion(2022999);
  std::string error;
  EXPECT_FALSE(zvhost::LoadModule(ZV_PLUGIN_DIR, &error));
  EXPECT_NE(error.find("2023000"), std::string::npos) << error;
  EXPECT_EQ(zvhost::FindObjectPlugin(ID_ZVPLOT), nullptr);
  zvhost::SetAPIVersion(2023000);
  EXPECT_TRUE(zvhost::LoadModule(ZV_PLUGIN_DIR, &error)) << error;
  EXPECT_NE(zvhost::FindObjectPlugin(ID_ZVPLOT), nullptr);
}

TEST(ModuleEntry, MissingFolderIsReported) {
  zvhost::UnloadModule();
  std::string error;
  EXPECT_FALSE(zvhost::LoadModule("/nonexistent/plugins", &error));
  EXPECT_FALSE(error.empty());
  ASSERT_TRUE(zvhost::LoadModule(ZV_PLUGIN_DIR, &error)) << error;
}

}  // namespace
