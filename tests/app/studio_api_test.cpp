// The studio's server as a page or a script meets it: started as `zvplot --serve --port 0`, talked
// to over HTTP. Its guards, its actions in order and all or nothing, questions, frames, handles,
// undo and redo, the description of every parameter, scene files in and out, the geometry's ETag,
// a bounded fuzz of the actions, and a clean end on Ctrl-C and SIGTERM.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <random>
#include <set>

#include "host_app.h"
#include "o3dplot.h"
#include "plot_kinds.h"
#include "studio_support.h"

namespace {
using nlohmann::json;
using zvtest::PostJson;
using zvtest::Studio;

// The full plot, small enough to answer at once even in the sanitizer build.
const std::vector<std::string> kSmallPlot = {"--set", "resolution=6"};

json Body(const httplib::Result& r) {
  if (!r) return json::object();
  return json::parse(r->body, nullptr, false);
}

// One action: A("set", "resolution", 8) is ["set", "resolution", 8] (braces alone could make an
// object of a word and its one argument).
template <typename... Parts>
json A(Parts&&... parts) {
  return json::array({json(std::forward<Parts>(parts))...});
}

json Batch(const std::vector<json>& actions) { return json(actions); }

json Post(httplib::Client& c, const std::vector<json>& actions, bool yes = false) {
  return Body(PostJson(c, "/api/actions", {{"actions", Batch(actions)}, {"yes", yes}}));
}

const json& Plot(const json& dump) { return dump.at("objects").at(0); }

std::string Formula(const json& dump) {
  return Plot(dump).at("parameters").at(std::to_string(O3DPLOT_FORMULA));
}

std::string SceneFile(httplib::Client& c) {
  const auto r = c.Get("/api/scene-file");
  return r && r->status == 200 ? r->body : "";
}

size_t ChildrenOfKind(const json& dump, const std::string& kind) {
  size_t n = 0;
  for (const json& child : Plot(dump).value("children", json::array())) n += child["kind"] == kind;
  return n;
}

// Every test ends the server as Ctrl-C does and expects a clean exit: under the sanitizers a
// report of any kind makes the exit status non-zero.
class StudioApi : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> actions = kSmallPlot) {
    studio_ = std::make_unique<Studio>(actions);
    ASSERT_TRUE(studio_->Started()) << studio_->FirstLine() << "\n" << studio_->Errors();
  }
  void TearDown() override {
    if (studio_ && studio_->Started()) {
      EXPECT_EQ(studio_->Stop(SIGINT), 0) << studio_->Errors();
    }
  }
  httplib::Client Client() { return studio_->Client(); }
  std::unique_ptr<Studio> studio_;
};

TEST_F(StudioApi, RefusesRequestsWithoutTheTokenOrFromAnotherHost) {
  Start();
  httplib::Client bare("127.0.0.1", studio_->Port());
  EXPECT_EQ(bare.Get("/api/scene")->status, 403);
  EXPECT_EQ(
      bare.Post("/api/actions", R"({"actions": [["formula", "x"]]})", "application/json")->status,
      403);
  EXPECT_EQ(bare.Get("/api/scene", {{"X-Zorvantix-Token", std::string(32, 'A')}})->status, 403);
  EXPECT_EQ(bare.Get("/api/scene?token=" + studio_->Token())->status, 200);
  // A page elsewhere reaching the port through a name it controls (DNS rebinding) names that host.
  httplib::Client c = Client();
  for (const char* host : {"evil.example:80", "127.0.0.1", "127.0.0.1:1", "localhost.evil:1"}) {
    EXPECT_EQ(c.Get("/api/scene", {{"Host", host}})->status, 403) << host;
    EXPECT_EQ(c.Get("/", {{"Host", host}})->status, 403) << host;
  }
  EXPECT_EQ(c.Get("/api/scene", {{"Host", "localhost:" + std::to_string(studio_->Port())}})->status,
            200);
  EXPECT_EQ(c.Get("/api/nothing")->status, 404);
  // Only the page's own files are served; no path reaches past them.
  for (const char* path : {"/studio/../../CMakeLists.txt", "/studio/%2e%2e/%2e%2e/CMakeLists.txt",
                           "/etc/passwd", "/studio/"})
    EXPECT_EQ(c.Get(path)->status, 404) << path;
}

