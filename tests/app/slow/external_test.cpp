// External checks of what the runner writes, slow because they start node and Chromium: the
// Khronos glTF validator on hand-built and module-built files, and the HTML viewer in headless
// Chromium. Labelled slow: `ctest -LE slow` runs everything else in seconds.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_support.h"
#include "export_gltf.h"
#include "export_html.h"
#include "export_support.h"
#include "o3dplotcage.h"
#include "o3dplotgrid.h"
#include "o3dplotlabel.h"
#include "o3dplotmesh.h"
#include "test_support.h"

namespace {
using namespace zvtest;

// A document that looks like a plot with all its parts, built from host objects alone: a coloured
// smooth surface, a grid of cubic lines, a cage and extruded labels.
void BuildPlotLikeScene(Doc& d, double phase) {
  const auto f = [phase](double x, double z) {
    return 25.0 * std::sin(PI * x + phase) * std::cos(PI * z);
  };
  BaseObject* plot = d.Add(BaseObject::Alloc(Onull), nullptr, "Plot");
  d.Add(MakeSurface(51, 100.0, f, {.uvw = true, .phong = true, .colors = true}), plot, "Surface");
  std::vector<Vector> grid;
  std::vector<Int32> segs;
  for (int dir = 0; dir < 2; ++dir) {
    for (int i = 0; i <= 10; ++i) {
      for (int j = 0; j <= 50; ++j) {
        const double a = -1.0 + i / 5.0, b = -1.0 + j / 25.0;
        const double x = dir ? b : a, z = dir ? a : b;
        grid.emplace_back(x * 100.0, f(x, z) + 0.3, z * 100.0);
      }
      segs.push_back(51);
    }
  }
  SetColor(d.Add(MakeSpline(grid, segs, SPLINETYPE::CUBIC, false), plot, "Grid"),
           Vector(0.12, 0.12, 0.14));
  std::vector<Vector> cage;
  for (double y : {25.0, -25.0}) {
    for (const auto& [x, z] :
         std::vector<std::pair<double, double>>{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}})
      cage.emplace_back(x * 100.0, y, z * 100.0);
  }
  for (const auto& [x, z] :
       std::vector<std::pair<double, double>>{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}) {
    cage.emplace_back(x * 100.0, 25.0, z * 100.0);
    cage.emplace_back(x * 100.0, -25.0, z * 100.0);
  }
  SetColor(d.Add(MakeSpline(cage, {4, 4, 2, 2, 2, 2}, SPLINETYPE::LINEAR, true), plot, "Cage"),
           Vector(0.8, 0.8, 0.8));
  BaseObject* labels = d.Add(BaseObject::Alloc(Onull), plot, "Labels");
  SetColor(labels, Vector(1, 1, 1));
  for (int i = 0; i < 5; ++i) {
    BaseObject* e = d.Add(BaseObject::Alloc(Oextrude), labels, "_3dPlotHLabel");
    e->GetDataInstance()->SetVector(EXTRUDEOBJECT_MOVE, Vector(0, 0, 0.5));
    e->SetRelPos(Vector(-100.0 + 50.0 * i, -25.0, -112.0));
    BaseObject* t = d.Add(BaseObject::Alloc(Osplinetext), e, "Text");
    t->GetDataInstance()->SetString(PRIM_TEXT_TEXT,
                                    String::FloatToString(-180.0 + 90.0 * i, -1, 1));
    t->GetDataInstance()->SetFloat(PRIM_TEXT_HEIGHT, 7.0);
    t->GetDataInstance()->SetInt32(PRIM_TEXT_ALIGN, PRIM_TEXT_ALIGN_MIDDLE);
  }
  d.doc->ExecutePasses(nullptr, true, true, true, BUILDFLAGS::NONE);
}

