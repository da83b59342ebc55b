// The studio's undo as a user of a 3D application expects it, through its HTTP API: a gesture of
// previews is one step, time and declined or unchanged batches are none, undo keeps the frame; the
// range's end travels with the document; the memory budget holds on the paths that evaluate; the
// printable files download; the history is bounded in bytes.
#include <gtest/gtest.h>

#include "o3dplot.h"
#include "studio_history.h"
#include "studio_support.h"

namespace {
using nlohmann::json;
using zvtest::PostJson;
using zvtest::Studio;

json Body(const httplib::Result& r) { return r ? json::parse(r->body, nullptr, false) : json(); }

json Post(httplib::Client& c, std::initializer_list<json> actions, const char* gesture = nullptr,
          bool yes = false) {
  json body = {{"actions", json::array()}, {"yes", yes}};
  for (const json& a : actions) body["actions"].push_back(a);
  if (gesture) body["gesture"] = gesture;
  return Body(PostJson(c, "/api/actions", body));
}

json Set(const std::string& name, int value) { return json::array({"set", name, value}); }

double Resolution(const json& answer) {
  return answer["scene"]["objects"][0]["parameters"][std::to_string(O3DPLOT_RESOLUTION)];
}

class StudioUndo : public ::testing::Test {
 protected:
  void Start(std::vector<std::string> actions = {"--set", "resolution=6"}) {
    studio_ = std::make_unique<Studio>(actions);
    ASSERT_TRUE(studio_->Started()) << studio_->FirstLine() << "\n" << studio_->Errors();
  }
  void TearDown() override {
    if (studio_ && studio_->Started()) {
      EXPECT_EQ(studio_->Stop(SIGINT), 0) << studio_->Errors();
    }
  }
  std::unique_ptr<Studio> studio_;
};

TEST_F(StudioUndo, AGestureOfPreviewsIsOneStepAndACancelGoesBackToItsStart) {
  Start();
  httplib::Client c = studio_->Client();
  for (int r : {7, 8, 9}) {
    const json a = Post(c, {Set("resolution", r)}, "preview");
    ASSERT_EQ(Resolution(a), r) << a;
    EXPECT_EQ(a["history"], (json{{"undo", 0}, {"redo", 0}, {"gesture", true}}));
  }
  json a = Post(c, {}, "end");
  EXPECT_EQ(a["history"], (json{{"undo", 1}, {"redo", 0}, {"gesture", false}}));
  EXPECT_EQ(Resolution(Body(c.Post("/api/undo"))), 6);
  // A cancel puts back the start, whatever the previews did; no step is made.
  Post(c, {Set("resolution", 12)}, "preview");
  a = Post(c, {Set("resolution", 14)}, "preview");
  a = Post(c, {}, "cancel");
  EXPECT_EQ(Resolution(a), 6);
  EXPECT_EQ(a["history"], (json{{"undo", 0}, {"redo", 1}, {"gesture", false}}));
  // A drag back to where it started is no step; an undo ends an open gesture first.
  Post(c, {Set("resolution", 10)}, "preview");
  EXPECT_EQ(Post(c, {Set("resolution", 6)})["history"]["undo"], 0);
  Post(c, {Set("resolution", 11)}, "preview");
  EXPECT_EQ(Resolution(Body(c.Post("/api/undo"))), 6);
  EXPECT_EQ(Post(c, {Set("resolution", 3)}, "cancel")["ok"], false);
}

TEST_F(StudioUndo, TimeDeclinedAndUnchangedBatchesMakeNoStepAndUndoKeepsTheFrame) {
  Start({"--formula", "t * x", "--set", "resolution=6"});  // the labels change with the time
  httplib::Client c = studio_->Client();
  EXPECT_EQ(Post(c, {json::array({"frame", 12})})["history"]["undo"], 0);
  json a = Post(c, {json::array({"add", "mesh"})});  // asked, answered No
  ASSERT_EQ(a["questions"].size(), 1u) << a;
  EXPECT_EQ(a["history"]["undo"], 0);
  EXPECT_EQ(Post(c, {Set("resolution", 6)})["history"]["undo"], 0);
  EXPECT_EQ(Post(c, {Set("height", -5)})["error"], "Height must be between 0 and 1e+20 (got -5)");
  ASSERT_EQ(Post(c, {Set("resolution", 9), json::array({"frame", 20})})["history"]["undo"], 1);
  Post(c, {json::array({"frame", 40})});
  a = Body(c.Post("/api/undo"));
  EXPECT_EQ(Resolution(a), 6);
  EXPECT_EQ(a["frame"], 40);
  EXPECT_EQ(Body(c.Post("/api/redo"))["frame"], 40);
  // A second surface is named apart from the first, as the host names a copy.
  a = Post(c, {json::array({"add", "mesh"})}, nullptr, true);
  std::vector<std::string> meshes;
  for (const json& child : a["scene"]["objects"][0]["children"])
    if (child["kind"] == "mesh") meshes.push_back(child["name"]);
  EXPECT_EQ(meshes, (std::vector<std::string>{"Plot Surface", "Plot Surface.1"}));
}

TEST_F(StudioUndo, TheRangesEndTravelsWithTheSceneFile) {
  Start();
  httplib::Client c = studio_->Client();
  const std::string old = c.Get("/api/scene-file")->body;
  json a = Post(c, {json::array({"end-frame", 120})});
  ASSERT_EQ(a["endFrame"], 120) << a;
  EXPECT_DOUBLE_EQ(a["scene"]["document"]["maxTime"].get<double>(), 4.0);
  const std::string file = c.Get("/api/scene-file")->body;
  EXPECT_EQ(json::parse(file)["document"]["maxTime"], json::array({120, 30}));
  EXPECT_EQ(Body(c.Post("/api/undo"))["endFrame"], 90);
  EXPECT_EQ(Body(c.Post("/api/scene-file", file, "application/json"))["endFrame"], 120);
  // A file from before the range had an end ends where a new document does.
  json older = json::parse(old);
  older["document"].erase("maxTime");
  EXPECT_EQ(Body(c.Post("/api/scene-file", older.dump(), "application/json"))["endFrame"], 90);
  EXPECT_EQ(Post(c, {json::array({"end-frame", -1})})["error"],
            "the end frame -1 is before the start frame 0");
}

TEST_F(StudioUndo, PrintableFilesDownloadAsTheCommandWritesThem) {
  Start();
  httplib::Client c = studio_->Client();
  const auto stl = c.Get("/api/plot.stl");
  ASSERT_EQ(stl->status, 200) << stl->body;
  EXPECT_EQ(stl->get_header_value("Content-Disposition"), "attachment; filename=\"plot.stl\"");
  ASSERT_GE(stl->body.size(), 84u);
  uint32_t triangles = 0;
  for (int k = 3; k >= 0; --k) triangles = triangles << 8 | uint8_t(stl->body[80 + k]);
  EXPECT_EQ(stl->body.size(), 84u + 50u * triangles);
  EXPECT_GT(triangles, 0u);
  EXPECT_EQ(c.Get("/api/plot.3mf")->body.substr(0, 2), "PK");
  EXPECT_NE(c.Get("/api/plot.obj")->body.find("\nf "), std::string::npos);
  // A scene with nothing to print is told why, as JSON.
  Post(c, {json::array({"disable", "mesh"})});
  const auto none = c.Get("/api/plot.stl");
  EXPECT_EQ(none->status, 400);
  EXPECT_FALSE(Body(none)["error"].get<std::string>().empty()) << none->body;
}

// A studio at resolution 2 within ZV_MEMORY_LIMIT = `limit`.
class StudioBudget : public StudioUndo {
 protected:
  void StartWithin(const char* limit) {
    setenv("ZV_MEMORY_LIMIT", limit, 1);
    Start({"--set", "resolution=2"});
    unsetenv("ZV_MEMORY_LIMIT");
  }
};

// The budget of ZV_MEMORY_LIMIT on what a page does besides the actions.
TEST_F(StudioBudget, RefusesAPostedSceneFileAPreviewAndAnUndoPastTheLimit) {
  ASSERT_NO_FATAL_FAILURE(StartWithin("100M"));
  httplib::Client c = studio_->Client();
  json file = json::parse(c.Get("/api/scene-file")->body);
  file["objects"][0]["parameters"][std::to_string(O3DPLOT_RESOLUTION)] = {{"long", 1000}};
  const auto posted = c.Post("/api/scene-file", file.dump(), "application/json");
  EXPECT_EQ(posted->status, 400);
  EXPECT_NE(Body(posted)["error"].get<std::string>().find("need about"), std::string::npos)
      << posted->body;
  EXPECT_EQ(Resolution(Post(c, {Set("resolution", 3)}, "preview")), 3);
  EXPECT_EQ(Post(c, {Set("resolution", 1000)}, "preview")["ok"], false);
  EXPECT_EQ(Resolution({{"scene", Body(c.Get("/api/scene?arrays=0"))}}), 3);
  // A step back to a document read anew, whose estimate knows no samples yet, past the limit.
  ASSERT_EQ(Post(c, {Set("resolution", 200)})["ok"], true);
  ASSERT_EQ(Post(c, {Set("resolution", 2)})["ok"], true);
  const auto undo = c.Post("/api/undo");
  EXPECT_EQ(undo->status, 400);
  EXPECT_NE(undo->body.find("need about"), std::string::npos) << undo->body;
  EXPECT_EQ(Resolution(Post(c, {})), 2);
  EXPECT_EQ(Post(c, {})["history"]["undo"], 2);  // the preview of 3 ended with the set of 200
}

// The studio keeps the glTF it hands out and the history: its estimate counts them, as the runner
// counts its outputs, so an edit the samples alone would fit is refused.
TEST_F(StudioBudget, CountsWhatTheStudioKeeps) {
  ASSERT_NO_FATAL_FAILURE(StartWithin("300M"));
  httplib::Client c = studio_->Client();
  EXPECT_EQ(Post(c, {Set("resolution", 1000)})["ok"], false);
}

TEST(StudioHistory, DropsTheOldestStepsPastItsBytes) {
  zvapp::History history(10, 100);
  for (int i = 0; i < 5; ++i) history.Record({std::string(40, char('a' + i)), {}, {}});
  EXPECT_EQ(history.UndoCount(), 2u);
  EXPECT_EQ(history.NextUndo()->scene[0], 'e');
  history.Record({std::string(500, 'z'), {}, {}});  // the newest stays, however large
  EXPECT_EQ(history.UndoCount(), 1u);
  EXPECT_EQ(history.Bytes(), 500u);
}

}  // namespace
