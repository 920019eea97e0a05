#include "cli/CliRecords.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "ZAVUIBase.h"
#include "cli/CommandContext.h"

bool CliRecords::On() { return Location().kind != RecordsLocation::Kind::kOff; }

const RecordsLocation& CliRecords::Location() {
  if (m_location) return *m_location;
  const std::string dataFolder = ZAVNarrowToUtf8(GetWritableFolder(ZAV_WRITABLE_STATE));
  if (m_options.records) {
    m_location = ResolveRecordsLocation(*m_options.records, dataFolder, "");
  } else {
    const std::wstring config = ConfigPath(m_options);
    const std::wstring url = ReadIniString(L"Records", L"Url", L"", config.c_str());
    m_location = ResolveRecordsLocation(ZAVNarrowToUtf8(url), dataFolder,
                                        std::filesystem::path(ZAVNarrowToUtf8(config)).parent_path().string());
  }
  return *m_location;
}

bool CliRecords::Open(std::string* error) {
  if (!m_store && !m_openError) {
    RecordsStoreOptions options;
    options.serverTimeout = std::chrono::seconds(m_options.timeoutSeconds);
    std::string failed;
    m_store = OpenRecordsStore(Location(), options, &failed);
    if (!m_store) m_openError = failed;
  }
  if (m_store) return true;
  *error = *m_openError;
  return false;
}

IRecordsStore* CliRecords::Writer(std::string* error) { return Open(error) ? m_store.get() : nullptr; }

IRecordsReader* CliRecords::Reader(Outcome* outcome) {
  const RecordsLocation& location = Location();
  if (location.kind == RecordsLocation::Kind::kOff) {
    outcome->Fail(kExitBadInput, "records are off (--records off, or Url=off under [Records] of Config.ini)");
    return nullptr;
  }
  if (location.kind == RecordsLocation::Kind::kFile && !m_store && ::access(location.file.c_str(), F_OK) != 0) {
    outcome->Fail(kExitBadInput, "no records file " + location.file + ": " + std::strerror(errno));
    return nullptr;
  }
  std::string error;
  if (!Open(&error)) {
    outcome->Fail(kExitLocal, "cannot open the records: " + error);
    return nullptr;
  }
  if (location.kind == RecordsLocation::Kind::kServer) m_store->Flush(kFlushWait);
  return m_store.get();
}

int CliRecords::FailureStatus() {
  return Location().kind == RecordsLocation::Kind::kServer ? kExitUnreachable : kExitLocal;
}

bool CliRecords::Calibration(const std::string& robotKey, std::optional<std::int64_t> runId,
                             CalibrationOffsets* offsets, Outcome* outcome) {
  IRecordsReader* reader = Reader(outcome);
  if (reader == nullptr) return false;
  std::string error;
  if (reader->Calibration(robotKey, runId, offsets, &error)) return true;
  // The store says the same for a robot it has no calibration of and for a question it could
  // not answer: a second question, which needs no such calibration, tells them apart.
  std::vector<RunRecord> probe;
  std::string failure;
  if (!reader->History(HistoryQuery{"", "", std::nullopt, 1}, &probe, &failure)) {
    outcome->Fail(FailureStatus(), "cannot read the records: " + error);
  } else {
    outcome->Fail(kExitBadInput, error + " in the records; nothing was sent");
  }
  return false;
}

void CliRecords::Keep(const RunRecord& run, Outcome* outcome) {
  Json::Value& records = outcome->report["records"];
  std::string error;
  if (Open(&error) && m_store->Append(run, &error)) {
    records["kept"] = true;
    return;
  }
  records["kept"] = false;
  records["error"] = error;
  std::cerr << "caltrim-cli: records: the run was not recorded: " << error << std::endl;
}

void CliRecords::Finish(Outcome* outcome) {
  if (!m_store) return;
  m_store->Flush(kFlushWait);
  const SpoolStatus spool = m_store->Spool();
  Json::Value& records = outcome->report["records"];
  records["waiting"] = spool.waiting;
  if (spool.waiting == 0) return;
  records["sendError"] = spool.lastError;
  std::cerr << "caltrim-cli: records: " << spool.waiting << " waiting: " << spool.lastError << std::endl;
}
