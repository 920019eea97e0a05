#include "app/CommandLine.h"

#include <cstring>
#include <string>

#include <QString>

#include "app/FileVersion.h"

namespace {

constexpr char kHelp[] =
    "Usage: Caltrim [--help | --version | --provisioning] [Qt options]\n"
    "\n"
    "Calibrates the servos of Vorla2 robots found on the local network or on USB.\n"
    "\n"
    "  --help     print this help and end\n"
    "  --version  print the program's version and end\n"
    "  --provisioning\n"
    "             show the serial-number and language buttons (the production line's\n"
    "             switch; also Provisioning=1 in section [Config] of Config.ini)\n"
    "\n"
    "Files: strings.xml, sys.ini and the language library beside the program. Config.ini and\n"
    "the session logs (Log/) beside the program too when its folder is writable; for an\n"
    "installed program Config.ini is $XDG_CONFIG_HOME/Caltrim/Config.ini (~/.config/Caltrim),\n"
    "copied from the shipped one at the first start, and the logs are in\n"
    "$XDG_STATE_HOME/Caltrim/Log (~/.local/state/Caltrim).\n";

}  // namespace

std::optional<int> AnswerCommandLine(int argc, const char* const* argv, std::FILE* out) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kHelp, out);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      const std::wstring version = GetFileVersionText(RunningExecutablePath());
      std::fprintf(out, "Caltrim %s\n", QString::fromStdWString(version).toUtf8().constData());
      return 0;
    }
  }
  return std::nullopt;
}
