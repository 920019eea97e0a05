#pragma once

#include <string>

#include "cli/CommandLine.h"
#include "cli/Outcome.h"
#include "cli/RobotTarget.h"

// The serial-number sequence of the serial number window (provisioning/SerialNumberFlow) driven
// from a shell: the robot's replies come from the link, the equipment service is asked through
// CHttpOper (with the robot's ServiceTimeouts), the once-a-second timer is the wait for the next
// reply, and the window's messages go to standard error (English texts of strings.xml) and into
// the report's "messages". Within the sequence's own time-out, the robot's silence is also bounded
// by its SilenceBudget: a robot that says nothing for the allowance ends the sequence sooner.

struct SerialResult {
  bool ok = false;
  std::string serial;  // read from the robot (read), or written and read back (write)
  std::string mac;     // the robot's Bluetooth MAC as last read
};

// Reads the robot's serial number and MAC; the robot must be connected.
SerialResult ReadRobotSerial(RobotTarget& robot, Outcome* outcome);

// The robot's serial number and MAC as it holds them now, without the window's messages: a new
// robot holds none (ok, with an empty serial). ok is false when the link went, or the robot gave
// no answer within its budget's allowance, which is then spent.
SerialResult ReadHeldSerial(RobotTarget& robot);

// Verifies serial with the equipment service, writes it into the robot (which must be connected),
// reads it back and confirms it. The outcome says what is true at the end:
//  - a request the service did not answer: kExitRefused, naming the service and the transfer's
//    own reason ("the equipment service at URL could not be asked: GetHttpConnection出错");
//  - the robot took the number but it was not confirmed (read-back missing or different, confirm
//    refused or unanswered, link lost): kExitNotConfirmed, "SERIAL" was written to the robot, not
//    confirmed with the equipment service: <why>";
//  - anything else that stopped it: kExitRefused with the last message, or the link's status.
SerialResult WriteRobotSerial(RobotTarget& robot, const std::wstring& serial, Outcome* outcome);
