// Loading the module from its plug-in folder, and reading its description resources.
#include <dlfcn.h>

#include "c4d.h"
#include "host_state.h"

namespace zvhost {
namespace {

using MainFunction = Int32 (*)(Int32 action, void* p1, void* p2, void* p3);

void* g_library = nullptr;
MainFunction g_main = nullptr;

}  // namespace

Bool LoadModule(const std::string& pluginFolder, std::string* error) {
  if (g_library) {
    if (error) *error = "a module is already loaded";
    return false;
  }
  const std::string path = pluginFolder + "/zorvantix.so";
  void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    if (error) *error = std::string("cannot load the module: ") + dlerror();
    return false;
  }
  auto entry = reinterpret_cast<MainFunction>(dlsym(lib, "c4d_main"));
  if (!entry) {
    if (error) *error = path + " has no entry point c4d_main";
    dlclose(lib);
    return false;
  }
  HostState& st = State();
  st.pluginPath = pluginFolder;
  st.descriptions.clear();
  if (entry(C4DPL_INIT_SYS, nullptr, nullptr, nullptr) == C4DPL_ERROR_VERSION) {
    if (error)
      *error = "the module needs host interface version " + std::to_string(API_VERSION_MIN) +
               " or later (this host presents " + std::to_string(st.apiVersion) + ")";
    dlclose(lib);
    st.pluginPath.clear();
    return false;
  }
  entry(C4DPL_MESSAGE, reinterpret_cast<void*>(static_cast<intptr_t>(C4DPL_INIT_SYS)), nullptr,
        nullptr);
  entry(C4DPL_INIT, nullptr, nullptr, nullptr);
  g_library = lib;
  g_main = entry;
  return true;
}

void UnloadModule() {
  if (!g_library) return;
  g_main(C4DPL_END, nullptr, nullptr, nullptr);
  HostState& st = State();
  for (auto& [id, info] : st.plugins) delete info.icon;
  st.plugins.clear();
  st.descriptions.clear();
  st.strings.clear();
  st.resourceReady = false;
  dlclose(g_library);
  g_library = nullptr;
  g_main = nullptr;
}

Bool IsModuleLoaded() { return g_library != nullptr; }

const DescriptionResource* DescriptionByName(const std::string& name) {
  HostState& st = State();
  std::lock_guard<std::mutex> lock(st.mutex);
  auto it = st.descriptions.find(name);
  if (it != st.descriptions.end()) return &it->second;
  DescriptionResource res;
  std::string error;
  if (!LoadDescriptionResource(st.pluginPath + "/res", name, "en-US", &res, &error)) return nullptr;
  return &st.descriptions.emplace(name, std::move(res)).first->second;
}

const DescriptionResource* DescriptionForType(Int32 type) {
  const ObjectPluginInfo* info = FindObjectPlugin(type);
  return info ? DescriptionByName(info->description.GetStdString()) : nullptr;
}

}  // namespace zvhost
