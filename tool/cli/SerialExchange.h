#pragma once

#include <string>

#include "cli/CommandLine.h"
#include "cli/Outcome.h"
#include "cli/RobotLink.h"

// The serial-number sequence of the serial number window (provisioning/SerialNumberFlow) driven
// from a shell: the robot's replies come from the link, the equipment service is asked through
// CHttpOper, the once-a-second timer is the wait for the next reply, and the window's messages
// go to standard error (English texts of strings.xml) and into the report's "messages".

struct SerialResult {
  bool ok = false;
  std::string serial;  // read from the robot (read), or written and read back (write)
  std::string mac;     // the robot's Bluetooth MAC as last read
};

// Reads the robot's serial number and MAC.
SerialResult ReadRobotSerial(RobotLink* link, Outcome* outcome);

// Verifies serial with the equipment service, writes it into the robot, reads it back and
// confirms it.
SerialResult WriteRobotSerial(RobotLink* link, const std::wstring& serial, Outcome* outcome);