TEST_F(StudioApi, RefusesOversizedAndMalformedBodies) {
  Start();
  httplib::Client c = Client();
  const std::string big = R"({"actions": [["formula", ")" + std::string(1100000, 'x') + R"("]]})";
  EXPECT_EQ(c.Post("/api/actions", big, "application/json")->status, 413);
  // A scene file may be as large as one read from disk (64 MB): this one reaches the reader.
  EXPECT_EQ(c.Post("/api/scene-file", std::string(1100000, ' '), "application/json")->status, 400);
  for (const std::string& body : std::vector<std::string>{
           "", "{", "[]", "nul", R"({"actions": [["set"]]})", R"({"actions": {}})",
           R"({"actions": [], "yes": 1})", R"({"actions": [], "other": 1})",
           std::string(100000, '[') + std::string(100000, ']'),
           R"({"actions": [)" + std::string(5000, '[') + std::string(5000, ']') + "]}"}) {
    const auto r = c.Post("/api/actions", body, "application/json");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 400) << body.substr(0, 60);
    EXPECT_EQ(Body(r).value("ok", true), false) << r->body;
  }
  EXPECT_EQ(c.Post("/api/scene-file", "{", "application/json")->status, 400);
  // The server still answers.
  EXPECT_EQ(c.Get("/api/scene?arrays=0")->status, 200);
}

TEST_F(StudioApi, ActionsRunInOrderAndEachIsEvaluated) {
  Start();
  httplib::Client c = Client();
  json a = Post(c, {A("preset", 3), A("formula", "x")});
  ASSERT_TRUE(a.value("ok", false)) << a.dump();
  EXPECT_EQ(Formula(a["scene"]), "x");
  a = Post(c, {A("formula", "x"), A("preset", 3)});
  EXPECT_EQ(Formula(a["scene"]), "Tan(x) * Atan(z)");
  // The answer's dump leaves out the arrays and keeps their counts; GET /api/scene has them.
  const json& samples = Plot(a["scene"]).at("samples");
  EXPECT_EQ(samples.at("count"), 49);
  EXPECT_FALSE(samples.contains("samples"));
  EXPECT_EQ(Body(c.Get("/api/scene"))["objects"][0]["samples"]["samples"].size(), 49u);
  EXPECT_FALSE(Body(c.Get("/api/scene?arrays=0"))["objects"][0]["samples"].contains("samples"));
  // Each action is evaluated as after a user's edit: the plot sampled twice for two formulas.
  const json before = Body(c.Get("/api/scene?arrays=0"));
  a = Post(c, {A("formula", "x"), A("formula", "z")});
  EXPECT_EQ(
      a["scene"]["stats"]["evaluations"].get<int>() - before["stats"]["evaluations"].get<int>(), 2);
}