TEST(ExternalChecks, KhronosValidatorFindsNoErrors) {
  ZV_REQUIRE_TOOL(Tools::HaveNodeModules(), "the npm packages");
  const fs::path dir = OutputDir("validator");
  std::vector<std::string> files;
  const auto write = [&](BaseDocument* doc, const std::string& name) {
    std::string error;
    const std::string path = (dir / name).string();
    ASSERT_TRUE(zvapp::WriteGltfFile(doc, path, "validator", nullptr, &error)) << error;
    files.push_back(path);
  };
  Doc plot;
  BuildPlotLikeScene(plot, 0.0);
  write(plot.doc, "plot_like.glb");
  write(plot.doc, "plot_like.gltf");
  Doc empty;
  write(empty.doc, "empty.glb");
  Doc nan;
  PolygonObject* s = MakeSurface(5, 1.0, [](double x, double) { return std::log(x); },
                                 {.uvw = true, .phong = true});
  nan.Add(s, nullptr, "LogSurface");
  write(nan.doc, "log_surface.glb");
  std::string output;
  EXPECT_EQ(Tools::Node("validate_gltf.mjs", files, &output), 0) << output;
}

TEST(ExternalChecks, BrowserShowsThePlot) {
  ZV_REQUIRE_TOOL(Tools::HaveNodeModules(), "the npm packages");
  ZV_REQUIRE_TOOL(fs::exists("/usr/bin/chromium"), "Chromium");
  const fs::path dir = OutputDir("browser");
  std::vector<std::vector<unsigned char>> frames;
  for (int k = 0; k < 3; ++k) {
    Doc d;
    BuildPlotLikeScene(d, k * 0.5);
    std::string error;
    frames.emplace_back();
    ASSERT_TRUE(zvapp::BuildGlb(d.doc, "frame", &frames.back(), nullptr, &error)) << error;
  }
  std::string error;
  const std::string still = (dir / "still.html").string(), movie = (dir / "movie.html").string();
  ASSERT_TRUE(zvapp::WriteHtmlFile({frames[0]}, {"25 * Sin(x) * Cos(z) <&>", 30}, still, &error))
      << error;
  ASSERT_TRUE(zvapp::WriteHtmlFile(frames, {"animated", 10}, movie, &error)) << error;
  std::string output;
  EXPECT_EQ(Tools::Node("browser_test.mjs", {still, (dir / "still.png").string()}, &output), 0)
      << output;
  EXPECT_EQ(Tools::Node("browser_test.mjs", {movie, (dir / "movie.png").string(), "--frames", "3"},
                        &output),
            0)
      << output;
}

// ---- End to end: the module's plot with its components -----------------------------------------

TEST(EndToEnd, PresetsInEveryMeshModePassTheValidator) {
  const auto mode = zvhost::FindParameter(Oo3dplotmesh, "O3DPLOTMESH_MODE");
  const auto preset = zvhost::FindParameter(Oo3dplot, "O3DPLOT_PRESET");
  ASSERT_TRUE(mode && preset) << "the mesh's mode or the plot's presets are not described";
  ZV_REQUIRE_TOOL(Tools::HaveNodeModules(), "the npm packages");
  const fs::path dir = OutputDir("presets");
  std::vector<std::string> files;
  for (const auto& [p, formula] : preset->cycle) {
    for (const auto& [m, modeName] : mode->cycle) {
      zvtest::Scene s;
      s.Set(s.plot, preset->id, GeData(p));
      BaseObject* mesh = s.Add(Oo3dplotmesh);
      s.Set(mesh, mode->id, GeData(m));
      for (Int32 type : {Int32(Oo3dplotcage), Int32(Oo3dplotgrid), Int32(Oo3dplotlabel)})
        ASSERT_NE(s.Add(type), nullptr);
      s.Evaluate();
      s.Evaluate();
      const std::string path =
          (dir / ("preset" + std::to_string(p) + "_mode" + std::to_string(m) + ".glb")).string();
      std::string error;
      zvapp::ExportReport report;
      ASSERT_TRUE(zvapp::WriteGltfFile(s.doc, path, formula, &report, &error)) << error;
      EXPECT_GT(report.meshes, 0) << formula << " mode " << modeName;
      files.push_back(path);
    }
  }
  std::string output;
  EXPECT_EQ(Tools::Node("validate_gltf.mjs", files, &output), 0) << output;
}

