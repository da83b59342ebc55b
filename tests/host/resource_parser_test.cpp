// The module's real resource folder, and malformed resources written to a scratch folder.
// ZV_SOURCE_DIR (set by the build) is the repository root.
#include "resource_parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <set>

#include "c4d.h"

#ifndef ZV_SOURCE_DIR
#error "ZV_SOURCE_DIR must name the repository root"
#endif

namespace zvhost {
namespace {

namespace fs = std::filesystem;
const std::string kRes = std::string(ZV_SOURCE_DIR) + "/res";

// The descriptions in the module's resource folder, by name ("o3dplot").
std::vector<std::string> DescriptionNames() {
  std::vector<std::string> names;
  for (const fs::directory_entry& f : fs::directory_iterator(kRes + "/description"))
    if (f.path().extension() == ".h") names.push_back(f.path().stem().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The identifiers a .h defines ("NAME = value").
std::vector<std::string> DefinedIdentifiers(const std::string& h) {
  static const std::regex definition(R"(\b([A-Za-z_]\w*)\s*=)");
  std::vector<std::string> out;
  for (std::sregex_iterator m(h.begin(), h.end(), definition), end; m != end; ++m)
    out.push_back((*m)[1]);
  return out;
}

// Every word of a .res outside its comments.
std::set<std::string> UsedIdentifiers(const std::string& res) {
  static const std::regex comment(R"(//[^\n]*|/\*[\s\S]*?\*/)");
  static const std::regex word(R"([A-Za-z_]\w*)");
  const std::string text = std::regex_replace(res, comment, " ");
  std::set<std::string> out;
  for (std::sregex_iterator m(text.begin(), text.end(), word), end; m != end; ++m)
    out.insert(m->str());
  return out;
}

// The names a .str gives, by identifier.
std::map<std::string, std::string> Names(const std::string& str) {
  static const std::regex entry(R"re(([A-Za-z_]\w*)\s+"((?:[^"\\]|\\.)*)")re");
  std::map<std::string, std::string> out;
  for (std::sregex_iterator m(str.begin(), str.end(), entry), end; m != end; ++m)
    out[(*m)[1]] = (*m)[2];
  return out;
}

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

// Each identifier of a description's .h (its container, groups, parameters and choices) is used in
// its .res and named in its .str; loading refuses a .res or .str that uses one the .h lacks.
TEST(ModuleDescriptions, UseAndNameEveryIdentifierTheyDefine) {
  const std::vector<std::string> names = DescriptionNames();
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const DescriptionResource d = Load(name);
    EXPECT_FALSE(d.title.empty());
    const std::vector<std::string> defined =
        DefinedIdentifiers(ReadText(kRes + "/description/" + name + ".h"));
    EXPECT_FALSE(defined.empty());
    const std::set<std::string> used =
        UsedIdentifiers(ReadText(kRes + "/description/" + name + ".res"));
    const std::map<std::string, std::string> named =
        Names(ReadText(kRes + "/strings_en-US/description/" + name + ".str"));
    for (const std::string& id : defined) {
      EXPECT_TRUE(used.count(id)) << id << " is not used in " << name << ".res";
      const auto it = named.find(id);
      EXPECT_TRUE(it != named.end() && !it->second.empty()) << id << " has no name";
    }
    const std::set<std::string> definedSet(defined.begin(), defined.end());
    for (const DescEntry& e : d.entries) {
      if (!e.symbol.empty() && e.id != ID_OBJECTPROPERTIES) {
        EXPECT_TRUE(definedSet.count(e.symbol)) << e.symbol;
      }
    }
  }
}

TEST(ModuleDescriptions, AreWellFormedTrees) {
  for (const std::string& name : DescriptionNames()) {
    SCOPED_TRACE(name);
    const DescriptionResource d = Load(name);
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
      for (const auto& [value, label] : e.cycle) {
        EXPECT_FALSE(label.empty()) << e.symbol << " " << value;
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

// Choices that act as commands (a preset, a component to add) must not be keyed: playing the
// animation back would repeat them.
TEST(ModuleDescriptions, CommandChoicesAreNotAnimated) {
  const DescriptionResource d = Load("o3dplot");
  int commands = 0;
  for (const DescEntry& e : d.entries) {
    if (e.symbol != "O3DPLOT_PRESET" && e.symbol != "O3DPLOT_ADD_COMPONENT") continue;
    EXPECT_FALSE(e.animatable) << e.symbol;
    ++commands;
  }
  EXPECT_EQ(commands, 2);
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
  const fs::path paths[] = {"description/t.h", "description/t.res",
                            "strings_en-US/description/t.str"};
  const std::string texts[] = {ReadText(kRes + "/description/o3dplot.h"),
                               ReadText(kRes + "/description/o3dplot.res"),
                               ReadText(kRes + "/strings_en-US/description/o3dplot.str")};
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
