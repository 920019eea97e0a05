#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>

#include "ZAVUIBase.h"
#include "app/FileVersion.h"
#include "cli/CommandTable.h"
#include "cli/ExitStatus.h"
#include "cli/HelpFormatter.h"
#include "cli/Outcome.h"

namespace {

constexpr char kDescription[] =
    "caltrim-cli: the servos and the serial number of a Vorla2 robot from a shell, over the same\n"
    "link as the Caltrim window.";

constexpr char kFooter[] = R"(Common options stand before or after the command. `caltrim-cli COMMAND --help` shows a
command's own, with examples; README describes each command's JSON object.

Output: text for people on standard output, one line per item; with --json one JSON object on
one line instead, which always holds "version" (1, the shape of the objects) and "status" (the
exit status) and, after a failure, "error", whatever the outcome (a command line that does not
parse too). Progress and diagnostics go to standard error: -q leaves only errors, -v adds the
link's states and every reply.

  discover       NAME<TAB>VERSION<TAB>IP<TAB>MAC, each robot once (by MAC), in order of answer
  offsets read, angles read
                 servo ID Ok offset=V | servo ID Ok angle=A | servo ID Failed | servo ID no reply
  servos scan    servo ID Ok angle=A for each id that answers, then ids=LIST (as --ids takes it)
  offsets write  servo ID Ok|Failed|no reply offset=V      (the value sent)
  move, reset    servo ID Ok|Failed|no reply angle=A       (the angle sent; Ok: the servo
                 answered a read of its angle sent after the move, as the link carries no
                 answer to a move itself)
  backup         serial=S mac=M file=FILE (file= once written), then the lines of offsets read
  restore        serial=S backup-serial=S, the lines of offsets write for the offsets that
                 differed ("no offset differs" when none did), then one line per servo whose
                 offset read back differs: differs servo ID robot=V backup=W
  --dry-run      (offsets write, reset, restore) the servos' values now, then one line per
                 servo that would change: differs servo ID robot=V write=W|reference=A|backup=W
  backup and restore end with one line per servo whose offset is outside -89..89:
                 out-of-range servo ID offset=V (kept in the backup, flagged "outOfRange", and
                 never written by restore; either ends with status 5)
  sn read        serial=S mac=M
  sn write       serial=S mac=M (read back and confirmed, or held already); the window's
                 messages on standard error
  history        run ID TIME KIND serial=S mac=M ip=IP name=N station=H operator=U
                 program=P/V for each run, newest first, then its servos, each as
                   servo ID Ok|Failed|no reply before=V sent=W   (none where not known)
                 --csv: a header, then one record per servo (a run without servos: one)
  history stats  servo ID count=N mean=M min=A max=B stddev=S near-limit=K

With --robot all, the command runs on each robot that discovery finds within --seconds, one after
the other in order of address: each robot gets the line
  robot ip=IP mac=MAC serial=S status=N
followed by the command's own lines, indented by two spaces (with --json one object in the array
"robots" for each, the command's own object with "robot":{"name","version","ip","mac","serial"}).
backup and restore then take a folder DIR/ and use DIR/SERIAL.json for each robot. The exit
status is the worst of the robots', from worst to best: 4, 2, 3, 6, 1, 5, 0.

Records: every run that changes a robot (offsets write, restore, reset, sn write; never a
--dry-run) is recorded, by default in records.sqlite beside the session logs; --records or Url
of [Records] in Config.ini name an SQLite file, a PostgreSQL server (postgresql://USER@HOST/DB)
or off. With records on, the robot's serial number is read once after connecting, and each
servo's offset before the run where the command does not read it anyway. A store that fails
never changes the exit status: the report's "records" and a line on standard error say so.
Runs for a server that cannot be reached wait in the local file ("records: N waiting") and go
out with a later run. --since DATE takes a UTC date YYYY-MM-DD or time YYYY-MM-DDTHH:MM[:SS].

Waits: --timeout S bounds the connect (S) and the link (a robot that sends nothing for S is
lost), and all of a command's waits for the robot's answers together: on each robot the command
sits through at most S of silence in all. A servo that stayed silent is reported "no reply" and
not waited for again in that command; once S is spent, a wait still allows 1 s between answers.
Offset writes also end 6 s after they began, the serial number's answers about 6 s after each
request. Each request to the equipment service may take S to connect, then S without progress
while sending and S while receiving.

Exit status: 0 everything asked succeeded; 1 a robot or the equipment service refused or did
not answer; 2 bad usage or input (the argument or the file line is named; nothing is sent);
3 the robot cannot be reached (for discover: no discovery socket; for history: the records
server); 4 a failure on this machine (a file that cannot be written, records that cannot be read,
or the program itself failed); 5 backup or restore did the rest, but
left out servos whose offsets are outside -89..89 (not a clean backup or restore); 6 sn write put
the serial number into the robot, but it was not confirmed with the equipment service.

Environment: CALTRIM_ROBOT is the default of --robot (an address, or all).
Config.ini (ServoNum, ID1..IDn) and sys.ini (Settings/Server) are the program's own, as the
Caltrim window reads them.)";

constexpr char kSeeTopHelp[] =
    "\nThe common options (--json, -q, -v, --timeout, --config, --records), the output and the\n"
    "exit statuses: caltrim-cli --help.";

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

void AddCommonOptions(CLI::App* app, CliOptions* options) {
  app->add_flag("--json", options->json, "machine-readable output on standard output");
  CLI::Option* quiet = app->add_flag("-q,--quiet", options->quiet, "no progress on standard error, only errors");
  app->add_flag("-v,--verbose", options->verbose, "also the link's states and every reply on standard error")
      ->excludes(quiet);
  app->add_option("--timeout", options->timeoutSeconds,
                  "in seconds, 1..3600 (default 10): the connect; the link (nothing heard for\n"
                  "SECONDS ends it); the silence all of a command's waits for answers may sit\n"
                  "through together; each step of a request to the equipment service")
      ->option_text("SECONDS")
      ->check(CLI::Range(1, 3600).description(""));
  app->add_option("--config", options->configPath, "the Config.ini to read instead of the program's")
      ->option_text("FILE")
      ->check(CLI::Validator(ReadableFile, ""));
  app->add_option("--records", options->records,
                  "where the runs that change a robot are recorded and history reads them:\n"
                  "a postgresql:// URL, an SQLite file, or off (default: Url of [Records] in\n"
                  "Config.ini, else records.sqlite beside the session logs)")
      ->option_text("URL|FILE|off")
      ->check(CLI::Validator(
          [](const std::string& text) {
            return text.empty() ? std::string("an empty location: give a postgresql:// URL, a file or off")
                                : std::string();
          },
          ""));
}

// "  caltrim-cli backup --robot ..." lines under "Examples:".
std::string ExamplesFooter(const char* examples) {
  std::string footer = "Examples:\n";
  std::size_t start = 0;
  const std::string text = examples;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    footer += "  " + text.substr(start, end - start) + "\n";
    start = end + 1;
  }
  return footer + kSeeTopHelp;
}

