// The user's guide, Zorvantix.pdf, that the build writes into the module's folder: a real PDF of a
// manual's length whose text names every object, parameter, choice and preset formula of the
// module's resources, documents the formula language's functions, and whose contents lead to the
// right pages. The build skips the guide without Chromium or three.js, and so do these tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

const fs::path kPdf = fs::path(ZV_PLUGIN_DIR) / "Zorvantix.pdf";
const fs::path kRes = fs::path(ZV_SOURCE_DIR) / "res";
const char* const kDescriptions[] = {"o3dplot", "o3dplotmesh", "o3dplotgrid", "o3dplotcage",
                                     "o3dplotlabel"};

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (!dir.empty() && fs::exists(fs::path(dir) / program)) return true;
  return false;
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  pclose(pipe);
  return out;
}

// The words of a text, one blank between them and in lower case, as a reader compares them: the
// guide sets group names in capitals and breaks lines where the page needs.
std::string Words(const std::string& text) {
  std::string out;
  for (const char c : text) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
  }
  return out;
}

// "\u00B0"-style escapes of the string tables, as UTF-8.
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s.compare(i, 2, "\\u") == 0 && i + 6 <= s.size()) {
      const unsigned cp = std::stoul(s.substr(i + 2, 4), nullptr, 16);
      if (cp < 0x80) {
        out += static_cast<char>(cp);
      } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
      } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
      }
      i += 5;
    } else {
      out += s[i];
    }
  }
  return out;
}

// (identifier, text) of every entry of a string table.
std::vector<std::pair<std::string, std::string>> StringTable(const fs::path& file) {
  static const std::regex entry(R"re(^\s*(\w+)\s+"((?:[^"\\]|\\.)*)"\s*;)re");
  std::vector<std::pair<std::string, std::string>> found;
  std::stringstream lines(ReadFile(file));
  std::smatch m;
  for (std::string line; std::getline(lines, line);)
    if (std::regex_search(line, m, entry)) found.emplace_back(m[1], Unescape(m[2]));
  return found;
}

// The parameter identifiers of a description: the names that follow an element type.
std::vector<std::string> Parameters(const fs::path& res_file) {
  static const std::regex element(
      R"(\b(LONG|REAL|BOOL|STRING|COLOR|GRADIENT|VECTOR|FONT|BUTTON)\s+(\w+))");
  const std::string text = ReadFile(res_file);
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), element);
       it != std::sregex_iterator(); ++it)
    found.push_back((*it)[2]);
  return found;
}

// The number of pages: the largest /Count of the PDF's page tree nodes.
int PageCount(const std::string& pdf) {
  static const std::regex pages(
      R"(/Type\s*/Pages\b[^>]*?/Count\s+(\d+)|/Count\s+(\d+)[^>]*?/Type\s*/Pages\b)");
  int count = 0;
  for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), pages); it != std::sregex_iterator();
       ++it)
    count = std::max(count, std::stoi((*it)[1].matched ? (*it)[1].str() : (*it)[2].str()));
  return count;
}

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class Guide : public ::testing::Test {
 protected:
  void SetUp() override {
    // Without Chromium or three.js the build makes no guide.
    ZV_REQUIRE_TOOL(OnPath("chromium") || OnPath("chromium-browser"), "Chromium");
    ZV_REQUIRE_TOOL(
        fs::exists(fs::path(ZV_SOURCE_DIR) / "node_modules/three/build/three.module.min.js"),
        "three.js");
    ASSERT_TRUE(fs::exists(kPdf))
        << kPdf << " is missing: build the target zv_guide (part of the default build)";
  }

  // The text of pages first to last (0: all), laid out as on the page; needs poppler-utils.
  static std::string Text(int first = 0, int last = 0) {
    std::string command = "pdftotext -layout -enc UTF-8";
    if (first > 0) command += " -f " + std::to_string(first) + " -l " + std::to_string(last);
    return Output(command + " '" + kPdf.string() + "' - 2>/dev/null");
  }
};

