// What the host counts during scene evaluation and records of drawing, read through the
// runner-facing functions: a plug-in of the test's own drives the evaluation.
#include "host_records.h"

#include <gtest/gtest.h>

#include <vector>

#include "c4d.h"
#include "sdk_support.h"

namespace {

constexpr Int32 kProbeType = 1000001;
constexpr Int32 kPriority = 1;  // the probe's execution priority, a parameter of its own

std::vector<BaseObject*> g_executed;

// A generator with an execution step that keeps its cache while its data is unchanged.
class Probe : public ObjectData {
 public:
  static NodeData* Alloc() { return new Probe(); }
  Bool AddToExecution(BaseObject* op, PriorityList* list) override {
    list->Add(op, op->GetDataInstanceRef().GetInt32(kPriority), EXECUTIONFLAGS::NONE);
    return true;
  }
  EXECUTIONRESULT Execute(BaseObject* op, BaseDocument*, BaseThread*, Int32,
                          EXECUTIONFLAGS) override {
    g_executed.push_back(op);
    return EXECUTIONRESULT::OK;
  }
  BaseObject* GetVirtualObjects(BaseObject* op, const HierarchyHelp*) override {
    if (op->GetCache() && !op->IsDirty(DIRTYFLAGS::DATA)) return op->GetCache();
    return BaseObject::Alloc(Onull);
  }
};

class Evaluation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterObjectPlugin(kProbeType, String("Probe"), OBJECT_GENERATOR | OBJECT_CALL_ADDEXECUTION,
                         Probe::Alloc, String(""), nullptr, 0);
  }
  void SetUp() override { g_executed.clear(); }
  void TearDown() override { BaseDocument::Free(doc); }

  BaseObject* Add(Int32 priority, BaseObject* parent = nullptr) {
    BaseObject* op = BaseObject::Alloc(kProbeType);
    op->SetParameter(CreateDescID(DescLevel(kPriority)), GeData(priority), DESCFLAGS_SET::NONE);
    if (parent)
      op->InsertUnderLast(parent);
    else
      doc->InsertObject(op, nullptr, last_);
    if (!parent) last_ = op;
    return op;
  }
  void Evaluate(Bool expressions = true, Bool caches = true) {
    doc->ExecutePasses(nullptr, true, expressions, caches, BUILDFLAGS::NONE);
  }
  static void ExpectCounts(const BaseObject* op, Int64 builds, Int64 reuses, Int64 executions) {
    EXPECT_EQ(zvhost::GetCacheBuildCount(*op), builds);
    EXPECT_EQ(zvhost::GetCacheReuseCount(*op), reuses);
    EXPECT_EQ(zvhost::GetExecutionCount(*op), executions);
  }

  BaseDocument* doc = BaseDocument::Alloc();
  BaseObject* last_ = nullptr;
};

TEST_F(Evaluation, StepsRunByPriorityThenInDocumentOrderAndAreCounted) {
  BaseObject* late = Add(30);
  BaseObject* first = Add(10);
  BaseObject* child = Add(10, late);
  Evaluate();
  // Document order is late, its child, first: priority 10 runs before 30, ties in document order.
  EXPECT_EQ(g_executed, (std::vector<BaseObject*>{child, first, late}));
  for (const BaseObject* op : {late, first, child}) ExpectCounts(op, 1, 0, 1);
  Evaluate(false, true);
  for (const BaseObject* op : {late, first, child}) ExpectCounts(op, 1, 1, 1);
  const zvhost::BuildStats stats = zvhost::GetBuildStats(*doc);
  EXPECT_EQ(stats.evaluations, 2);
  EXPECT_EQ(stats.builds, 3);
}

TEST_F(Evaluation, OnlyANewCacheIsABuild) {
  BaseObject* changed = Add(10);
  BaseObject* kept = Add(10);
  Evaluate();
  changed->SetParameter(CreateDescID(DescLevel(kPriority)), GeData(Int32(20)), DESCFLAGS_SET::NONE);
  Evaluate(true, false);  // execution steps only: no cache is looked at
  ExpectCounts(changed, 1, 0, 2);
  Evaluate();
  ExpectCounts(changed, 2, 0, 3);
  ExpectCounts(kept, 1, 1, 3);
  // A disabled generator loses its cache; that is neither a build nor a reuse.
  kept->SetDeformMode(false);
  Evaluate();
  EXPECT_EQ(kept->GetCache(), nullptr);
  ExpectCounts(kept, 1, 1, 4);
  const zvhost::BuildStats stats = zvhost::GetBuildStats(*doc);
  EXPECT_EQ(stats.evaluations, 4);
  EXPECT_EQ(stats.builds, 3);
}

TEST(View, RecordsEveryCallInOrderAndReportsTheHighlightedHandle) {
  BaseDraw bd;
  Matrix mg;
  mg.off = Vector(1, 2, 3);
  bd.SetMatrix_Matrix(nullptr, mg);
  bd.SetPen(Vector(1, 0, 0));
  bd.SetPointSize(4.0);
  bd.DrawHandle(Vector(5, 0, 0), DRAWHANDLE::BIG, 7);
  bd.DrawSphere(Vector(0, 5, 0), Vector(2), Vector(0, 1, 0), 8);
  bd.DrawLine(Vector(), Vector(0, 0, 5), 9);
  using Kind = zvhost::DrawRecord::Kind;
  const std::vector<zvhost::DrawRecord>& r = zvhost::GetDrawRecords(bd);
  ASSERT_EQ(r.size(), 6u);
  EXPECT_TRUE(r[0].kind == Kind::MATRIX && r[0].a == mg.off);
  EXPECT_TRUE(r[1].kind == Kind::PEN && r[1].color == Vector(1, 0, 0));
  EXPECT_TRUE(r[2].kind == Kind::POINTSIZE && r[2].size == 4.0);
  EXPECT_TRUE(r[3].kind == Kind::HANDLE && r[3].a == Vector(5, 0, 0) && r[3].flags == 7);
  EXPECT_EQ(r[3].type, static_cast<Int32>(DRAWHANDLE::BIG));
  EXPECT_TRUE(r[4].kind == Kind::SPHERE && r[4].b == Vector(2) && r[4].color == Vector(0, 1, 0));
  EXPECT_TRUE(r[5].kind == Kind::LINE && r[5].b == Vector(0, 0, 5) && r[5].flags == 9);

  BaseObject* op = BaseObject::Alloc(Onull);
  EXPECT_EQ(op->GetHighlightHandle(&bd), -1);
  zvhost::SetHighlightedHandle(bd, 1);
  EXPECT_EQ(op->GetHighlightHandle(&bd), 1);
  EXPECT_EQ(op->GetHighlightHandle(nullptr), -1);
  BaseObject::Free(op);
}

}  // namespace
