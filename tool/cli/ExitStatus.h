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

// The worse of two statuses, for a command run on several robots: the one that says less was
// done or more needs a person. From worst to best: 4 (this machine failed), 2 (bad input: nothing
// was done on that robot), 3 (unreachable), 6 (a serial number in an unconfirmed state),
// 1 (refused or silent), 5 (done but for flagged servos), 0. A status outside the list counts as
// the worst.
int WorseStatus(int a, int b);
