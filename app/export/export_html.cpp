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
// The page's own modules, laid out beside its template.
constexpr Source kPageSources[] = {
    {"viewer", "viewer.js"},
    {"pointsLayer", "points_layer.js"},
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
  bool found = ReadFile(dir + "/viewer.html", page);
  for (const Source& s : kPageSources) {
    std::string script;
    found = found && ReadFile(dir + "/" + s.file, &script);
    (*modules)[s.key] = std::move(script);
  }
  if (!found) {
    if (error) *error = "the viewer's page template is missing from " + dir;
    return false;
  }
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

}  // namespace

void SetViewerDirectory(const std::string& folder) { Folder() = folder; }
const std::string& ViewerDirectory() { return Folder(); }

// The page's data is an object written as ScriptJson would write it whole (members in name order),
// {"fps":..,"frames":[..],"modules":..,"title":..}; the frames' base64 text goes out as it is made.
struct HtmlPageWriter::State {
  // Where the page goes: a piece written, and the page closed once complete.
  std::function<bool(std::string_view, std::string*)> write;
  std::function<bool(std::string*)> close;
  std::string path;  // as messages name it
  nlohmann::json modules;
  std::string page;
  std::size_t dataAt = 0;  // where {{data}} stands in the page
  std::string title;       // as UTF-8
  std::string escapedTitle;
  std::size_t frames = 0;

  PieceSink Sink(std::string* error) {
    return [this, error](std::string_view piece) { return write(piece, error); };
  }
  // The page's text outside its data, {{title}} filled in; `from` and `to` bound the part.
  bool FillPart(std::size_t from, std::size_t to, std::string* error) {
    const std::vector<std::pair<std::string, Field>> fields = {
        {"title", [&](const PieceSink& sink) { return sink(escapedTitle); }}};
    return Fill(std::string_view(page).substr(from, to - from), fields, Sink(error));
  }
};

HtmlPageWriter::HtmlPageWriter() = default;
HtmlPageWriter::~HtmlPageWriter() = default;

bool HtmlPageWriter::Begin(StagedOutputs& staged, const std::string& path,
                           const HtmlOptions& options, std::string* error) {
  const std::optional<std::size_t> output = staged.Open(path, error);
  if (!output) return false;
  const std::size_t at = *output;
  return Start(
      [&staged, at](std::string_view piece, std::string* e) { return staged.Append(at, piece, e); },
      [&staged, at](std::string* e) { return staged.Close(at, e); }, "'" + path + "'", options,
      error);
}

bool HtmlPageWriter::Begin(std::string* out, const HtmlOptions& options, std::string* error) {
  out->clear();
  return Start([out](std::string_view piece, std::string*) { return out->append(piece), true; },
               [](std::string*) { return true; }, "the page", options, error);
}

bool HtmlPageWriter::Start(std::function<bool(std::string_view, std::string*)> write,
                           std::function<bool(std::string*)> close, const std::string& name,
                           const HtmlOptions& options, std::string* error) {
  auto s = std::make_unique<State>();
  if (!ReadSources(&s->modules, &s->page, error)) return false;
  s->dataAt = s->page.find("{{data}}");
  if (s->dataAt == std::string::npos) {
    if (error) *error = "the viewer's page template in " + Folder() + " has no {{data}}";
    return false;
  }
  // The title comes from the user: bytes that are no UTF-8 are replaced, as in the frames' glTF.
  s->title = zvhost::ValidUtf8(options.title);
  s->escapedTitle = EscapeHtml(s->title);
  s->path = name;
  s->write = std::move(write);
  s->close = std::move(close);
  const int fps = options.fps > 0 ? options.fps : 30;
  if (!s->FillPart(0, s->dataAt, error) ||
      !s->Sink(error)("{\"fps\":" + std::to_string(fps) + ",\"frames\":["))
    return false;
  state_ = std::move(s);
  return true;
}

bool HtmlPageWriter::AddFrame(const PieceProducer& glb, std::string* error) {
  State& s = *state_;
  const PieceSink sink = s.Sink(error);
  if (!sink(s.frames++ == 0 ? "\"" : ",\"")) return false;
  Base64Stream text(sink);
  bool written = true;
  const bool made = glb([&](std::string_view piece) { return written = text.Put(piece); });
  if (!written) return false;
  if (!made) {
    if (error && error->empty()) *error = s.path + ": a frame could not be made";
    return false;
  }
  return text.Finish() && sink("\"");
}

bool HtmlPageWriter::Finish(std::string* error) {
  State& s = *state_;
  if (s.frames == 0) {
    if (error) *error = s.path + ": no frames to show";
    return false;
  }
  return s.Sink(error)("],\"modules\":" + ScriptJson(s.modules) +
                       ",\"title\":" + ScriptJson(nlohmann::json(s.title)) + "}") &&
         s.FillPart(s.dataAt + std::string_view("{{data}}").size(), s.page.size(), error) &&
         s.close(error);
}

namespace {
// The page of the frames through `page`, begun by `begin`.
template <typename Begin>
bool WriteFrames(const std::vector<std::vector<unsigned char>>& frames, const std::string& target,
                 std::string* error, HtmlPageWriter& page, Begin begin) {
  if (frames.empty()) {
    if (error) *error = target + ": no frames to show";
    return false;
  }
  if (!begin()) return false;
  for (const std::vector<unsigned char>& frame : frames) {
    const std::string_view bytes(reinterpret_cast<const char*>(frame.data()), frame.size());
    if (!page.AddFrame([&](const PieceSink& sink) { return sink(bytes); }, error)) return false;
  }
  return page.Finish(error);
}
}  // namespace

bool WriteHtmlFile(const std::vector<std::vector<unsigned char>>& frames,
                   const HtmlOptions& options, const std::string& path, std::string* error) {
  StagedOutputs staged;
  HtmlPageWriter page;
  return WriteFrames(frames, "'" + path + "'", error, page,
                     [&] { return page.Begin(staged, path, options, error); }) &&
         staged.Commit(error);
}

bool WriteHtmlPage(const std::vector<std::vector<unsigned char>>& frames,
                   const HtmlOptions& options, std::string* out, std::string* error) {
  HtmlPageWriter page;
  return WriteFrames(frames, "the page", error, page,
                     [&] { return page.Begin(out, options, error); });
}

}  // namespace zvapp
