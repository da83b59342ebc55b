// Loading the module from its plug-in folder, and reading its description resources.
#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "c4d.h"
#include "host_state.h"

namespace zvhost {
namespace {

using MainFunction = Int32 (*)(Int32 action, void* p1, void* p2, void* p3);

struct LoadedLibrary {
  void* handle;
  MainFunction main;
};
std::vector<LoadedLibrary> g_libraries;  // in the order they were started

// The loadable libraries of a plug-in folder, in name order: every one is a candidate plug-in.
std::vector<std::filesystem::path> LibrariesIn(const std::string& folder, std::string* error) {
  std::vector<std::filesystem::path> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    if (entry.path().extension() == ".so" && entry.is_regular_file(ec))
      found.push_back(entry.path());
  if (ec && error) *error = "cannot read the plug-in folder " + folder + ": " + ec.message();
  std::sort(found.begin(), found.end());
  return found;
}

void Close(void* handle, HostState& st) {
  dlclose(handle);
  if (g_libraries.empty()) st.pluginPath.clear();
}

}  // namespace

// As the host does at start-up, every library of the folder with the SDK's entry point is loaded
// and started; one that has none is no plug-in and is left alone.
Bool LoadModule(const std::string& pluginFolder, std::string* error) {
  if (!g_libraries.empty()) {
    if (error) *error = "a module is already loaded";
    return false;
  }
  std::string listError;
  const std::vector<std::filesystem::path> libraries = LibrariesIn(pluginFolder, &listError);
  HostState& st = State();
  st.pluginPath = pluginFolder;
  st.descriptions.clear();
  std::string problem =
      listError.empty() ? "the plug-in folder " + pluginFolder + " holds no plug-in library (.so)"
                        : listError;
  for (const std::filesystem::path& path : libraries) {
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
      problem = std::string("cannot load the module: ") + dlerror();
      continue;
    }
    auto entry = reinterpret_cast<MainFunction>(dlsym(lib, "c4d_main"));
    if (!entry) {
      problem = path.string() + " has no entry point c4d_main";
      Close(lib, st);
      continue;
    }
    if (entry(C4DPL_INIT_SYS, nullptr, nullptr, nullptr) == C4DPL_ERROR_VERSION) {
      problem = "the module needs host interface version " + std::to_string(API_VERSION_MIN) +
                " or later (this host presents " + std::to_string(st.apiVersion) + ")";
      Close(lib, st);
      continue;
    }
    entry(C4DPL_MESSAGE, reinterpret_cast<void*>(static_cast<intptr_t>(C4DPL_INIT_SYS)), nullptr,
          nullptr);
    entry(C4DPL_INIT, nullptr, nullptr, nullptr);
    g_libraries.push_back({lib, entry});
  }
  if (!g_libraries.empty()) return true;
  if (error) *error = problem;
  st.pluginPath.clear();
  return false;
}

void UnloadModule() {
  if (g_libraries.empty()) return;
  for (auto it = g_libraries.rbegin(); it != g_libraries.rend(); ++it)
    it->main(C4DPL_END, nullptr, nullptr, nullptr);
  HostState& st = State();
  for (auto& [id, info] : st.plugins) delete info.icon;
  st.plugins.clear();
  st.descriptions.clear();
  st.strings.clear();
  st.resourceReady = false;
  for (auto it = g_libraries.rbegin(); it != g_libraries.rend(); ++it) dlclose(it->handle);
  g_libraries.clear();
  st.pluginPath.clear();
}

Bool IsModuleLoaded() { return !g_libraries.empty(); }

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
