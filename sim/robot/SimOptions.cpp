#include "sim/robot/SimOptions.h"

#include <sstream>

#include "sim/common/OptionTable.h"

namespace {

// "all", or ids separated by commas.
bool ParseServoSet(const std::string& text, ServoSet* set) {
  if (text == "all") {
    set->all = true;
    return true;
  }
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    int id = 0;
    if (!ParseInt(text.substr(start, comma - start), 0, 255, &id)) return false;
    set->ids.insert(id);
    start = comma + 1;
  }
  return true;
}

// "MS" (every reply) or "MS:IDS" (the replies to these servos' commands).
bool ParseDelay(const std::string& text, Faults* faults) {
  const std::size_t colon = text.find(':');
  if (colon == std::string::npos) return ParseInt(text, 0, 600000, &faults->replyDelayMs);
  faults->slowServos = ServoSet();
  return ParseInt(text.substr(0, colon), 0, 600000, &faults->replyDelayMs) &&
         ParseServoSet(text.substr(colon + 1), &faults->slowServos);
}

// "N" (every Nth reply cut, the robot goes on) or "N:stop" (then falls silent).
bool ParseCut(const std::string& text, Faults* faults) {
  const std::size_t colon = text.find(':');
  faults->cutThenSilent = colon != std::string::npos;
  if (faults->cutThenSilent && text.substr(colon + 1) != "stop") return false;
  return ParseInt(text.substr(0, colon), 1, 1 << 30, &faults->cutEvery);
}

// "ID=VALUE".
bool ParseServoValue(const std::string& text, int low, int high, std::map<int, int>* values) {
  const std::size_t equals = text.find('=');
  int id = 0;
  int value = 0;
  if (equals == std::string::npos || !ParseInt(text.substr(0, equals), 1, SimOptions::kMaxServos, &id) ||
      !ParseInt(text.substr(equals + 1), low, high, &value)) {
    return false;
  }
  (*values)[id] = value;
  return true;
}

using Option = OptionSpec<SimOptions>;
constexpr OptionValue kNone = OptionValue::kNone;
constexpr OptionValue kRequired = OptionValue::kRequired;
constexpr OptionValue kOptional = OptionValue::kOptional;

// The switches that may also change while the simulator runs (the control pipe).
const std::vector<Option>& FaultOptions() {
  static const std::vector<Option> options = {
      {"--refuse-writes", kRequired, [](const std::string& v, SimOptions* o) { return ParseServoSet(v, &o->faults.refuseWrites); }},
      {"--fail-reads", kRequired, [](const std::string& v, SimOptions* o) { return ParseServoSet(v, &o->faults.failReads); }},
      {"--fail-servo", kRequired, [](const std::string& v, SimOptions* o) {
         return ParseServoSet(v, &o->faults.refuseWrites) && ParseServoSet(v, &o->faults.failReads); }},
      {"--refuse-sn-write", kNone, [](const std::string&, SimOptions* o) { o->faults.refuseSerialWrite = true; return true; }},
      {"--no-replies", kOptional, [](const std::string& v, SimOptions* o) {
         return v.empty() ? (o->faults.silent.all = true) : ParseServoSet(v, &o->faults.silent); }},
      {"--close-after", kRequired, [](const std::string& v, SimOptions* o) { return ParseInt(v, 1, 1 << 30, &o->faults.closeAfterFrames); }},
      {"--go-silent", kRequired, [](const std::string& v, SimOptions* o) { return ParseInt(v, 1, 1 << 30, &o->faults.silentAfterFrames); }},
      {"--cut-replies", kRequired, [](const std::string& v, SimOptions* o) { return ParseCut(v, &o->faults); }},
      {"--stray-bytes", kRequired, [](const std::string& v, SimOptions* o) { return ParseInt(v, 1, 64, &o->faults.strayBytes); }},
      {"--split", kRequired, [](const std::string& v, SimOptions* o) { return ParseInt(v, 1, 1 << 16, &o->faults.splitBytes); }},
      {"--split-gap", kRequired, [](const std::string& v, SimOptions* o) { return ParseInt(v, 0, 10000, &o->faults.splitGapMs); }},
      {"--delay", kRequired, [](const std::string& v, SimOptions* o) { return ParseDelay(v, &o->faults); }},
  };
  return options;
}

