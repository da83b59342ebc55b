// The print formats as a user writes them: a solid's STL closed and of the volume its shape says,
// the size and scale in millimetres, the notes, the 3MF read back with lib3mf, the OBJ's colours.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "Model/COM/NMR_DLLInterfaces.h"
#include "cli_support.h"
#include "export_support.h"
#include "print_support.h"

namespace {
using namespace zvtest;

std::string Path(const std::string& name) { return (OutputDir("print") / name).string(); }

TEST(Print, ASolidsFilesAreClosedAndAsLargeAsItsShape) {
  const std::string stl = Path("flat.stl"), obj = Path("flat.obj");
  Result r = Zvplot("--formula 0 --set mesh.solid=base -o " + stl + " -o " + obj);
  ASSERT_EQ(r.status, 0) << r.all();
  StlCheck c = ReadStl(stl);
  ASSERT_TRUE(c.read);
  EXPECT_TRUE(c.closed);
  // The block: the 200 x 200 box, from Base Depth (10) below its floor (-25) up to the surface.
  EXPECT_NEAR(c.volume, 200.0 * 200.0 * 35.0, 1e-3 * 200.0 * 200.0 * 35.0);
  EXPECT_NEAR(c.hi[0] - c.lo[0], 200.0, 1e-3);
  EXPECT_NEAR(c.lo[2], 0.0, 1e-6) << "the model stands on the bed";
  EXPECT_NEAR(c.hi[2], 35.0, 1e-4) << "z is up";
  EXPECT_NE(r.err.find("200.0 x 200.0 x 35.0 mm"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("not closed"), std::string::npos) << r.err;

  // The OBJ holds the same triangles, with a colour at every point.
  std::ifstream f(obj);
  std::string line;
  long long faces = 0, points = 0, coloured = 0;
  while (std::getline(f, line)) {
    std::istringstream in(line);
    std::string word;
    in >> word;
    if (word == "f") ++faces;
    if (word != "v") continue;
    ++points;
    double v[6];
    int n = 0;
    while (n < 6 && in >> v[n]) ++n;
    coloured += n == 6;
  }
  EXPECT_EQ(faces, c.triangles);
  EXPECT_EQ(coloured, points);

  // Scaled to its longest side; the shape keeps its proportions.
  r = Zvplot("--formula 0 --set mesh.solid=base --print-size 100 -o " + stl);
  ASSERT_EQ(r.status, 0) << r.all();
  c = ReadStl(stl);
  EXPECT_NEAR(c.hi[0] - c.lo[0], 100.0, 1e-3);
  EXPECT_NEAR(c.volume, 100.0 * 100.0 * 17.5, 1e-3 * 100.0 * 100.0 * 17.5);
  EXPECT_NE(r.err.find("100.0 x 100.0 x 17.5 mm"), std::string::npos) << r.err;
  EXPECT_NE(Zvplot("--print-size -3 -o " + stl).status, 0);
}

TEST(Print, AnOpenSurfaceIsWrittenWithANoteAndNothingIsRefusedWithout) {
  const std::string stl = Path("open.stl");
  Result r = Zvplot("-o " + stl);
  ASSERT_EQ(r.status, 0) << r.all();
  EXPECT_FALSE(ReadStl(stl).closed);
  EXPECT_NE(r.err.find("not closed"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("--set mesh.solid=base"), std::string::npos) << r.err;
  // The plot alone has no polygon to print: refused, and no file.
  const std::string none = Path("none.stl");
  std::filesystem::remove(none);
  r = Zvplot("--bare -o " + none);
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("nothing to print"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(none));
  // The labels' text joins with --print-all; the cage and grid have no volume and are told about.
  r = Zvplot("--set mesh.solid=base --print-all -o " + stl);
  ASSERT_EQ(r.status, 0) << r.all();
  EXPECT_NE(r.err.find("line objects"), std::string::npos) << r.err;
  EXPECT_TRUE(ReadStl(stl).closed);
}

TEST(Print, The3mfReadsBackInMillimetresWithItsColours) {
  using namespace NMR;
  const std::string file = Path("plot.3mf");
  const Result r = Zvplot("--set mesh.solid=base --set mesh.vertexcolors=true -o " + file);
  ASSERT_EQ(r.status, 0) << r.all();
  PLib3MFModel* model = nullptr;
  ASSERT_EQ(lib3mf_createmodel(&model), LIB3MF_OK);
  PLib3MFModelReader* reader = nullptr;
  ASSERT_EQ(lib3mf_model_queryreader(model, "3mf", &reader), LIB3MF_OK);
  ASSERT_EQ(lib3mf_reader_readfromfileutf8(reader, file.c_str()), LIB3MF_OK);
  DWORD unit = 0;
  lib3mf_model_getunit(model, &unit);
  EXPECT_EQ(unit, DWORD(MODELUNIT_MILLIMETER));
  PLib3MFModelResourceIterator* meshes = nullptr;
  ASSERT_EQ(lib3mf_model_getmeshobjects(model, &meshes), LIB3MF_OK);
  BOOL more = false;
  int count = 0;
  std::set<std::tuple<int, int, int>> colours;
  while (lib3mf_resourceiterator_movenext(meshes, &more) == LIB3MF_OK && more) {
    PLib3MFModelResource* mesh = nullptr;
    lib3mf_resourceiterator_getcurrent(meshes, &mesh);
    ++count;
    DWORD triangles = 0;
    lib3mf_meshobject_gettrianglecount(mesh, &triangles);
    EXPECT_GT(triangles, 5000u);
    PLib3MFPropertyHandler* handler = nullptr;
    ASSERT_EQ(lib3mf_meshobject_createpropertyhandler(mesh, &handler), LIB3MF_OK);
    for (DWORD t = 0; t < triangles; t += 97) {
      MODELMESH_TRIANGLECOLOR_SRGB c;
      ASSERT_EQ(lib3mf_propertyhandler_getcolor(handler, t, &c), LIB3MF_OK);
      colours.insert({c.m_Colors[0].m_Red, c.m_Colors[0].m_Green, c.m_Colors[0].m_Blue});
    }
    lib3mf_release(handler);
    lib3mf_release(mesh);
  }
  EXPECT_EQ(count, 1);
  EXPECT_GT(colours.size(), 20u) << "a surface coloured by height";
  lib3mf_release(meshes);
  lib3mf_release(reader);
  lib3mf_release(model);
}

}  // namespace
