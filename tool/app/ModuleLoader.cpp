#include "app/ModuleLoader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <map>
#include <mutex>
#include <utility>

#include "ZAVUIBase.h"

namespace {

std::string ModulePath(const std::string& module) {
  if (module.find('/') != std::string::npos) return module;
  const std::string besideProgram = ZAVNarrowToUtf8(ZAVExeFolderFile(ZAVWidenUtf8(module).c_str()));
  return ::access(besideProgram.c_str(), F_OK) == 0 ? besideProgram : module;
}

}  // namespace

void* LoadModuleEntry(const std::string& module, const char* entry, std::string* error) {
  static std::mutex lock;
  static std::map<std::pair<std::string, std::string>, void*> loaded;
  const std::lock_guard<std::mutex> hold(lock);
  const auto key = std::make_pair(module, std::string(entry));
  if (const auto found = loaded.find(key); found != loaded.end()) return found->second;
  void* handle = ::dlopen(ModulePath(module).c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    *error = ::dlerror();
    return nullptr;
  }
  void* address = ::dlsym(handle, entry);
  if (address == nullptr) {
    *error = module + ": not a module of this program (it has no " + entry + ")";
    ::dlclose(handle);
    return nullptr;
  }
  loaded.emplace(key, address);
  return address;
}
