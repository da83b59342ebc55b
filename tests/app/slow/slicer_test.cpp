// The print files given to a real slicer (Debian's prusa-slicer): it must find every model
// manifold, without open edges, and slice it to G-code. Slow: each file is loaded and sliced.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_support.h"
#include "export_support.h"
#include "print_support.h"
#include "require_tool.h"

namespace {
using namespace zvtest;

bool HaveSlicer() { return std::system("command -v prusa-slicer > /dev/null 2>&1") == 0; }

std::string Run(const std::string& cmd, int* status) {
  std::string out;
  FILE* pipe = popen((cmd + " 2>&1").c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  const int s = pclose(pipe);
  *status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
  return out;
}

// Writes the plot as STL and 3MF; the slicer reports each manifold and slices it.
void ExpectPrintable(const std::string& name, const std::string& args, bool slice = true) {
  SCOPED_TRACE(name);
  const fs::path dir = OutputDir("slicer");
  const std::string stl = (dir / (name + ".stl")).string(), mf = (dir / (name + ".3mf")).string();
  // The slicer's default bed is 200 mm square: the default plot's box is as wide.
  const std::string size =
      args.find("--print-size") == std::string::npos ? " --print-size 150" : "";
  const Result r = Zvplot(args + size + " -o " + Tools::Quote(stl) + " -o " + Tools::Quote(mf));
  ASSERT_EQ(r.status, 0) << r.all();
  for (const std::string& file : {stl, mf}) {
    int status = -1;
    const std::string info = Run("prusa-slicer --info " + Tools::Quote(file), &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_NE(info.find("manifold = yes"), std::string::npos) << file << "\n" << info;
    EXPECT_EQ(info.find("open_edges"), std::string::npos) << file << "\n" << info;
    if (!slice) continue;
    const std::string gcode = file + ".gcode";
    std::filesystem::remove(gcode);
    const std::string out = Run(
        "prusa-slicer --export-gcode " + Tools::Quote(file) + " --output " + Tools::Quote(gcode),
        &status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_TRUE(fs::exists(gcode) && fs::file_size(gcode) > 1000) << file << "\n" << out;
  }
}

TEST(Slicer, DefaultPlotHolesAndIslandsAsBaseAndShell) {
  ZV_REQUIRE_TOOL(HaveSlicer(), "prusa-slicer");
  ExpectPrintable("default_base", "--set mesh.solid=base");
  ExpectPrintable("default_shell", "--set mesh.solid=shell");
  ExpectPrintable("holes", "--formula 'Sqrt(10000 - x^2 - z^2)' --set mesh.solid=base");
  ExpectPrintable("islands",
                  "--formula 'Sqrt(Abs(x) - 20) * Sqrt(Abs(z) - 20)' --set mesh.solid=base");
  ExpectPrintable("islands_shell",
                  "--formula 'Sqrt(Abs(x) - 20) * Sqrt(Abs(z) - 20)' --set mesh.solid=shell");
  ExpectPrintable("r1", "--set resolution=1 --set mesh.solid=base");
  ExpectPrintable("labels", "--set mesh.solid=base --print-all --print-size 120");
}

TEST(Slicer, EveryPresetAsABase) {
  ZV_REQUIRE_TOOL(HaveSlicer(), "prusa-slicer");
  for (int preset = 0; preset <= 10; ++preset)
    ExpectPrintable("preset" + std::to_string(preset),
                    "--preset " + std::to_string(preset) + " --set mesh.solid=base");
}

// The solid as the viewer and glTF tools see it: corner colours and sharp edges pass the validator.
TEST(Slicer, SolidsGltfPassesTheValidator) {
  ZV_REQUIRE_TOOL(Tools::HaveNodeModules(), "the npm packages");
  const fs::path dir = OutputDir("slicer");
  std::vector<std::string> files;
  for (const char* solid : {"base", "shell"}) {
    const std::string glb = (dir / (std::string("solid_") + solid + ".glb")).string();
    const Result r = Zvplot(std::string("--set mesh.solid=") + solid +
                            " --set mesh.vertexcolors=true --formula 'Sqrt(10000 - x^2 - z^2)'"
                            " -o " +
                            Tools::Quote(glb));
    ASSERT_EQ(r.status, 0) << r.all();
    files.push_back(glb);
  }
  std::string output;
  EXPECT_EQ(Tools::Node("validate_gltf.mjs", files, &output), 0) << output;
}

TEST(Slicer, AThousandCellsASide) {
  ZV_REQUIRE_TOOL(HaveSlicer(), "prusa-slicer");
  ExpectPrintable("r1000", "--set resolution=1000 --set mesh.solid=base --print-size 150");
}

}  // namespace
