#include "cli/CommandContext.h"
#include "cli/Commands.h"
#include "cli/SerialExchange.h"
#include "provisioning/SerialNumberFlow.h"
#include "provisioning/ServiceAddress.h"
#include "ZAVUIBase.h"

namespace {


void Report(const SerialResult& result, Outcome* outcome) {
  if (!result.ok) return;
  outcome->report["serial"] = result.serial;
  outcome->report["mac"] = result.mac;
  outcome->Line("serial=" + result.serial + " mac=" + result.mac);
}

}  // namespace

Outcome ReadSerial(const CliOptions& options) {
  Outcome outcome;
  RobotLink link;
  if (!ConnectRobot(options, &link, &outcome)) return outcome;
  Report(ReadRobotSerial(&link, &outcome), &outcome);
  return outcome;
}

Outcome WriteSerial(const CliOptions& options) {
  Outcome outcome;
  // A scanned code such as a URL with a query leaves only its value, as in the window's edit.
  const std::wstring serial = TrimAfterLastEquals(ZAVWidenUtf8(options.serial));
  if (serial.empty()) return outcome.Fail(kExitBadInput, "\"" + options.serial + "\": the serial number is empty");
  if (serial.size() > static_cast<std::size_t>(kMaxSerialLength)) {
    return outcome.Fail(kExitBadInput, "\"" + options.serial + "\": a serial number has at most " +
                                           std::to_string(kMaxSerialLength) + " characters");
  }
  if (options.server.empty()) {
    LoadServiceAddress();
  } else {
    SetServiceAddress(ZAVWidenUtf8(options.server));
  }
  RobotLink link;
  if (!ConnectRobot(options, &link, &outcome)) return outcome;
  Report(WriteRobotSerial(&link, serial, &outcome), &outcome);
  return outcome;
}
