// The one symbol libcaltrim_records_module.so exports: the records store behind IRecordsModule.

#include "records/RecordsModule.h"

namespace {

class RecordsModule : public IRecordsModule {
 public:
  std::unique_ptr<IRecordsStore> Open(const RecordsLocation& location, const RecordsStoreOptions& options,
                                      std::string* error) override {
    return OpenRecordsStore(location, options, error);
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) IRecordsModule* CaltrimRecordsModule(int version) {
  static RecordsModule module;
  return version == kRecordsModuleVersion ? &module : nullptr;
}