// The command of entry under app, made with the group it belongs to (its first word) when it has
// one.
CLI::App* AddCommand(CLI::App* app, const CommandEntry& entry, std::map<std::string, CLI::App*>* groups) {
  const std::string path = entry.path;
  const std::size_t space = path.find(' ');
  CLI::App* parent = app;
  if (space != std::string::npos) {
    const std::string group = path.substr(0, space);
    CLI::App*& made = (*groups)[group];
    if (made == nullptr) {
      made = app->add_subcommand(group, GroupHelp(group.c_str()));
      made->group("Commands")->require_subcommand(1)->footer(kSeeTopHelp);
    }
    parent = made;
  }
  CLI::App* command = parent->add_subcommand(path.substr(space == std::string::npos ? 0 : space + 1), entry.help);
  command->group("Commands")->footer(ExamplesFooter(entry.examples));
  // A command may have commands of its own (history, history stats), which follow it in the table.
  if (space == std::string::npos) (*groups)[path] = command;
  return command;
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

void DefineCommandLine(CLI::App* app, CliOptions* options) {
  auto formatter = std::make_shared<HelpFormatter>();
  formatter->label("SUBCOMMAND", "COMMAND");
  app->formatter(formatter);
  // Common options may stand before or after the sub-command.
  app->fallthrough();
  app->require_subcommand(1);
  app->set_help_flag("-h,--help", "print this help and end");
  app->set_version_flag(
      "--version", [] { return "caltrim-cli " + ZAVNarrowToUtf8(GetFileVersionText(RunningExecutablePath())); },
      "print the version and end");
  AddCommonOptions(app, options);
  std::map<std::string, CLI::App*> groups;
  for (const CommandEntry& entry : CommandEntries()) {
    CLI::App* command = AddCommand(app, entry, &groups);
    if (entry.robotRun != nullptr) AddRobotOptions(command, options, entry.oneRobot);
    if (entry.define != nullptr) entry.define(command, options);
    command->callback([options, &entry, command] {
      // A command with commands of its own runs only when none of them was given.
      if (!command->get_subcommands().empty()) return;
      std::string problem = entry.robotRun != nullptr ? ChooseRobot(entry, options) : std::string();
      if (problem.empty() && entry.check != nullptr) problem = entry.check(*options);
      if (!problem.empty()) throw CLI::ValidationError(problem);
      options->command = &entry;
    });
  }
  // After the commands, which would each take it over.
  app->set_help_all_flag("--help-all", "print the help of every command as well, and end");
  app->footer(kFooter);
}

int ParseCommandLine(int argc, char** argv, CliOptions* options) {
  CLI::App app(kDescription, "caltrim-cli");
  DefineCommandLine(&app, options);
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
