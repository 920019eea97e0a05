#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>
#include <arpa/inet.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "ZAVServoSocket.h"
#include "ZAVUIBase.h"
#include "app/FileVersion.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/Outcome.h"

namespace {

constexpr char kDescription[] =
    "caltrim-cli: the servos and the serial number of a Vorla2 robot from a shell, over the same\n"
    "link as the Caltrim window.";

constexpr char kFooter[] = R"(
Output: text for people on standard output, one line per item; with --json one JSON object on
one line instead, which always holds "status" (the exit status) and, after a failure, "error",
whatever the outcome (a command line that does not parse too).
Progress and diagnostics go to standard error.

  discover       NAME<TAB>VERSION<TAB>IP<TAB>MAC, each robot once (by MAC), in order of answer
                 {"robots":[{"name":"Vorla2_01","version":"1.0.0","ip":"..","mac":".."}]}
  offsets read   servo ID Ok offset=V | servo ID Failed | servo ID no reply
                 {"servos":[{"id":1,"result":"Ok","offset":-5},{"id":2,"result":"no reply"}]}
  offsets write  servo ID Ok|Failed|no reply offset=V      (the value sent)
  move, reset    servo ID Ok|Failed|no reply angle=A       (the angle sent; Ok: the servo
                 answered a read of its angle sent after the move, as the link carries no
                 answer to a move itself)
  backup         serial=S mac=M file=FILE (file= once written), then the lines of offsets read
                 {"serial":"S","mac":"M","file":"FILE","servos":[...],"outOfRange":[...]}
  restore        serial=S backup-serial=S, the lines of offsets write, then one line per servo
                 whose offset read back differs: differs servo ID robot=V backup=W
                 {"serial":..,"backupSerial":..,"dryRun":false,"servos":[...],
                  "differences":[{"id":3,"robot":5,"backup":4}],"outOfRange":[...]}
  backup and restore end with one line per servo whose offset is outside -89..89:
                 out-of-range servo ID offset=V          {"id":3,"offset":120}
                 (the robot reported it: the backup keeps it, flagged "outOfRange" in the file,
                 and restore never writes it; either ends with status 5)
  sn read        serial=S mac=M                  {"serial":"S","mac":"M"}
  sn write       serial=S mac=M (read back and confirmed); the window's messages on stderr
                 {"serial":"S","mac":"M","messages":[{"key":"IDS_..","text":".."}]}

Exit status: 0 everything asked succeeded; 1 a robot or the equipment service refused or did
not answer; 2 bad usage or input (the argument or the file line is named; nothing is sent);
3 the robot cannot be reached (for discover: no discovery socket); 4 a failure on this machine (a
file that cannot be written, or the program itself failed); 5 backup or restore did the rest, but
left out servos whose offsets are outside -89..89 (not a clean backup or restore); 6 sn write put
the serial number into the robot, but it was not confirmed with the equipment service.

Config.ini (ServoNum, ID1..IDn) and sys.ini (Settings/Server) are the program's own, as the
Caltrim window reads them.
)";

// --config FILE: a regular file that can be read. The ini reader takes a file it cannot read for
// an empty one, which would blame a missing ServoNum instead of the file.
std::string ReadableFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return "cannot read " + path + ": " + std::strerror(errno);
  struct stat status {};
  const bool regular = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
  ::close(fd);
  return regular ? std::string() : "cannot read " + path + ": not a regular file";
}

// Parsing command (with its options) chooses run as the sub-command to run.
void Runs(CLI::App* command, CliOptions* options, Outcome (*run)(const CliOptions&)) {
  command->callback([options, run] { options->command = run; });
}