TEST_F(StudioApi, ARefusedBatchChangesNothing) {
  Start();
  httplib::Client c = Client();
  ASSERT_TRUE(Post(c, {A("formula", "x * z")}).value("ok", false));
  const std::string file = SceneFile(c);
  const std::string glb = c.Get("/api/geometry.glb")->get_header_value("ETag");
  const auto refused = PostJson(
      c, "/api/actions",
      {{"actions", Batch({A("add", "mesh"), A("set", "resolution", 12), A("formula", "Sin(x")})},
       {"yes", true}});
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->status, 400);
  const json why = Body(refused);
  EXPECT_EQ(why["index"], 2);
  EXPECT_EQ(why["column"], 6);
  EXPECT_NE(why["error"].get<std::string>().find("expected ')'"), std::string::npos) << why;
  for (const json& bad :
       {A("set", "resolution", 0), A("set", "nosuch", 1), A("press", "plot.nosuch"), A("jump"),
        A("frame", "x"), A("handle", "plot", 5, 0, 0, 0)}) {
    const auto r = PostJson(c, "/api/actions", {{"actions", Batch({A("formula", "x"), bad})}});
    EXPECT_EQ(r->status, 400) << bad;
    EXPECT_EQ(Body(r)["index"], 1) << bad;
  }
  EXPECT_EQ(SceneFile(c), file);
  const auto same = c.Get("/api/geometry.glb", {{"If-None-Match", glb}});
  EXPECT_EQ(same->status, 304);
  EXPECT_EQ(Body(c.Post(
                "/api/undo"))["scene"]["objects"][0]["parameters"][std::to_string(O3DPLOT_FORMULA)],
            "Sin(x) * Cos(z)")
      << "a refused batch is no undo step";
}

TEST_F(StudioApi, QuestionsAreAnsweredAsTheBatchSays) {
  Start();
  httplib::Client c = Client();
  json a = Post(c, {A("add", "mesh")});
  ASSERT_TRUE(a.value("ok", false)) << a;
  ASSERT_EQ(a["questions"].size(), 1u);
  EXPECT_EQ(a["questions"][0]["answer"], "no");
  EXPECT_NE(a["questions"][0]["text"].get<std::string>().find("already exists"), std::string::npos);
  EXPECT_EQ(ChildrenOfKind(a["scene"], "mesh"), 1u);
  a = Post(c, {A("add", "mesh")}, true);
  ASSERT_EQ(a["questions"].size(), 1u);
  EXPECT_EQ(a["questions"][0]["answer"], "yes");
  EXPECT_EQ(ChildrenOfKind(a["scene"], "mesh"), 2u);
  // The second mesh has a path of its own, and actions reach it by it.
  a = Post(c, {A("disable", "mesh:2"), A("set", "mesh:2.vertexcolors", false)});
  ASSERT_TRUE(a.value("ok", false)) << a;
  const json described = Body(c.Get("/api/describe"));
  std::vector<std::pair<std::string, bool>> paths;
  for (const json& o : described["objects"]) paths.emplace_back(o["path"], o["enabled"]);
  EXPECT_EQ(paths, (std::vector<std::pair<std::string, bool>>{{"plot", true},
                                                              {"mesh", true},
                                                              {"cage", true},
                                                              {"grid", true},
                                                              {"labels", true},
                                                              {"mesh:2", false}}));
  EXPECT_EQ(Post(c, {A("enable", "mesh:3")})["error"],
            "the scene has no mesh:3 (add it with --add mesh)");
  EXPECT_EQ(Post(c, {})["questions"].size(), 0u);
}

TEST_F(StudioApi, FramesMoveTheSurfaceOfAFormulaInTime) {
  Start();
  httplib::Client c = Client();
  json a = Post(c, {A("formula", "t * 10 + x * 0"), A("fps", 25), A("frame", 0)});
  ASSERT_TRUE(a.value("ok", false)) << a;
  EXPECT_EQ(Plot(a["scene"])["samples"]["valueMax"], 0.0);
  a = Post(c, {A("frame", 50)});
  EXPECT_EQ(a["frame"], 50);
  EXPECT_EQ(a["scene"]["document"]["fps"], 25);
  EXPECT_DOUBLE_EQ(a["scene"]["document"]["time"].get<double>(), 2.0);
  EXPECT_DOUBLE_EQ(Plot(a["scene"])["samples"]["valueMax"].get<double>(), 20.0);
  EXPECT_TRUE(a["changed"]["geometry"]);
  EXPECT_EQ(Post(c, {A("fps", 0)})["error"],
            "the frame rate is a whole number from 1 to 1000, not \"0\"");
}