// Every switch of the command line: the robot's, then the faults.
std::vector<Option> AllOptions() {
  std::vector<Option> options = {
      {"--address", kRequired, [](const std::string& v, SimOptions* o) { o->address = v; return IsIpv4(v); }},
      {"--servos", kRequired, [](const std::string& v, SimOptions* o) { return ParseInt(v, 1, SimOptions::kMaxServos, &o->servos); }},
      {"--name", kRequired, [](const std::string& v, SimOptions* o) { o->name = v; return true; }},
      {"--version", kRequired, [](const std::string& v, SimOptions* o) { o->version = v; return true; }},
      {"--ip", kRequired, [](const std::string& v, SimOptions* o) { o->recordIp = v; return true; }},
      {"--mac", kRequired, [](const std::string& v, SimOptions* o) { o->mac = v; return true; }},
      {"--bt-mac", kRequired, [](const std::string& v, SimOptions* o) { o->btMac = v; return true; }},
      {"--serial", kRequired, [](const std::string& v, SimOptions* o) { o->serial = v; return v.find('#') == std::string::npos; }},
      {"--offset", kRequired, [](const std::string& v, SimOptions* o) { return ParseServoValue(v, -32768, 32767, &o->offsets); }},
      {"--angle", kRequired, [](const std::string& v, SimOptions* o) { return ParseServoValue(v, 0, 65535, &o->angles); }},
      {"--no-discovery", kNone, [](const std::string&, SimOptions* o) { o->discovery = false; return true; }},
      {"--announce", kRequired, [](const std::string& v, SimOptions* o) { o->announceTo = v; return IsIpv4(v); }},
      {"--state-file", kRequired, [](const std::string& v, SimOptions* o) { o->stateFile = v; return !v.empty(); }},
      {"--control", kRequired, [](const std::string& v, SimOptions* o) { o->controlPipe = v; return !v.empty(); }},
      {"--heartbeat", kRequired, [](const std::string& v, SimOptions* o) { return ParseInt(v, 0, 600000, &o->heartbeatMs); }},
      {"--help", kNone, [](const std::string&, SimOptions* o) { o->help = true; return true; }},
  };
  options.insert(options.end(), FaultOptions().begin(), FaultOptions().end());
  return options;
}

const std::vector<Option>& Options() {
  static const std::vector<Option> options = AllOptions();
  return options;
}

}  // namespace

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* options, std::string* error) {
  return ParseOptionTable(Options(), args, options, error);
}

bool ParseFaultLine(const std::string& line, Faults* faults, std::string* error) {
  std::vector<std::string> args;
  std::istringstream words(line);
  for (std::string word; words >> word;) args.push_back(word);
  SimOptions parsed;
  if (!ParseOptionTable(FaultOptions(), args, &parsed, error)) return false;
  *faults = parsed.faults;
  return true;
}