TEST_F(Guide, IsAPdfOfAManualsLengthWithItsPictures) {
  const std::string pdf = ReadFile(kPdf);
  ASSERT_EQ(pdf.rfind("%PDF-1.", 0), 0u) << "not a PDF";
  EXPECT_NE(pdf.find("%%EOF", pdf.size() > 1024 ? pdf.size() - 1024 : 0), std::string::npos)
      << "the PDF is cut short";
  const int pages = PageCount(pdf);
  EXPECT_GE(pages, 12) << "too short for the guide";
  EXPECT_LE(pages, 30) << "far longer than the guide: a layout fault?";
  // Each preset has its picture, besides the objects' and the animation's (JPEG, kept as is).
  EXPECT_GE(Occurrences(pdf, "/DCTDecode"), 11u);
}

TEST_F(Guide, NamesEveryObjectParameterChoiceAndPresetFormula) {
  ZV_REQUIRE_TOOL(OnPath("pdftotext"), "pdftotext (poppler-utils)");
  const std::string text = Words(Text());
  ASSERT_FALSE(text.empty());
  for (const auto& [id, name] : StringTable(kRes / "strings_en-US" / "c4d_strings.str"))
    EXPECT_NE(text.find(Words(name)), std::string::npos)
        << "object " << id << " \"" << name << "\"";
  for (const char* d : kDescriptions) {
    // Labels of parameters, groups and choices; the plot's preset choices are the formulas.
    const auto strings =
        StringTable(kRes / "strings_en-US" / "description" / (std::string(d) + ".str"));
    EXPECT_GT(strings.size(), 2u) << d;
    for (const auto& [id, label] : strings)
      EXPECT_NE(text.find(Words(label)), std::string::npos)
          << d << ": " << id << " \"" << label << "\"";
    // Each parameter's row, by its identifier.
    for (const std::string& id : Parameters(kRes / "description" / (std::string(d) + ".res")))
      EXPECT_NE(text.find(Words(id)), std::string::npos) << d << ": no row for " << id;
  }
}

TEST_F(Guide, DocumentsEveryFunctionOfTheFormulaLanguageAndItsDegrees) {
  ZV_REQUIRE_TOOL(OnPath("pdftotext"), "pdftotext (poppler-utils)");
  const std::string text = Words(Text());
  // The host's formula language: every function a formula may call.
  for (const char* f : {"Sin(",  "Cos(",  "Tan(",   "ASin(", "ACos(",  "ATan(", "ATan2(", "Sinh(",
                        "Cosh(", "Tanh(", "Exp(",   "Log(",  "Log10(", "Sqrt(", "Abs(",   "Pow(",
                        "Min(",  "Max(",  "Floor(", "Ceil(", "Round(", "Sign(", "Pi"})
    EXPECT_NE(text.find(Words(f)), std::string::npos) << f;
  EXPECT_NE(text.find("in degrees"), std::string::npos);
  // All six variables, time and frame among them.
  for (const char* v : {"time in seconds", "frame number", "the resolution r"})
    EXPECT_NE(text.find(v), std::string::npos) << v;
}

TEST_F(Guide, ContentsLeadToThePagesOfTheirSections) {
  ZV_REQUIRE_TOOL(OnPath("pdftotext"), "pdftotext (poppler-utils)");
  const int pages = PageCount(ReadFile(kPdf));
  // "2.2 Plot Surface     6": number, title, page.
  static const std::regex entry(R"(^\s*(\d+(?:\.\d+)?)\s+(\S.*?\S)\s{2,}(\d+)\s*$)");
  std::stringstream contents(Text(2, 2));
  int entries = 0;
  std::smatch m;
  for (std::string line; std::getline(contents, line);) {
    if (!std::regex_match(line, m, entry)) continue;
    ++entries;
    const int page = std::stoi(m[3]);
    ASSERT_GE(page, 3) << line;
    ASSERT_LE(page, pages) << line;
    const std::string heading = Words(m[1].str() + " " + m[2].str());
    EXPECT_NE(Words(Text(page, page)).find(heading), std::string::npos)
        << "\"" << heading << "\" is not on page " << page;
  }
  EXPECT_GE(entries, 20) << "the contents list too few sections";
}

}  // namespace
