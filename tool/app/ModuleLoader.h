#pragma once

#include <string>

// The program's optional parts (the serial-number tools, a records server) are shared libraries
// of their own, opened the first time they are needed, so that a start that never needs them maps
// none of their libraries. Plain C++: the program and caltrim-cli can both use it.

// Opens module and returns the address of its entry symbol. A bare file name is the file of that
// name in the program's folder when it is there (no RUNPATH needed, a sanitizer's dlopen finds it
// too), else whatever the dynamic linker finds; a name with a '/' is used as it stands. A module
// once opened stays for the life of the process (objects it made may outlive any caller), so
// later calls for the same module and entry return the same address at once. Thread-safe.
// Null when the module cannot be opened or has no such entry; *error then names the module and
// the reason, and nothing stays loaded.
void* LoadModuleEntry(const std::string& module, const char* entry, std::string* error);

// Opens a module whose entry is extern "C" Module* entry(int version): it returns the module, or
// null when the module was built for another version of its interface (*error then says so).
template <typename Module>
Module* LoadVersionedModule(const char* module, const char* entry, int version, std::string* error) {
  using Entry = Module* (*)(int);
  void* address = LoadModuleEntry(module, entry, error);
  if (address == nullptr) return nullptr;
  Module* loaded = reinterpret_cast<Entry>(address)(version);
  if (loaded == nullptr) *error = std::string(module) + ": built for another version of the program";
  return loaded;
}
