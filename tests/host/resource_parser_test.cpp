// The module's real resource folder, and malformed resources written to a scratch folder.
// ZV_SOURCE_DIR (set by the build) is the repository root.
#include "resource_parser.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#ifndef ZV_SOURCE_DIR
#error "ZV_SOURCE_DIR must name the repository root"
#endif

namespace zvhost {
namespace {

namespace fs = std::filesystem;
const std::string kRes = std::string(ZV_SOURCE_DIR) + "/res";

struct Param {
  int id;
  const char* symbol;
  const char* type;
  std::vector<int> cycle = {};
};

struct Description {
  const char* name;
  int typeId;
  std::vector<Param> params;
};

// The identifiers and types the module code relies on.
const std::vector<Description> kDescriptions = {
    {"o3dplot",
     1055349,
     {{10000, "O3DPLOT_RESOLUTION", "LONG"},
      {10002, "O3DPLOT_XMIN", "REAL"},
      {10003, "O3DPLOT_XMAX", "REAL"},
      {10004, "O3DPLOT_SIZE", "REAL"},
      {10005, "O3DPLOT_HEIGHT", "REAL"},
      {10007, "O3DPLOT_COLORMODE", "LONG", {0, 1}},
      {10008, "O3DPLOT_GRADIENT", "GRADIENT"},
      {10009, "O3DPLOT_COLOR", "COLOR"},
      {10010, "O3DPLOT_SCALE_POSITIVE", "REAL"},
      {10011, "O3DPLOT_SCALE_NEGATIVE", "REAL"},
      {10012, "O3DPLOT_POINTSTYLE", "LONG", {0, 1, 2}},
      {10013, "O3DPLOT_FORMULA", "STRING"},
      {10014, "O3DPLOT_ZMIN", "REAL"},
      {10015, "O3DPLOT_ZMAX", "REAL"},
      {10016, "O3DPLOT_SEPARATE_Z", "BOOL"},
      {10017, "O3DPLOT_HEIGHTMODE", "LONG", {0, 1, 2}},
      {10018, "O3DPLOT_ANIMATE", "BOOL"},
      {10020, "O3DPLOT_RESET", "BUTTON"},
      {10025, "O3DPLOT_PRESET", "LONG", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
      {10028, "O3DPLOT_GRADIENT_ABSOLUTE", "BOOL"},
      {10029, "O3DPLOT_ADD_COMPONENT", "LONG", {0, 1, 2, 3}},
      {10030, "O3DPLOT_POINTSIZE", "REAL"},
      {10032, "O3DPLOT_HELP", "BUTTON"}}},
    {"o3dplotmesh",
     1055457,
     {{20000, "O3DPLOTMESH_VERTEXCOLORS", "BOOL"},
      {20001, "O3DPLOTMESH_PHONG", "BOOL"},
      {20002, "O3DPLOTMESH_MODE", "LONG", {0, 1, 2}},
      {20005, "O3DPLOTMESH_MARKERSIZE", "REAL"},
      {20006, "O3DPLOTMESH_RENDERONLY", "BOOL"},
      {20007, "O3DPLOTMESH_MARKERSHAPE", "LONG", {0, 1, 2}},
      {20008, "O3DPLOTMESH_PRIMITIVE", "LONG", {0, 1, 2, 3}}}},
    {"o3dplotcage",
     1055484,
     {{40000, "O3DPLOTCAGE_LEVELS", "LONG"},
      {40001, "O3DPLOTCAGE_SECTIONS", "LONG"},
      {40002, "O3DPLOTCAGE_COLOR", "COLOR"}}},
    {"o3dplotgrid",
     1055458,
     {{30000, "O3DPLOTGRID_STEP", "LONG"}, {30001, "O3DPLOTGRID_COLOR", "COLOR"}}},
    {"o3dplotlabel",
     1055514,
     {{50000, "O3DPLOTLABEL_TEXTSIZE", "REAL"},
      {50001, "O3DPLOTLABEL_COLOR", "COLOR"},
      {50002, "O3DPLOTLABEL_DIGITS", "LONG"},
      {50003, "O3DPLOTLABEL_SHOW_HORIZONTAL", "BOOL"},
      {50004, "O3DPLOTLABEL_SHOW_VERTICAL", "BOOL"},
      {50005, "O3DPLOTLABEL_FLIP", "BOOL"},
      {50007, "O3DPLOTLABEL_SHOW_LEGEND", "BOOL"},
      {50008, "O3DPLOTLABEL_LEGEND_OFFSET", "VECTOR"},
      {50009, "O3DPLOTLABEL_LEGEND_ORIENTATION", "LONG", {0, 1, 2, 3}},
      {50011, "O3DPLOTLABEL_RESET", "BUTTON"},
      {50012, "O3DPLOTLABEL_UPDATE", "BUTTON"},
      {50013, "O3DPLOTLABEL_AXES", "LONG", {0, 1, 2}},
      {50014, "O3DPLOTLABEL_FONT", "FONT"},
      {50015, "O3DPLOTLABEL_DEPTH", "REAL"}}},
};

// "file:line: problem"
bool NamesFileAndLine(const std::string& error) {
  const std::size_t colon = error.find(": ");
  if (colon == std::string::npos || colon < 3) return false;
  std::size_t digits = colon;
  while (digits > 0 && std::isdigit(static_cast<unsigned char>(error[digits - 1]))) --digits;
  return digits < colon && digits > 1 && error[digits - 1] == ':' && colon + 2 < error.size();
}

DescriptionResource Load(const std::string& name) {
  DescriptionResource d;
  std::string error;
  EXPECT_TRUE(LoadDescriptionResource(kRes, name, "en-US", &d, &error)) << error;
  return d;
}

const DescEntry* Find(const DescriptionResource& d, int id) {
  for (const DescEntry& e : d.entries) {
    if (e.id == id) return &e;
  }
  return nullptr;
}

TEST(ModuleDescriptions, DeclareEveryParameterWithItsTypeCycleAndName) {
  for (const Description& want : kDescriptions) {
    SCOPED_TRACE(want.name);
    const DescriptionResource d = Load(want.name);
    EXPECT_EQ(d.typeId, want.typeId);
    EXPECT_FALSE(d.title.empty());
    for (const Param& p : want.params) {
      const DescEntry* e = Find(d, p.id);
      ASSERT_NE(e, nullptr) << p.symbol;
      EXPECT_EQ(e->symbol, p.symbol);
      EXPECT_EQ(e->type, p.type) << p.symbol;
      EXPECT_FALSE(e->label.empty()) << p.symbol;
      std::vector<int> values;
      for (const auto& [value, label] : e->cycle) {
        values.push_back(value);
        EXPECT_FALSE(label.empty()) << p.symbol << " entry " << value;
      }
      EXPECT_EQ(values, p.cycle) << p.symbol;
    }
  }
}

TEST(ModuleDescriptions, AreWellFormedTrees) {
  for (const Description& want : kDescriptions) {
    SCOPED_TRACE(want.name);
    const DescriptionResource d = Load(want.name);
    std::set<int> groupsSoFar, ids;
    for (const DescEntry& e : d.entries) {
      if (e.parent != 0) {
        EXPECT_TRUE(groupsSoFar.count(e.parent)) << e.symbol;
      }
      if (e.type == "GROUP") groupsSoFar.insert(e.id);
      if (e.type != "SEPARATOR") {
        EXPECT_TRUE(ids.insert(e.id).second) << e.symbol;
        EXPECT_FALSE(e.label.empty()) << e.symbol;
      }
    }
  }
}

TEST(ModuleDescriptions, KeepValuesInPracticalRanges) {
  struct Range {
    const char* description;
    int id;
    std::optional<double> min, max;
  };
  const Range ranges[] = {
      {"o3dplot", 10000, 1, 1000},
      {"o3dplot", 10004, 0, 1e20},
      {"o3dplot", 10005, 0, 1e20},
      {"o3dplot", 10030, 0, std::nullopt},
      {"o3dplotmesh", 20005, 0, std::nullopt},
      {"o3dplotcage", 40000, 0, 100},
      {"o3dplotcage", 40001, 0, 100},
      {"o3dplotgrid", 30000, 1, 1000},
      {"o3dplotlabel", 50000, 0, std::nullopt},
      {"o3dplotlabel", 50002, 0, 20},
      {"o3dplotlabel", 50015, 0, std::nullopt},
  };
  for (const Range& r : ranges) {
    const DescriptionResource d = Load(r.description);
    const DescEntry* e = Find(d, r.id);
    ASSERT_NE(e, nullptr) << r.id;
    EXPECT_EQ(e->min, r.min) << e->symbol;
    EXPECT_EQ(e->max, r.max) << e->symbol;
  }
}

TEST(ModuleDescriptions, PresetEntriesShowTheFormulaTheyApply) {
  const char* formulas[] = {"Sin(x) * Cos(z)",
                            "x^3 * Sin(z * 10)",
                            "x * x * z",
                            "Tan(x) * Atan(z)",
                            "Pow(Sin(x); 3)",
                            "(x * x) / (z * z)",
                            "Pow((x * x) + (z * z); 0.5)",
                            "Cos(Abs(x) + Abs(z))",
                            "Log(x)",
                            "x * Cos(z)",
                            "Sin(Sqrt((x * x) + (z * z)))"};
  const DescriptionResource d = Load("o3dplot");
  const DescEntry* preset = Find(d, 10025);
  ASSERT_NE(preset, nullptr);
  ASSERT_EQ(preset->cycle.size(), std::size(formulas));
  for (std::size_t i = 0; i < preset->cycle.size(); ++i)
    EXPECT_EQ(preset->cycle[i].second, formulas[i]);
  EXPECT_FALSE(preset->animatable);
}

TEST(ModuleStringTable, NamesTheFiveObjects) {
  std::map<int, std::string> table;
  std::string error;
  ASSERT_TRUE(LoadStringTable(kRes, "en-US", &table, &error)) << error;
  std::set<std::string> names;
  for (int id = 15000; id <= 15004; ++id) {
    ASSERT_TRUE(table.count(id)) << id;
    EXPECT_TRUE(names.insert(table[id]).second) << table[id];
  }
  EXPECT_EQ(table.size(), 5u);
}

// A scratch resource folder holding one description "t".
class ScratchResources : public ::testing::Test {
 protected:
  void SetUp() override {
    // Unique per run: a sanitizer build may run the same test at the same time.
    dir_ = fs::temp_directory_path() /
           ("zv_res_" + std::to_string(std::random_device()()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_ / "description");
    fs::create_directories(dir_ / "strings_en-US" / "description");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // A new file each time: truncating one in place makes some file systems flush it to disk.
  void Write(const fs::path& relative, const std::string& text) {
    fs::remove(dir_ / relative);
    std::ofstream(dir_ / relative, std::ios::binary) << text;
  }
  void WriteDescription(const std::string& h, const std::string& res, const std::string& str) {
    Write("description/t.h", h);
    Write("description/t.res", res);
    Write("strings_en-US/description/t.str", str);
  }
  bool Load(DescriptionResource* d, std::string* error) {
    return LoadDescriptionResource(dir_.string(), "t", "en-US", d, error);
  }
  // Fails the test unless loading fails with an error "<file>:<line>: ...<detail>...".
  void ExpectError(const std::string& fileAndLine, const std::string& detail) {
    DescriptionResource d;
    d.name = "untouched";
    std::string error;
    EXPECT_FALSE(Load(&d, &error));
    EXPECT_EQ(d.name, "untouched");
    EXPECT_NE(error.find(fileAndLine + ": "), std::string::npos) << error;
    EXPECT_NE(error.find(detail), std::string::npos) << error;
  }

  fs::path dir_;
};

const char* kH =
    "#ifndef T_H\n#define T_H\nenum { Ot = 900, T_A = 10, T_B, T_C = 0x20, T_G = 30, T_ONE = 1, "
    "T_TWO = 2, };\n#endif\n";
const char* kStr =
    "STRINGTABLE Ot { Ot \"Test\"; T_A \"A \\\"quoted\\\" \\u00B0\"; T_ONE \"One\"; }\n";

TEST_F(ScratchResources, AcceptsTheFullGrammar) {
  WriteDescription(kH,
                   "\xEF\xBB\xBF// leading comment\nCONTAINER Ot { NAME Ot; INCLUDE Obase;\n"
                   "GROUP ID_OBJECTPROPERTIES { GROUP T_G { LONG T_A { MIN -5; MAX 16; STEP 1; "
                   "CYCLE { T_TWO; T_ONE; } ANIM OFF; }\n"
                   "/* block\ncomment */ SEPARATOR { LINE; } REAL T_B { MIN -1.5e-3; MAX +2e6; "
                   "HIDDEN; } } } VECTOR T_C { } }\n",
                   kStr);
  DescriptionResource d;
  std::string error;
  ASSERT_TRUE(Load(&d, &error)) << error;
  EXPECT_EQ(d.typeId, 900);
  EXPECT_EQ(d.title, "Test");
  ASSERT_EQ(d.entries.size(), 6u);
  const DescEntry& a = d.entries[2];
  EXPECT_EQ(a.id, 10);
  EXPECT_EQ(a.parent, 30);
  EXPECT_EQ(a.label, "A \"quoted\" \xC2\xB0");
  EXPECT_EQ(a.min, -5);
  EXPECT_EQ(a.max, 16);
  EXPECT_FALSE(a.animatable);
  EXPECT_EQ(a.cycle, (std::vector<std::pair<int, std::string>>{{2, ""}, {1, "One"}}));
  EXPECT_EQ(d.entries[3].type, "SEPARATOR");
  EXPECT_EQ(d.entries[4].id, 11);  // T_B follows T_A
  EXPECT_TRUE(d.entries[4].hidden);
  EXPECT_EQ(d.entries[4].min, -1.5e-3);
  EXPECT_EQ(d.entries[5].parent, 0);
  EXPECT_EQ(d.entries[5].id, 0x20);
}

TEST_F(ScratchResources, ReportsFileLineAndProblem) {
  struct Case {
    std::string h, res, str, where, detail;
  };
  const std::string ok = "CONTAINER Ot { GROUP T_G { LONG T_A { } } }";
  const Case cases[] = {
      {kH, "CONTAINER Ot {\n LONG T_NOPE { } }", kStr, "t.res:2", "'T_NOPE' is not defined in t.h"},
      {kH, "CONTAINER Ot { GROUP T_G {\n LONG T_A { MIN 1;", kStr, "t.res:2", "end of file"},
      {kH, "CONTAINER Ot { INTEGER T_A { } }", kStr, "t.res:1", "unknown element type 'INTEGER'"},
      {kH, "CONTAINER Ot { REAL T_A { CYCLE { T_ONE; } } }", kStr, "t.res:1",
       "not a property of REAL"},
      {kH, "CONTAINER Ot {\n\n LONG T_A { MIN 5; MAX 1; } }", kStr, "t.res:3", "MIN is above MAX"},
      {kH, "CONTAINER Ot { LONG T_A { MIN 0.5; } }", kStr, "t.res:1", "whole"},
      {kH, "CONTAINER Ot { LONG T_A { } BOOL T_A { } }", kStr, "t.res:1", "used twice"},
      {kH, "CONTAINER Ot { LONG T_A { CYCLE { T_ONE; T_ONE; } } }", kStr, "t.res:1", "used twice"},
      {kH, "CONTAINER Ot { LONG T_ONE { } LONG T_A { CYCLE { } } }", kStr, "t.res:1",
       "empty CYCLE"},
      {kH, "CONTAINER Ot { BOOL { } }", kStr, "t.res:1", "BOOL needs an identifier"},
      {kH, "CONTAINER Ot { INCLUDE Omystery; }", kStr, "t.res:1", "unknown base description"},
      {kH, ok + " }", kStr, "t.res:1", "after the closing '}'"},
      {kH, std::string("CONTAINER Ot {\n\0 }", 18), kStr, "t.res:2", "unexpected byte 0x00"},
      {kH, "CONTAINER Ot { /* never closed", kStr, "t.res:1", "unterminated comment"},
      {"enum {\n A = 1,\n A = 2 };", ok, kStr, "t.h:3", "'A' is defined twice"},
      {"enum { A = 4294967296 };", ok, kStr, "t.h:1", "expected a whole number"},
      {"enum { A = 2147483647, B };", ok, kStr, "t.h:1", "does not fit in 32 bits"},
      {"enum { A = 1 }", ok, kStr, "t.h:1", "expected ';'"},
      {"int x;", ok, kStr, "t.h:1", "expected 'enum'"},
      {kH, ok, "STRINGTABLE Ot {\n T_A \"never closed; }", "t.str:2", "unterminated string"},
      {kH, ok, "STRINGTABLE Ot { T_A \"\\q\"; }", "t.str:1", "unknown escape"},
      {kH, ok, "STRINGTABLE Ot { T_NOPE \"x\"; }", "t.str:1", "'T_NOPE' is not defined"},
      {kH, ok, "STRINGTABLE Ot { T_A \"x\"; T_A \"y\"; }", "t.str:1", "two strings"},
      {kH, ok, "\nSTRINGTABLE T_A { }", "t.str:2", "does not match the container 'Ot'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.where + " " + c.detail);
    WriteDescription(c.h, c.res, c.str);
    ExpectError(c.where, c.detail);
  }
}

TEST_F(ScratchResources, RefusesMissingFilesAndPathsOutsideTheFolder) {
  std::string error;
  DescriptionResource d;
  EXPECT_FALSE(Load(&d, &error));
  EXPECT_NE(error.find("t.h: cannot open"), std::string::npos) << error;
  EXPECT_FALSE(LoadDescriptionResource(dir_.string(), "../t", "en-US", &d, &error));
  EXPECT_FALSE(LoadDescriptionResource(dir_.string(), "t", "../..", &d, &error));
  std::map<int, std::string> table;
  EXPECT_FALSE(LoadStringTable(dir_.string(), "en-US", &table, &error));
  EXPECT_NE(error.find("c4d_symbols.h"), std::string::npos) << error;
}

TEST_F(ScratchResources, StringTableRefusesTwoNamesForOneId) {
  Write("c4d_symbols.h", "enum { IDS_A = 7, IDS_B = 7, _DUMMY_ELEMENT_ };");
  Write("strings_en-US/c4d_strings.str", "STRINGTABLE {\n IDS_A \"a\";\n IDS_B \"b\"; }");
  std::map<int, std::string> table;
  std::string error;
  EXPECT_FALSE(LoadStringTable(dir_.string(), "en-US", &table, &error));
  EXPECT_NE(error.find("c4d_strings.str:"), std::string::npos) << error;
}

TEST_F(ScratchResources, DeepNestingEndsInAnErrorNotACrash) {
  std::string h = "enum { Ot = 900, ";
  std::string res = "CONTAINER Ot { ";
  for (int i = 1; i <= 1000; ++i) {
    h += "G" + std::to_string(i) + " = " + std::to_string(i) + ", ";
    res += "GROUP G" + std::to_string(i) + " { ";
  }
  WriteDescription(h + "};", res, "STRINGTABLE Ot { }");
  ExpectError("t.res:1", "nested too deeply");
}

// Truncations and random byte changes of the real plot description: the loader answers each with
// success or a "file:line: problem" message, never a crash or a hang.
TEST_F(ScratchResources, SurvivesTruncatedAndCorruptedRealFiles) {
  auto read = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const fs::path paths[] = {"description/t.h", "description/t.res",
                            "strings_en-US/description/t.str"};
  const std::string texts[] = {read(kRes + "/description/o3dplot.h"),
                               read(kRes + "/description/o3dplot.res"),
                               read(kRes + "/strings_en-US/description/o3dplot.str")};
  WriteDescription(texts[0], texts[1], texts[2]);
  std::string error;
  DescriptionResource d;
  for (std::size_t n = 0; n < texts[1].rfind('}'); n += 17) {
    Write(paths[1], texts[1].substr(0, n));
    ASSERT_FALSE(Load(&d, &error)) << n;
    ASSERT_TRUE(NamesFileAndLine(error)) << error;
  }
  Write(paths[1], texts[1]);
  std::mt19937 random(42);
  for (int round = 0; round < 600; ++round) {
    const int k = round % 3;
    std::string victim = texts[k];
    victim[random() % victim.size()] = static_cast<char>(random() % 256);
    Write(paths[k], victim);
    if (!Load(&d, &error)) {
      ASSERT_TRUE(NamesFileAndLine(error)) << error;
    }
    Write(paths[k], texts[k]);
  }
}

}  // namespace
}  // namespace zvhost