// --robot: a dotted IPv4 address, as the session takes it; the port is always the robot's own.
std::string RobotAddress(const std::string& text) {
  in_addr address{};
  if (::inet_pton(AF_INET, text.c_str(), &address) == 1) return {};
  const std::size_t colon = text.rfind(':');
  if (colon != std::string::npos && ::inet_pton(AF_INET, text.substr(0, colon).c_str(), &address) == 1) {
    return "\"" + text + "\" is an IPv4 address with a port: give the address alone (the port is always " +
           std::to_string(ZAV_ROBOT_PORT) + ")";
  }
  return "\"" + text + "\" is not an IPv4 address (four numbers 0..255 joined by dots, such as 192.168.1.23)";
}

void AddRobot(CLI::App* command, CliOptions* options) {
  command->add_option("--robot", options->robot, "the robot's IPv4 address (port 6102)")
      ->required()
      ->check(CLI::Validator(RobotAddress, "IPV4"));
}

void AddServoCount(CLI::App* command, CliOptions* options) {
  command->add_option("--servos", options->servos, "servos 1..N (default: ServoNum of Config.ini)")
      ->check(CLI::Range(1, 255));
}

void DefineDiscover(CLI::App* app, CliOptions* options) {
  CLI::App* discover = app->add_subcommand(
      "discover", "broadcast the search request on UDP port 6000 and list each robot once");
  discover->add_option("--seconds", options->seconds, "how long to listen (default 3)")
      ->check(CLI::Range(1, 600));
  Runs(discover, options, Discover);
}

void DefineOffsets(CLI::App* app, CliOptions* options) {
  CLI::App* offsets = app->add_subcommand("offsets", "read or write the servos' calibration offsets");
  offsets->require_subcommand(1);
  CLI::App* read = offsets->add_subcommand("read", "every servo's stored calibration offset");
  AddRobot(read, options);
  AddServoCount(read, options);
  Runs(read, options, ReadOffsets);

  CLI::App* write = offsets->add_subcommand(
      "write",
      "write calibration offsets as the window's Calibrate does: only -89..89 are sent, each\n"
      "servo once, each answer is matched to its write, and writes still unanswered after 6 s\n"
      "count as no reply");
  AddRobot(write, options);
  write->add_option("assignments", options->assignments, "ID=VALUE, one per servo")->required();
  Runs(write, options, WriteOffsets);
}

void DefineMoves(CLI::App* app, CliOptions* options) {
  CLI::App* move = app->add_subcommand("move", "move one servo to an angle");
  AddRobot(move, options);
  move->add_option("id", options->id, "servo id")->required()->check(CLI::Range(1, 255));
  move->add_option("angle", options->angle, "angle, 0..240")->required()->check(CLI::Range(0, 240));
  move->add_option("--ms", options->ms, "travel time in ms (default 1000)")->check(CLI::Range(0, 65535));
  Runs(move, options, Move);

  CLI::App* reset = app->add_subcommand(
      "reset",
      "move every servo (ServoNum of Config.ini) to its reference angle (ID<n> of Config.ini)\n"
      "in 2000 ms, 50 ms apart, as the window's Reset does");
  AddRobot(reset, options);
  Runs(reset, options, Reset);
}

void DefineBackup(CLI::App* app, CliOptions* options) {
  CLI::App* backup = app->add_subcommand(
      "backup",
      "save the robot's serial number, MAC and every servo's offset, with the time and the\n"
      "program version, in a JSON file");
  AddRobot(backup, options);
  AddServoCount(backup, options);
  backup->add_option("file", options->file, "the backup file to write")->required();
  Runs(backup, options, Backup);

  CLI::App* restore = app->add_subcommand(
      "restore",
      "write the offsets of a backup file, read them back and report any difference; a file\n"
      "whose serial number is not the robot's is refused unless --force");
  AddRobot(restore, options);
  restore->add_option("file", options->file, "the backup file to read")->required();
  restore->add_flag("--dry-run", options->dryRun,
                    "check the file and the robot and show what would be written; write nothing");
  restore->add_flag("--force", options->force, "write a backup of another robot");
  Runs(restore, options, Restore);
}