TEST_F(StudioApi, HandleDragsGoThroughTheObjectsOwnLimits) {
  Start({"--bare", "--set", "resolution=4", "--set", "size=200", "--set", "height=100"});
  httplib::Client c = Client();
  const json handles = Body(c.Get("/api/handles"))["handles"];
  ASSERT_EQ(handles.size(), 2u);
  EXPECT_EQ(handles[0]["local"]["position"], json::array({100.0, 0.0, 0.0}));
  EXPECT_EQ(handles[1]["world"]["position"], json::array({0.0, 50.0, 0.0}));
  json a = Post(c, {A("handle", "plot", 0, 150, 7, 9)});
  ASSERT_TRUE(a.value("ok", false)) << a;
  const std::string size = std::to_string(O3DPLOT_SIZE);
  EXPECT_EQ(Plot(a["scene"])["parameters"][size], 300.0);
  // The size's own limit: never below 0.
  a = Post(c, {A("handle", "plot", 0, -50, 0, 0)});
  EXPECT_EQ(Plot(a["scene"])["parameters"][size], 0.0);
  a = Post(c, {A("handle", "plot", 1, 0, 40, 0)});
  EXPECT_EQ(Plot(a["scene"])["parameters"][std::to_string(O3DPLOT_HEIGHT)], 80.0);
  EXPECT_EQ(Body(c.Get("/api/handles"))["handles"][1]["world"]["position"],
            json::array({0.0, 40.0, 0.0}));
  // The samples follow at once: the drag is an edit, evaluated like any other.
  EXPECT_TRUE(a["changed"]["geometry"]);
  for (const json& bad : {A("handle", "plot", 2, 0, 0, 0), A("handle", "plot", 0, "nan", 0, 0),
                          A("handle", "mesh", 0, 0, 0, 0), A("handle", "plot", 0, 0, 0)})
    EXPECT_EQ(PostJson(c, "/api/actions", {{"actions", Batch({bad})}})->status, 400) << bad;
}

TEST_F(StudioApi, UndoAndRedoStepThroughBatches) {
  Start({"--bare", "--set", "resolution=2"});
  httplib::Client c = Client();
  EXPECT_EQ(c.Post("/api/undo")->status, 409);
  // More steps than the page promises (100): each batch is one step.
  const int steps = 110;
  for (int i = 1; i <= steps; ++i)
    ASSERT_TRUE(Post(c, {A("formula", std::to_string(i)), A("frame", i)}).value("ok", false));
  for (int i = steps - 1; i >= 0; --i) {
    const json a = Body(c.Post("/api/undo"));
    ASSERT_TRUE(a.value("ok", false)) << i << a;
    EXPECT_EQ(Formula(a["scene"]), i == 0 ? "Sin(x) * Cos(z)" : std::to_string(i));
    EXPECT_EQ(a["frame"], steps) << "an undo keeps the frame";
  }
  EXPECT_EQ(c.Post("/api/undo")->status, 409);
  json a = Body(c.Post("/api/redo"));
  EXPECT_EQ(Formula(a["scene"]), "1");
  EXPECT_EQ(a["history"], (json{{"undo", 1}, {"redo", steps - 1}, {"gesture", false}}));
  // A new batch after an undo drops the steps to redo.
  a = Post(c, {A("formula", "x")});
  EXPECT_EQ(a["history"], (json{{"undo", 2}, {"redo", 0}, {"gesture", false}}));
  EXPECT_EQ(c.Post("/api/redo")->status, 409);
  EXPECT_EQ(Formula(Body(c.Post("/api/undo"))["scene"]), "1");
}

// The parameters of every kind, as the host's description lists them (the test loads the module).
std::map<std::string, std::set<std::string>> DescribedKinds() {
  std::map<std::string, std::set<std::string>> kinds;
  for (const zvapp::Kind& k : zvapp::Kinds())
    for (const zvhost::ParameterInfo& p : zvhost::ListParameters(*zvapp::KindType(k)))
      kinds[k.name].insert(p.symbol);
  return kinds;
}

