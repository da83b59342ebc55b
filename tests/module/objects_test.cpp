// The five object types side by side: what a new object holds against its description, and the
// order their execution steps take.
#include <algorithm>
#include <string>
#include <vector>

#include "host_state.h"
#include "test_support.h"
#include "zvplot.h"
#include "zvplot_hierarchy.h"
#include "zvplot_ids.h"

namespace {

using zvtest::Scene;

constexpr Int32 kComponentTypes[] = {ID_ZVPLOTLABELS, ID_ZVPLOTMESH, ID_ZVPLOTGRID, ID_ZVPLOTCAGE};

// A new object, prepared as the plot's add-component command prepares one (the labels choose
// their font then), must hold a value the user could have set for every parameter it stores, and
// one for every parameter of its description that is not a button or a command.
TEST(ObjectDefaults, FitTheirDescriptionAndCoverIt) {
  Scene s;
  std::vector<BaseObject*> objects = {s.plot};
  for (Int32 type : kComponentTypes) {
    BaseObject* op = s.Add(type);
    ASSERT_NE(op, nullptr) << type;
    op->Message(MSG_MENUPREPARE, s.doc);
    objects.push_back(op);
  }
  for (BaseObject* op : objects) {
    SCOPED_TRACE(op->GetType());
    const BaseContainer& bc = op->GetDataInstanceRef();
    ASSERT_GT(bc.GetEntryCount(), 0);
    for (Int32 i = 0; i < bc.GetEntryCount(); ++i) {
      std::string error;
      EXPECT_TRUE(
          zvhost::CheckParameterValue(op->GetType(), bc.GetIndexId(i), *bc.GetIndexData(i), &error))
          << error;
    }
    for (const zvhost::ParameterInfo& p : zvhost::ListParameters(op->GetType())) {
      if (p.type == "BUTTON" || p.id == O3DPLOT_ADD_COMPONENT) continue;
      EXPECT_NE(bc.GetDataPointer(p.id), nullptr) << p.symbol << " has no default";
    }
  }
}

// Whatever the document order, the plot samples first, the cage and the grid follow, then the
// mesh, and the labels, which read the value range, come last.
TEST(ExecutionOrder, ThePlotRunsBeforeEveryComponent) {
  Scene s;
  for (Int32 type : kComponentTypes) ASSERT_NE(s.Add(type), nullptr);
  PriorityList list;
  for (BaseObject* op = s.plot; op; op = NextInHierarchy(op, s.plot))
    ASSERT_TRUE(op->GetNodeData<ObjectData>()->AddToExecution(op, &list));
  // The host runs the steps by ascending priority, ties in the order they were added.
  auto steps = zvhost::HostAccess::Entries(list);
  std::stable_sort(steps.begin(), steps.end(),
                   [](const auto& a, const auto& b) { return a.priority < b.priority; });
  std::vector<Int32> order;
  for (const auto& e : steps) order.push_back(static_cast<BaseObject*>(e.node)->GetType());
  EXPECT_EQ(order, (std::vector<Int32>{ID_ZVPLOT, ID_ZVPLOTGRID, ID_ZVPLOTCAGE, ID_ZVPLOTMESH,
                                       ID_ZVPLOTLABELS}));
}

}  // namespace
