#include "AdbDevices.h"

#include <sstream>

namespace zavusbadb {
namespace {

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

}  // namespace

bool ParseAdbDevices(const std::string& output, std::vector<AdbDevice>* devices) {
  devices->clear();
  std::istringstream lines(output);
  std::string line;
  bool listed = false;
  while (std::getline(lines, line)) {
    line = Trimmed(line);
    if (!listed) {
      listed = line == "List of devices attached";
      continue;
    }
    if (line.empty() || line[0] == '*') continue;
    // "<serial>\t<state>", the serial never holds blanks.
    const auto gap = line.find_first_of(" \t");
    if (gap == std::string::npos) continue;
    const auto state = line.find_first_not_of(" \t", gap);
    const auto stateEnd = line.find_first_of(" \t", state);
    devices->push_back({line.substr(0, gap), line.substr(state, stateEnd - state)});
  }
  return listed;
}

}  // namespace zavusbadb
