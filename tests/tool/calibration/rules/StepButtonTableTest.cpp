#include "calibration/rules/StepButtonTable.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Notes each call: "step+", "held-" (the down button red and raised), "rest+", "start1:500",
// "stop3".
class Journal : public IStepButtonHost {
 public:
  bool StepAllowed(StepDirection) override { return allowed; }
  void TakeStep(StepDirection d) override { Note(std::string("step") + Sign(d)); }
  void SetButtonHeldLook(StepDirection d, bool held) override {
    Note((held ? "held" : "rest") + std::string(1, Sign(d)));
  }
  void StartTimer(int id, int ms) override { Note("start" + std::to_string(id) + ":" + std::to_string(ms)); }
  void StopTimer(int id) override { Note("stop" + std::to_string(id)); }

  std::string Take() { return std::exchange(log, std::string()); }
  bool allowed = true;

 private:
  static char Sign(StepDirection d) { return d == StepDirection::Up ? '+' : '-'; }
  void Note(const std::string& what) { log += (log.empty() ? "" : " ") + what; }
  std::string log;
};

TEST(StepButtonTableTest, PressesReleasesAndTimersFollowTheTable) {
  using enum StepDirection;
  Journal host;
  StepButtonTable table(&host);
  // Each row: an input while a step is (not) allowed, whether the input is taken, what it did.
  const struct {
    const char* input;
    bool allowed;
    bool taken;
    const char* did;
  } rows[] = {
      {"press up", true, true, "step+ held- start1:500"},
      {"timer 1", true, true, "start3:80"},
      {"timer 3", true, true, "stop1 step+"},
      {"timer 3", false, true, "stop1"},
      {"release up", true, true, "stop3 stop1 rest-"},
      {"press down", true, true, "step- held+ start2:500"},
      {"release down", true, true, "stop4 stop2 rest+"},
      {"double press down", true, true, "step- held+ stop2 start4:500"},
      {"timer 4", true, true, "stop2 step-"},
      {"release down", true, true, "stop4 stop2 rest+"},
      {"press up", false, false, ""},
      {"double press up", false, false, ""},
      {"release up", false, true, "stop3 stop1 rest-"},
      {"timer 2", true, true, "start4:80"},
      {"stop all", true, true, "stop1 stop2 stop3 stop4 rest+ rest-"},
  };
  for (const auto& row : rows) {
    host.allowed = row.allowed;
    const std::string input = row.input;
    const StepDirection d = input.ends_with("up") ? Up : Down;
    bool taken = true;
    if (input.starts_with("press")) taken = table.Press(d);
    if (input.starts_with("double")) taken = table.DoublePress(d);
    if (input.starts_with("release")) table.Release(d);
    if (input.starts_with("timer")) table.TimerExpired(input.back() - '0');
    if (input == "stop all") table.StopAll();
    EXPECT_EQ(taken, row.taken) << input;
    EXPECT_EQ(host.Take(), row.did) << input << (row.allowed ? "" : " (refused)");
  }
}

}  // namespace
