#pragma once

// The exit statuses of caltrim-cli, the contract scripts rely on.
enum ExitStatus : int {
  kExitOk = 0,            // everything asked succeeded
  kExitRefused = 1,       // a robot (or the equipment service) refused, or did not answer
  kExitBadInput = 2,      // bad usage or input: an argument, a file line, another robot's backup
  kExitUnreachable = 3,   // the robot cannot be reached (connect failed, link lost), or no
                          // discovery socket could be opened
  kExitLocal = 4,         // a failure on this machine: a file that cannot be written (a missing
                          // or read-only folder, a full disk), or the program itself failed
  kExitOutOfRange = 5,    // backup, restore: done, but a servo's offset is outside -89..89 (the
                          // backup flags it, restore leaves it out): not a clean backup or restore
  kExitNotConfirmed = 6,  // sn write: the robot took the serial number, but it was not confirmed
                          // with the equipment service
};
