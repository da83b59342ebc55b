// Scene files as the runner reads them (--scene), the module loaded. Besides not crashing, hanging
// or leaking: whatever loads saves, the saved text loads, and saving that gives the same text.
// Nothing is evaluated: what evaluation costs is the memory budget's business, not the reader's.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <vector>

#include "host_app.h"
#include "scene_file.h"

namespace {

[[noreturn]] void Fault(const char* what, const std::string& error) {
  std::fprintf(stderr, "scene fault: %s: %s\n", what, error.c_str());
  std::abort();
}

using Json = nlohmann::ordered_json;

// Values of the wrong kind or at the edge of a range, and pieces of scenes.
const Json& Replacement(std::mt19937& random) {
  static const Json kValues[] = {
      nullptr,
      true,
      -1,
      0,
      2,
      24,
      25,
      1055349,
      1055514,
      5116,
      5140,
      5178,
      2147483647,
      2147483648LL,
      -2147483649LL,
      1e300,
      -0.0,
      0.5,
      "nan",
      "inf",
      "-inf",
      "x",
      "on",
      "",
      Json::array(),
      Json::object(),
      Json::array({1, 2, 3}),
      Json::object({{"long", 1}}),
      Json::object({{"container", Json::object({{"entries", Json::object()}})}}),
      Json::object({{"type", 5140}, {"children", Json::array({Json::object({{"type", 5140}})})}})};
  return kValues[random() % std::size(kValues)];
}

// Replaces one value of the tree (a leaf, or a whole object or array) with a replacement or with
// a copy of another value of the tree, so that pieces move and nest.
void ChangeOneValue(Json& tree, std::mt19937& random) {
  std::vector<Json::json_pointer> places;
  const auto collect = [&](const auto& self, const Json& j, const Json::json_pointer& at) -> void {
    places.push_back(at);
    if (!j.is_structured()) return;
    std::size_t i = 0;
    for (auto it = j.begin(); it != j.end(); ++it, ++i)
      self(self, *it, j.is_object() ? at / it.key() : at / i);
  };
  collect(collect, tree, Json::json_pointer());
  const Json::json_pointer& at = places[1 + random() % (places.size() - 1)];
  const Json value =
      random() % 3 ? Replacement(random) : Json(tree[places[random() % places.size()]]);
  tree[at] = value;
}

struct Document {
  BaseDocument* doc;
  ~Document() { BaseDocument::Free(doc); }
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string error;
  if (!zvhost::LoadModule(ZV_PLUGIN_DIR, &error)) Fault("the module does not load", error);
  std::atexit([] { zvhost::UnloadModule(); });  // before the leak check, which runs at exit
  return 0;
}

// Half the mutations keep the text JSON and change one value of its tree, so that they reach
// past the JSON reader into what the scene's values mean; the others are libFuzzer's plain ones.
extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned seed) {
  std::mt19937 random(seed);
  if (random() % 2 == 0) return LLVMFuzzerMutate(data, size, maxSize);
  Json tree = Json::parse(data, data + size, nullptr, false);
  if (tree.is_discarded() || !tree.is_structured() || tree.empty())
    return LLVMFuzzerMutate(data, size, maxSize);
  ChangeOneValue(tree, random);
  const std::string text = tree.dump(random() % 2 ? -1 : 1);
  if (text.size() > maxSize) return LLVMFuzzerMutate(data, size, maxSize);
  std::copy(text.begin(), text.end(), data);
  return text.size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string error;
  const Document loaded{
      zvapp::LoadSceneFromText(std::string(reinterpret_cast<const char*>(data), size), &error)};
  if (!loaded.doc) {
    if (error.empty()) Fault("a refusal without a message", error);
    return 0;
  }
  std::string saved, again;
  if (!zvapp::SaveSceneToText(loaded.doc, &saved, &error)) Fault("loaded but does not save", error);
  const Document reloaded{zvapp::LoadSceneFromText(saved, &error)};
  if (!reloaded.doc) Fault("saved but does not load", error);
  if (!zvapp::SaveSceneToText(reloaded.doc, &again, &error))
    Fault("reloaded but does not save", error);
  if (again != saved) Fault("saved again, the text differs", "");
  return 0;
}
