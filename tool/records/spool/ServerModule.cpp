#include "records/spool/ServerModule.h"

#include <ZAVUIBase.h>
#include <dlfcn.h>
#include <unistd.h>

#include <map>
#include <mutex>

namespace {

// A bare name is the file beside the program when it is there, so that the lookup needs no
// RUNPATH (a sanitizer's dlopen searches its own), else whatever the dynamic linker finds.
std::string ModulePath(const std::string& module) {
  if (module.find('/') != std::string::npos) return module;
  const std::string besideProgram = ZAVNarrowToUtf8(ZAVExeFolderFile(ZAVWidenUtf8(module).c_str()));
  return ::access(besideProgram.c_str(), F_OK) == 0 ? besideProgram : module;
}

}  // namespace

RecordsServerEntry LoadRecordsServerModule(const std::string& module, std::string* error) {
  static std::mutex lock;
  static std::map<std::string, RecordsServerEntry> loaded;
  const std::lock_guard<std::mutex> hold(lock);
  if (const auto found = loaded.find(module); found != loaded.end()) return found->second;
  void* handle = ::dlopen(ModulePath(module).c_str(), RTLD_NOW | RTLD_LOCAL);
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
