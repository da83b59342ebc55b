// The stand-in host's process-wide state: the loaded module, its resources and registered plug-ins,
// the version it presents and what it was asked to do.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "host_app.h"
#include "host_records.h"
#include "resource_parser.h"

namespace zvhost {

struct HostState {
  std::mutex mutex;
  Int32 apiVersion = 2024000;
  std::string pluginPath;      // folder of the module being served
  bool resourceReady = false;  // the module initialised its resource
  std::map<int, std::string> strings;
  std::map<std::string, DescriptionResource> descriptions;  // by description name, read on demand
  std::map<Int32, ObjectPluginInfo> plugins;
  bool running[4] = {false, false, false, false};
  bool questionAnswer = false;
  bool performExecuteFile = false;
  HostLog log;
  int evaluationDepth = 0;  // scene evaluations running (ExecutePasses)
};

HostState& State();

// The host's own bookkeeping on the things it hands to plug-ins (nodes, documents, views, execution
// lists and descriptions), which the plug-in interface does not show.
struct HostAccess {
  // Nodes.
  static void MakeDocumentRoot(GeListNode& root, BaseDocument* doc) { root.document_ = doc; }
  static bool IsDocumentRoot(const GeListNode& node) { return node.document_ != nullptr; }
  static bool IsEvaluationOutput(const BaseTag& tag) { return tag.evaluationOutput_; }
  // A new variable tag of `count` zeroed entries of the tag type's size; nothing when the count is
  // negative or memory runs out.
  template <typename T>
  static T* NewVariableTag(Int32 type, Int32 count);

  // Scene evaluation: the execution steps plug-ins added, and each object's cache and counts.
  static auto& Entries(PriorityList& list) { return list.entries_; }
  static void CountExecution(BaseObject& op) { ++op.executions_; }
  static void CountEvaluation(BaseDocument& doc) { ++doc.evaluations_; }
  static HierarchyHelp MakeHierarchyHelp(Float lod, BaseThread* thread) {
    return HierarchyHelp(lod, thread);
  }
  // Puts the result of a generator's build in place of its cache: a new cache replaces (and frees)
  // the previous one and counts as a build, the previous cache handed back counts as reused.
  // Afterwards the object is no longer dirty for DATA.
  static void StoreCache(BaseDocument& doc, BaseObject& op, BaseObject* result);
  static BuildStats GetBuildStats(const BaseDocument& doc) {
    return {doc.evaluations_, doc.builds_};
  }
  static Int64 CacheBuilds(const BaseObject& op) { return op.cacheBuilds_; }
  static Int64 CacheReuses(const BaseObject& op) { return op.cacheReuses_; }
  static Int64 Executions(const BaseObject& op) { return op.executions_; }

  // Views.
  static const std::vector<DrawRecord>& Records(const BaseDraw& bd) { return bd.records_; }
  static void HandRecordsTo(BaseDraw& bd, const std::function<void(const DrawRecord&)>* take) {
    bd.take_ = take;
  }
  static Int32 HighlightedHandle(const BaseDraw& bd) { return bd.highlighted_; }
  static void SetHighlightedHandle(BaseDraw& bd, Int32 handle) { bd.highlighted_ = handle; }

  // Descriptions the host asks a plug-in to fill.
  static void AskForSingle(Description& desc, const DescID& id) {
    desc.single_ = std::make_unique<DescID>(id);
  }
  static bool IsLoaded(const Description& desc) { return desc.loaded_; }
};

// The parsed description resource registered under `name`, read from the module's res folder on
// first use; nothing when it cannot be read.
const DescriptionResource* DescriptionByName(const std::string& name);
const DescriptionResource* DescriptionForType(Int32 type);

}  // namespace zvhost