std::string SimHelpText(const std::string& program) {
  return "Usage: " + program + R"( [options]

Behaves as one robot of the Vorla2 family: a command service on TCP port 6102 with servos
1..N (calibration offset, current angle), serial number and Bluetooth MAC, and answers to the
discovery broadcast on UDP port 6000. Prints one line per frame it receives ("RECV") and sends
("SEND"), with the frame's bytes in hex, and ends cleanly on SIGTERM or SIGINT.
Run it inside a network namespace of its own (scripts/netns-rig) whenever discovery is on.

Robot:
  --address A        IPv4 address the command service listens on, port 6102 (default 127.0.0.1)
  --servos N         number of servos, ids 1..N (default 16, at most 32); other ids answer
                     with status 1
  --offset ID=V      initial calibration offset of servo ID (default 0); repeatable. Any value
                     is taken here, also one that a write would be refused
  --angle ID=V       initial current angle of servo ID (default 120); repeatable
  --serial TEXT      stored serial number (default SN0000000001); no '#'
  --bt-mac TEXT      Bluetooth MAC in the serial-number reply "serial#mac" (default: --mac)
  --state-file PATH  keep the serial number and every servo's offset and angle in PATH: read at
                     start when it exists, rewritten after every write and move (before the
                     reply leaves), so it shows what the program did and survives a restart
  --heartbeat MS     send the heartbeat frame 34 12 04 00 00 00 01 00 00 00 on every link
                     every MS milliseconds, as a robot does to keep an idle link up
                     (default 1000; 0: never, for tests of a silent robot)

Discovery (UDP port 6000):
  --name TEXT        device name in the discovery record (default Vorla2_SIM)
  --version TEXT     version text in the record (default 1.0.0)
  --ip TEXT          IP text in the record (default: --address)
  --mac TEXT         MAC text in the record (default 02:00:00:00:00:01)
  --no-discovery     do not open UDP port 6000
  --announce A       do not answer searches; send the record every second to A, port 6000
                     instead (for a single namespace where the station holds port 6000)

Faults (IDS is a comma-separated list of servo ids, or "all"; the switches mix, so one run
can have servos that answer, refuse and stay silent):
  --refuse-writes IDS  set-angle and set-calibration of these servos answer status 1, store nothing
  --fail-reads IDS     reads of these servos (offset, angle, info) answer status 1
  --fail-servo IDS     both of the above
  --no-replies[=IDS]   commands of these servos are read and logged, neither carried out nor
                       answered; without IDS no command at all, serial-number ones included
                       (the frames of --heartbeat still go out)
  --delay MS[:IDS]     send each reply MS milliseconds after its request; with IDS only the
                       replies to these servos' commands, while the others pass them
  --refuse-sn-write    a serial-number write answers "1" and stores nothing
  --close-after N      close the link as soon as N frames have arrived on it (the Nth is not
                       answered)
  --go-silent N        once N frames have arrived on a link (the Nth is not answered), stop
                       reading and writing it, heartbeats included, without closing it: the
                       peer gets no FIN, only silence. The link is closed when the peer closes it
  --cut-replies N[:stop]
                       every Nth reply on a link leaves cut in the middle: only its first half
                       is written. The robot goes on with the next reply, or with ":stop" falls
                       silent as --go-silent does right after that half (which then leaves at
                       once, not delayed, split or behind stray bytes)
  --stray-bytes N      write N bytes of 0xEE (garbage) before each reply
  --split N            write each reply in TCP pieces of N bytes ...
  --split-gap MS       ... MS milliseconds apart (default 20)

Faults while running:
  --control FIFO     read fault switches from the named pipe FIFO (made when missing) while the
                     simulator runs: each line written to it, such as "--delay 1000", puts
                     exactly the fault switches it holds in force instead of the ones before;
                     an empty line clears them. Each line is answered with a line on standard
                     output, "FAULTS <the line>", or "ERROR control: <why>" (the faults then stay
                     as they were). The counts of --close-after, --go-silent and --cut-replies
                     start again on every link; a link that fell silent stays silent. A script
                     writes a line without waiting for a reader with, for example:
                       echo "--go-silent 1" | dd of=FIFO oflag=nonblock status=none

  -h, --help         this text

Frames: servo commands 0x05 set angle (moves over the given time), 0x06 read angle, 0x0C set
calibration offset (stored when it lies in -89..89, refused with status 1 otherwise, as a servo
does), 0x0D read calibration offset, 0x0E read servo info; 52 read serial number (answers
"serial#mac"); 51 write serial number (stores it, answers "0"); the heartbeat is accepted
without an answer. Other frames are logged and not answered.
)";
}
