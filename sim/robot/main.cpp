// caltrim-robot-sim: one simulated robot. See SimHelpText for what it does.

#include <cstdio>
#include <string>
#include <vector>

#include "sim/robot/FrameLog.h"
#include "sim/robot/RobotServer.h"
#include "sim/robot/SimOptions.h"

int main(int argc, char** argv) {
  const std::string program = argc > 0 ? argv[0] : "caltrim-robot-sim";
  SimOptions options;
  std::string error;
  if (!ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &error)) {
    std::fprintf(stderr, "%s: %s (see --help)\n", program.c_str(), error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(SimHelpText(program).c_str(), stdout);
    return 0;
  }
  FrameLog log(stdout);
  RobotServer server(options, &log);
  if (!server.Open(&error)) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
    return 1;
  }
  server.Run();
  return 0;
}
