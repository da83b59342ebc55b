#include "export_html.h"

#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string_view>

#include "atomic_file.h"
#include "base64.h"
#include "host_utf8.h"

#ifndef ZV_VIEWER_DIR
#define ZV_VIEWER_DIR "share/zorvantix/viewer"
#endif

namespace zvapp {
namespace {

std::string& Folder() {
  static std::string folder = ZV_VIEWER_DIR;
  return folder;
}

bool ReadFile(const std::string& path, std::string* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

std::string EscapeHtml(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// JSON that can stand inside a <script> element: every '<' (they occur only inside strings) is
// written as an escape, so no "</script>" or "<!--" in the embedded sources ends the element.
std::string ScriptJson(const nlohmann::json& value) {
  const std::string text = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  std::string out;
  out.reserve(text.size() + text.size() / 64);
  for (const char c : text) {
    if (c == '<')
      out += "\\u003c";
    else
      out += c;
  }
  return out;
}

// The page's modules, by the names the page's loader links them under.
struct Source {
  const char* key;
  const char* file;
};
constexpr Source kThreeSources[] = {
    {"core", "three.core.min.js"},
    {"three", "three.module.min.js"},
    {"bufferGeometryUtils", "BufferGeometryUtils.js"},
    {"skeletonUtils", "SkeletonUtils.js"},
    {"gltfLoader", "GLTFLoader.js"},
    {"orbitControls", "OrbitControls.js"},
};

bool ReadSources(nlohmann::json* modules, std::string* page, std::string* error) {
  const std::string& dir = Folder();
  for (const Source& s : kThreeSources) {
    std::string text;
    if (!ReadFile(dir + "/" + s.file, &text)) {
      if (error)
        *error =
            "three.js not found: run the set-up command (" + dir + "/" + s.file + " is missing)";
      return false;
    }
    (*modules)[s.key] = std::move(text);
  }
  std::string script;
  if (!ReadFile(dir + "/viewer.js", &script) || !ReadFile(dir + "/viewer.html", page)) {
    if (error) *error = "the viewer's page template is missing from " + dir;
    return false;
  }
  (*modules)["viewer"] = std::move(script);
  return true;
}

// Replaces every {{name}} of the template by its text.
std::string Fill(const std::string& page,
                 const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string out;
  size_t at = 0;
  while (true) {
    const size_t open = page.find("{{", at);
    const size_t close = open == std::string::npos ? open : page.find("}}", open);
    if (close == std::string::npos) break;
    out.append(page, at, open - at);
    const std::string name = page.substr(open + 2, close - open - 2);
    bool known = false;
    for (const auto& [key, text] : fields) {
      if (key == name) out += text, known = true;
    }
    if (!known) out.append(page, open, close + 2 - open);
    at = close + 2;
  }
  out.append(page, at, std::string::npos);
  return out;
}

}  // namespace

void SetViewerDirectory(const std::string& folder) { Folder() = folder; }
const std::string& ViewerDirectory() { return Folder(); }

bool WriteHtmlFile(const std::vector<std::vector<unsigned char>>& frames,
                   const HtmlOptions& options, const std::string& path, std::string* error) {
  if (frames.empty()) {
    if (error) *error = "'" + path + "': no frames to show";
    return false;
  }
  nlohmann::json modules;
  std::string page;
  if (!ReadSources(&modules, &page, error)) return false;
  // The title comes from the user: bytes that are no UTF-8 are replaced, as in the frames' glTF.
  const std::string title = zvhost::ValidUtf8(options.title);
  nlohmann::json data;
  data["title"] = title;
  data["fps"] = options.fps > 0 ? options.fps : 30;
  data["frames"] = nlohmann::json::array();
  for (const auto& frame : frames) data["frames"].push_back(Base64(frame));
  data["modules"] = std::move(modules);
  page = Fill(page, {{"title", EscapeHtml(title)}, {"data", ScriptJson(data)}});
  return WriteFileAtomically(path, page, error);
}

}  // namespace zvapp
