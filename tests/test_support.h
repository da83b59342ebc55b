// Shared set-up of the module tests: the module is loaded once per test program from the plug-in
// folder, the way the host loads it; a Scene holds a document with a plot, evaluates it and acts
// on parameters as the user does.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "c4d.h"
#include "host_app.h"
#include "o3dplot.h"
#include "require_tool.h"
#include "zvplot_messages.h"

namespace zvtest {

class ModuleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(zvhost::LoadModule(ZV_PLUGIN_DIR, &error)) << error;
  }
  void TearDown() override { zvhost::UnloadModule(); }
};

// A document with one plot object at the top.
class Scene {
 public:
  Scene() : doc(BaseDocument::Alloc()) {
    plot = BaseObject::Alloc(Oo3dplot);
    doc->InsertObject(plot, nullptr, nullptr);
    doc->SetFps(30);
  }
  ~Scene() { BaseDocument::Free(doc); }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // A new object of the type as the last child of `parent` (the plot when null).
  BaseObject* Add(Int32 type, BaseObject* parent = nullptr) {
    BaseObject* op = BaseObject::Alloc(type);
    if (op) op->InsertUnderLast(parent ? parent : plot);
    return op;
  }
  void Evaluate() { doc->ExecutePasses(nullptr, true, true, true, BUILDFLAGS::NONE); }
  void SetFrame(Int32 frame) { doc->SetTime(BaseTime(frame, doc->GetFps())); }
  // Sets a parameter as the user does; fails the test when the host refuses it.
  void Set(BaseList2D* node, Int32 id, const GeData& value) {
    std::string error;
    EXPECT_TRUE(zvhost::SetUserParameter(node, id, value, &error)) << error;
  }
  void Press(BaseList2D* node, Int32 id) {
    std::string error;
    EXPECT_TRUE(zvhost::PressButton(node, id, &error)) << error;
  }
  template <typename T>
  T* Data(BaseObject* op) const {
    return op->GetNodeData<T>();
  }
  // The plot's samples as it publishes them to readers outside the module.
  ZVPlotSampleView Samples() const {
    ZVPlotSampleView view;
    plot->Message(MSG_ZVPLOT_GETSAMPLES, &view);
    return view;
  }

  BaseDocument* doc;
  BaseObject* plot;
};

// The first object of the type below `root`, depth first, as the runner finds a component.
inline BaseObject* FindBelow(BaseObject* root, Int32 type) {
  for (BaseObject* op = root ? root->GetDown() : nullptr; op; op = op->GetNext()) {
    if (op->GetType() == type) return op;
    if (BaseObject* found = FindBelow(op, type)) return found;
  }
  return nullptr;
}

}  // namespace zvtest
