// The stand-in host's process-wide state: the loaded module, its resources and registered plug-ins,
// the version it presents and what it was asked to do.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "host_app.h"
#include "resource_parser.h"

namespace zvhost {

struct HostState {
  std::mutex mutex;
  Int32 apiVersion = 2024000;
  std::string pluginPath;          // folder of the module being served
  bool resourceReady = false;      // the module initialised its resource
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

// The host's own bookkeeping on scene nodes, which the plug-in interface does not show.
struct HostAccess {
  static bool IsEvaluationOutput(const BaseTag& tag) { return tag.evaluationOutput_; }
};

// The parsed description resource registered under `name`, read from the module's res folder on
// first use; nothing when it cannot be read.
const DescriptionResource* DescriptionByName(const std::string& name);
const DescriptionResource* DescriptionForType(Int32 type);

}  // namespace zvhost