TEST_F(StudioApi, DescribeShowsEveryParameterAsTheModuleAnswers) {
  Start();
  httplib::Client c = Client();
  json d = Body(c.Get("/api/describe"));
  std::map<std::string, std::set<std::string>> seen;
  std::set<std::string> types;
  for (const json& o : d["objects"]) {
    EXPECT_FALSE(o["groups"].empty()) << o["path"];
    for (const json& p : o["parameters"]) {
      seen[o["kind"]].insert(p["identifier"]);
      types.insert(p["type"]);
      for (const char* key : {"id", "label", "name", "group", "choices", "enabled", "shown"})
        EXPECT_TRUE(p.contains(key)) << p["identifier"] << " " << key;
      if (p["type"] != "BUTTON") {
        EXPECT_TRUE(p.contains("default") && p.contains("value")) << p;
      }
      // The solid's distances show in their own mode only; the surface starts open.
      const bool solidDistance =
          p["identifier"] == "O3DPLOTMESH_BASEDEPTH" || p["identifier"] == "O3DPLOTMESH_THICKNESS";
      EXPECT_EQ(p["shown"], !solidDistance) << p["identifier"];
    }
  }
  EXPECT_EQ(seen, DescribedKinds());
  EXPECT_EQ(types, (std::set<std::string>{"BOOL", "BUTTON", "COLOR", "FONT", "GRADIENT", "LONG",
                                          "REAL", "STRING", "VECTOR"}));
  const auto param = [](const json& desc, const std::string& id) {
    for (const json& p : desc["objects"][0]["parameters"])
      if (p["identifier"] == id) return p;
    return json();
  };
  const json resolution = param(d, "O3DPLOT_RESOLUTION");
  EXPECT_EQ(resolution["value"], 6);
  EXPECT_EQ(resolution["default"], 50);
  EXPECT_EQ(resolution["min"], 1.0);
  EXPECT_EQ(resolution["max"], 1000.0);
  EXPECT_EQ(param(d, "O3DPLOT_XMIN")["step"], 1.0);
  EXPECT_EQ(param(d, "O3DPLOT_GRADIENT")["text"], "0:#0000ff,0.5:#00ff00,1:#ff0000");
  EXPECT_EQ(param(d, "O3DPLOT_PRESET")["choices"].size(), 11u);
  // The module's enabling answers: the single colour only in colour mode, the gradient only in
  // gradient mode.
  EXPECT_FALSE(param(d, "O3DPLOT_COLOR")["enabled"]);
  EXPECT_TRUE(param(d, "O3DPLOT_GRADIENT")["enabled"]);
  ASSERT_TRUE(Post(c, {A("set", "colormode", 1)}).value("ok", false));
  d = Body(c.Get("/api/describe"));
  EXPECT_TRUE(param(d, "O3DPLOT_COLOR")["enabled"]);
  EXPECT_FALSE(param(d, "O3DPLOT_GRADIENT")["enabled"]);
  // The menus: installed fonts and the named gradients, in the runner's text syntax.
  EXPECT_FALSE(d["fonts"].empty());
  std::set<std::string> gradients;
  for (const json& g : d["gradients"]) gradients.insert(g["name"]);
  EXPECT_TRUE(gradients.count("viridis"));
  // What describe writes, a set reads back.
  const json font = [&] {
    for (const json& o : d["objects"])
      for (const json& p : o["parameters"])
        if (p["type"] == "FONT") return p;
    return json();
  }();
  ASSERT_TRUE(font.contains("text")) << font;
  EXPECT_TRUE(Post(c, {A("set", "labels.font", font["text"])}).value("ok", false));
  EXPECT_TRUE(Post(c, {A("set", "gradient", d["gradients"][1]["text"])}).value("ok", false));
}

