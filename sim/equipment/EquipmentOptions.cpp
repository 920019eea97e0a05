#include "sim/equipment/EquipmentOptions.h"

#include "sim/common/OptionTable.h"
#include "sim/equipment/EquipmentService.h"

namespace {

bool IsCode(const std::string& text) { return text.size() == 4; }

using Option = OptionSpec<EquipmentOptions>;
constexpr OptionValue kNone = OptionValue::kNone;
constexpr OptionValue kRequired = OptionValue::kRequired;

const std::vector<Option>& Options() {
  using O = EquipmentOptions;
  static const std::vector<Option> options = {
      {"--address", kRequired, [](const std::string& v, O* o) { o->address = v; return IsIpv4(v); }},
      {"--port", kRequired, [](const std::string& v, O* o) { return ParseInt(v, 0, 65535, &o->port); }},
      {"--register", kRequired, [](const std::string& v, O* o) { o->registerFile = v; return !v.empty(); }},
      {"--register-add", kRequired, [](const std::string& v, O* o) {
         o->registerAdd.push_back(v); return IsWellFormedSerial(v); }},
      {"--list", kNone, [](const std::string&, O* o) { o->list = true; return true; }},
      {"--time-window", kRequired, [](const std::string& v, O* o) {
         return ParseInt(v, 0, 10 * 365 * 86400, &o->timeWindowSeconds); }},
      {"--force-verify", kRequired, [](const std::string& v, O* o) { o->forceVerify = v; return IsCode(v); }},
      {"--force-confirm", kRequired, [](const std::string& v, O* o) { o->forceConfirm = v; return IsCode(v); }},
      {"--status", kRequired, [](const std::string& v, O* o) { return ParseInt(v, 100, 599, &o->status); }},
      {"--delay", kRequired, [](const std::string& v, O* o) { return ParseInt(v, 0, 600000, &o->delayMs); }},
      {"--empty-body", kNone, [](const std::string&, O* o) { o->emptyBody = true; return true; }},
      {"--help", kNone, [](const std::string&, O* o) { o->help = true; return true; }},
  };
  return options;
}

}  // namespace

bool ParseEquipmentOptions(const std::vector<std::string>& args, EquipmentOptions* options,
                           std::string* error) {
  return ParseOptionTable(Options(), args, options, error);
}

std::string EquipmentHelpText(const std::string& program) {
  return "Usage: " + program + R"( [options]

Stands in for the maker's equipment service: answers the verify and confirm requests of the
serial-number window (POST /zav/equipment/verify and /zav/equipment/confirm, JSON bodies) from a
register of serial numbers kept in an SQLite file. Prints one line per request. Ends on Ctrl-C
or SIGTERM.

Answers ("info" of the JSON reply):
  0000  verify: the number is registered and free; confirm: done, the number is now used and
        the MAC recorded
  2001  request key refused: requestKey is not the MD5 of requestTime and the shared key, or
        requestTime is more than the time window away from this machine's clock
  2002  malformed request: not a JSON object, a member missing or not a string, appType or
        equipmentType not "2", an empty macAddress on confirm
  2003  the serial number's format is wrong: it must be 4 to 20 characters, each an ASCII
        letter, a digit or '-'
  2004  the number is already used (confirmed before)
  2005  the number is not in the register
Numbers are matched without regard to letter case.

Options:
  --address IPV4       listen address (default 127.0.0.1)
  --port N             listen port (default 8081; 0: any free port, printed at start)
  --register FILE      the register's SQLite file, made when missing
                       (default equipment-register.sqlite)
  --register-add SN    add SN as a free number at start (repeatable; kept when already there)
  --list               print the register (serial, state, MAC, added, confirmed) and exit
  --time-window SECS   accepted distance of requestTime from the clock (default 300)
  --force-verify CODE  answer every verify with CODE; the register is not touched
  --force-confirm CODE answer every confirm with CODE; the register is not touched
  --status N           answer every request with HTTP status N; the register is not touched
  --delay MS           wait MS milliseconds before each answer
  --empty-body         answer every request with status 200 and no body; the register is not
                       touched
  --help               this text
)";
}