// The default plot with its four components, vertex colours on, as the README shows it.
TEST(EndToEnd, DefaultPlotShowsInTheBrowser) {
  const auto colours = zvhost::FindParameter(Oo3dplotmesh, "O3DPLOTMESH_VERTEXCOLORS");
  ASSERT_TRUE(colours) << "the mesh's vertex colour switch is not described";
  ZV_REQUIRE_TOOL(Tools::HaveNodeModules(), "the npm packages");
  ZV_REQUIRE_TOOL(fs::exists("/usr/bin/chromium"), "Chromium");
  zvtest::Scene s;
  s.Set(s.Add(Oo3dplotmesh), colours->id, GeData(true));
  for (Int32 type : {Int32(Oo3dplotcage), Int32(Oo3dplotgrid), Int32(Oo3dplotlabel)})
    ASSERT_NE(s.Add(type), nullptr);
  s.Evaluate();
  s.Evaluate();
  std::vector<unsigned char> glb;
  std::string error;
  ASSERT_TRUE(zvapp::BuildGlb(s.doc, "Sin(x) * Cos(z)", &glb, nullptr, &error)) << error;
  const fs::path dir = OutputDir("browser");
  const std::string page = (dir / "default_plot.html").string();
  ASSERT_TRUE(zvapp::WriteHtmlFile({glb}, {"Sin(x) * Cos(z)", 30}, page, &error)) << error;
  std::string output;
  EXPECT_EQ(Tools::Node("browser_test.mjs", {page, (dir / "default_plot.png").string()}, &output),
            0)
      << output;
}

// ---- End to end: what the runner writes ---------------------------------------------------------

// Each preset as a newcomer gets it (the full plot) and as the plot alone (its sample points), in
// every point style for the plot alone.
TEST(EndToEnd, RunnerFilesOfEveryPresetPassTheValidator) {
  const auto preset = zvhost::FindParameter(Oo3dplot, "O3DPLOT_PRESET");
  ASSERT_TRUE(preset) << "the plot's presets are not described";
  ZV_REQUIRE_TOOL(Tools::HaveNodeModules(), "the npm packages");
  const fs::path dir = OutputDir("runner");
  std::vector<std::string> files;
  const auto run = [&](const std::string& args, const std::string& name) {
    const std::string path = (dir / name).string();
    const zvtest::Result r = zvtest::Zvplot(args + " -o " + Tools::Quote(path));
    ASSERT_EQ(r.status, 0) << args << ": " << r.all();
    files.push_back(path);
  };
  for (const auto& [p, formula] : preset->cycle) {
    const std::string n = std::to_string(p);
    run("--preset " + n, "preset" + n + "_full.glb");
    run("--bare --preset " + n, "preset" + n + "_bare.glb");
  }
  for (const char* style : {"sphere", "cross"})
    run(std::string("--bare --set pointstyle=") + style, std::string("bare_") + style + ".gltf");
  std::string output;
  EXPECT_EQ(Tools::Node("validate_gltf.mjs", files, &output), 0) << output;
}

// The points layer shows in the page and switches off: alone (dots and spheres) and on the full
// plot.
TEST(EndToEnd, RunnerPagesShowThePointsLayer) {
  ZV_REQUIRE_TOOL(Tools::HaveNodeModules(), "the npm packages");
  ZV_REQUIRE_TOOL(fs::exists("/usr/bin/chromium"), "Chromium");
  const fs::path dir = OutputDir("browser");
  const struct {
    const char* args;
    const char* name;
    bool sparse;
  } pages[] = {
      {"--bare", "bare_dots", true},
      {"--bare --set pointstyle=sphere", "bare_spheres", false},
      {"--formula 'Sin(x*2) * Cos(z)'", "full_plot", false},
  };
  for (const auto& p : pages) {
    const std::string page = (dir / (std::string(p.name) + ".html")).string();
    const zvtest::Result r = zvtest::Zvplot(std::string(p.args) + " -o " + Tools::Quote(page));
    ASSERT_EQ(r.status, 0) << p.args << ": " << r.all();
    std::vector<std::string> args = {page, (dir / (std::string(p.name) + ".png")).string(),
                                     "--points"};
    if (p.sparse) args.push_back("--sparse");
    std::string output;
    EXPECT_EQ(Tools::Node("browser_test.mjs", args, &output), 0) << output;
  }
}

}  // namespace
