#pragma once

#include <memory>
#include <string>

#include "records/RecordsStore.h"

// The calibration records as the window opens them. The store (SQLite and the spool to a
// records server) lives in a module of its own, libcaltrim_records_module.so beside the program,
// which the window opens the first time it records or shows the history: a start of the program
// maps no SQLite. caltrim-cli links the store itself. Nothing but this header (and the records
// headers it names) crosses between the program and the module.

// The module's file and its entry: extern "C" IRecordsModule* CaltrimRecordsModule(int) takes
// kRecordsModuleVersion and returns the module, or null when it was built for another version of
// this interface.
inline constexpr char kRecordsModuleFile[] = "libcaltrim_records_module.so";
inline constexpr char kRecordsModuleEntry[] = "CaltrimRecordsModule";
inline constexpr int kRecordsModuleVersion = 1;

// The module: one per process, never unloaded.
class IRecordsModule {
 public:
  // OpenRecordsStore (RecordsStore.h) inside the module.
  virtual std::unique_ptr<IRecordsStore> Open(const RecordsLocation& location, const RecordsStoreOptions& options,
                                              std::string* error) = 0;

 protected:
  ~IRecordsModule() = default;
};

// Opens the module beside the program (once; later calls return the same module at once).
// Null with *error naming the file and the reason when it is missing, cannot be loaded, or is not
// a records module of this version of the program.
IRecordsModule* LoadRecordsModule(std::string* error);