TEST_F(StudioApi, SceneFilesTravelAsBodies) {
  Start();
  httplib::Client c = Client();
  ASSERT_TRUE(Post(c, {A("formula", "x * 2")}).value("ok", false));
  const std::string file = SceneFile(c);
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(c.Get("/api/scene-file")->get_header_value("Content-Disposition"),
            "attachment; filename=\"scene.json\"");
  ASSERT_TRUE(Post(c, {A("formula", "z"), A("add", "cage")}, true).value("ok", false));
  // A broken file, or one whose formula does not parse, is refused and changes nothing.
  const std::string changed = SceneFile(c);
  json broken = json::parse(file);
  broken["objects"][0]["parameters"][std::to_string(O3DPLOT_FORMULA)] = "Sin(";
  for (const std::string& bad :
       {std::string("{}"), broken.dump(), file.substr(0, file.size() / 2)}) {
    const auto r = c.Post("/api/scene-file", bad, "application/json");
    EXPECT_EQ(r->status, 400) << bad.substr(0, 80);
    EXPECT_FALSE(Body(r)["error"].get<std::string>().empty());
  }
  EXPECT_EQ(SceneFile(c), changed);
  // An accepted file replaces the scene, and is one step to undo.
  const json a = Body(c.Post("/api/scene-file", file, "application/json"));
  ASSERT_TRUE(a.value("ok", false)) << a;
  EXPECT_EQ(Formula(a["scene"]), "x * 2");
  EXPECT_EQ(SceneFile(c), file);
  EXPECT_EQ(Formula(Body(c.Post("/api/undo"))["scene"]), "z");
}

TEST_F(StudioApi, GeometryTravelsOnlyWhenItChanged) {
  Start();
  httplib::Client c = Client();
  const auto first = c.Get("/api/geometry.glb");
  ASSERT_EQ(first->status, 200);
  EXPECT_EQ(first->get_header_value("Content-Type"), "model/gltf-binary");
  EXPECT_EQ(first->body.substr(0, 4), "glTF");
  // The whole file arrives, however it is sent: its header states its length.
  ASSERT_GE(first->body.size(), 12u);
  uint32_t length = 0;
  for (int k = 3; k >= 0; --k)
    length = length << 8 | static_cast<unsigned char>(first->body[8 + k]);
  EXPECT_EQ(length, first->body.size());
  const std::string etag = first->get_header_value("ETag");
  ASSERT_FALSE(etag.empty());
  const auto again = c.Get("/api/geometry.glb", {{"If-None-Match", etag}});
  EXPECT_EQ(again->status, 304);
  EXPECT_TRUE(again->body.empty());
  // The frame rate of a plot that does not depend on time moves nothing.
  json a = Post(c, {A("fps", 24)});
  EXPECT_FALSE(a["changed"]["geometry"]) << a;
  EXPECT_EQ(c.Get("/api/geometry.glb", {{"If-None-Match", etag}})->status, 304);
  a = Post(c, {A("formula", "x * z")});
  EXPECT_TRUE(a["changed"]["geometry"]);
  const auto changed = c.Get("/api/geometry.glb", {{"If-None-Match", etag}});
  EXPECT_EQ(changed->status, 200);
  EXPECT_NE(changed->get_header_value("ETag"), etag);
  // Undo brings the same bytes back, and so the same tag.
  EXPECT_TRUE(Body(c.Post("/api/undo"))["changed"]["geometry"]);
  EXPECT_EQ(c.Get("/api/geometry.glb", {{"If-None-Match", etag}})->status, 304);
  const auto page = c.Get("/api/page.html");
  if (page->status == 200)
    EXPECT_NE(page->body.find("<html"), std::string::npos);
  else
    EXPECT_NE(Body(page)["error"].get<std::string>().find("three.js"), std::string::npos);
}

