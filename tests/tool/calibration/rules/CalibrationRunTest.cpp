#include "calibration/rules/CalibrationRun.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>

namespace {

using Pairs = std::vector<std::pair<int, int>>;

using Writes = std::vector<CalibrationRun::Write>;

// The run's writes keep the answers they got while pending, and no answer that came after.
TEST(CalibrationRunTest, AReplyTakesTheFirstPendingPairOfItsServo) {
  CalibrationRun run;
  run.Begin();
  run.AddPending(1, 12);
  run.AddPending(3, -5);
  run.AddPending(1, 7);
  EXPECT_FALSE(run.SendingDone());
  EXPECT_EQ(run.Answer(1, true).value, 12);
  EXPECT_EQ(run.Pending(), (Pairs{{3, -5}, {1, 7}}));
  EXPECT_EQ(run.Answer(2, true).value, std::nullopt) << "no pair of servo 2";
  EXPECT_FALSE(run.Answer(1, false).endsRun);
  const CalibrationRun::Reply last = run.Answer(3, true);
  EXPECT_EQ(last.value, -5);
  EXPECT_TRUE(last.endsRun);
  EXPECT_FALSE(run.Running());
  EXPECT_FALSE(run.Answer(3, false).endsRun) << "a run ends once";
  EXPECT_EQ(run.Writes(), (Writes{{1, 12, true}, {3, -5, true}, {1, 7, false}}));

  run.Begin();
  run.AddPending(2, 4);
  run.AddPending(4, 9);
  run.SendingDone();
  run.Answer(4, false);
  run.TimeOut();
  run.Answer(2, true);
  EXPECT_EQ(run.Writes(), (Writes{{2, 4, std::nullopt}, {4, 9, false}})) << "servo 2 answered too late";
}

// Each script: b = Begin, aN = AddPending(N, N), d = SendingDone, rN = Answer(N), t = TimeOut;
// the letters of the calls that end the run are upper case.
TEST(CalibrationRunTest, ARunEndsAtItsLastReplyOnceEveryWriteIsOutOrAtTheTimeOut) {
  const struct { const char* what; std::string script; } cases[] = {
      {"answered after the last write", "b a1 a3 d r1 R3"},
      {"answered before the writer was done", "b a1 r1 a3 r3 D"},
      {"one of two answered", "b a1 a3 d r1 T r3"},
      {"nothing sent: only the time-out ends it", "b d T"},
      {"a time-out with no run", "t"},
      {"a new run after a time-out", "b a1 d T b a1 a2 r1 d R2"},
  };
  for (const auto& c : cases) {
    CalibrationRun run;
    std::istringstream script(c.script);
    std::string token, seen;
    while (script >> token) {
      const char op = static_cast<char>(std::tolower(token[0]));
      const int id = token.size() > 1 ? token[1] - '0' : 0;
      bool ended = false;
      if (op == 'b') run.Begin();
      if (op == 'a') run.AddPending(id, id);
      if (op == 'd') ended = run.SendingDone();
      if (op == 'r') ended = run.Answer(id, true).endsRun;
      if (op == 't') ended = run.TimeOut();
      token[0] = static_cast<char>(ended ? std::toupper(op) : op);
      seen += (seen.empty() ? "" : " ") + token;
    }
    EXPECT_EQ(seen, c.script) << c.what;
  }
}

}  // namespace
