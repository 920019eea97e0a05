#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/RecordsStore.h"

class QDialog;
class QWidget;

// The calibration history window as the main window sees it. The window and its fleet chart (Qt
// Charts) live in a module of their own, libcaltrim_history_module.so beside the program, which
// the main window opens the first time the operator asks for the history: a program that never
// shows it never maps Qt Charts. Nothing but this header (and the records headers it names)
// crosses between the program and the module. The window asks no store itself: the main window
// hands it what the records answered.

// The module's file and its entry: extern "C" IHistoryModule* CaltrimHistoryModule(int) takes
// kHistoryModuleVersion and returns the module, or null when it was built for another version of
// this interface.
inline constexpr char kHistoryModuleFile[] = "libcaltrim_history_module.so";
inline constexpr char kHistoryModuleEntry[] = "CaltrimHistoryModule";
inline constexpr int kHistoryModuleVersion = 1;

// What the records answered for one robot.
struct HistoryAnswer {
  // False when the robot has neither a serial number nor a MAC: its runs cannot be told from
  // other robots' at the same address, so none are asked for (runs stays empty).
  bool robotIdentified = true;
  std::vector<RunRecord> runs;     // the robot's runs, newest first
  std::vector<ServoStats> fleet;   // every robot's spread, by servo id
};

// The history window of the connected robot. Modeless, hidden when made; it goes with the widget
// that owns it. User-interface thread only.
class IHistoryWindow {
 public:
  // The window itself, to show, raise and hide.
  virtual QDialog* Dialog() = 0;
  // Begins showing robot, with its offsets as the main window knows them now (element k is servo
  // k + 1; none where unknown): what was shown before goes, and the window says that the records
  // are being read.
  virtual void ShowRobot(const RobotIdentity& robot, const std::vector<std::optional<int>>& offsets) = 0;
  // The records' answer for the robot last shown: its runs in the table, its offsets against the
  // fleet's spread in the chart, and the servos that stand out named in text.
  virtual void ShowAnswer(const HistoryAnswer& answer) = 0;
  // The records could not be read: why (shown in place of the answer).
  virtual void ShowFailure(const std::string& error) = 0;

 protected:
  ~IHistoryWindow() = default;
};

// The module: one per process, never unloaded.
class IHistoryModule {
 public:
  // A new hidden history window owned by owner (a Qt parent: the window goes with it).
  virtual IHistoryWindow* CreateHistoryWindow(QWidget* owner) = 0;

 protected:
  ~IHistoryModule() = default;
};

// Opens the module beside the program (once; later calls return the same module at once).
// Null with *error naming the file and the reason when it is missing, cannot be loaded, or is not
// a history module of this version of the program.
IHistoryModule* LoadHistoryModule(std::string* error);
