#include "records/RecordsStore.h"
#include "records/spool/ServerModule.h"
#include "records/spool/SpoolingStore.h"
#include "records/sqlite/SqliteRecords.h"

std::unique_ptr<IRecordsStore> OpenRecordsStore(const RecordsLocation& location,
                                                const RecordsStoreOptions& options, std::string* error) {
  switch (location.kind) {
    case RecordsLocation::Kind::kFile:
      return SqliteRecords::Open(location.file, false, error);
    case RecordsLocation::Kind::kServer:
      if (const RecordsServerEntry server = LoadRecordsServerModule(options.serverModule, error)) {
        return SpoolingStore::Open(location, options, server, error);
      }
      return nullptr;
    case RecordsLocation::Kind::kOff:
      break;
  }
  *error = "records are off";
  return nullptr;
}
