#include <curl/curl.h>

#include <cstring>
#include <memory>

#include "cli/CommandContext.h"
#include "cli/Commands.h"
#include "cli/RobotTarget.h"
#include "cli/RunRecording.h"
#include "cli/SerialExchange.h"
#include "provisioning/SerialNumberFlow.h"
#include "provisioning/ServiceAddress.h"
#include "ZAVUIBase.h"

namespace {

// What is wrong with address as the equipment service's, or nothing: the client asks only an
// http URL with a host, and refuses anything else before sending.
std::string ServiceAddressProblem(const std::string& address) {
  if (address.empty()) return "the equipment service's address is empty";
  const std::unique_ptr<CURLU, void (*)(CURLU*)> url(curl_url(), curl_url_cleanup);
  char* scheme = nullptr;
  char* host = nullptr;
  const bool http = url && curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) == CURLUE_OK &&
                    curl_url_get(url.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
                    std::strcmp(scheme, "http") == 0 &&
                    curl_url_get(url.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK;
  curl_free(scheme);
  curl_free(host);
  return http ? std::string() : "\"" + address + "\" is not an http URL (such as http://192.168.1.10:8081)";
}

void Report(const SerialResult& result, Outcome* outcome) {
  if (!result.ok) return;
  outcome->report["serial"] = result.serial;
  outcome->report["mac"] = result.mac;
  outcome->Line("serial=" + result.serial + " mac=" + result.mac);
}

// The robot's serial number as it holds it now; ok is false, with the outcome failed, when the
// robot gave no answer at all (or the link went).
SerialResult HeldSerial(RobotTarget& robot, Outcome* outcome) {
  const SerialResult held = ReadHeldSerial(robot);
  if (!held.ok && LinkStands(&robot.Link(), outcome)) {
    outcome->Fail(kExitRefused, "the robot did not answer a read of its serial number; nothing was sent to the "
                                "equipment service");
  }
  return held;
}

}  // namespace

Outcome ReadSerial(const CliOptions&, RobotTarget& robot) {
  Outcome outcome;
  if (!robot.Connect(&outcome)) return outcome;
  Report(ReadRobotSerial(robot, &outcome), &outcome);
  return outcome;
}

Outcome WriteSerial(const CliOptions& options, RobotTarget& robot) {
  Outcome outcome;
  // A scanned code such as a URL with a query leaves only its value, as in the window's edit.
  const std::wstring serial = TrimAfterLastEquals(ZAVWidenUtf8(options.serial));
  if (serial.empty()) return outcome.Fail(kExitBadInput, "\"" + options.serial + "\": the serial number is empty");
  if (serial.size() > static_cast<std::size_t>(kMaxSerialLength)) {
    return outcome.Fail(kExitBadInput, "\"" + options.serial + "\": a serial number has at most " +
                                           std::to_string(kMaxSerialLength) + " characters");
  }
  // Only a missing --server means sys.ini's: an empty one is a mistake, not a default.
  if (options.server) {
    SetServiceAddress(ZAVWidenUtf8(*options.server));
  } else {
    LoadServiceAddress();
  }
  const std::string problem = ServiceAddressProblem(ZAVNarrowToUtf8(GetServiceAddress()));
  if (!problem.empty()) {
    return outcome.Fail(kExitBadInput,
                        (options.server ? "--server: " : "Server of sys.ini: ") + problem + "; nothing was sent");
  }
  if (!robot.Connect(&outcome)) return outcome;
  // A second run of the same write finds the number in place: nothing to do, nobody to ask.
  const SerialResult held = HeldSerial(robot, &outcome);
  if (!held.ok) return outcome;
  robot.NoteSerial(held.serial);
  if (held.serial == ZAVNarrowToUtf8(serial)) {
    Progress("the robot holds " + held.serial + " already: nothing was written, the equipment service was not asked");
    outcome.report["alreadyHeld"] = true;
    Report(held, &outcome);
    return outcome;
  }
  outcome.report["alreadyHeld"] = false;
  RunRecording recording(options, robot, RunKind::kSerialWrite);
  Report(WriteRobotSerial(robot, serial, &outcome), &outcome);
  // The robot took the number, confirmed or not.
  if (outcome.status == kExitOk || outcome.status == kExitNotConfirmed) {
    recording.SetSerial(ZAVNarrowToUtf8(serial));
    recording.Keep(&outcome);
  }
  return outcome;
}
