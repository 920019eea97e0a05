#include "sim/robot/RobotCommands.h"

#include <gtest/gtest.h>

#include "sim/SimRequests.h"

namespace {

class RobotCommandsTest : public ::testing::Test {
 protected:
  RobotCommandsTest() : m_state(Options()) {}

  static SimOptions Options() {
    SimOptions options;
    options.servos = 6;
    options.offsets = {{3, 90}};
    options.angles = {{2, 30}};
    return options;
  }

  CommandOutcome Send(const std::string& payload, std::int64_t nowMs = 0) {
    return HandleCommand(payload, &m_state, m_faults, nowMs);
  }

  // Sends a servo command and decodes its reply.
  ServoReplyFields Servo(const ServoCommand& command, bool withValue, std::int64_t nowMs = 0) {
    const CommandOutcome outcome = Send(ServoPayload(command), nowMs);
    EXPECT_TRUE(outcome.hasReply);
    int type = -1;
    ServoReplyFields fields;
    EXPECT_TRUE(ReadServoReply(outcome.replyPayload, &type, &fields, withValue));
    EXPECT_EQ(type, command.type);
    return fields;
  }

  RobotState m_state;
  Faults m_faults;
};

TEST_F(RobotCommandsTest, AServoMovesToItsNewAngleOverTheGivenTime) {
  EXPECT_EQ(Servo(ServoCommand::ReadCurrentAngle(2), true, 0).value, 30);
  EXPECT_EQ(Servo(ServoCommand::ReadCurrentAngle(4), true, 0).value, SimOptions::kDefaultAngle);
  EXPECT_TRUE(Servo(ServoCommand::SetCurrentAngle(4, 200, 1000), false, 1000).ok);
  EXPECT_EQ(Servo(ServoCommand::ReadCurrentAngle(4), true, 1000).value, 120);
  EXPECT_EQ(Servo(ServoCommand::ReadCurrentAngle(4), true, 1500).value, 160);
  EXPECT_EQ(Servo(ServoCommand::ReadCurrentAngle(4), true, 2000).value, 200);
  // A new move starts from wherever the servo is.
  Servo(ServoCommand::SetCurrentAngle(4, 0, 0), false, 2500);
  EXPECT_EQ(Servo(ServoCommand::ReadCurrentAngle(4), true, 2500).value, 0);
}

TEST_F(RobotCommandsTest, IdsOutsideTheRobotFailAndInfoIsReported) {
  for (int id : {0, 7, 200}) {
    EXPECT_FALSE(Servo(ServoCommand::ReadCaliAngle(id), true).ok) << id;
    EXPECT_FALSE(Servo(ServoCommand::SetCaliAngle(id, 1), false).ok) << id;
  }
  const ServoReplyFields info = Servo(ServoCommand::ReadInfo(1), true);
  EXPECT_TRUE(info.ok);
  EXPECT_EQ(info.value, kServoModel * 256 + kServoFirmware);
}

TEST_F(RobotCommandsTest, HeartbeatsAndWhatTheRobotDoesNotKnowGetNoAnswer) {
  EXPECT_FALSE(Send("").hasReply);
  EXPECT_EQ(Send("").request, "heartbeat");
  EXPECT_FALSE(Send(std::string(1, '\xC1')).hasReply);
  EXPECT_FALSE(Send(PackEnvelope(9, PackTextBody(""))).hasReply);
  ServoCommand unknown;
  unknown.type = 0x42;
  unknown.size = 1;
  EXPECT_FALSE(Send(ServoPayload(unknown)).hasReply);
  ServoCommand shortSet = ServoCommand::SetCaliAngle(1, 1);
  shortSet.size = 2;
  EXPECT_FALSE(Send(ServoPayload(shortSet)).hasReply);
  EXPECT_EQ(m_state.Offset(1), 0);
}

}  // namespace