void DefineSerial(CLI::App* app, CliOptions* options) {
  CLI::App* sn = app->add_subcommand("sn", "read or write the robot's serial number");
  sn->require_subcommand(1);
  CLI::App* read = sn->add_subcommand("read", "the robot's serial number and Bluetooth MAC");
  AddRobot(read, options);
  Runs(read, options, ReadSerial);

  CLI::App* write = sn->add_subcommand(
      "write",
      "verify SERIAL with the equipment service, write it into the robot, read it back and\n"
      "confirm it with the robot's Bluetooth MAC, as the serial number window does");
  AddRobot(write, options);
  write->add_option("serial", options->serial, "the new serial number")->required();
  write->add_option("--server", options->server,
                    "the equipment service's base URL, http://HOST[:PORT] (default: Server of\n"
                    "sys.ini)");
  Runs(write, options, WriteSerial);
}

// The sub-commands of command, as "read, write".
std::string CommandNames(const CLI::App& command) {
  std::string names;
  for (const CLI::App* sub : command.get_subcommands([](const CLI::App*) { return true; })) {
    names += (names.empty() ? "" : ", ") + sub->get_name();
  }
  return names;
}

// What was wrong with the command line. CLI11 says "A subcommand is required" whether the command
// is missing or misspelt: the word it could not place, if any, is named instead.
std::string UsageError(const CLI::App& app, const CLI::ParseError& error) {
  const CLI::App* last = &app;
  std::string path;
  while (!last->get_subcommands().empty()) {
    last = last->get_subcommands().front();
    path += last->get_name() + " ";
  }
  if (dynamic_cast<const CLI::RequiredError*>(&error) == nullptr || CommandNames(*last).empty()) {
    return error.what();
  }
  const std::string commands = "(" + path + "commands: " + CommandNames(*last) + ")";
  const std::vector<std::string> rest = app.remaining(true);
  if (rest.empty()) {
    return (path.empty() ? std::string("a command is required ") : path + "needs a command ") + commands;
  }
  if (rest.front().rfind('-', 0) == 0) return "unknown option \"" + rest.front() + "\"";
  return "unknown command \"" + path + rest.front() + "\" " + commands;
}

// Whether --json stands among the arguments (before a "--" that ends the options), so that even
// a command line that does not parse is answered in JSON.
bool AsksForJson(int argc, char** argv) {
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    if (std::strcmp(argv[i], "--json") == 0) return true;
  }
  return false;
}

}  // namespace

int ParseCommandLine(int argc, char** argv, CliOptions* options) {
  CLI::App app(kDescription, "caltrim-cli");
  app.footer(kFooter);
  // Common options may stand before or after the sub-command.
  app.fallthrough();
  app.require_subcommand(1);
  app.set_version_flag("--version", [] {
    return "caltrim-cli " + ZAVNarrowToUtf8(GetFileVersionText(RunningExecutablePath()));
  });
  app.add_flag("--json", options->json, "machine-readable output on standard output");
  app.add_option("--timeout", options->timeoutSeconds,
                 "seconds for the connect, for each read of the link, and for the answers\n"
                 "(default 10)")
      ->check(CLI::Range(1, 3600));
  app.add_option("--config", options->configPath, "the Config.ini to read instead of the program's")
      ->check(CLI::Validator(ReadableFile, "FILE"));
  DefineDiscover(&app, options);
  DefineOffsets(&app, options);
  DefineMoves(&app, options);
  DefineBackup(&app, options);
  DefineSerial(&app, options);
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForVersion& version) {
    return app.exit(version);
  } catch (const CLI::ParseError& error) {
    const int status = PrintOutcome(Outcome().Fail(kExitBadInput, UsageError(app, error)),
                                    AsksForJson(argc, argv), STDOUT_FILENO);
    std::cerr << "Run with --help for more information.\n";
    return status;
  }
  return -1;
}
