#pragma once

#include <optional>
#include <set>
#include <string>

#include "cli/CommandLine.h"
#include "cli/Outcome.h"
#include "cli/RobotLink.h"
#include "cli/SilenceBudget.h"
#include "provisioning/HttpPost.h"

// One robot a command works on: where it is, the link to it (made when the command first needs
// it), and how long the command may still wait for its answers (SilenceBudget, --timeout). main
// makes one for --robot IP, AllRobots one for each robot discovery finds, so every robot command
// serves both.
class RobotTarget {
 public:
  // What is known of the robot before the link: its address, and what discovery said of it.
  struct Identity {
    std::string ip;
    std::string mac;  // discovery's (empty for --robot IP), as the name and version
    std::string name;
    std::string version;
  };

  // claimed holds the files the run wrote so far, shared by the robots of one --robot all run
  // (null: this robot alone). With -v the link's states and replies go to standard error.
  RobotTarget(const CliOptions& options, Identity identity, std::set<std::string>* claimed = nullptr);
  RobotTarget(const RobotTarget&) = delete;
  RobotTarget& operator=(const RobotTarget&) = delete;

  const Identity& Who() const { return m_identity; }

  // Connects within --timeout, saying so on standard error; only once, later calls give the first
  // answer. False, with the outcome failed as unreachable, when the robot cannot be reached.
  bool Connect(Outcome* outcome);
  bool Connected() const { return m_connected.value_or(false); }

  // The link; commands go through it once Connect succeeded.
  RobotLink& Link() { return m_link; }
  SilenceBudget& Budget() { return m_budget; }
  // The equipment service's time-outs: --timeout for each step.
  HttpTimeouts ServiceTimeouts() const;

  // Takes path as this robot's output: false when another robot of the run wrote it already.
  bool Claim(const std::string& path);

  // The robot's serial number as this run knows it: what a command read and noted, else read
  // now over the link, once, without the serial number window's messages (empty when the robot
  // holds none or does not answer; it is not asked again). The robot must be connected.
  std::string Serial();
  void NoteSerial(const std::string& serial) { m_serial = serial; }
  const std::optional<std::string>& KnownSerial() const { return m_serial; }

 private:
  Identity m_identity;
  int m_timeoutSeconds;
  RobotLink m_link;
  SilenceBudget m_budget;
  std::optional<bool> m_connected;
  std::optional<std::string> m_serial;
  std::set<std::string> m_ownClaims;
  std::set<std::string>* m_claimed;
};