// Random and mutated batches, a few seconds of them from a fixed seed: every answer is 200 or 400
// with a JSON body, and the server still answers and ends cleanly afterwards.
TEST_F(StudioApi, SurvivesABoundedFuzzOfActions) {
  Start({"--set", "resolution=4"});
  httplib::Client c = Client();
  std::mt19937 rng(20240607);
  const std::vector<json> words = {"formula", "preset", "set", "press", "add",    "enable",
                                   "disable", "frame",  "fps", "eval",  "render", "handle",
                                   "scene",   "",       "SET", 1,       nullptr,  json::array()};
  const std::vector<json> args = {"plot.formula",
                                  "resolution",
                                  "mesh.mode",
                                  "labels.font",
                                  "gradient",
                                  "cage.color",
                                  "plot",
                                  "mesh",
                                  "mesh:2",
                                  "labels",
                                  "grid.step",
                                  "plot.reset",
                                  "labels.update",
                                  "x * z",
                                  "Sin(x",
                                  "1e308",
                                  "-1",
                                  "0",
                                  "3",
                                  "12",
                                  "nan",
                                  "inf",
                                  "",
                                  "#ff00zz",
                                  "0:#000000,1:#ffffff",
                                  "DejaVu Sans:Bold",
                                  "1,2,3",
                                  "true",
                                  std::string(300, '('),
                                  0,
                                  -7,
                                  2.5,
                                  1e300,
                                  true,
                                  nullptr,
                                  json::object(),
                                  json::array({1}),
                                  "plot.help",
                                  "size",
                                  "xmin",
                                  "zmax"};
  const auto pick = [&](const std::vector<json>& from) { return from[rng() % from.size()]; };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(4);
  json last = Batch({A("formula", "x")});
  int batches = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    json batch = json::array();
    if (rng() % 3 == 0) {
      batch = last;  // a mutation of the last batch: one argument or word replaced
      if (!batch.empty()) {
        json& action = batch[rng() % batch.size()];
        if (action.is_array() && !action.empty()) action[rng() % action.size()] = pick(args);
      }
    } else {
      for (unsigned n = rng() % 4; n > 0; --n) {
        json action = json::array({pick(words)});
        for (unsigned k = rng() % 6; k > 0; --k) action.push_back(pick(args));
        batch.push_back(rng() % 20 == 0 ? pick(args) : action);
      }
    }
    last = batch;
    std::string body = json{{"actions", batch}, {"yes", rng() % 2 == 0}}.dump();
    if (rng() % 8 == 0) body[rng() % body.size()] = static_cast<char>(rng() % 256);  // any byte
    const auto r = c.Post("/api/actions", body, "application/json");
    ASSERT_TRUE(r) << batch;
    ASSERT_TRUE(r->status == 200 || r->status == 400) << r->status << " " << body;
    ASSERT_FALSE(Body(r).is_discarded()) << batch;
    if (rng() % 10 == 0) c.Post(rng() % 2 ? "/api/undo" : "/api/redo");
    ++batches;
  }
  EXPECT_GT(batches, 10);
  EXPECT_EQ(c.Get("/api/scene?arrays=0")->status, 200);
  EXPECT_EQ(c.Get("/api/describe")->status, 200);
  EXPECT_EQ(c.Get("/api/geometry.glb")->status, 200);
}

TEST(StudioServer, PrintsItsAddressFirstAndEndsCleanlyOnSigterm) {
  Studio studio({"--bare", "--set", "resolution=2"});
  ASSERT_TRUE(studio.Started()) << studio.FirstLine() << studio.Errors();
  Studio other({"--bare", "--set", "resolution=2"});
  ASSERT_TRUE(other.Started());
  EXPECT_NE(studio.Token(), other.Token());
  EXPECT_NE(studio.Port(), other.Port());
  EXPECT_EQ(other.Stop(SIGINT), 0) << other.Errors();
  EXPECT_EQ(studio.Stop(SIGTERM), 0) << studio.Errors();
}

}  // namespace
