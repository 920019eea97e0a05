#include "records/spool/ServerModule.h"

#include <dlfcn.h>

#include <map>
#include <mutex>

RecordsServerEntry LoadRecordsServerModule(const std::string& module, std::string* error) {
  static std::mutex lock;
  static std::map<std::string, RecordsServerEntry> loaded;
  const std::lock_guard<std::mutex> hold(lock);
  if (const auto found = loaded.find(module); found != loaded.end()) return found->second;
  void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    *error = "cannot load the records server module: " + std::string(::dlerror());
    return nullptr;
  }
  auto entry = reinterpret_cast<RecordsServerEntry>(::dlsym(handle, kRecordsServerEntry));
  if (!entry) {
    *error = module + ": not a records server module of this program (no " + kRecordsServerEntry + ")";
    ::dlclose(handle);
    return nullptr;
  }
  loaded.emplace(module, entry);
  return entry;
}
