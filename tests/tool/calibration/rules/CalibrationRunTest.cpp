#include "calibration/rules/CalibrationRun.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>

namespace {

using Pairs = std::vector<std::pair<int, int>>;

TEST(CalibrationRunTest, AReplyTakesTheFirstPendingPairOfItsServo) {
  CalibrationRun run;
  run.Begin();
  run.AddPending(1, 12);
  run.AddPending(3, -5);
  run.AddPending(1, 7);
  EXPECT_FALSE(run.SendingDone());
  EXPECT_EQ(run.Answer(1).value, 12);
  EXPECT_EQ(run.Pending(), (Pairs{{3, -5}, {1, 7}}));
  EXPECT_EQ(run.Answer(2).value, std::nullopt) << "no pair of servo 2";
  EXPECT_FALSE(run.Answer(1).endsRun);
  const CalibrationRun::Reply last = run.Answer(3);
  EXPECT_EQ(last.value, -5);
  EXPECT_TRUE(last.endsRun);
  EXPECT_FALSE(run.Running());
  EXPECT_FALSE(run.Answer(3).endsRun) << "a run ends once";
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
      if (op == 'r') ended = run.Answer(id).endsRun;
      if (op == 't') ended = run.TimeOut();
      token[0] = static_cast<char>(ended ? std::toupper(op) : op);
      seen += (seen.empty() ? "" : " ") + token;
    }
    EXPECT_EQ(seen, c.script) << c.what;
  }
}

}  // namespace
