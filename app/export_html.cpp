#include "export_html.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <nlohmann/json.hpp>
#include <span>
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
// The page with each {{name}} replaced by what its field writes; an unknown name stays as it is.
using Field = std::function<bool(const PieceSink&)>;
bool Fill(std::string_view page, const std::vector<std::pair<std::string, Field>>& fields,
          const PieceSink& sink) {
  size_t at = 0;
  while (true) {
    const size_t open = page.find("{{", at);
    const size_t close = open == std::string::npos ? open : page.find("}}", open);
    if (close == std::string::npos) break;
    if (!sink(page.substr(at, open - at))) return false;
    const std::string_view name = page.substr(open + 2, close - open - 2);
    bool known = false;
    for (const auto& [key, field] : fields) {
      if (key != name) continue;
      if (!field(sink)) return false;
      known = true;
    }
    if (!known && !sink(page.substr(open, close + 2 - open))) return false;
    at = close + 2;
  }
  return sink(page.substr(at));
}

// The page's data as ScriptJson would write the whole object (members in name order), the frames'
// base64 text going out a piece at a time: a frame of a large plot runs to a hundred megabytes.
bool WriteData(const std::vector<std::vector<unsigned char>>& frames, int fps,
               const nlohmann::json& modules, const std::string& title, const PieceSink& sink) {
  constexpr size_t kPiece = 3 * (size_t{1} << 18);  // whole groups of three bytes
  if (!sink("{\"fps\":" + std::to_string(fps) + ",\"frames\":[")) return false;
  for (size_t i = 0; i < frames.size(); ++i) {
    if (!sink(i == 0 ? "\"" : ",\"")) return false;
    const std::span<const unsigned char> bytes(frames[i]);
    for (size_t at = 0; at < bytes.size(); at += kPiece) {
      if (!sink(Base64(bytes.subspan(at, std::min(kPiece, bytes.size() - at))))) return false;
    }
    if (!sink("\"")) return false;
  }
  return sink("],\"modules\":" + ScriptJson(modules) + ",\"title\":" +
              ScriptJson(nlohmann::json(title)) + "}");
}

// The page of the frames, handed to `write` as a producer of its pieces (a file or a text).
template <typename Write>
bool WritePage(const std::vector<std::vector<unsigned char>>& frames, const HtmlOptions& options,
               const std::string& target, std::string* error, Write write) {
  if (frames.empty()) {
    if (error) *error = target + ": no frames to show";
    return false;
  }
  nlohmann::json modules;
  std::string page;
  if (!ReadSources(&modules, &page, error)) return false;
  // The title comes from the user: bytes that are no UTF-8 are replaced, as in the frames' glTF.
  const std::string title = zvhost::ValidUtf8(options.title);
  const int fps = options.fps > 0 ? options.fps : 30;
  const std::string escapedTitle = EscapeHtml(title);
  const std::vector<std::pair<std::string, Field>> fields = {
      {"title", [&](const PieceSink& sink) { return sink(escapedTitle); }},
      {"data", [&](const PieceSink& sink) { return WriteData(frames, fps, modules, title, sink); }},
  };
  return write([&](const PieceSink& sink) { return Fill(page, fields, sink); });
}

}  // namespace

void SetViewerDirectory(const std::string& folder) { Folder() = folder; }
const std::string& ViewerDirectory() { return Folder(); }

bool WriteHtmlPage(const std::vector<std::vector<unsigned char>>& frames,
                   const HtmlOptions& options, std::string* out, std::string* error) {
  out->clear();
  return WritePage(
      frames, options, "the page", error,
      [out](const std::function<bool(const PieceSink&)>& produce) {
        return produce([out](std::string_view piece) { return out->append(piece), true; });
      });
}

bool WriteHtmlFile(const std::vector<std::vector<unsigned char>>& frames,
                   const HtmlOptions& options, const std::string& path, std::string* error) {
  return WritePage(frames, options, "'" + path + "'", error,
                   [&](const std::function<bool(const PieceSink&)>& produce) {
                     return WriteFileAtomically(path, produce, error);
                   });
}

}  // namespace zvapp
