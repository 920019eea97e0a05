// Backup files as caltrim-cli's restore reads them: the file's whole text through the strict
// reader. What it takes must hold only what may reach a robot and must read back the same once
// written again; what it refuses must be named by a line of the text.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "FuzzSupport.h"
#include "calibration/rules/CalibrationModel.h"
#include "cli/BackupFile.h"

using fuzzsupport::Check;

namespace {

// "line N: reason" with N a line of text.
void CheckRefusal(const std::string& text, const std::string& error) {
  Check(error.rfind("line ", 0) == 0);
  char* end = nullptr;
  const long line = std::strtol(error.c_str() + 5, &end, 10);
  Check(line >= 1 && line <= 1 + std::count(text.begin(), text.end(), '\n'));
  Check(std::string(end).rfind(": ", 0) == 0 && std::string(end).size() > 2);
}

void CheckTaken(const CalibrationBackup& backup) {
  Check(!backup.offsets.empty());
  std::set<int> ids;
  for (const auto& [id, offset] : backup.offsets) {
    Check(id >= 1 && id <= 255 && ids.insert(id).second);
    Check(IsWritableOffset(offset));
  }
  CalibrationBackup again;
  std::string error;
  Check(BackupFromText(BackupToText(backup), &again, &error));
  Check(again.serial == backup.serial && again.mac == backup.mac && again.time == backup.time &&
        again.programVersion == backup.programVersion && again.offsets == backup.offsets);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  CalibrationBackup backup;
  std::string error;
  if (BackupFromText(text, &backup, &error)) {
    CheckTaken(backup);
  } else {
    CheckRefusal(text, error);
  }
  return 0;
}
